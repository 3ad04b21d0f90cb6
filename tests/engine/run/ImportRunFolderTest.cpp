// Folder-mode runs: what lands where, under which name, and what the window is told.
#include "engine/run/ImportRunFixture.h"

#include "platform/FileTime.h"

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace pixbako::test {
namespace {

TEST_F(ImportRunTest, FolderModeSortsByShotDateNamesAndMovesEveryFile) {
    jpeg("IMG_0001.JPG", "2005:03:12 10:00:02");
    jpeg("IMG_0002.JPG", "2005:03:12 09:00:00");
    jpeg("IMG_0003.JPG", "2005:03:13 08:00:00");
    std::filesystem::create_directory(in + "/sub");
    jpeg("IMG_0004.JPG", "2005:03:12 08:00:00", in + "/sub"); // not recursive: left alone
    window.settings.filePrefix = "P";
    window.settings.sequenceStyleIndex = 3; // "(xxx)"
    window.settings.extensionCase = 1;

    run.startOrStopRun(RunSender::Interactive);

    EXPECT_EQ(column(Column::OldName), (Strings{"IMG_0002.JPG", "IMG_0001.JPG", "IMG_0003.JPG"}));
    EXPECT_EQ(column(Column::NewFolder), (Strings{"2005_03_12", "2005_03_12", "2005_03_13"}));
    EXPECT_EQ(column(Column::TimeStamp),
              (Strings{"20050312090000", "20050312100002", "20050313080000"}));
    EXPECT_EQ(column(Column::NewName),
              (Strings{"P20050312_(001).jpg", "P20050312_(002).jpg", "P20050313_(001).jpg"}));
    EXPECT_EQ(column(Column::Extension), (Strings{".jpg", ".jpg", ".jpg"}));
    EXPECT_EQ(column(Column::SourceFolder), (Strings{in + "/", in + "/", in + "/"}));

    EXPECT_EQ(filesUnder(out),
              (Strings{"2005_03_12/P20050312_(001).jpg", "2005_03_12/P20050312_(002).jpg",
                       "2005_03_13/P20050313_(001).jpg"}));
    EXPECT_EQ(filesUnder(in), (Strings{"sub/IMG_0004.JPG"}));

    EXPECT_TRUE(window.boxes.empty());
    EXPECT_TRUE(window.beeps.empty());
    EXPECT_EQ(window.events, (Strings{"enterRunningState", "saveSettings", "repaint", "complete",
                                      "enterIdleState"}));
    ASSERT_EQ(window.completions.size(), 1u);
    EXPECT_EQ(window.completions[0].sender, RunSender::Interactive);
    EXPECT_EQ(window.completions[0].rows, 3u);
    EXPECT_EQ(window.progressMaximum, 3);
    EXPECT_EQ(window.statusTexts,
              (Strings{"IMG_0002.JPGを処理中です    (1/3)", "IMG_0001.JPGを処理中です    (2/3)",
                       "IMG_0003.JPGを処理中です    (3/3)", ""}));
    EXPECT_EQ(window.shownRows, (std::vector<std::size_t>{0, 1, 2}));
    ASSERT_EQ(window.transfers.size(), 3u);
    EXPECT_EQ(window.transfers[0].source, in + "/IMG_0002.JPG");
    EXPECT_EQ(window.transfers[0].destination, out + "/2005_03_12/P20050312_(001).jpg");
    EXPECT_EQ(window.transfers[0].operation, FileOperation::Move);
    EXPECT_FALSE(window.transfers[0].confirmOverwrite);
    EXPECT_TRUE(window.transfers[0].mayReplace);
    EXPECT_FALSE(run.running());
    EXPECT_FALSE(std::filesystem::exists(out + "/2005_03_12/PXBK")) << "auto-continue is off";
}

TEST_F(ImportRunTest, CopyWithSubfoldersKeepsSourcesAndAsksBeforeReplacing) {
    jpeg("A.JPG", "2005:03:12 10:00:00");
    std::filesystem::create_directories(in + "/sub/deeper");
    jpeg("B.JPG", "2005:03:12 11:00:00", in + "/sub/deeper");
    ImportSettings& s = window.settings;
    s.copy = true;
    s.includeSubfolders = true;
    s.overwriteConfirmation = true;
    s.folderPrefix = "photo\\";
    s.folderDatePattern = "yyyy\"年\\\"mm";
    s.folderSuffix = "\\";
    s.rename = false;

    run.startOrStopRun(RunSender::CommandLineFolder);

    EXPECT_EQ(column(Column::NewFolder), (Strings{"photo\\2005年\\03\\", "photo\\2005年\\03\\"}));
    EXPECT_EQ(window.transfers[0].destination, out + "/photo/2005年/03/A.JPG");
    EXPECT_EQ(column(Column::SourceFolder), (Strings{in + "/", in + "/sub/deeper/"}));
    EXPECT_EQ(filesUnder(out), (Strings{"photo/2005年/03/A.JPG", "photo/2005年/03/B.JPG"}));
    EXPECT_EQ(filesUnder(in), (Strings{"A.JPG", "sub/deeper/B.JPG"}));
    for (const auto& request : window.transfers) {
        EXPECT_EQ(request.operation, FileOperation::Copy);
        EXPECT_TRUE(request.confirmOverwrite);
    }
    ASSERT_EQ(window.completions.size(), 1u);
    EXPECT_EQ(window.completions[0].sender, RunSender::CommandLineFolder);
}

TEST_F(ImportRunTest, ChosenTypesFilterByTheFirstFourLettersOfTheExtension) {
    for (const char* name : {"IMG1.JPG", "IMG2.jpeg", "IMG3.Jpe", "IMG4.THM", "IMG5", "c.raw"})
        plain(name);
    ImportSettings& s = window.settings;
    s.extensionMode = 1;
    s.extensions.JPG = true;
    s.rename = false;
    s.dateFolders = false;

    run.startOrStopRun(RunSender::Interactive);
    EXPECT_EQ(filesUnder(out), (Strings{"IMG1.JPG", "IMG2.jpeg", "IMG3.Jpe"}));

    s.extensions.freeList = "RAW";
    run.startOrStopRun(RunSender::Interactive);
    EXPECT_EQ(filesUnder(in), (Strings{"IMG4.THM", "IMG5"}));
    EXPECT_EQ(column(Column::OldName), (Strings{"c.raw"}));

    s.extensionMode = 0; // all files
    run.startOrStopRun(RunSender::Interactive);
    EXPECT_TRUE(filesUnder(in).empty());
}

TEST_F(ImportRunTest, CounterFileNamedPxbkIsNeverImportedButLowerCaseIs) {
    plain("PXBK");
    plain("pxbk");
    plain("PXBK.JPG");
    window.settings.rename = false;
    window.settings.dateFolders = false;
    run.startOrStopRun(RunSender::Interactive);
    EXPECT_EQ(filesUnder(in), (Strings{"PXBK"}));
    EXPECT_EQ(filesUnder(out), (Strings{"PXBK.JPG", "pxbk"}));
}

TEST_F(ImportRunTest, RenameOffKeepsOldNamesWithoutCounterOrLimit) {
    for (int i = 0; i < 5; ++i)
        jpeg("Img" + std::to_string(i) + ".JpG", "2005:03:12 10:00:0" + std::to_string(i));
    ImportSettings& s = window.settings;
    s.rename = false;
    s.extensionCase = 2;
    s.sequenceStyleIndex = 0; // "xx" from 98 would stop a renaming run at the 4th file
    s.startNumber = 98;
    s.autoContinue = true;

    run.startOrStopRun(RunSender::Interactive);

    EXPECT_EQ(column(Column::NewName), column(Column::OldName));
    EXPECT_EQ(column(Column::Extension), Strings(5, ".JPG"));
    EXPECT_EQ(filesUnder(out).size(), 5u);
    EXPECT_FALSE(std::filesystem::exists(out + "/2005_03_12/PXBK"));
    EXPECT_TRUE(window.boxes.empty());
}

TEST_F(ImportRunTest, DateFoldersOffPutsEveryFileIntoTheSaveFolderAsOneGroup) {
    jpeg("A.JPG", "2005:03:12 10:00:00");
    jpeg("B.JPG", "2006:01:01 10:00:00");
    window.settings.dateFolders = false;
    window.settings.saveFolder = out + "/"; // a delimiter already there is not doubled
    run.startOrStopRun(RunSender::Interactive);
    EXPECT_EQ(column(Column::NewFolder), (Strings{"", ""}));
    EXPECT_EQ(filesUnder(out), (Strings{"20050312_001.JPG", "20060101_002.JPG"}));
    EXPECT_EQ(window.transfers[1].destination, out + "/20060101_002.JPG");
}

TEST_F(ImportRunTest, FolderThatCannotBeMadeShowsItsCauseForEachFileAndTheRunGoesOn) {
    jpeg("A.JPG", "2005:03:12 10:00:00");
    jpeg("B.JPG", "2005:03:12 10:00:01");
    std::filesystem::create_directory(out);
    writeTestFile(out + "/2005_03_12", "a file where the date folder should be");
    run.startOrStopRun(RunSender::Interactive);
    const std::string cause =
        "\r\nフォルダを作成できませんでした\r\n" + out + "/2005_03_12\r\nmkdir: File exists";
    ASSERT_EQ(window.boxes.size(), 2u);
    EXPECT_EQ(window.boxes[0].text, "ファイルを移動できません\r\n" + in + "/A.JPG" + cause);
    EXPECT_EQ(window.boxes[1].text, "ファイルを移動できません\r\n" + in + "/B.JPG" + cause);
    EXPECT_TRUE(window.transfers.empty());
    EXPECT_EQ(filesUnder(in), (Strings{"A.JPG", "B.JPG"}));
    ASSERT_EQ(window.completions.size(), 1u);
    EXPECT_EQ(window.completions[0].rows, 2u);
}

// A read-only save folder with date folders on reported "create: No such file or directory"
// (the counter file in the folder that was never made) or only that the folder is missing;
// the message names the folder and the real cause. Run as an ordinary user: root may write
// anywhere.
TEST_F(ImportRunTest, ReadOnlySaveFolderNamesTheFolderAndPermission) {
    jpeg("A.JPG", "2005:03:12 10:00:00");
    jpeg("B.JPG", "2005:03:12 10:00:01");
    std::filesystem::create_directory(out);
    const std::string folderText =
        "フォルダを作成できませんでした\r\n" + out + "/2005_03_12\r\nmkdir: Permission denied";
    for (bool autoContinue : {true, false}) {
        window.settings.autoContinue = autoContinue;
        // The run happens in a child that gives up root; it sends back the boxes it showed and
        // the number of transfers, one per line.
        int fds[2];
        ASSERT_EQ(::pipe(fds), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(fds[0]);
            const std::string card = std::filesystem::path(in).parent_path().string();
            bool ready =
                ::chmod(tmp.path().c_str(), 0755) == 0 && ::chmod(card.c_str(), 0755) == 0 &&
                ::chmod(in.c_str(), 0777) == 0 && ::chmod(out.c_str(), 0555) == 0 &&
                (::geteuid() != 0 ||
                 (::setgroups(0, nullptr) == 0 && ::setgid(65534) == 0 && ::setuid(65534) == 0));
            std::string report;
            if (ready) {
                run.startOrStopRun(RunSender::Interactive);
                report = std::to_string(window.transfers.size()) + "\n";
                for (const auto& box : window.boxes)
                    report += box.text + "\n";
            }
            ssize_t written = ::write(fds[1], report.data(), report.size());
            ::_exit(written == static_cast<ssize_t>(report.size()) ? 0 : 1);
        }
        ::close(fds[1]);
        std::string report;
        char buffer[4096];
        ssize_t n = 0;
        while ((n = ::read(fds[0], buffer, sizeof buffer)) > 0)
            report.append(buffer, static_cast<std::size_t>(n));
        ::close(fds[0]);
        int status = 0;
        ::waitpid(child, &status, 0);
        ::chmod(out.c_str(), 0755);
        if (report.empty())
            GTEST_SKIP() << "can't run as an ordinary user here";

        if (autoContinue) {
            // The counter file can't be read or written: stop before any transfer.
            EXPECT_EQ(report, "0\n" + folderText + "\n");
        } else {
            EXPECT_EQ(report, "0\nファイルを移動できません\r\n" + in + "/A.JPG\r\n" + folderText +
                                  "\nファイルを移動できません\r\n" + in + "/B.JPG\r\n" +
                                  folderText + "\n");
        }
        EXPECT_EQ(filesUnder(in), (Strings{"A.JPG", "B.JPG"}));
        EXPECT_EQ(filesUnder(out), Strings{});
    }
}

TEST_F(ImportRunTest, TransferredFilesKeepBytesAndModificationTimeInTheirLocalDateFolder) {
    // 2005-03-12 19:59:59.25 UTC is 2005-03-13 04:59:59 in Japan: the file time is read in
    // local time and cut to DOS resolution (even seconds).
    ::setenv("TZ", "JST-9", 1);
    ::tzset();
    const UnixTime shot{1'110'657'599, 250'000'000};
    for (bool copy : {true, false}) {
        TempFolder folder;
        const std::string card = folder.path() + "/card";
        std::filesystem::create_directory(card);
        const std::string source = card + "/MVI_0001.MOV";
        const std::string bytes(200'000, '\x5A');
        writeTestFile(source, bytes, shot);
        FakeRunWindow w;
        w.settings = window.settings;
        w.settings.readInFolder = card;
        w.settings.saveFolder = folder.path() + "/out";
        w.settings.copy = copy;
        ImportRun probe(w);

        probe.startOrStopRun(RunSender::Interactive);

        EXPECT_EQ(cell(probe.list().at(0), Column::TimeStamp), "20050313045958") << copy;
        const std::string target = w.settings.saveFolder + "/2005_03_13/20050313_001.MOV";
        EXPECT_EQ(readBytes(target), bytes) << copy;
        auto written = lastWriteTime(target);
        ASSERT_TRUE(written) << copy;
        EXPECT_EQ(written->seconds, shot.seconds) << copy;
        EXPECT_EQ(written->nanoseconds, shot.nanoseconds) << copy;
        EXPECT_EQ(std::filesystem::exists(source), copy);
        EXPECT_TRUE(w.transferErrors.empty());
    }
}

} // namespace
} // namespace pixbako::test
