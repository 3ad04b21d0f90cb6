// Sequence numbers carried from one run to the next through the counter files.
#include "engine/run/ImportRunFixture.h"

#include "engine/run/CounterFile.h"

#include <cerrno>
#include <cstring>

namespace pixbako::test {
namespace {

TEST_F(ImportRunTest, SecondRunContinuesTheNumbersUntilTheNamingChanges) {
    ImportSettings& s = window.settings;
    s.autoContinue = true;
    s.sequenceStyleIndex = 3; // "(xxx)"
    s.filePrefix = " P";
    s.middleText = "_ ";
    jpeg("A.JPG", "2005:03:12 10:00:00");
    jpeg("B.JPG", "2005:03:12 10:00:01");
    run.startOrStopRun(RunSender::Interactive);
    const std::string counter = out + "/2005_03_12/PXBK";
    EXPECT_EQ(readBytes(counter), "[AUTONUM]\r\nLASTNUM=2\r\nFNUM=3\r\nFDATE=\"yyyymmdd\"\r\n"
                                  "FMAE=\" P\"\r\nFATO=\"_ \"\r\n");

    jpeg("C.JPG", "2005:03:12 11:00:00");
    run.startOrStopRun(RunSender::Interactive);
    EXPECT_EQ(column(Column::NewName), (Strings{" P20050312_ (003).JPG"}));
    EXPECT_EQ(readCounterFile(counter).record.lastNumber, 3);

    s.middleText = "-";
    jpeg("D.JPG", "2005:03:12 12:00:00");
    run.startOrStopRun(RunSender::Interactive);
    EXPECT_EQ(column(Column::NewName), (Strings{" P20050312-(001).JPG"}));
    EXPECT_EQ(readCounterFile(counter).record.lastNumber, 1);
    EXPECT_EQ(readCounterFile(counter).record.middle, "-");

    EXPECT_EQ(filesUnder(out),
              (Strings{"2005_03_12/ P20050312-(001).JPG", "2005_03_12/ P20050312_ (001).JPG",
                       "2005_03_12/ P20050312_ (002).JPG", "2005_03_12/ P20050312_ (003).JPG",
                       "2005_03_12/PXBK"}));
    EXPECT_TRUE(window.boxes.empty());
}

// The prefix "ﾃｽ" is written in CP932 as C3 BD, which is also UTF-8 for "ý". Read back as "ý"
// it no longer matched the naming, the second run started again at 001 and, moving without
// overwrite questions, replaced the first run's pictures.
TEST_F(ImportRunTest, HalfWidthKatakanaPrefixContinuesTheNumbersOfTheLastRun) {
    ImportSettings& s = window.settings;
    s.autoContinue = true;
    s.filePrefix = "ﾃｽ"; // with the middle text "_" the whole file is valid UTF-8
    for (int i = 0; i < 3; ++i)
        jpeg("A" + std::to_string(i) + ".JPG", "2005:03:12 10:00:0" + std::to_string(i));
    run.startOrStopRun(RunSender::Interactive);
    for (int i = 0; i < 3; ++i)
        jpeg("B" + std::to_string(i) + ".JPG", "2005:03:12 11:00:0" + std::to_string(i));
    run.startOrStopRun(RunSender::Interactive);

    EXPECT_EQ(column(Column::NewName),
              (Strings{"ﾃｽ20050312_004.JPG", "ﾃｽ20050312_005.JPG", "ﾃｽ20050312_006.JPG"}));
    Strings expected{"2005_03_12/PXBK"};
    for (int n = 1; n <= 6; ++n)
        expected.push_back("2005_03_12/ﾃｽ20050312_00" + std::to_string(n) + ".JPG");
    EXPECT_EQ(filesUnder(out), expected);
    EXPECT_EQ(readBytes(out + "/2005_03_12/PXBK"),
              "[AUTONUM]\r\nLASTNUM=6\r\nFNUM=1\r\nFDATE=\"yyyymmdd\"\r\nFMAE=\"\xC3\xBD\"\r\n"
              "FATO=\"_\"\r\n");
    EXPECT_TRUE(window.boxes.empty());
}

// A counter file of 1 GiB (sparse) was read whole, twice per group. It is refused unread beyond
// 1 MiB, and the run stops before any transfer with the read error that names the file.
TEST_F(ImportRunTest, HugeCounterFileStopsTheRunWithAnErrorThatNamesIt) {
    window.settings.autoContinue = true;
    jpeg("A.JPG", "2005:03:12 10:00:00");
    const std::string counter = out + "/2005_03_12/PXBK";
    std::filesystem::create_directories(out + "/2005_03_12");
    writeTestFile(counter, "");
    std::filesystem::resize_file(counter, std::uintmax_t{1} << 30); // sparse: no disk space

    run.startOrStopRun(RunSender::Interactive);

    EXPECT_EQ(window.boxTexts(), Strings{"連番ファイルを読み込めませんでした\r\n" + counter +
                                         "\r\n" + std::strerror(EFBIG)});
    EXPECT_TRUE(window.transfers.empty());
    EXPECT_EQ(filesUnder(in), Strings{"A.JPG"});
    EXPECT_EQ(std::filesystem::file_size(counter), std::uintmax_t{1} << 30);
}

// LASTNUM=-3 gave the name "20050312_-02.JPG". A counter that is below zero or no number counts
// as no counter: the group starts at the start number and the file gets a sound number.
TEST_F(ImportRunTest, NegativeOrBrokenLastNumberStartsAtTheStartNumber) {
    ImportSettings& s = window.settings;
    s.autoContinue = true;
    s.startNumber = 5;
    struct Case {
        const char* lastNumber;
        const char* name;
    };
    const Case cases[] = {
        {"-3", "_005"},
        {"-9223372036854775808", "_005"},
        {"0xFFFFFFFFFFFFFFFF", "_005"},
        {"abc", "_005"},
        {"", "_005"},
        {"12a", "_005"},
        {"99999999999999999999", "_005"},
        {"0", "_001"},
        {"41", "_042"}, // sound counters go on
    };
    int day = 10;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.lastNumber);
        const std::string date = "2005:03:" + std::to_string(day) + " 10:00:00";
        const std::string folder = out + "/2005_03_" + std::to_string(day++);
        std::filesystem::create_directories(folder);
        writeTestFile(folder + "/PXBK", std::string("[AUTONUM]\r\nLASTNUM=") + c.lastNumber +
                                            "\r\nFNUM=1\r\nFDATE=\"yyyymmdd\"\r\nFMAE=\"\"\r\n"
                                            "FATO=\"_\"\r\n");
        jpeg("A.JPG", date);
        run.startOrStopRun(RunSender::Interactive);
        ASSERT_EQ(column(Column::NewName).size(), 1u);
        EXPECT_EQ(column(Column::NewName)[0].substr(8), std::string(c.name) + ".JPG");
        EXPECT_EQ(readCounterFile(folder + "/PXBK").record.lastNumber,
                  std::stoll(std::string(c.name).substr(1)));
    }
    EXPECT_TRUE(window.boxes.empty());
}

