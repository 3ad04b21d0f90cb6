// The actions after a run in the main window: their order, the completion notice with the
// window kept in front, failures that are reported without harm, and the command-line runs at
// start-up.
#include "ui/CompletionNotice.h"
#include "ui/ProcessingNotice.h"
#include "ui/Topmost.h"
#include "ui/UiTestSupport.h"
#include "ui/dialogs/QtDialogs.h"

#include "platform/TerminationSignals.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace pixbako::test {
namespace {

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

struct NoticeSeen {
    bool shown = false;
    QString text;
    bool noticeTopmost = false;
    bool mainTopmost = false;
    std::size_t beepsBefore = 0;
    QRect label, button; // geometries while shown
    QSize textSize;      // what the label's text needs
    QSize client;
};

class CompletionTest : public ::testing::Test {
protected:
    TempFolder temp;
    FakeDialogs dialogs;
    fs::path card, save;
    Strings events; // "open <folder>", "start <program> <arguments>"
    bool startSucceeds = true;
    std::unique_ptr<MainWindow> window;
    CompletionNotice* completionNotice = nullptr;
    BoxDisplay boxDisplay = BoxDisplay::Screen;

    void SetUp() override {
        card = fs::path(temp.path()) / "card";
        save = fs::path(temp.path()) / "save";
        fs::create_directories(card);
        fs::create_directories(save);
    }
    void TearDown() override { window.reset(); }

    // A settings file that imports `card` into `save` with plain names, date folders on.
    void writeSettings(const std::string& extra = {}) {
        std::ofstream ini(temp.path() + "/pixbako.INI", std::ios::binary);
        ini << "[INI0]\r\nREAD=" << card.string() << "\r\nWRITE=" << save.string()
            << "\r\nOVERW=0\r\nMODE=1\r\nRENAME=0\r\nDIRCHKBOX=1\r\nDDATE=yyyy_mm_dd\r\n"
            << extra;
    }

    void picture(const std::string& name, const char* day) {
        const fs::path path = card / name;
        std::ofstream(path) << "bytes of " << name;
        const std::string command =
            "touch -d '" + std::string(day) + " 12:00:00' '" + path.string() + "'";
        ASSERT_EQ(std::system(command.c_str()), 0);
    }

    void createWindow(QStringList arguments = {}, bool notices = true) {
        MainWindowSetup setup;
        setup.iniPath = QString::fromStdString(temp.path() + "/pixbako.INI");
        setup.dialogs = &dialogs;
        setup.boxDisplay = boxDisplay;
        setup.arguments = std::move(arguments);
        setup.postRun.openFolder = [this](const QString& folder) {
            events.push_back("open " + folder.toStdString());
        };
        setup.postRun.startProgram = [this](const QString& program, const QStringList& args) {
            events.push_back("start " + program.toStdString() + " [" +
                             args.join(QLatin1Char('|')).toStdString() + "]");
            return startSucceeds;
        };
        setup.postRun.now = [] { return *encodeDateTime(2026, 12, 8, 6, 30, 5, 123); };
        window = std::make_unique<MainWindow>(std::move(setup));
        if (notices) {
            completionNotice = new CompletionNotice(window.get());
            window->setNotices(new ProcessingNotice(window.get()), completionNotice);
        }
    }

    // Watches for the completion notice, records what it shows and presses its OK button.
    void answerNotice() {
        auto seen = std::make_shared<NoticeSeen>();
        auto* timer = new QTimer(window.get());
        QObject::connect(timer, &QTimer::timeout, timer, [this, seen, timer] {
            if (!completionNotice || !completionNotice->isVisible())
                return;
            seen->shown = true;
            seen->text = completionNotice->label->text();
            seen->noticeTopmost = isTopmost(completionNotice);
            seen->mainTopmost = isTopmost(window.get());
            seen->beepsBefore = dialogs.beeps.size();
            seen->label = completionNotice->label->geometry();
            seen->button = completionNotice->okButton->geometry();
            seen->textSize = completionNotice->label->sizeHint();
            seen->client = completionNotice->size();
            completionNotice->okButton->click();
            timer->stop();
        });
        timer->start(2);
        noticeSeen_ = seen;
    }
    NoticeSeen notice() const { return noticeSeen_ ? *noticeSeen_ : NoticeSeen{}; }

    void run() {
        answerNotice();
        window->startOrStopRun();
    }

