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
    Options options() override {
        Options options;
        options.readInFolder = readIn;
        options.startProgram = startProgram;
        options.autoExit = autoExit;
        return options;
    }
    bool runImport(RunSender sender, const ImportSettings& settings) override {
        runs.push_back({settings.readInFolder, sender, settings.startProgram, settings.autoExit});
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
    const CommandLineOutcome outcome = runCommandLineFolders(window, {a, b}, false);
    ASSERT_EQ(window.runs.size(), 2u);
    EXPECT_EQ(window.runs[0].readIn, a);
    EXPECT_EQ(window.runs[0].sender, RunSender::CommandLineFolder);
    EXPECT_FALSE(window.runs[0].startProgram);
    EXPECT_FALSE(window.runs[0].autoExit);
    EXPECT_EQ(window.runs[1].readIn, b);
    EXPECT_EQ(window.runs[1].sender, RunSender::CommandLineFolder);
    EXPECT_TRUE(window.runs[1].startProgram);
    EXPECT_TRUE(window.runs[1].autoExit);
    // The window's own options are not touched.
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
        const CommandLineOutcome outcome = runCommandLineFolders(w, arguments, false);
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

// Without a screen nobody can close the window: a run from cron or udev hung for ever.
TEST_F(CommandLineTest, WithoutAScreenEveryCommandLineEndsTheProgram) {
    struct Case {
        const char* what;
        Strings arguments;
        bool autoExit;
        bool runsSucceed;
        bool unattended;
        bool endRequest;
    };
    const Case cases[] = {
        {"-S, auto exit off, on a screen", {"-S"}, false, true, false, false},
        {"-S, auto exit off, no screen", {"-S"}, false, true, true, true},
        {"folder, auto exit off, on a screen", {"A"}, false, true, false, false},
        {"folder, auto exit off, no screen", {"A"}, false, true, true, true},
        {"two folders, no screen", {"A", "B"}, false, true, true, true},
        {"failed run, auto exit on, on a screen", {"A"}, true, false, false, false},
        {"failed run, auto exit off, no screen", {"A"}, false, false, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeCommandLineWindow w;
        w.autoExit = c.autoExit;
        w.runsSucceed = c.runsSucceed;
        Strings arguments = c.arguments;
        for (std::string& argument : arguments)
            argument = argument == "A" ? a : argument == "B" ? b : argument;
        const CommandLineOutcome outcome = runCommandLineFolders(w, arguments, c.unattended);
        EXPECT_EQ(w.runs.size(), arguments.size());
        EXPECT_EQ(outcome.endRequest, c.endRequest);
        EXPECT_EQ(outcome.failed, !c.runsSucceed);
        EXPECT_EQ(w.autoExit, c.autoExit) << "the saved box stays as it was";
    }
}

TEST_F(CommandLineTest, MissingFolderIsAnErrorAndWithAutoExitEndsWithFailure) {
    const std::string missing = temp.path() + "/no-card";
    const CommandLineOutcome outcome = runCommandLineFolders(window, {missing}, false);
    EXPECT_TRUE(window.runs.empty());
    EXPECT_EQ(window.boxes, Strings{"フォルダが見つかりません\r\n\r\n" + missing});
    EXPECT_EQ(window.beeps, std::vector<BeepKind>{BeepKind::Hand});
    EXPECT_TRUE(outcome.failed);
    EXPECT_TRUE(outcome.endRequest);

    FakeCommandLineWindow open;
    open.autoExit = false;
    const CommandLineOutcome kept = runCommandLineFolders(open, {missing}, false);
    EXPECT_TRUE(kept.failed);
    EXPECT_FALSE(kept.endRequest) << "without auto exit the window stays for the user";
}

TEST_F(CommandLineTest, FileArgumentIsNoFolder) {
    const std::string file = temp.path() + "/file.jpg";
    std::ofstream(file) << "x";
    EXPECT_TRUE(runCommandLineFolders(window, {file}, false).failed);
    EXPECT_TRUE(window.runs.empty());
    EXPECT_EQ(window.boxes.size(), 1u);
}

// `pixbako "$CARD"` with CARD unset imported nothing and said nothing.
TEST_F(CommandLineTest, EmptyArgumentIsAnErrorLikeAMissingFolder) {
    const CommandLineOutcome outcome = runCommandLineFolders(window, {""}, true);
    EXPECT_TRUE(window.runs.empty());
    EXPECT_EQ(window.boxes, Strings{"フォルダが見つかりません\r\n\r\n（フォルダ名が空です）"});
    EXPECT_TRUE(outcome.failed);
    EXPECT_TRUE(outcome.endRequest);

    // Beside a folder it is still an error, and no reason to skip the folder.
    FakeCommandLineWindow both;
    EXPECT_TRUE(runCommandLineFolders(both, {"", a}, false).failed);
    ASSERT_EQ(both.runs.size(), 1u);
    EXPECT_EQ(both.runs[0].readIn, a);
    EXPECT_EQ(both.boxes.size(), 1u);
}

} // namespace
} // namespace pixbako::test
