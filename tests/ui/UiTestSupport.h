#pragma once
// A main window under test: a temporary settings file, message boxes answered by a script and
// recorded, folder and program pickers answered by the test.
#include "engine/run/Dialogs.h"
#include "support/TempFolder.h"
#include "ui/MainWindow.h"

#include <QCoreApplication>
#include <QMimeData>
#include <QTest>
#include <QUrl>
#include <QWidget>
#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace pixbako::test {

struct ShownBox {
    std::string text;
    BoxIcon icon;
    BoxButtons buttons;
};

// Records every beep and box; answers from `answers` in order, else with the box's first
// button (Ok or Yes). `onBox` runs while a box is "open" (e.g. to press a button meanwhile).
class FakeDialogs final : public IDialogs {
public:
    std::vector<BeepKind> beeps;
    std::vector<ShownBox> boxes;
    std::deque<BoxAnswer> answers;
    std::function<void(const ShownBox&)> onBox;

    void beep(BeepKind kind) override { beeps.push_back(kind); }
    BoxAnswer messageBox(const std::string& text, BoxIcon icon, BoxButtons buttons) override {
        boxes.push_back({text, icon, buttons});
        if (onBox)
            onBox(boxes.back());
        if (!answers.empty()) {
            const BoxAnswer answer = answers.front();
            answers.pop_front();
            return answer;
        }
        return buttons == BoxButtons::Ok || buttons == BoxButtons::OkCancel ? BoxAnswer::Ok
                                                                            : BoxAnswer::Yes;
    }
    std::vector<std::string> texts() const {
        std::vector<std::string> all;
        for (const auto& box : boxes)
            all.push_back(box.text);
        return all;
    }
};

class WindowTest : public ::testing::Test {
protected:
    TempFolder temp;
    FakeDialogs dialogs;
    QString pickedFolder;              // what the folder picker answers ("" = cancel)
    std::vector<QString> pickerTitles; // titles the folder picker was opened with
    std::vector<QString> pickerInitialFolders;
    std::unique_ptr<MainWindow> window;

    QString iniPath() const { return QString::fromStdString(temp.path() + "/pixbako.INI"); }

    void createWindow() {
        MainWindowSetup setup;
        setup.iniPath = iniPath();
        setup.dialogs = &dialogs;
        setup.pickFolder = [this](const QString& title, const QString& initial) {
            pickerTitles.push_back(title);
            pickerInitialFolders.push_back(initial);
            return pickedFolder;
        };
        setup.openWizard = [this] { ++wizardOpened; };
        setup.openAbout = [this] { ++aboutOpened; };
        setup.openExtendedSettings = [this] {
            ++extendedSettingsOpened;
            if (onExtendedSettings)
                onExtendedSettings();
        };
        window = std::make_unique<MainWindow>(std::move(setup));
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }

    void SetUp() override { createWindow(); }

    template <typename T = QWidget> T* find(const char* name) const {
        T* widget = window->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }

    int wizardOpened = 0;
    int aboutOpened = 0;
    int extendedSettingsOpened = 0;
    std::function<void()> onExtendedSettings; // runs in place of the modal dialog
};

// Drops a list of local paths on a widget the way a file manager does.
inline void dropPaths(QWidget* target, const QStringList& paths) {
    QMimeData data;
    QList<QUrl> urls;
    for (const QString& path : paths)
        urls << QUrl::fromLocalFile(path);
    data.setUrls(urls);
    const QPoint at(target->width() / 2, target->height() / 2);
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &enter);
    QDragMoveEvent move(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &move);
    QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &drop);
}

} // namespace pixbako::test
