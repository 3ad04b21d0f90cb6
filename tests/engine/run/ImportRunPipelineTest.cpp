// The order of what the user sees while rows are in flight: a row's status, selection, errors
// and questions come with that row, after everything of the rows before it and before
// anything of the rows after it; and the limits of rows and bytes in flight hold.
#include "engine/run/ImportRunFixture.h"

namespace pixbako::test {
namespace {

// For every finished transfer in the timeline, the status line and the selected row shown at
// that moment: "name: status | row".
Strings shownAtEachFinish(const FakeRunWindow& w, const std::vector<PlannedFile>& list) {
    Strings seen;
    std::string status = "-";
    std::string row = "-";
    for (const std::string& entry : w.timeline) {
        if (entry.rfind("status ", 0) == 0)
            status = entry.substr(7);
        else if (entry.rfind("row ", 0) == 0)
            row = list[std::stoul(entry.substr(4))].name;
        else if (entry.rfind("finish ", 0) == 0)
            seen.push_back(entry.substr(7, entry.find(' ', 7) - 7) + ": " + status + " | " + row);
    }
    return seen;
}

TEST_F(ImportRunTest, StatusLineAndSelectionFollowTheRowBeingFinished) {
    ImportSettings& s = window.settings;
    s.copy = true;
    s.numbering = false; // one name for all: rows 2 to 4 fail when they are finished
    s.overwriteConfirmation = false;
    for (const char* name : {"A.JPG", "B.JPG", "C.JPG", "D.JPG"})
        jpeg(name, std::string("2005:03:12 10:00:0") + name[0]);

    run.startOrStopRun(RunSender::Interactive);

    ASSERT_EQ(window.transferErrors.size(), 3u);
    EXPECT_EQ(shownAtEachFinish(window, run.list()),
              (Strings{"A.JPG: A.JPGを処理中です    (1/4) | A.JPG",
                       "B.JPG: B.JPGを処理中です    (2/4) | B.JPG",
                       "C.JPG: C.JPGを処理中です    (3/4) | C.JPG",
                       "D.JPG: D.JPGを処理中です    (4/4) | D.JPG"}));
    // Each error box comes while its own row is shown.
    for (const char* name : {"B.JPG", "C.JPG", "D.JPG"}) {
        const long finish = window.firstInTimeline(std::string("finish ") + name);
        EXPECT_EQ(window.timeline.at(static_cast<std::size_t>(finish - 1)), "error 20050312_.JPG");
    }
}

TEST_F(ImportRunTest, TransferThatCantOverlapIsFinishedBeforeTheNextRowShows) {
    struct Case {
        const char* what;
        bool copy;
        bool existingSecondName; // row 2 asks before replacing
    };
    const Case cases[] = {
        {"copy that asks before replacing", true, true},
        {"move on one file system (a rename)", false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder folder;
        FakeRunWindow w;
        w.settings = window.settings;
        w.settings.readInFolder = folder.path() + "/in";
        w.settings.saveFolder = folder.path() + "/out";
        w.settings.copy = c.copy;
        w.settings.overwriteConfirmation = true;
        std::filesystem::create_directories(w.settings.readInFolder);
        for (const char* name : {"A.JPG", "B.JPG", "C.JPG"})
            jpeg(name, std::string("2005:03:12 10:00:0") + name[0], w.settings.readInFolder);
        if (c.existingSecondName) {
            std::filesystem::create_directories(w.settings.saveFolder + "/2005_03_12");
            writeTestFile(w.settings.saveFolder + "/2005_03_12/20050312_002.JPG", "older");
        }
        ImportRun probe(w);
        probe.startOrStopRun(RunSender::Interactive);

        EXPECT_TRUE(w.transferErrors.empty());
        const long secondFinished = w.firstInTimeline("finish B.JPG done");
        ASSERT_GE(secondFinished, 0);
        EXPECT_LT(secondFinished, w.firstInTimeline("status C.JPG"));
        EXPECT_LT(secondFinished, w.firstInTimeline("begin C.JPG"));
        EXPECT_LT(w.firstInTimeline("finish A.JPG done"), w.firstInTimeline("status B.JPG"));
    }
}

TEST_F(ImportRunTest, FolderErrorAppearsAfterTheErrorsOfEarlierRowsInFlight) {
    ImportSettings& s = window.settings;
    s.copy = true;
    s.numbering = false; // A and B get one name: B fails when it is finished
    s.overwriteConfirmation = false;
    jpeg("A.JPG", "2005:03:12 10:00:00");
    jpeg("B.JPG", "2005:03:12 10:00:01");
    jpeg("C.JPG", "2005:03:13 10:00:00");
    std::filesystem::create_directory(out);
    writeTestFile(out + "/2005_03_13", "a file where the date folder should be");

    run.startOrStopRun(RunSender::Interactive);

    const long earlierError = window.firstInTimeline("error 20050312_.JPG");
    const long folderError =
        window.firstInTimeline("box ファイルをコピーできません\r\n" + in + "/C.JPG");
    ASSERT_GE(earlierError, 0);
    ASSERT_GE(folderError, 0);
    EXPECT_LT(earlierError, folderError);
    EXPECT_EQ(window.timeline.at(static_cast<std::size_t>(folderError - 1)), "row 2");
}

TEST_F(ImportRunTest, RowOneIsFinishedBeforeARowPastTheInFlightLimitBegins) {
    window.settings.copy = true;
    for (const char* name : {"A.JPG", "B.JPG", "C.JPG", "D.JPG"})
        jpeg(name, std::string("2005:03:12 10:00:0") + name[0]);
    const std::uint64_t size = std::filesystem::file_size(in + "/A.JPG");
    struct Case {
        const char* what;
        ImportRun::InFlightLimits limits; // both allow two rows in flight, not three
    };
    const Case cases[] = {
        {"two transfers", {2, kBytesInFlight}},
        {"bytes of two files", {kTransfersInFlight, 2 * size}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove_all(out);
        window.timeline.clear();
        run.setInFlightLimits(c.limits);

        run.startOrStopRun(RunSender::Interactive);

        EXPECT_EQ(filesUnder(out).size(), 4u);
        EXPECT_LT(window.firstInTimeline("begin B.JPG"), window.firstInTimeline("finish A.JPG"))
            << "two rows are in flight";
        EXPECT_LT(window.firstInTimeline("finish A.JPG"), window.firstInTimeline("begin C.JPG"));
        EXPECT_LT(window.firstInTimeline("finish B.JPG"), window.firstInTimeline("begin D.JPG"));
    }
}

} // namespace
} // namespace pixbako::test
