// File drops from a file manager, built as the real drag events Qt delivers.
#include "components/FileDropTarget.h"
#include "qtsupport/QtPrinters.h"

#include <QApplication>
#include <QDropEvent>
#include <QGroupBox>
#include <QLineEdit>
#include <QMimeData>
#include <QUrl>
#include <QWindow>
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

namespace pixbako {
namespace {

using Files = std::vector<std::string>;

// What a file manager offers: the URL list and the same list as text.
std::unique_ptr<QMimeData> uriList(const QByteArray& lines) {
    auto data = std::make_unique<QMimeData>();
    data->setData(QStringLiteral("text/uri-list"), lines);
    data->setText(QString::fromUtf8(lines));
    return data;
}

struct DragResult {
    bool entered = false; // the drag may be dropped here (otherwise: the no-drop cursor)
    bool dropped = false;
    Qt::DropAction action = Qt::IgnoreAction;
};

// Enter, move and drop at `pos` of `widget`, as Qt sends them to the widget under the cursor.
DragResult drag(QWidget* widget, QPoint pos, const QMimeData& data,
                Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction) {
    DragResult result;
    QDragEnterEvent enter(pos, offered, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &enter);
    result.entered = enter.isAccepted();
    if (!result.entered)
        return result;
    QDragMoveEvent move(pos, offered, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
    QDropEvent drop(pos, offered, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &drop);
    result.dropped = drop.isAccepted();
    result.action = drop.dropAction();
    return result;
}

struct Drops {
    std::vector<Files> files;
    std::vector<QPoint> points;
    std::vector<FileDropTarget*> senders;

    FileDropTarget::TFileDropEvent handler() {
        return [this](FileDropTarget& sender, const Files& f, int x, int y) {
            files.push_back(f);
            points.emplace_back(x, y);
            senders.push_back(&sender);
        };
    }
};

// A group box with a line edit inside, like the read-in folder's group on the main window.
struct FolderGroup {
    QGroupBox box;
    QLineEdit* edit = new QLineEdit(&box);
    FolderGroup() {
        box.resize(300, 80);
        edit->setGeometry(10, 20, 200, 24);
    }
};

TEST(DropDst, DroppedUrlsBecomeLocalPathsInDropOrder) {
    struct Case {
        const char* name;
        QByteArray uris;
        Files files;
    };
    const Case cases[] = {
        {"three files keep their order",
         "file:///card/DCIM/IMG_0003.JPG\r\nfile:///card/DCIM/IMG_0001.JPG\r\n"
         "file:///card/DCIM/IMG_0002.JPG\r\n",
         {"/card/DCIM/IMG_0003.JPG", "/card/DCIM/IMG_0001.JPG", "/card/DCIM/IMG_0002.JPG"}},
        {"percent-encoded blank",
         "file:///home/u/My%20Pictures/a%20b.jpg\r\n",
         {"/home/u/My Pictures/a b.jpg"}},
        {"Japanese names in UTF-8",
         "file:///home/u/%E5%86%99%E7%9C%9F/%E6%97%85%E8%A1%8C%201.JPG\r\n",
         {"/home/u/写真/旅行 1.JPG"}},
        {"a name that is not UTF-8 keeps its bytes",
         "file:///card/%82%A0%FF.JPG\r\n",
         {"/card/\x82\xA0\xFF.JPG"}},
        {"folder without its trailing slash", "file:///media/card/DCIM/\r\n", {"/media/card/DCIM"}},
        {"the root folder stays", "file:///\r\n", {"/"}},
        {"localhost is this machine", "file://localhost/tmp/a.jpg\r\n", {"/tmp/a.jpg"}},
        {"other machines and schemes are left out",
         "http://example.com/a.jpg\r\nfile://fileserver/share/b.jpg\r\n"
         "smb://fileserver/share/c.jpg\r\n# a comment line\r\nfile:///tmp/d.jpg\r\n",
         {"/tmp/d.jpg"}},
        {"an encoded NUL is no path",
         "file:///tmp/a%00b.jpg\r\nfile:///tmp/e.jpg\r\n",
         {"/tmp/e.jpg"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(droppedLocalFiles(*uriList(c.uris)), c.files);
    }

    // As Qt itself puts local files into a drag (its own file dialogs and views).
    QMimeData fromQt;
    fromQt.setUrls({QUrl::fromLocalFile(QStringLiteral("/tmp/日本語 フォルダ/IMG 1.jpg")),
                    QUrl::fromLocalFile(QStringLiteral("/tmp/100%.jpg"))});
    EXPECT_EQ(droppedLocalFiles(fromQt),
              (Files{"/tmp/日本語 フォルダ/IMG 1.jpg", "/tmp/100%.jpg"}));
}

// Through the window, as a file manager's drop arrives: Qt picks the widget under the cursor.
TEST(DropDst, DropOnTheWindowReachesTheTargetUnderTheCursor) {
    QWidget window;
    window.resize(400, 300);
    auto* group = new QGroupBox(&window);
    group->setGeometry(20, 30, 300, 100);
    auto* edit = new QLineEdit(group);
    edit->setGeometry(10, 20, 200, 24);
    Drops drops;
    FileDropTarget drop;
    drop.onFileDrop = drops.handler();
    drop.setControl(group);
    window.show();
    QWindow* native = window.windowHandle();
    ASSERT_NE(native, nullptr);

    auto data = uriList("file:///card/DCIM/a%20b.JPG\r\nfile:///card/DCIM/%E5%86%99.JPG\r\n");
    const struct {
        QPoint at; // in the window
        bool delivered;
        QPoint point; // in the group box
    } cases[] = {
        {QPoint(35, 55), true, QPoint(15, 25)},    // on the line edit
        {QPoint(300, 110), true, QPoint(280, 80)}, // on the group box itself
        {QPoint(350, 250), false, QPoint()},       // beside it: no drop target there
    };
    for (const auto& c : cases) {
        std::size_t before = drops.files.size();
        const Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction;
        QDragEnterEvent enter(c.at, offered, data.get(), Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(native, &enter);
        EXPECT_EQ(enter.isAccepted(), c.delivered);
        QDropEvent dropped(c.at, offered, data.get(), Qt::LeftButton, Qt::NoModifier);
        if (enter.isAccepted()) {
            QApplication::sendEvent(native, &dropped);
        } else {
            QDragLeaveEvent leave;
            QApplication::sendEvent(native, &leave);
        }
        EXPECT_EQ(drops.files.size(), before + (c.delivered ? 1 : 0));
        if (c.delivered) {
            EXPECT_EQ(drops.points.back(), c.point);
            EXPECT_EQ(drops.files.back(), (Files{"/card/DCIM/a b.JPG", "/card/DCIM/写.JPG"}));
            EXPECT_EQ(drops.senders.back(), &drop);
        }
    }
    EXPECT_EQ(edit->text(), QString()); // the URL text did not land in the field
}

TEST(DropDst, DragWithoutLocalFilesIsLeftToTheWidget) {
    FolderGroup group;
    Drops drops;
    FileDropTarget drop;
    drop.onFileDrop = drops.handler();
    drop.setControl(&group.box);

    QMimeData text;
    text.setText(QStringLiteral("plain words"));
    EXPECT_TRUE(drag(group.edit, QPoint(5, 6), text).dropped);
    EXPECT_EQ(group.edit->text(), QStringLiteral("plain words"));

    auto web = uriList("http://example.com/a.jpg\r\n");
    EXPECT_FALSE(drag(&group.box, QPoint(5, 6), *web).entered);
    EXPECT_TRUE(drops.files.empty());
}

TEST(DropDst, DropIsNeverAcceptedAsAMove) {
    // A file manager told "moved" may delete the originals from the card.
    struct Case {
        Qt::DropActions offered;
        bool entered;
        Qt::DropAction action;
    };
    const Case cases[] = {
        {Qt::CopyAction | Qt::MoveAction | Qt::LinkAction, true, Qt::CopyAction},
        {Qt::MoveAction | Qt::LinkAction, true, Qt::LinkAction},
        {Qt::MoveAction, false, Qt::IgnoreAction},
    };
    QWidget field;
    Drops drops;
    FileDropTarget drop;
    drop.onFileDrop = drops.handler();
    drop.setControl(&field);
    auto data = uriList("file:///card/a.jpg\r\n");
    for (const Case& c : cases) {
        DragResult result = drag(&field, QPoint(1, 1), *data, c.offered);
        EXPECT_EQ(result.entered, c.entered);
        if (c.entered) {
            EXPECT_EQ(result.action, c.action);
        }
    }
    EXPECT_EQ(drops.files.size(), 2u);
}

TEST(DropDst, AcceptDropOffRefusesFileDragsAndOnGivesThemBack) {
    QLineEdit field; // takes dropped text of its own
    Drops drops;
    FileDropTarget drop;
    drop.onFileDrop = drops.handler();
    drop.setControl(&field);
    auto data = uriList("file:///card/a.jpg\r\n");

    drop.setAcceptDrop(false);
    EXPECT_FALSE(drag(&field, QPoint(1, 1), *data).entered);
    EXPECT_EQ(field.text(), QString());
    EXPECT_TRUE(field.acceptDrops()); // its own text drops still work

    drop.setAcceptDrop(true);
    EXPECT_TRUE(drag(&field, QPoint(1, 1), *data).dropped);
    EXPECT_EQ(drops.files.size(), 1u);
}

TEST(DropDst, UnhookingGivesTheWidgetItsOwnDropSettingBack) {
    QGroupBox box;
    QLineEdit field;
    Drops drops;
    FileDropTarget drop;
    drop.onFileDrop = drops.handler();
    drop.setControl(&box);
    EXPECT_TRUE(box.acceptDrops());
    drop.setControl(&field);
    EXPECT_FALSE(box.acceptDrops());
    EXPECT_TRUE(field.acceptDrops());
    drop.setControl(nullptr);
    EXPECT_TRUE(field.acceptDrops());
    EXPECT_EQ(drop.hookedControl(), nullptr);

    auto data = uriList("file:///card/a.jpg\r\n");
    drag(&field, QPoint(1, 1), *data);
    EXPECT_TRUE(drops.files.empty());
}

TEST(DropDst, HandlerErrorIsShownOnceAndLaterDropsStillWork) {
    QWidget field;
    FileDropTarget drop;
    drop.setControl(&field);
    auto data = uriList("file:///card/a.jpg\r\n");
    EXPECT_TRUE(drag(&field, QPoint(1, 1), *data).dropped); // no handler: finished all the same

    int calls = 0;
    drop.onFileDrop = [&calls](FileDropTarget&, const Files&, int, int) {
        if (++calls == 1)
            throw std::runtime_error("フォルダが見つかりません");
    };
    std::vector<QString> errors;
    drop.onError = [&errors](FileDropTarget&, const QString& message) {
        errors.push_back(message);
    };

    EXPECT_TRUE(drag(&field, QPoint(1, 1), *data).dropped);
    QApplication::processEvents(); // shown once the drop has finished
    EXPECT_EQ(errors, std::vector<QString>{QStringLiteral("フォルダが見つかりません")});
    EXPECT_TRUE(drag(&field, QPoint(1, 1), *data).dropped);
    QApplication::processEvents();
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(errors.size(), 1u);
}

TEST(DropDst, WidgetsAddedLaterAndNestedDropTargetsEachGetTheirOwnDrops) {
    FolderGroup group;
    Drops outer, inner;
    FileDropTarget groupDrop;
    groupDrop.onFileDrop = outer.handler();
    groupDrop.setControl(&group.box);

    // Built after the hook, with a field of its own inside.
    auto* panel = new QWidget;
    auto* later = new QLineEdit(panel);
    later->move(3, 4);
    panel->setParent(&group.box);
    panel->move(50, 40);
    auto data = uriList("file:///card/a.jpg\r\n");
    EXPECT_TRUE(drag(later, QPoint(1, 1), *data).dropped);
    EXPECT_EQ(later->text(), QString());
    ASSERT_EQ(outer.points.size(), 1u);
    EXPECT_EQ(outer.points[0], QPoint(54, 45));

    // The edit field has a drop target of its own: drops on it are its own, not the group's.
    FileDropTarget editDrop;
    editDrop.onFileDrop = inner.handler();
    editDrop.setControl(group.edit);
    EXPECT_TRUE(drag(group.edit, QPoint(2, 2), *data).dropped);
    EXPECT_EQ(inner.files.size(), 1u);
    EXPECT_EQ(inner.points[0], QPoint(2, 2));
    EXPECT_EQ(outer.files.size(), 1u);
}

TEST(DropDst, DropsKeepWorkingAfterTheWindowIsMadeAnew) {
    QWidget window;
    Drops drops;
    FileDropTarget drop;
    drop.onFileDrop = drops.handler();
    drop.setControl(&window);
    window.show();
    window.winId();
    // Changing these flags makes Qt destroy the native window and create a new one.
    window.setWindowFlags(Qt::Tool);
    window.show();
    EXPECT_TRUE(window.acceptDrops());
    auto data = uriList("file:///card/a.jpg\r\n");
    EXPECT_TRUE(drag(&window, QPoint(1, 1), *data).dropped);
    EXPECT_EQ(drops.files.size(), 1u);
}

TEST(DropDst, HookedWidgetDestroyedFirstLeavesTheHookUnhooked) {
    FileDropTarget drop;
    {
        QWidget field;
        drop.setControl(&field);
        EXPECT_EQ(drop.hookedControl(), &field);
    }
    EXPECT_EQ(drop.hookedControl(), nullptr);
    drop.setAcceptDrop(false); // nothing to register with, no crash
}

TEST(ControlHook, FormTargetHooksTheWindowOrFailsWithoutOne) {
    QWidget window;
    auto* field = new QLineEdit(&window);
    ControlHook hook; // owned by nothing, hooking nothing
    EXPECT_THROW(
        {
            try {
                hook.setTarget(HookTarget::Window);
            } catch (const HookTargetError& error) {
                EXPECT_STREQ(error.what(), "フック先を特定できません。");
                throw;
            }
        },
        HookTargetError);
    hook.setControl(field);
    EXPECT_EQ(hook.hookedControl(), &window);

    // Without a control: the window that owns the hook.
    ControlHook owned(field);
    owned.setTarget(HookTarget::Window);
    EXPECT_EQ(owned.hookedControl(), &window);

    ControlHook plain;
    plain.setControl(nullptr); // HookTarget::Control without a control: silently unhooked
    EXPECT_EQ(plain.hookedControl(), nullptr);
}

} // namespace
} // namespace pixbako
