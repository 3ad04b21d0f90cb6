// What the folder scan of a run takes in, and what a run that finds nothing says.
#include "engine/run/ImportRunFixture.h"

#include "engine/naming/PathCheck.h"

#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pixbako::test {
namespace {

// With sub-folders on, a save folder inside the read-in folder was read back in: every copy
// run imported the earlier imports again. Neither the folder nor a link to it is entered.
TEST_F(ImportRunTest, SaveFolderInsideTheReadInFolderIsNeverReadBackIn) {
    ImportSettings& s = window.settings;
    s.copy = true;
    s.includeSubfolders = true;
    s.overwriteConfirmation = false;
    s.autoContinue = true;
    jpeg("A.JPG", "2005:03:12 10:00:00");
    jpeg("B.JPG", "2005:03:12 10:00:01");
    struct Case {
        const char* what;
        std::string saveFolder;
        std::string link; // a link in the read-in folder to the save folder
    };
    const Case cases[] = {
        {"inside", in + "/imported", ""},
        {"linked", tmp.path() + "/elsewhere", in + "/to the save folder"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        s.saveFolder = c.saveFolder;
        std::filesystem::create_directories(c.saveFolder);
        if (!c.link.empty())
            std::filesystem::create_directory_symlink(c.saveFolder, c.link);
        for (int round = 0; round < 2; ++round) {
            run.startOrStopRun(RunSender::Interactive);
            EXPECT_EQ(column(Column::OldName), (Strings{"A.JPG", "B.JPG"}));
        }
        EXPECT_EQ(filesUnder(c.saveFolder).size(), 5u) << "4 pictures and a counter file";
        EXPECT_TRUE(window.boxes.empty());
        std::filesystem::remove_all(c.saveFolder);
    }
}

// A run that found no file said "0件のファイルを処理しました", also for a read-in folder that
// isn't there or whose pictures all lie in sub-folders that the run doesn't read.
TEST_F(ImportRunTest, RunThatFindsNoFileSaysWhy) {
    std::filesystem::create_directories(in + "/100CANON");
    struct Case {
        const char* what;
        std::string readIn;
        std::string inSubfolder; // a file put into the sub-folder
        std::string box;         // empty: the run completes with 0 files
    };
    const Case cases[] = {
        {"missing", tmp.path() + "/no such card", "",
         "読込みフォルダが見つかりません\r\n\r\n" + tmp.path() + "/no such card"},
        {"only in a sub-folder", in, "IMG_0001.JPG",
         "読込みフォルダには対象のファイルがありません\r\nサブフォルダにあるファイルを読み込むに"
         "は\r\n「サブフォルダ含む」をチェックして下さい\r\n\r\n" +
             in},
        {"sub-folder holds no chosen type", in, "IMG_0001.THM", ""},
        {"empty", in, "", ""},
    };
    window.settings.extensionMode = 1;
    window.settings.extensions.freeList = "JPG";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove_all(in + "/100CANON");
        std::filesystem::create_directories(in + "/100CANON");
        if (!c.inSubfolder.empty())
            writeTestFile(in + "/100CANON/" + c.inSubfolder, "a picture");
        window.settings.readInFolder = c.readIn;
        window.boxes.clear();
        window.completions.clear();
        window.progressMaximum = -1;
        run.startOrStopRun(RunSender::Interactive);
        if (c.box.empty()) {
            EXPECT_TRUE(window.boxes.empty());
            ASSERT_EQ(window.completions.size(), 1u);
            EXPECT_EQ(window.completions[0].notice, "0件のファイルを処理しました");
            // A range of 0..0 is a busy bar that keeps moving after the run.
            EXPECT_GT(window.progressMaximum, 0);
        } else {
            EXPECT_EQ(window.boxTexts(), Strings{c.box});
            EXPECT_TRUE(window.completions.empty());
            EXPECT_FALSE(run.lastReport().reachedEnd);
        }
        EXPECT_TRUE(std::filesystem::exists(in + "/100CANON/" + c.inSubfolder));
    }
}

// A read-in folder without read permission looked empty to the walk: the run completed with
// "0件のファイルを処理しました" and exit status 0, and a script could then format the card.
// Root reads any folder, so as root the run checks permissions as an ordinary user would
// (the file-system user id of this thread only).
TEST_F(ImportRunTest, UnreadableReadInFolderStopsTheRunInsteadOfFindingNothing) {
    jpeg("A.JPG", "2005:03:12 10:00:00");
    // The file-system user below must reach the folder, wherever the card lies.
    ASSERT_EQ(::chmod(std::filesystem::path(in).parent_path().c_str(), 0755), 0);
    ASSERT_EQ(::chmod(in.c_str(), 0), 0);
    for (bool subfolders : {false, true}) {
        SCOPED_TRACE(subfolders);
        window.settings.includeSubfolders = subfolders;
        window.boxes.clear();
        window.beeps.clear();
        const bool root = ::geteuid() == 0;
        if (root) {
            ::setfsuid(65534);
            if (::setfsuid(65534) != 65534) {
                ::setfsuid(0);
                ::chmod(in.c_str(), 0755);
                GTEST_SKIP() << "root can't take another file-system user id here";
            }
        }
        run.startOrStopRun(RunSender::CommandLineFolder);
        if (root)
            ::setfsuid(0);

        EXPECT_EQ(window.beeps, std::vector<BeepKind>{BeepKind::Hand});
        EXPECT_EQ(window.boxTexts(),
                  Strings{"読込みフォルダを読み込めません\r\n" + in + "\r\nPermission denied"});
        EXPECT_TRUE(window.completions.empty());
        EXPECT_FALSE(run.lastReport().reachedEnd);
    }
    ASSERT_EQ(::chmod(in.c_str(), 0755), 0);
    EXPECT_EQ(filesUnder(in), Strings{"A.JPG"});
    EXPECT_FALSE(std::filesystem::exists(out));
}

// A folder level or a file name "." or ".." named the save folder's parent (or the folder
// itself) instead of a new folder: files were written outside the save folder.
TEST_F(ImportRunTest, DotLevelsInNewNamesAreRefusedLikeForbiddenCharacters) {
    struct Case {
        const char* what;
        void (*arrange)(ImportSettings&);
        std::string refused;
    };
    const Case cases[] = {
        {"folder prefix",
         [](ImportSettings& s) {
             s.folderPrefix = "..";
             s.folderDatePattern = "";
         },
         ".."},
        {"level of a date folder",
         [](ImportSettings& s) { s.folderDatePattern = "yyyy\"\\..\\\"mm"; }, "2005\\..\\03"},
        {"folder suffix", [](ImportSettings& s) { s.folderSuffix = "\\."; }, "2005_03_12\\."},
        {"file name",
         [](ImportSettings& s) {
             s.filePrefix = "..";
             s.fileDatePattern = "";
             s.middleText = "";
             s.numbering = false;
         },
         ".."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder root;
        FakeRunWindow w;
        w.settings = window.settings;
        w.settings.readInFolder = root.path() + "/card";
        w.settings.saveFolder = root.path() + "/save/photos";
        std::filesystem::create_directories(w.settings.readInFolder);
        plain("PICTURE", 1'110'621'600, w.settings.readInFolder); // no extension
        c.arrange(w.settings);
        ImportRun probe(w);
        probe.startOrStopRun(RunSender::Interactive);
        EXPECT_EQ(w.beeps, std::vector<BeepKind>{BeepKind::Hand});
        EXPECT_EQ(w.boxTexts(), Strings{pathchkMessage(c.refused)});
        EXPECT_TRUE(w.transfers.empty());
        EXPECT_EQ(filesUnder(root.path()), Strings{"card/PICTURE"});
    }
}

} // namespace
} // namespace pixbako::test