TEST_F(ImportRunTest, EveryGroupWritesItsOwnCounterAndDateFoldersOffUseTheSaveFolder) {
    window.settings.autoContinue = true;
    jpeg("A.JPG", "2005:03:12 10:00:00");
    jpeg("B.JPG", "2005:03:13 10:00:00");
    jpeg("C.JPG", "2005:03:13 10:00:01");
    run.startOrStopRun(RunSender::Interactive);
    EXPECT_EQ(readCounterFile(out + "/2005_03_12/PXBK").record.lastNumber, 1);
    EXPECT_EQ(readCounterFile(out + "/2005_03_13/PXBK").record.lastNumber, 2);

    window.settings.dateFolders = false;
    jpeg("D.JPG", "2005:03:14 10:00:00");
    run.startOrStopRun(RunSender::Interactive);
    EXPECT_EQ(readCounterFile(out + "/PXBK").record.lastNumber, 1);
    EXPECT_TRUE(std::filesystem::exists(out + "/20050314_001.JPG"));
}

// Counters were written for every planned file before the transfers: a stopped run left the
// next run going on past numbers that no file ever got.
TEST_F(ImportRunTest, StoppedRunLeavesNoGapInTheNumbers) {
    window.settings.autoContinue = true;
    window.settings.copy = true;
    for (int i = 0; i < 6; ++i)
        jpeg("IMG" + std::to_string(i) + ".JPG", "2005:03:12 10:00:0" + std::to_string(i));
    window.onProgress = [](std::size_t transfer) { return transfer != 3; }; // Cancel
    run.startOrStopRun(RunSender::Interactive);
    ASSERT_EQ(window.boxTexts(), Strings{"処理を中断しました\r\n2件のファイルを処理しました"});
    EXPECT_EQ(readCounterFile(out + "/2005_03_12/PXBK").record.lastNumber, 2);

    window.onProgress = nullptr;
    run.startOrStopRun(RunSender::Interactive);
    EXPECT_EQ(column(Column::NewName).front(), "20050312_003.JPG");
    EXPECT_EQ(readCounterFile(out + "/2005_03_12/PXBK").record.lastNumber, 8);
}

