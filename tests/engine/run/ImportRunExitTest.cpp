// Every way a run can stop, with its exact message, and what it leaves behind.
#include "engine/run/ImportRunFixture.h"

#include "engine/run/CounterFile.h"

#include <optional>

namespace pixbako::test {
namespace {

TEST_F(ImportRunTest, ValidationFailuresWarnWithTheirOwnTexts) {
    struct Case {
        const char* what;
        std::function<void(FakeRunWindow&)> arrange;
        const char* message;
        int pageAfter;
    };
    const Case cases[] = {
        {"empty save folder, read-in folder given",
         [](FakeRunWindow& w) { w.settings.saveFolder.clear(); }, "保存フォルダを指定して下さい",
         1},
        {"file-selection tab with an empty box", [](FakeRunWindow& w) { w.page = 2; },
         "データ読込みを行ってください", 2},
        {"items loaded but none selected, run from another tab",
         [](FakeRunWindow& w) {
             w.page = 0;
             w.thumbnails = {"/x/a.jpg"};
             w.selected = {false};
         },
         "ファイルが1件も選択されていません", 2},
        {"empty box and empty read-in folder",
         [](FakeRunWindow& w) { w.settings.readInFolder.clear(); },
         "読込みフォルダを指定して下さい", 1},
    };
    for (const auto& c : cases) {
        FakeRunWindow w;
        w.settings = window.settings;
        c.arrange(w);
        ImportRun probe(w);
        probe.startOrStopRun(RunSender::Interactive);
        EXPECT_EQ(w.beeps, std::vector<BeepKind>{BeepKind::Asterisk}) << c.what;
        ASSERT_EQ(w.boxes.size(), 1u) << c.what;
        EXPECT_EQ(w.boxes[0].text, c.message);
        EXPECT_EQ(w.boxes[0].icon, BoxIcon::Warning);
        EXPECT_EQ(w.boxes[0].buttons, BoxButtons::Ok);
        EXPECT_EQ(w.page, c.pageAfter) << c.what;
        EXPECT_EQ(w.events, (Strings{"enterRunningState", "saveSettings", "enterIdleState"}))
            << c.what;
        EXPECT_TRUE(w.redraw);
    }
}

TEST_F(ImportRunTest, RunStoppedByValidationKeepsThePreviousList) {
    jpeg("A.JPG", "2005:03:12 10:00:00");
    run.startOrStopRun(RunSender::Interactive);
    ASSERT_EQ(run.list().size(), 1u);
    const std::vector<PlannedFile> previous = run.list();
    window.settings.saveFolder.clear();
    run.startOrStopRun(RunSender::Interactive);
    EXPECT_EQ(window.boxTexts(), Strings{"保存フォルダを指定して下さい"});
    EXPECT_EQ(run.list(), previous);
}

TEST_F(ImportRunTest, ForbiddenCharactersStopBeforeAnyTransfer) {
    struct Case {
        const char* what;
        std::function<void(ImportSettings&)> arrange;
        std::size_t rowsPlanned;
    };
    const Case cases[] = {
        {"folder name", [](ImportSettings& s) { s.folderPrefix = "a/"; }, 1},
        {"file prefix, found after the scan", [](ImportSettings& s) { s.filePrefix = "a?"; }, 2},
        {"middle text", [](ImportSettings& s) { s.middleText = "\\"; }, 2},
        {"save folder", [](ImportSettings& s) { s.saveFolder += "|"; }, 2},
        // A folder of that name doesn't exist: nothing is planned, and then the check fails.
        {"read-in folder", [](ImportSettings& s) { s.readInFolder += "*"; }, 0},
        {"new file name", [](ImportSettings& s) { s.fileDatePattern = "yyyy\":\"mm"; }, 2},
    };
    for (const auto& c : cases) {
        TempFolder folder;
        std::string source = folder.path() + "/in";
        std::filesystem::create_directory(source);
        jpeg("A.JPG", "2005:03:12 10:00:00", source);
        jpeg("B.JPG", "2005:03:12 10:00:01", source);
        FakeRunWindow w;
        w.settings = window.settings;
        w.settings.readInFolder = source;
        w.settings.saveFolder = folder.path() + "/out";
        c.arrange(w.settings);
        ImportRun probe(w);
        probe.startOrStopRun(RunSender::Interactive);
        EXPECT_EQ(w.beeps, std::vector<BeepKind>{BeepKind::Hand}) << c.what;
        ASSERT_EQ(w.boxes.size(), 1u) << c.what;
        EXPECT_EQ(w.boxes[0].icon, BoxIcon::Error);
        EXPECT_NE(w.boxes[0].text.find("\\:?/;*\"<>|"), std::string::npos) << w.boxes[0].text;
        EXPECT_EQ(probe.list().size(), c.rowsPlanned) << c.what;
        EXPECT_TRUE(w.transfers.empty()) << c.what;
        EXPECT_EQ(filesUnder(source).size(), 2u) << c.what;
        EXPECT_EQ(w.count("enterIdleState"), 1);
        EXPECT_EQ(w.count("complete"), 0);
    }
}

TEST_F(ImportRunTest, SequenceLimitStopsWithEveryFileUntouched) {
    for (int i = 0; i < 5; ++i)
        jpeg("IMG" + std::to_string(i) + ".JPG", "2005:03:12 10:00:0" + std::to_string(i));
    window.settings.sequenceStyleIndex = 0; // "xx"
    window.settings.startNumber = 98;
    window.settings.autoContinue = true;
    CounterRecord before{97, 0, "other pattern", "", ""}; // another pattern: start number
    std::filesystem::create_directories(out + "/2005_03_12");
    ASSERT_TRUE(writeCounterFile(out + "/2005_03_12/PXBK", before).ok);

    run.startOrStopRun(RunSender::Interactive);

    EXPECT_EQ(column(Column::NewName),
              (Strings{"20050312_98.JPG", "20050312_99.JPG", "20050312_100.JPG", "", ""}));
    EXPECT_EQ(window.beeps, std::vector<BeepKind>{BeepKind::Hand});
    ASSERT_EQ(window.boxes.size(), 1u);
    EXPECT_EQ(window.boxes[0].text, "連番が100を越えます\r\n処理を中止します");
    EXPECT_EQ(window.boxes[0].icon, BoxIcon::Error);
    EXPECT_TRUE(window.transfers.empty());
    EXPECT_EQ(filesUnder(in).size(), 5u);
    EXPECT_TRUE(run.abortFlag().isSet());
    EXPECT_EQ(window.count("enterIdleState"), 1);
    EXPECT_EQ(window.count("complete"), 0);
    // No file was transferred: the group's counter keeps what it held, its naming included.
    CounterReadResult after = readCounterFile(out + "/2005_03_12/PXBK");
    EXPECT_EQ(after.record.lastNumber, 97);
    EXPECT_EQ(after.record.datePattern, "other pattern");
}

// A start number wider than the style (101 with two digits, from a settings file) is a
// group's first number as it stands; only the numbers after it are held against the limit.
TEST_F(ImportRunTest, StartNumberAboveTheLimitIsGivenAndOnlyLaterNumbersStop) {
    struct Case {
        const char* what;
        bool autoContinue;
        std::optional<CounterRecord> counter;
        std::size_t files;
        Strings names;
    };
    const Case cases[] = {
        {"one file", false, std::nullopt, 1, {"20050312_101.JPG"}},
        {"two files", false, std::nullopt, 2, {"20050312_101.JPG", ""}},
        {"auto-continue, no counter file", true, std::nullopt, 1, {"20050312_101.JPG"}},
        {"auto-continue, counter of another naming",
         true,
         CounterRecord{5, 0, "other", "", "_"},
         1,
         {"20050312_101.JPG"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder folder;
        FakeRunWindow w;
        w.settings = window.settings;
        w.settings.readInFolder = folder.path() + "/in";
        w.settings.saveFolder = folder.path() + "/out";
        w.settings.sequenceStyleIndex = 0; // "xx"
        w.settings.startNumber = 101;
        w.settings.autoContinue = c.autoContinue;
        std::filesystem::create_directories(w.settings.readInFolder);
        for (std::size_t i = 0; i < c.files; ++i)
            jpeg("F" + std::to_string(i) + ".JPG", "2005:03:12 10:00:0" + std::to_string(i),
                 w.settings.readInFolder);
        const std::string counter = w.settings.saveFolder + "/2005_03_12/PXBK";
        if (c.counter) {
            std::filesystem::create_directories(w.settings.saveFolder + "/2005_03_12");
            ASSERT_TRUE(writeCounterFile(counter, *c.counter).ok);
        }

        ImportRun probe(w);
        probe.startOrStopRun(RunSender::Interactive);

        Strings names;
        for (std::size_t r = 0; r < probe.list().size(); ++r)
            names.push_back(cell(probe.list()[r], Column::NewName));
        EXPECT_EQ(names, c.names);
        const bool stopped = c.names.back().empty();
        EXPECT_EQ(w.boxTexts(),
                  stopped ? Strings{"連番が100を越えます\r\n処理を中止します"} : Strings{});
        EXPECT_EQ(w.transfers.size(), stopped ? 0u : c.files);
        if (c.autoContinue) {
            EXPECT_EQ(readCounterFile(counter).record.lastNumber, 101);
        }
    }
}

TEST_F(ImportRunTest, NumberContinuedBeyondTheLimitStopsWithTheCounterUnchanged) {
    struct Case {
        std::int64_t lastNumber;
        std::size_t files;
        Strings names;
    };
    const Case cases[] = {
        {98, 1, {"20050312_99.JPG"}},      // fits: the run completes
        {99, 1, {"20050312_100.JPG"}},     // the limit itself is given
        {99, 2, {"20050312_100.JPG", ""}}, // the second number goes beyond it
        {100, 1, {""}},                    // the continued number alone goes beyond it
    };
    for (const auto& c : cases) {
        TempFolder folder;
        FakeRunWindow w;
        w.settings = window.settings;
        w.settings.readInFolder = folder.path() + "/in";
        w.settings.saveFolder = folder.path() + "/out";
        w.settings.sequenceStyleIndex = 0;
        w.settings.autoContinue = true;
        std::filesystem::create_directories(w.settings.readInFolder);
        for (std::size_t i = 0; i < c.files; ++i)
            jpeg("F" + std::to_string(i) + ".JPG", "2005:03:12 10:00:0" + std::to_string(i),
                 w.settings.readInFolder);
        std::string counter = w.settings.saveFolder + "/2005_03_12/PXBK";
        std::filesystem::create_directories(w.settings.saveFolder + "/2005_03_12");
        ASSERT_TRUE(writeCounterFile(counter, {c.lastNumber, 0, "yyyymmdd", "", "_"}).ok);
        const std::string counterBefore = readBytes(counter);

        ImportRun probe(w);
        probe.startOrStopRun(RunSender::Interactive);

        Strings names;
        for (std::size_t r = 0; r < probe.list().size(); ++r)
            names.push_back(cell(probe.list()[r], Column::NewName));
        EXPECT_EQ(names, c.names) << c.lastNumber;
        const bool stopped = c.names.back().empty();
        EXPECT_EQ(w.boxTexts(),
                  stopped ? Strings{"連番が100を越えます\r\n処理を中止します"} : Strings{});
        if (stopped) {
            EXPECT_EQ(readBytes(counter), counterBefore) << c.lastNumber;
            EXPECT_TRUE(w.transfers.empty());
        }
    }
}

TEST_F(ImportRunTest, UnreadableShotDateStopsWithItsMessage) {
    jpeg("A.JPG", "2005:03:12 10:00:00");
    jpeg("B.JPG", "no date at all");
    run.startOrStopRun(RunSender::Interactive);
    EXPECT_EQ(window.beeps, std::vector<BeepKind>{BeepKind::Hand});
    ASSERT_EQ(window.boxes.size(), 1u);
    EXPECT_EQ(window.boxes[0].icon, BoxIcon::Error);
    EXPECT_EQ(window.boxes[0].text,
              "'no date at all' は日付または時刻ではありません\r\n" + in + "/B.JPG");
    EXPECT_EQ(column(Column::OldName), (Strings{"A.JPG"}));
    EXPECT_TRUE(window.transfers.empty());
    EXPECT_EQ(window.count("enterIdleState"), 1);
    EXPECT_FALSE(std::filesystem::exists(out));
}

// A camera whose clock was never set writes an unknown date; one such picture stopped the
// run and kept every file of the card where it was.
TEST_F(ImportRunTest, UnknownCameraDateTakesTheFileTimeAndEveryFileIsImported) {
    jpeg("A.JPG", "2005:03:11 10:00:00");
    writeTestFile(in + "/B.JPG", cameraJpeg("0000:00:00 00:00:00"), UnixTime{1'110'621'600, 0});
    writeTestFile(in + "/C.JPG", cameraJpeg("    :  :     :  :  "), UnixTime{1'110'708'000, 0});
    jpeg("D.JPG", "2005:03:14 10:00:00");
    run.startOrStopRun(RunSender::Interactive);
    EXPECT_TRUE(window.boxes.empty());
    EXPECT_EQ(column(Column::OldName), (Strings{"A.JPG", "B.JPG", "C.JPG", "D.JPG"}));
    EXPECT_EQ(column(Column::TimeStamp),
              (Strings{"20050311100000", "20050312100000", "20050313100000", "20050314100000"}));
    EXPECT_EQ(filesUnder(out),
              (Strings{"2005_03_11/20050311_001.JPG", "2005_03_12/20050312_001.JPG",
                       "2005_03_13/20050313_001.JPG", "2005_03_14/20050314_001.JPG"}));
    EXPECT_TRUE(filesUnder(in).empty());
}

TEST_F(ImportRunTest, CounterFileThatCannotBeReadStopsBeforeAnyTransfer) {
    jpeg("A.JPG", "2005:03:12 10:00:00");
    jpeg("B.JPG", "2005:03:13 10:00:00");
    window.settings.autoContinue = true;
    // The second day's counter file is a folder: it can be neither read nor replaced.
    std::filesystem::create_directories(out + "/2005_03_13/PXBK");
    run.startOrStopRun(RunSender::Interactive);
    EXPECT_EQ(window.beeps, std::vector<BeepKind>{BeepKind::Hand});
    ASSERT_EQ(window.boxes.size(), 1u);
    EXPECT_EQ(window.boxes[0].text.rfind("連番ファイルを読み込めませんでした\r\n", 0), 0u);
    EXPECT_TRUE(window.transfers.empty());
    EXPECT_EQ(filesUnder(in).size(), 2u);
    // The first day's group was named before the stop, but none of its numbers was used.
    EXPECT_FALSE(std::filesystem::exists(out + "/2005_03_12/PXBK"));
}

TEST_F(ImportRunTest, ShellCancelOnTheThirdOfTenFilesReportsTwo) {
    for (int i = 0; i < 10; ++i)
        jpeg("IMG" + std::to_string(i) + ".JPG", "2005:03:12 10:00:0" + std::to_string(i));
    window.settings.copy = true;
    window.onProgress = [](std::size_t transfer) { return transfer != 3; };

    run.startOrStopRun(RunSender::Interactive);

    EXPECT_EQ(window.beeps, std::vector<BeepKind>{BeepKind::Exclamation});
    ASSERT_EQ(window.boxes.size(), 1u);
    EXPECT_EQ(window.boxes[0].text, "処理を中断しました\r\n2件のファイルを処理しました");
    EXPECT_EQ(window.boxes[0].icon, BoxIcon::Warning);
    EXPECT_EQ(window.transfers.size(), 3u);
    EXPECT_EQ(filesUnder(out),
              (Strings{"2005_03_12/20050312_001.JPG", "2005_03_12/20050312_002.JPG"}))
        << "the cancelled copy leaves no temporary file";
    EXPECT_EQ(filesUnder(in).size(), 10u);
    EXPECT_EQ(window.count("complete"), 0);
    EXPECT_EQ(window.count("enterIdleState"), 1);
    EXPECT_EQ(run.list().size(), 10u) << "the list keeps every planned row";
}

TEST_F(ImportRunTest, AbortRequestDuringARunAnsweredNoThenYes) {
    for (int i = 0; i < 4; ++i)
        jpeg("IMG" + std::to_string(i) + ".JPG", "2005:03:12 10:00:0" + std::to_string(i));

    // No: the run goes on to its end.
    window.answers = {BoxAnswer::No};
    window.onProcessEvents = [](FakeRunWindow& w) {
        if (w.processEventsCalls == 2)
            w.run->startOrStopRun(RunSender::Interactive);
    };
    run.startOrStopRun(RunSender::Interactive);
    ASSERT_EQ(window.boxes.size(), 1u);
    EXPECT_EQ(window.boxes[0].text, "中断しますか");
    EXPECT_EQ(window.boxes[0].icon, BoxIcon::Warning);
    EXPECT_EQ(window.boxes[0].buttons, BoxButtons::YesNo);
    EXPECT_TRUE(window.beeps.empty());
    EXPECT_EQ(window.count("complete"), 1);
    EXPECT_EQ(filesUnder(out).size(), 4u);

    // Yes, while naming: nothing is transferred, no further message; a third press while the
    // stopped run unwinds doesn't start a new run inside it.
    for (int i = 0; i < 4; ++i)
        jpeg("NEW" + std::to_string(i) + ".JPG", "2005:03:13 10:00:0" + std::to_string(i));
    FakeRunWindow second;
    second.settings = window.settings;
    ImportRun again(second);
    second.run = &again;
    second.answers = {BoxAnswer::Yes};
    second.onProcessEvents = [](FakeRunWindow& w) {
        if (w.processEventsCalls == 6) { // 4 planning rows, then the 2nd row being named
            w.run->startOrStopRun(RunSender::Interactive);
            w.run->startOrStopRun(RunSender::Interactive);
        }
    };
    again.startOrStopRun(RunSender::Interactive);
    EXPECT_EQ(second.boxTexts(), Strings{"中断しますか"});
    EXPECT_EQ(second.count("enterRunningState"), 1);
    EXPECT_EQ(second.count("enterIdleState"), 1);
    EXPECT_EQ(second.count("complete"), 0);
    EXPECT_TRUE(second.transfers.empty());
    EXPECT_EQ(filesUnder(in).size(), 4u);
    EXPECT_FALSE(again.running());
    EXPECT_EQ(again.list().size(), 4u);
}

} // namespace
} // namespace pixbako::test
