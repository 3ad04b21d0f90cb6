// The command-line runs: which arguments run, with which sender and which boxes, and when the
// program ends.
#include "engine/post/CommandLine.h"
#include "support/TempFolder.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace pixbako::test {
namespace {

using Strings = std::vector<std::string>;

struct RecordedRun {
    std::string readIn;
    RunSender sender;
    bool startProgram;
    bool autoExit;
};

class FakeCommandLineWindow : public ICommandLineWindow {
public:
    std::string readIn = "/saved";
    bool startProgram = true;
    bool autoExit = true;
    bool runsSucceed = true;
    bool shown = false;
    std::vector<RecordedRun> runs;
    Strings boxes;
    std::vector<BeepKind> beeps;

    void beep(BeepKind kind) override { beeps.push_back(kind); }
    BoxAnswer messageBox(const std::string& text, BoxIcon, BoxButtons) override {
        boxes.push_back(text);
        return BoxAnswer::Ok;
    }
    void showWindow() override { shown = true; }
    std::string readInFolder() override { return readIn; }
    void setReadInFolder(const std::string& folder) override { readIn = folder; }
    bool startProgramChecked() override { return startProgram; }
    void setStartProgramChecked(bool checked) override { startProgram = checked; }
    bool autoExitChecked() override { return autoExit; }
    void setAutoExitChecked(bool checked) override { autoExit = checked; }
    bool runImport(RunSender sender) override {
        runs.push_back({readIn, sender, startProgram, autoExit});
        return runsSucceed;
    }
};

class CommandLineTest : public ::testing::Test {
protected:
    void SetUp() override {
        a = temp.path() + "/a";
        b = temp.path() + "/b";
        std::filesystem::create_directory(a);
        std::filesystem::create_directory(b);
    }
    TempFolder temp;
    std::string a, b;
    FakeCommandLineWindow window;
};

TEST_F(CommandLineTest, OnlyTheLastFolderArgumentMayStartTheProgramOrEndPixbako) {
    const CommandLineOutcome outcome = PARARUN(window, {a, b}, false);
    ASSERT_EQ(window.runs.size(), 2u);
    EXPECT_EQ(window.runs[0].readIn, a);
    EXPECT_EQ(window.runs[0].sender, RunSender::CommandLineFolder);
    EXPECT_FALSE(window.runs[0].startProgram);
    EXPECT_FALSE(window.runs[0].autoExit);
    EXPECT_EQ(window.runs[1].readIn, b);
    EXPECT_EQ(window.runs[1].sender, RunSender::CommandLineFolder);
    EXPECT_TRUE(window.runs[1].startProgram);
    EXPECT_TRUE(window.runs[1].autoExit);
    // The boxes and the read-in folder are the saved ones again.
    EXPECT_EQ(window.readIn, "/saved");
    EXPECT_TRUE(window.startProgram);
    EXPECT_TRUE(window.autoExit);
    EXPECT_TRUE(window.shown);
    // A folder run ends the program through its own completion, not here.
    EXPECT_FALSE(outcome.endRequest);
    EXPECT_FALSE(outcome.failed);
}

TEST_F(CommandLineTest, SwitchSRunsTheSavedFolderOnlyWithoutFolderArguments) {
    struct Case {
        const char* what;
        Strings arguments;
        std::size_t runs;
        RunSender sender;
        bool endRequest;
    };
    const Case cases[] = {
        {"-S", {"-S"}, 1, RunSender::Interactive, true},
        {"-s", {"-s"}, 1, RunSender::Interactive, true},
        {"-S twice runs twice", {"-S", "-s"}, 2, RunSender::Interactive, true},
        {"-S beside a folder: the folder only",
         {"-S", "FOLDER"},
         1,
         RunSender::CommandLineFolder,
         false},
        {"other options are ignored", {"--verbose", "-x"}, 0, RunSender::Interactive, false},
    };
    for (const Case& c : cases) {
        FakeCommandLineWindow w;
        Strings arguments = c.arguments;
        for (std::string& argument : arguments)
            if (argument == "FOLDER")
                argument = a;
        const CommandLineOutcome outcome = PARARUN(w, arguments, false);
        ASSERT_EQ(w.runs.size(), c.runs) << c.what;
        if (c.runs > 0) {
            EXPECT_EQ(w.runs[0].sender, c.sender) << c.what;
            EXPECT_TRUE(w.runs[0].autoExit) << c.what;
        }
        if (c.sender == RunSender::Interactive && c.runs > 0) {
            EXPECT_EQ(w.runs[0].readIn, "/saved") << c.what;
        }
        EXPECT_EQ(outcome.endRequest, c.endRequest) << c.what;
        EXPECT_TRUE(w.boxes.empty()) << c.what;
    }
}

TEST_F(CommandLineTest, SwitchSWithoutAutoExitKeepsTheProgramOpen) {
    window.autoExit = false;
    EXPECT_FALSE(PARARUN(window, {"-S"}, true).endRequest);
    EXPECT_EQ(window.runs.size(), 1u);
}

TEST_F(CommandLineTest, MissingFolderIsAnErrorAndWithAutoExitEndsWithFailure) {
    const std::string missing = temp.path() + "/no-card";
    const CommandLineOutcome outcome = PARARUN(window, {missing}, false);
    EXPECT_TRUE(window.runs.empty());
    EXPECT_EQ(window.boxes, Strings{"フォルダが見つかりません\r\n\r\n" + missing});
    EXPECT_EQ(window.beeps, std::vector<BeepKind>{BeepKind::Hand});
    EXPECT_TRUE(outcome.failed);
    EXPECT_TRUE(outcome.endRequest);

    FakeCommandLineWindow open;
    open.autoExit = false;
    const CommandLineOutcome kept = PARARUN(open, {missing}, false);
    EXPECT_TRUE(kept.failed);
    EXPECT_FALSE(kept.endRequest) << "without auto exit the window stays for the user";
}

TEST_F(CommandLineTest, FileArgumentIsNoFolder) {
    const std::string file = temp.path() + "/file.jpg";
    std::ofstream(file) << "x";
    EXPECT_TRUE(PARARUN(window, {file}, false).failed);
    EXPECT_TRUE(window.runs.empty());
    EXPECT_EQ(window.boxes.size(), 1u);
}

TEST_F(CommandLineTest, FailedRunIsReportedAndEndsOnlyWhenNobodyWatches) {
    window.runsSucceed = false;
    const CommandLineOutcome watched = PARARUN(window, {a}, false);
    EXPECT_TRUE(watched.failed);
    EXPECT_FALSE(watched.endRequest);

    FakeCommandLineWindow headless;
    headless.runsSucceed = false;
    const CommandLineOutcome unattended = PARARUN(headless, {a}, true);
    EXPECT_TRUE(unattended.failed);
    EXPECT_TRUE(unattended.endRequest);

    FakeCommandLineWindow first;
    first.runsSucceed = false;
    first.autoExit = false;
    EXPECT_FALSE(PARARUN(first, {a, b}, true).endRequest) << "auto exit off";
}

} // namespace
} // namespace pixbako::test
