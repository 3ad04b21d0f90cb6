// The folder picker, answered from its onShow handler instead of by a user.
#include "components/FolderPicker.h"
#include "qtsupport/QtPrinters.h"
#include "support/TempFolder.h"

#include <QDir>
#include <QFileDialog>
#include <QGuiApplication>
#include <QScreen>
#include <gtest/gtest.h>

#include <filesystem>

namespace pixbako {
namespace {

QString qs(const std::string& s) {
    return QString::fromStdString(s);
}

struct Shown {
    QString title;
    QString directory;
    QPoint position;
    QSize size;
    int width = 0;
    int height = 0;
};

// Records what the dialog shows, then lets `answer` close it.
void answerWith(FolderPicker& browse, Shown& shown, std::function<void(QFileDialog&)> answer) {
    browse.onShow = [&shown, answer](FolderPicker& sender) {
        QFileDialog* dialog = sender.dialog();
        shown.title = dialog->windowTitle();
        shown.directory = dialog->directory().absolutePath();
        shown.position = dialog->frameGeometry().topLeft();
        shown.size = dialog->frameGeometry().size();
        shown.width = sender.dialogWidth();
        shown.height = sender.dialogHeight();
        answer(*dialog);
    };
}

TEST(BrowseFolder, ConfirmedFolderIsReportedAndCancelKeepsTheFormerOne) {
    TempFolder temp;
    std::filesystem::create_directory(temp.path() + "/写真 2024");
    const QString chosen = qs(temp.path() + "/写真 2024");

    FolderPicker browse;
    browse.title = QStringLiteral("読込フォルダを指定");
    browse.initialFolder = qs(temp.path());
    Shown shown;
    answerWith(browse, shown, [&chosen](QFileDialog& dialog) {
        dialog.setDirectory(chosen);
        static_cast<QDialog&>(dialog).accept(); // as the OK button does
    });
    EXPECT_TRUE(browse.exec());
    EXPECT_EQ(shown.title, QStringLiteral("読込フォルダを指定"));
    EXPECT_EQ(shown.directory, qs(temp.path()));
    EXPECT_EQ(browse.folder(), chosen);
    EXPECT_EQ(browse.displayName(), QStringLiteral("写真 2024"));
    EXPECT_EQ(browse.dialog(), nullptr);
    EXPECT_EQ(browse.dialogWidth(), 0);

    // Accepting at once takes the initial folder itself.
    answerWith(browse, shown, [](QFileDialog& dialog) { static_cast<QDialog&>(dialog).accept(); });
    EXPECT_TRUE(browse.exec());
    EXPECT_EQ(browse.folder(), qs(temp.path()));

    answerWith(browse, shown, [](QFileDialog& dialog) { dialog.reject(); });
    EXPECT_FALSE(browse.exec());
    EXPECT_EQ(browse.folder(), qs(temp.path()));
}

TEST(BrowseFolder, MissingOrEmptyInitialFolderOpensAtHome) {
    for (QString initDir : {QStringLiteral("/no/such/folder"), QString()}) {
        FolderPicker browse;
        browse.initialFolder = initDir;
        Shown shown;
        answerWith(browse, shown, [](QFileDialog& dialog) { dialog.reject(); });
        EXPECT_FALSE(browse.exec());
        EXPECT_EQ(shown.directory, QDir::homePath());
        EXPECT_EQ(browse.folder(), QString());
    }
}

TEST(BrowseFolder, PlacedAtFormLeftFormTopOrCentredWhenBothAreZero) {
    QRect screen = QGuiApplication::primaryScreen()->geometry();
    struct Case {
        int left, top;
        bool centred;
    };
    const Case cases[] = {{0, 100, false}, {120, 0, false}, {30, 40, false}, {0, 0, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.left << "," << c.top);
        FolderPicker browse;
        browse.screenLeft = c.left;
        browse.screenTop = c.top;
        Shown shown;
        answerWith(browse, shown, [](QFileDialog& dialog) { dialog.reject(); });
        browse.exec();
        EXPECT_EQ(shown.width, shown.size.width());
        EXPECT_EQ(shown.height, shown.size.height());
        QPoint expected = c.centred ? QPoint(screen.x() + (screen.width() - shown.width) / 2,
                                             screen.y() + (screen.height() - shown.height) / 2)
                                    : QPoint(c.left, c.top);
        EXPECT_EQ(shown.position, expected);
    }
}

} // namespace
} // namespace pixbako