    template <typename T = QWidget> T* find(const char* name) const {
        return window->findChild<T*>(QString::fromLatin1(name));
    }

private:
    std::shared_ptr<NoticeSeen> noticeSeen_;
};

TEST_F(CompletionTest, NoticeShowsTheCountWithTheWindowInFrontUntilOk) {
    picture("IMG_0001.JPG", "2024-05-01");
    picture("IMG_0002.JPG", "2024-05-01");
    picture("IMG_0003.JPG", "2024-05-02");
    writeSettings();
    createWindow();
    window->show();
    run();
    const NoticeSeen seen = notice();
    ASSERT_TRUE(seen.shown);
    EXPECT_EQ(seen.text, "3件のファイルを処理しました");
    EXPECT_EQ(seen.client, QSize(191, 72));
    EXPECT_EQ(seen.button, QRect(40, 40, 97, 25));
    EXPECT_TRUE(seen.mainTopmost);
    EXPECT_TRUE(seen.noticeTopmost);
    EXPECT_EQ(dialogs.beeps, std::vector<BeepKind>{BeepKind::Exclamation});
    EXPECT_EQ(seen.beepsBefore, 1u) << "the beep sounds before the notice";
    EXPECT_FALSE(isTopmost(window.get()));
    EXPECT_FALSE(isTopmost(completionNotice));
    EXPECT_FALSE(completionNotice->isVisible());
    EXPECT_TRUE(window->isVisible()) << "topmost switching must not hide the window";
    EXPECT_EQ(find<QPushButton>("RunButton")->text(), "処理実行");
    EXPECT_TRUE(dialogs.boxes.empty());
}

// The notice said "2件のファイルを処理しました" for a run that could not copy one of the two.
TEST_F(CompletionTest, NoticeOfFilesNotTransferredShowsEveryLineInFull) {
    picture("IMG_0001.JPG", "2024-05-01");
    picture("IMG_0002.JPG", "2024-05-01");
    fs::create_directories(save / "2024_05_01" / "IMG_0002.JPG"); // a folder takes the name
    writeSettings();
    createWindow();
    window->show();
    run();
    const NoticeSeen seen = notice();
    ASSERT_TRUE(seen.shown);
    EXPECT_EQ(seen.text, "1件のファイルをコピーしました\n1件のファイルはコピーしていません\n"
                         "　エラー: 1件");
    EXPECT_GE(seen.label.width(), seen.textSize.width());
    EXPECT_GE(seen.label.height(), seen.textSize.height());
    EXPECT_GE(seen.button.top(), seen.label.bottom());
    EXPECT_LE(seen.button.bottom(), seen.client.height());
    EXPECT_EQ(dialogs.boxes.size(), 1u) << "the copy's own error box";
}

TEST_F(CompletionTest, LogThenFoldersThenProgramInThatOrder) {
    picture("IMG_0001.JPG", "2024-05-01");
    picture("IMG_0002.JPG", "2024-05-02");
    const fs::path program = fs::path(temp.path()) / "viewer.sh";
    std::ofstream(program) << "#!/bin/sh\n";
    ::chmod(program.c_str(), 0755);
    writeSettings("LOGF=1\r\nDIROPEN=1\r\nRUNF=1\r\nRUNPARA2=1\r\nRUNNAME=" + program.string() +
                  "\r\n");
    createWindow();
    run();
    const fs::path log = save / "2026-12-08 063005123.LOG";
    EXPECT_TRUE(fs::exists(log));
    const std::string s = save.string() + "/";
    EXPECT_EQ(events, (Strings{"open " + s + "2024_05_01", "open " + s + "2024_05_02",
                               "start " + program.string() + " [" + s + "]"}));
    EXPECT_TRUE(notice().shown);
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(CompletionTest, ProgramParameterIsTheOneDateFolderWithoutDelimiter) {
    picture("IMG_0001.JPG", "2024-05-01");
    const fs::path program = fs::path(temp.path()) / "viewer.sh";
    std::ofstream(program) << "#!/bin/sh\n";
    ::chmod(program.c_str(), 0755);
    writeSettings("RUNF=1\r\nRUNPARA2=1\r\nRUNNAME=" + program.string() + "\r\n");
    createWindow();
    run();
    EXPECT_EQ(events, Strings{"start " + program.string() + " [" + save.string() + "/2024_05_01]"});
}

TEST_F(CompletionTest, LogThatCannotBeWrittenIsReportedAndTheRunStillEndsWell) {
    picture("IMG_0001.JPG", "2024-05-01");
    writeSettings("LOGF=1\r\n");
    // A folder under the log's name: the log can't take it, whoever runs the test.
    fs::create_directories(save / "2026-12-08 063005123.LOG" / "inside");
    createWindow();
    run();
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    const ShownBox& box = dialogs.boxes[0];
    EXPECT_EQ(box.icon, BoxIcon::Error);
    EXPECT_NE(box.text.find("ログファイルを保存できませんでした"), std::string::npos);
    EXPECT_NE(box.text.find(save.string() + "/2026-12-08 063005123.LOG"), std::string::npos);
    EXPECT_NE(box.text.find("\r\n\r\n"), std::string::npos) << "the reason follows";
    EXPECT_GT(box.text.size(), box.text.find("\r\n\r\n") + 4) << "a reason is given";
    // The picture is imported and untouched; the window is idle and the notice came.
    EXPECT_TRUE(fs::exists(save / "2024_05_01" / "IMG_0001.JPG"));
    EXPECT_TRUE(fs::exists(save / "2026-12-08 063005123.LOG" / "inside"));
    EXPECT_EQ(find<QPushButton>("RunButton")->text(), "処理実行");
    EXPECT_TRUE(notice().shown);
}

TEST_F(CompletionTest, ProgramMissingNotExecutableOrFailingIsAnErrorBoxNotACrash) {
    const fs::path document = fs::path(temp.path()) / "notes.txt";
    std::ofstream(document) << "text";
    ::chmod(document.c_str(), 0644);
    const fs::path script = fs::path(temp.path()) / "viewer.sh";
    std::ofstream(script) << "#!/bin/sh\n";
    ::chmod(script.c_str(), 0755);
    struct Case {
        std::string program;
        bool startSucceeds;
        const char* message; // empty: no box
    };
    const Case cases[] = {
        {temp.path() + "/gone.sh", true, "起動するプログラムが見つかりません"},
        {document.string(), true, "起動するプログラムに実行の許可がありません"},
        {script.string(), false, "プログラムを起動できませんでした"},
        {"", true, ""},
    };
    writeSettings("RUNF=1\r\n");
    createWindow();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.program);
        picture("IMG_0001.JPG", "2024-05-01");
        find<QLineEdit>("RunProcEdit")->setText(QString::fromStdString(c.program));
        dialogs.boxes.clear();
        startSucceeds = c.startSucceeds;
        run();
        if (*c.message) {
            ASSERT_EQ(dialogs.boxes.size(), 1u);
            EXPECT_EQ(dialogs.boxes[0].text, std::string(c.message) + "\r\n\r\n" + c.program);
            EXPECT_EQ(dialogs.boxes[0].icon, BoxIcon::Error);
        } else {
            EXPECT_TRUE(dialogs.boxes.empty());
        }
        EXPECT_TRUE(notice().shown);
    }
}

