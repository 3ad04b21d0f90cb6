// The transfer's dialogs: questions and errors through the window's dialogs, and the progress
// window that appears only for long transfers and whose Cancel stops the copy.
#include "ui/dialogs/QtTransferDialogs.h"
#include "support/TempFolder.h"

#include "engine/run/Dialogs.h"
#include "engine/run/RunAbort.h"

#include <QApplication>
#include <QKeyEvent>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <vector>

namespace pixbako {
namespace {

struct RecordingDialogs final : IDialogs {
    std::vector<BeepKind> beeps;
    std::vector<std::string> texts;
    std::vector<BoxIcon> icons;
    std::vector<BoxButtons> buttons;
    std::deque<BoxAnswer> answers;

    void beep(BeepKind kind) override { beeps.push_back(kind); }
    BoxAnswer messageBox(const std::string& text, BoxIcon icon, BoxButtons b) override {
        texts.push_back(text);
        icons.push_back(icon);
        buttons.push_back(b);
        BoxAnswer answer = answers.empty() ? BoxAnswer::Ok : answers.front();
        if (!answers.empty())
            answers.pop_front();
        return answer;
    }
};

TEST(QtTransferDialogs, OverwriteQuestionAsksWithYesNoCancelAndMapsEveryAnswer) {
    const std::pair<BoxAnswer, OverwriteAnswer> cases[] = {
        {BoxAnswer::Yes, OverwriteAnswer::Yes},
        {BoxAnswer::No, OverwriteAnswer::No},
        {BoxAnswer::Cancel, OverwriteAnswer::Cancel},
    };
    for (auto [box, expected] : cases) {
        RecordingDialogs boxes;
        boxes.answers = {box};
        QtTransferDialogs dialogs(nullptr, boxes, nullptr, BoxDisplay::Screen);
        EXPECT_EQ(dialogs.askOverwrite("/save/2024/IMG_0001.JPG"), expected);
        ASSERT_EQ(boxes.texts.size(), 1u);
        EXPECT_EQ(boxes.texts[0], overwriteQuestionText("/save/2024/IMG_0001.JPG"));
        EXPECT_EQ(boxes.icons[0], BoxIcon::Question);
        EXPECT_EQ(boxes.buttons[0], BoxButtons::YesNoCancel);
    }
    // Once the run is being aborted, nobody is asked any more.
    RecordingDialogs boxes;
    RunAbortFlag aborted;
    aborted.set();
    QtTransferDialogs aborting(nullptr, boxes, &aborted, BoxDisplay::Screen);
    EXPECT_EQ(aborting.askOverwrite("/save/a.jpg"), OverwriteAnswer::Cancel);
    EXPECT_TRUE(boxes.texts.empty());
}

TEST(QtTransferDialogs, ErrorAndWarningBoxesNameTheFileAndTheReasonWithTheirBeeps) {
    // A moved file whose deletion the disk didn't confirm is a warning, not a failed file.
    struct Case {
        bool warning;
        BoxIcon icon;
        BeepKind beep;
    };
    for (const Case& c : {Case{false, BoxIcon::Error, BeepKind::Hand},
                          Case{true, BoxIcon::Warning, BeepKind::Exclamation}}) {
        RecordingDialogs boxes;
        QtTransferDialogs dialogs(nullptr, boxes, nullptr, BoxDisplay::Screen);
        std::string reason =
            transferErrorText(FileOperation::Copy, TransferError::DiskFull, ENOSPC);
        if (c.warning)
            dialogs.showWarning("/card/DCIM/IMG_0001.JPG", reason);
        else
            dialogs.showError("/card/DCIM/IMG_0001.JPG", reason);
        ASSERT_EQ(boxes.texts.size(), 1u);
        EXPECT_NE(boxes.texts[0].find("/card/DCIM/IMG_0001.JPG"), std::string::npos);
        EXPECT_NE(boxes.texts[0].find(reason), std::string::npos);
        EXPECT_EQ(boxes.icons[0], c.icon);
        EXPECT_EQ(boxes.buttons[0], BoxButtons::Ok);
        EXPECT_EQ(boxes.beeps, std::vector<BeepKind>{c.beep});
    }
}

// A clock the test moves by hand.
struct ManualClock {
    std::int64_t now = 0;
    QtTransferDialogs::Clock clock() {
        return [this] { return now; };
    }
};

TEST(QtTransferDialogs, ProgressWindowAppearsOnlyWhenATransferOutlastsASecond) {
    struct Case {
        const char* name;
        std::int64_t elapsed;
        std::uint64_t done;
        bool window;
    };
    const Case cases[] = {
        {"short transfer", 200, 50, false},
        {"just under the delay", QtTransferDialogs::kProgressDelayMs - 1, 50, false},
        {"long transfer", QtTransferDialogs::kProgressDelayMs + 500, 50, true},
        {"finished when the delay passed", 5000, 100, false},
    };
    QWidget window;
    RecordingDialogs boxes;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ManualClock time;
        QtTransferDialogs dialogs(&window, boxes, nullptr, BoxDisplay::Screen);
        dialogs.setClock(time.clock());
        dialogs.progressStart("/card/DCIM/MVI_0001.MOV", 100);
        EXPECT_TRUE(dialogs.progressUpdate(10));
        EXPECT_EQ(dialogs.progressWindow(), nullptr);
        time.now = c.elapsed;
        EXPECT_TRUE(dialogs.progressUpdate(c.done));
        EXPECT_EQ(dialogs.progressWindow() != nullptr, c.window);
        if (c.window) {
            EXPECT_TRUE(dialogs.progressWindow()->isVisible());
            EXPECT_TRUE(dialogs.progressWindow()->labelText().contains("MVI_0001.MOV"));
            EXPECT_EQ(dialogs.progressWindow()->parentWidget(), &window);
        }
        dialogs.progressEnd();
        EXPECT_EQ(dialogs.progressWindow(), nullptr);
        EXPECT_EQ(window.findChildren<QProgressDialog*>().size(), 0);
    }
}

TEST(QtTransferDialogs, CancelButtonCloseBoxEscapeOrAbortStopTheTransfer) {
    const std::pair<const char*, std::function<void(QProgressDialog&)>> ways[] = {
        {"Cancel button", [](QProgressDialog& w) { w.findChild<QPushButton*>()->click(); }},
        {"close box", [](QProgressDialog& w) { w.close(); }},
        {"Escape",
         [](QProgressDialog& w) {
             QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
             QApplication::sendEvent(&w, &escape);
         }},
    };
    RecordingDialogs boxes;
    RunAbortFlag abort;
    ManualClock time;
    QtTransferDialogs dialogs(nullptr, boxes, &abort, BoxDisplay::Screen);
    dialogs.setClock(time.clock());
    for (const auto& [name, cancel] : ways) {
        SCOPED_TRACE(name);
        time.now = 0;
        dialogs.progressStart("/card/a.mov", 1000);
        time.now = 2000;
        ASSERT_TRUE(dialogs.progressUpdate(100));
        ASSERT_NE(dialogs.progressWindow(), nullptr);
        cancel(*dialogs.progressWindow());
        EXPECT_FALSE(dialogs.progressUpdate(200));
        EXPECT_FALSE(dialogs.progressUpdate(300)); // stays cancelled
        dialogs.progressEnd();
    }

    // The next transfer starts afresh; the abort flag (the window closed) stops it too.
    time.now = 0;
    dialogs.progressStart("/card/b.mov", 1000);
    EXPECT_TRUE(dialogs.progressUpdate(100));
    abort.set();
    EXPECT_FALSE(dialogs.progressUpdate(200));
    dialogs.progressEnd();
}

TEST(QtTransferDialogs, ByteCountsBeyondFourGigabytesDoNotOverflowTheWindow) {
    RecordingDialogs boxes;
    ManualClock time;
    QtTransferDialogs dialogs(nullptr, boxes, nullptr, BoxDisplay::Screen);
    dialogs.setClock(time.clock());
    const std::uint64_t total = 6ull << 30;
    dialogs.progressStart("/card/big.mov", total);
    time.now = 2000;
    ASSERT_TRUE(dialogs.progressUpdate(total / 2));
    ASSERT_NE(dialogs.progressWindow(), nullptr);
    EXPECT_EQ(dialogs.progressWindow()->value() * 2, dialogs.progressWindow()->maximum());
}

TEST(QtTransferDialogs, PressingCancelInALongCopyCancelsItAndKeepsTheSource) {
    TempFolder folder;
    std::string source = folder.path() + "/MVI_0001.MOV";
    std::string destination = folder.path() + "/copy.MOV";
    {
        std::ofstream out(source, std::ios::binary);
        std::string block(1 << 20, 'x');
        for (int i = 0; i < 6; ++i)
            out << block;
    }
    RecordingDialogs boxes;
    std::int64_t now = 0;
    QtTransferDialogs dialogs(nullptr, boxes, nullptr, BoxDisplay::Screen);
    dialogs.setClock([&now] { return now += 700; }); // every chunk takes 0.7 s

    // The user presses Cancel as soon as the window shows.
    QTimer presser;
    QObject::connect(&presser, &QTimer::timeout, [&dialogs] {
        if (QProgressDialog* window = dialogs.progressWindow())
            if (auto* cancel = window->findChild<QPushButton*>())
                cancel->click();
    });
    presser.start(0);

    TransferRequest request{FileOperation::Copy, source, destination, false, true};
    EXPECT_EQ(transferFile(request, dialogs).status, TransferStatus::Cancelled);
    EXPECT_TRUE(std::filesystem::exists(source));
    EXPECT_EQ(std::filesystem::file_size(source), 6u << 20);
    EXPECT_FALSE(std::filesystem::exists(destination));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()),
                            std::filesystem::directory_iterator()),
              1); // no temporary file left
    EXPECT_TRUE(boxes.texts.empty());
}

} // namespace
} // namespace pixbako
