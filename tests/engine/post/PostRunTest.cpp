// Folders to open and the program's parameter, from the processed-file list.
#include "engine/post/PostRun.h"
#include "support/TempFolder.h"
#include "support/TestFiles.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace pixbako::test {
namespace {

using Strings = std::vector<std::string>;

// Rows whose new folders are given as the date pattern writes them ("\" between levels).
std::vector<PlannedFile> listWithFolders(const Strings& folders) {
    std::vector<PlannedFile> list;
    for (const std::string& folder : folders) {
        PlannedFile row;
        row.newFolderLevels = folderLevelsOf(folder);
        list.push_back(row);
    }
    return list;
}

TEST(PostRunTest, FoldersToOpenOnePerRunOfEqualFolders) {
    struct Case {
        const char* what;
        Strings folders;
        Strings opened;
    };
    const Case cases[] = {
        {"empty list", {}, {}},
        {"date folders off", {"", "", ""}, {"/s/"}},
        {"one date", {"2005_03_12", "2005_03_12"}, {"/s/2005_03_12"}},
        {"two dates", {"A", "A", "B"}, {"/s/A", "/s/B"}},
        // Selection mode: dates A, B, A make three runs and three windows.
        {"A B A", {"A", "B", "A"}, {"/s/A", "/s/B", "/s/A"}},
        {"folder levels", {"2005年\\03月"}, {"/s/2005年/03月"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(foldersToOpen("/s/", listWithFolders(c.folders)), c.opened) << c.what;
    EXPECT_EQ(foldersToOpen("/s", listWithFolders({""})), Strings{"/s/"}) << "no delimiter";
}

TEST(PostRunTest, AutomaticParameterIsTheOneNewFolderElseTheSaveFolder) {
    struct Case {
        const char* what;
        Strings folders;
        std::size_t ends;
        const char* parameter;
    };
    const Case cases[] = {
        {"empty list", {}, 0, "/s/"},
        {"date folders off", {"", ""}, 0, "/s/"},
        {"one date folder, no trailing delimiter", {"D1", "D1"}, 1, "/s/D1"},
        {"two date folders", {"D1", "D2"}, 2, "/s/"},
        {"A B A", {"A", "B", "A"}, 3, "/s/"},
        {"nested levels", {"2005\\03", "2005\\03"}, 1, "/s/2005/03"},
    };
    for (const Case& c : cases) {
        const std::vector<PlannedFile> list = listWithFolders(c.folders);
        EXPECT_EQ(groupEnds(list), c.ends) << c.what;
        EXPECT_EQ(automaticProgramParameter("/s/", list), c.parameter) << c.what;
    }
}

TEST(PostRunTest, ParameterModeChoosesNoneAutomaticOrGivenText) {
    ImportSettings settings;
    settings.programPath = "/usr/bin/viewer";
    settings.programParameter = "--open here";
    const std::vector<PlannedFile> list = listWithFolders({"D1"});
    struct Case {
        int mode;
        Strings arguments;
    };
    const Case cases[] = {{0, {}}, {1, {"/s/D1"}}, {2, {"--open here"}}};
    for (const Case& c : cases) {
        settings.programParameterMode = c.mode;
        const ProgramStart start = programStart(settings, "/s/", list);
        EXPECT_EQ(start.program, "/usr/bin/viewer");
        EXPECT_EQ(start.arguments, c.arguments) << "mode " << c.mode;
    }
    settings.programParameterMode = 2;
    settings.programParameter.clear();
    EXPECT_TRUE(programStart(settings, "/s/", list).arguments.empty()) << "empty given text";
}

TEST(PostRunTest, ProgramThatIsMissingOrNotExecutableIsRecognised) {
    TempFolder temp;
    const std::string script = temp.path() + "/run.sh";
    const std::string document = temp.path() + "/notes.txt";
    std::ofstream(script) << "#!/bin/sh\n";
    std::ofstream(document) << "text";
    ::chmod(script.c_str(), 0755);
    ::chmod(document.c_str(), 0644);
    EXPECT_EQ(checkProgram(script), ProgramProblem::None);
    EXPECT_EQ(checkProgram(document), ProgramProblem::NotExecutable);
    EXPECT_EQ(checkProgram(temp.path() + "/gone"), ProgramProblem::Missing);
    EXPECT_EQ(checkProgram(temp.path()), ProgramProblem::Missing) << "a folder is no program";
    EXPECT_EQ(checkProgram(""), ProgramProblem::Missing);
}

} // namespace
} // namespace pixbako::test