TEST_F(CompletionTest, AutoExitEndsWithoutNoticeAndFolderArgumentsNeverShowIt) {
    picture("IMG_0001.JPG", "2024-05-01");
    writeSettings("AUTOQUIT=1\r\n");
    createWindow({QString::fromStdString(card.string())}, false);
    // The folder run ended the program through the end request, with no notice pending.
    EXPECT_TRUE(window->endRequested());
    EXPECT_EQ(window->exitStatus(), 0);
    completionNotice = new CompletionNotice(window.get());
    window->setNotices(new ProcessingNotice(window.get()), completionNotice);
    answerNotice();
    window->showPendingCompletionNotice();
    EXPECT_FALSE(notice().shown);
    EXPECT_TRUE(fs::exists(save / "2024_05_01" / "IMG_0001.JPG"));
    // The read-in folder of the settings is back in its field.
    EXPECT_EQ(find<QLineEdit>("ReadInEdit")->text().toStdString(), card.string());
}

TEST_F(CompletionTest, SwitchSRunShowsItsNoticeOnceTheWindowsExist) {
    picture("IMG_0001.JPG", "2024-05-01");
    picture("IMG_0002.JPG", "2024-05-01");
    writeSettings();
    createWindow({QStringLiteral("-S")}, false); // its notice comes before CompletionNotice exists
    EXPECT_FALSE(window->endRequested());
    EXPECT_TRUE(dialogs.beeps.empty()) << "nothing shown during the window's creation";
    completionNotice = new CompletionNotice(window.get());
    window->setNotices(new ProcessingNotice(window.get()), completionNotice);
    answerNotice();
    window->showPendingCompletionNotice();
    EXPECT_TRUE(notice().shown);
    EXPECT_EQ(notice().text, "2件のファイルを処理しました");
    // Once only.
    answerNotice();
    window->showPendingCompletionNotice();
    EXPECT_FALSE(notice().shown);
}