// A stop before any transfer gives every counter back what it held: no file stays no file,
// and a file keeps its exact bytes (another section and all).
TEST_F(ImportRunTest, AbortWhileNamingGivesTheCountersBackWhatTheyHeld) {
    window.settings.autoContinue = true;
    const std::string earlier = "[AUTONUM]\r\nLASTNUM=41\r\nFNUM=1\r\nFDATE=\"yyyymmdd\"\r\n"
                                "FMAE=\"\"\r\nFATO=\"_\"\r\n[OTHER]\r\nKEY=1\r\n";
    for (int i = 0; i < 4; ++i)
        jpeg("IMG" + std::to_string(i) + ".JPG",
             "2005:03:1" + std::to_string(2 + i / 2) + " 10:00:0" + std::to_string(i));
    std::filesystem::create_directories(out + "/2005_03_13");
    writeTestFile(out + "/2005_03_13/PXBK", earlier);
    // 4 planning rows, a sort without exchanges; calls 5 to 8 name rows 1 to 4: abort at row 4,
    // after the second day's group has been named and written.
    window.onProcessEvents = [](FakeRunWindow& w) {
        if (w.processEventsCalls == 8)
            w.run->startOrStopRun(RunSender::Interactive);
    };
    run.startOrStopRun(RunSender::Interactive);
    EXPECT_EQ(window.boxTexts(), Strings{"中断しますか"});
    EXPECT_EQ(column(Column::NewName),
              (Strings{"20050312_001.JPG", "20050312_002.JPG", "20050313_042.JPG", ""}));
    EXPECT_TRUE(window.transfers.empty());
    EXPECT_FALSE(std::filesystem::exists(out + "/2005_03_12/PXBK"));
    EXPECT_EQ(readBytes(out + "/2005_03_13/PXBK"), earlier);
}

// With a month-only folder pattern two groups of one run share a counter file. A limit stop
// in the second group set it back only to what the first group had written in this same run:
// numbers that no file ever got were lost. A limit stop comes before any transfer, so every
// counter holds exactly what it held before the run.
TEST_F(ImportRunTest, LimitStopGivesACounterSharedByTwoGroupsBackWhatItHeld) {
    struct Case {
        const char* what;
        int lastNumber;          // of the May counter before the run
        int firstMay, secondMay; // files in each May group
        Strings names;
    };
    const Case cases[] = {
        {"a later row goes beyond the limit",
         95,
         2,
         4,
         {"20230501_96.JPG", "20230501_97.JPG", "20240401_01.JPG", "20240501_98.JPG",
          "20240501_99.JPG", "20240501_100.JPG", ""}},
        {"the continued number goes beyond the limit",
         97,
         3,
         1,
         {"20230501_98.JPG", "20230501_99.JPG", "20230501_100.JPG", "20240401_01.JPG", ""}},
    };
    ImportSettings& s = window.settings;
    s.autoContinue = true;
    s.folderDatePattern = "mm";
    s.sequenceStyleIndex = 0; // "xx"
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove_all(in);
        std::filesystem::remove_all(out);
        std::filesystem::create_directories(in);
        int file = 0;
        auto pictures = [&](int count, const std::string& day) {
            for (int i = 0; i < count; ++i, ++file)
                jpeg("IMG" + std::to_string(file) + ".JPG",
                     day + " 10:00:" + (file < 10 ? "0" : "") + std::to_string(file));
        };
        pictures(c.firstMay, "2023:05:01");
        pictures(1, "2024:04:01");
        pictures(c.secondMay, "2024:05:01");
        const std::string may = out + "/05/PXBK";
        const std::string before = "[AUTONUM]\r\nLASTNUM=" + std::to_string(c.lastNumber) +
                                   "\r\nFNUM=0\r\nFDATE=\"yyyymmdd\"\r\nFMAE=\"\"\r\n"
                                   "FATO=\"_\"\r\n[OTHER]\r\nKEY=1\r\n";
        std::filesystem::create_directories(out + "/05");
        writeTestFile(may, before);
        window.boxes.clear();

        run.startOrStopRun(RunSender::Interactive);

        EXPECT_EQ(column(Column::NewName), c.names);
        EXPECT_EQ(window.boxTexts(), Strings{"連番が100を越えます\r\n処理を中止します"});
        EXPECT_TRUE(window.transfers.empty());
        EXPECT_EQ(readBytes(may), before);
        EXPECT_FALSE(std::filesystem::exists(out + "/04/PXBK"));
    }
}

