// Without a screen (scripts, cron, udev rules) no box may wait for an answer: each one goes to
// standard error and gets the answer that replaces, stops and deletes nothing.
#include "ui/dialogs/QtDialogs.h"
#include "ui/dialogs/QtTransferDialogs.h"

#include "platform/TerminationSignals.h"

#include <QApplication>
#include <QGuiApplication>
#include <QProgressDialog>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <unistd.h>

namespace pixbako {
namespace {

TEST(UnattendedBoxes, EveryBoxGoesToStandardErrorWithTheSafeAnswer) {
    struct Case {
        BoxButtons buttons;
        BoxAnswer answer;
    };
    const Case cases[] = {
        {BoxButtons::Ok, BoxAnswer::Ok},
        {BoxButtons::YesNo, BoxAnswer::No},       // "中断しますか": the run goes on
        {BoxButtons::YesNoCancel, BoxAnswer::No}, // replace the file? No: skipped, run goes on
        {BoxButtons::OkCancel, BoxAnswer::Cancel},
        {BoxButtons::YesAbort, BoxAnswer::Abort},
    };
    QWidget window;
    QtDialogs dialogs(&window, BoxDisplay::StandardError);
    for (const Case& c : cases) {
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(dialogs.messageBox("処理を中断しました\r\n2件のファイルを処理しました",
                                     BoxIcon::Warning, c.buttons),
                  c.answer);
        EXPECT_EQ(::testing::internal::GetCapturedStderr(),
                  "Pixbako: 処理を中断しました\n         2件のファイルを処理しました\n");
    }
    EXPECT_TRUE(window.findChildren<QWidget*>().isEmpty()) << "no box was made";
}

TEST(UnattendedBoxes, OverwriteQuestionSkipsTheFileAndNoProgressWindowAppears) {
    QWidget window;
    QtDialogs boxes(&window, BoxDisplay::StandardError);
    QtTransferDialogs dialogs(&window, boxes, nullptr, BoxDisplay::StandardError);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(dialogs.askOverwrite("/save/IMG_0001.JPG"), OverwriteAnswer::No);
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("IMG_0001.JPG"), std::string::npos);

    std::int64_t now = 0;
    dialogs.setClock([&now] { return now; });
    dialogs.progressStart("/card/MVI_0001.MOV", 100);
    now = 60'000;
    EXPECT_TRUE(dialogs.progressUpdate(10));
    EXPECT_EQ(dialogs.progressWindow(), nullptr);
    dialogs.progressEnd();
}

// Once a termination signal came, the program is ending: a box opened after it (a run's last
// error, a folder that could not be flushed) would wait until the process is killed, on a
// screen too. Runs in a fresh process of its own, where the signal stays.
TEST(BoxDisplayTest, AfterATerminationSignalNoBoxWaitsEvenOnAScreen) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            if (!installTerminationHandlers())
                std::_Exit(0); // the signal would end the program at once
            ::kill(::getpid(), SIGTERM);
            QWidget window;
            QtDialogs dialogs(&window, BoxDisplay::Screen);
            bool waited = false;
            // A box that opens all the same is noted and closed, so that the process ends.
            QTimer closer;
            QObject::connect(&closer, &QTimer::timeout, [&waited] {
                if (QWidget* box = QApplication::activeModalWidget()) {
                    waited = true;
                    box->close();
                }
            });
            closer.start(5);
            const BoxAnswer answer =
                dialogs.messageBox("中断しますか", BoxIcon::Warning, BoxButtons::YesNo);
            std::_Exit(!waited && answer == BoxAnswer::No ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "Pixbako: 中断しますか\n$");
}

TEST(BoxDisplayTest, OffscreenPlatformMeansStandardErrorUnlessTheScreenIsAskedFor) {
    EXPECT_EQ(boxesGoToStandardError(BoxDisplay::Automatic),
              QGuiApplication::platformName() == "offscreen");
    EXPECT_FALSE(boxesGoToStandardError(BoxDisplay::Screen));
    EXPECT_TRUE(boxesGoToStandardError(BoxDisplay::StandardError));
}

} // namespace
} // namespace pixbako