TEST_F(CompletionTest, MissingFolderArgumentIsAnErrorAndFailsTheExitStatus) {
    writeSettings("AUTOQUIT=1\r\n");
    const std::string missing = temp.path() + "/no-card";
    createWindow({QString::fromStdString(missing)});
    EXPECT_EQ(dialogs.texts(), Strings{"フォルダが見つかりません\r\n\r\n" + missing});
    EXPECT_TRUE(window->endRequested());
    EXPECT_EQ(window->exitStatus(), 1);
}

TEST_F(CompletionTest, WithoutAScreenTheNoticeGoesToStandardErrorAndNeverWaits) {
    picture("IMG_0001.JPG", "2024-05-01");
    writeSettings();
    boxDisplay = BoxDisplay::StandardError;
    createWindow();
    ::testing::internal::CaptureStderr();
    window->startOrStopRun();
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Pixbako: 1件のファイルを処理しました\n");
    EXPECT_FALSE(completionNotice->isVisible());
}

// A notice that waits for OK after a termination signal would keep the ending program alive
// until it is killed. Runs in a fresh process of its own, where the signal stays.
TEST_F(CompletionTest, AfterATerminationSignalTheNoticeGoesToStandardErrorAndNeverWaits) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    picture("IMG_0001.JPG", "2024-05-01");
    writeSettings();
    EXPECT_EXIT(
        {
            if (!installTerminationHandlers())
                std::_Exit(0);                           // the signal would end the program at once
            createWindow({QStringLiteral("-S")}, false); // its notice waits for the windows
            completionNotice = new CompletionNotice(window.get());
            window->setNotices(new ProcessingNotice(window.get()), completionNotice);
            ::kill(::getpid(), SIGTERM);
            answerNotice();
            window->showPendingCompletionNotice();
            std::_Exit(notice().shown ? 1 : 0);
        },
        ::testing::ExitedWithCode(0), "Pixbako: 1件のファイルを処理しました\n$");
}

TEST(NoticeWindowsTest, SizesTextsAndTransparencyAsDesigned) {
    QWidget main;
    main.setGeometry(100, 100, 746, 555);
    main.show();
    ProcessingNotice form4(&main);
    CompletionNotice completionNotice(&main);
    EXPECT_EQ(form4.size(), QSize(137, 35));
    EXPECT_EQ(completionNotice.size(), QSize(191, 72));
    EXPECT_EQ(form4.windowTitle(), "Pixbako");
    EXPECT_EQ(completionNotice.windowTitle(), "Pixbako");
    EXPECT_EQ(form4.label->text(), "処理中です");
    EXPECT_EQ(form4.label->alignment(), Qt::AlignCenter);
    EXPECT_NEAR(form4.windowOpacity(), 200 / 255.0, 0.01);
    // Opaque: a see-through background is black where no compositor blends windows.
    EXPECT_FALSE(form4.testAttribute(Qt::WA_TranslucentBackground));
    EXPECT_TRUE(form4.autoFillBackground());
    EXPECT_DOUBLE_EQ(completionNotice.windowOpacity(), 1.0);
    for (QDialog* notice :
         {static_cast<QDialog*>(&form4), static_cast<QDialog*>(&completionNotice)}) {
        EXPECT_FALSE(notice->windowFlags().testFlag(Qt::WindowCloseButtonHint));
        EXPECT_FALSE(notice->windowFlags().testFlag(Qt::WindowMinMaxButtonsHint));
        EXPECT_TRUE(notice->windowFlags().testFlag(Qt::WindowTitleHint));
    }
    EXPECT_EQ(completionNotice.okButton->text(), "OK");
    EXPECT_EQ(completionNotice.okButton->geometry(), QRect(40, 40, 97, 25));
    EXPECT_EQ(completionNotice.label->geometry().height(), 33);
    form4.showNotice();
    EXPECT_TRUE(form4.isVisible());
    const QPoint offCentre = form4.geometry().center() - main.frameGeometry().center();
    EXPECT_LE(offCentre.manhattanLength(), 4) << "centred on the main window";
    form4.hide();
}

} // namespace
} // namespace pixbako::test