// After the transfers a counter holds the number of the last file that got its name. A name
// that another file holds on the disk stays used, so the next run is not offered it again.
TEST_F(ImportRunTest, FailedLastFilesGiveTheirNumbersBackUnlessTheNameIsTaken) {
    struct Case {
        const char* what;
        TransferResult lastResult; // of the third file's transfer
        bool nameTaken;            // its destination exists
        std::int64_t counter;
    };
    const Case cases[] = {
        {"all transferred", kDone, false, 3},
        {"disk full", TransferResult::of(TransferError::DiskFull), false, 2},
        {"replacement declined", TransferResult::of(TransferError::Skipped), true, 3},
    };
    window.settings.autoContinue = true;
    window.settings.copy = true;
    for (int i = 0; i < 3; ++i)
        jpeg("IMG" + std::to_string(i) + ".JPG", "2005:03:12 10:00:0" + std::to_string(i));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove_all(out);
        if (c.nameTaken) {
            std::filesystem::create_directories(out + "/2005_03_12");
            writeTestFile(out + "/2005_03_12/20050312_003.JPG", "someone else's");
        }
        window.onTransfer = [&](const TransferRequest&,
                                std::size_t n) -> std::optional<TransferResult> {
            if (n % 3 == 0 && !c.lastResult.done())
                return c.lastResult;
            return std::nullopt;
        };
        run.startOrStopRun(RunSender::Interactive);
        EXPECT_EQ(window.count("complete"), &c - cases + 1);
        EXPECT_EQ(readCounterFile(out + "/2005_03_12/PXBK").record.lastNumber, c.counter);
    }
}

TEST_F(ImportRunTest, FolderNamedLikeTheListHeadingStillStartsAGroup) {
    // The folder name equals the heading of its column: the first row must still start a group,
    // with the start number and a counter file, not go on from a number no group ever gave.
    ImportSettings& s = window.settings;
    s.folderPrefix = "新フォルダ名";
    s.folderDatePattern = ""; // saved as "DDDDD", which writes nothing
    s.startNumber = 5;
    s.autoContinue = true;
    s.sequenceStyleIndex = 0; // "xx"
    for (int i = 0; i < 2; ++i)
        jpeg("IMG" + std::to_string(i) + ".JPG", "2005:03:12 10:00:0" + std::to_string(i));

    run.startOrStopRun(RunSender::Interactive);

    EXPECT_EQ(column(Column::NewFolder), Strings(2, "新フォルダ名"));
    EXPECT_EQ(column(Column::NewName), (Strings{"20050312_05.JPG", "20050312_06.JPG"}));
    EXPECT_EQ(filesUnder(out), (Strings{"新フォルダ名/20050312_05.JPG",
                                        "新フォルダ名/20050312_06.JPG", "新フォルダ名/PXBK"}));
    EXPECT_EQ(readCounterFile(out + "/新フォルダ名/PXBK").record.lastNumber, 6);
    EXPECT_TRUE(window.boxes.empty());
}

TEST_F(ImportRunTest, NewFolderIgnoredTheStartNumberWhenTheNamingEqualledTheCounterDefaults) {
    // Style 0, pattern "yyyy-mm-dd", no prefix or middle text: exactly what a missing counter
    // file reads as. A folder without one has given no number, so the start number holds.
    ImportSettings& s = window.settings;
    s.autoContinue = true;
    s.sequenceStyleIndex = 0;
    s.fileDatePattern = "yyyy-mm-dd";
    s.filePrefix = "";
    s.middleText = "";
    s.startNumber = 7;
    jpeg("A.JPG", "2005:03:12 10:00:00");
    run.startOrStopRun(RunSender::Interactive);
    EXPECT_EQ(column(Column::NewName), Strings{"2005-03-1207.JPG"});

    jpeg("B.JPG", "2005:03:12 11:00:00");
    run.startOrStopRun(RunSender::Interactive);
    EXPECT_EQ(column(Column::NewName), Strings{"2005-03-1208.JPG"});
}

} // namespace
} // namespace pixbako::test
