// Faults the run must not make: losing a file to another file of the same run, touching a
// file that is its own destination, leaving the window locked or half a copy on disk when
// the window is closed during a run.
#include "engine/run/ImportRunFixture.h"

namespace pixbako::test {
namespace {

TEST_F(ImportRunTest, TwoRowsWithTheSameDestinationNeverLoseTheFirstFile) {
    ImportSettings& s = window.settings;
    s.numbering = false; // files of one day all get the name 20050312_.JPG
    s.overwriteConfirmation = false;
    std::string first = readBytes(jpeg("A.JPG", "2005:03:12 10:00:00"));
    jpeg("B.JPG", "2005:03:12 11:00:00");
    // A file from before the run is replaced as always when confirmation is off.
    std::filesystem::create_directories(out + "/2005_03_13");
    writeTestFile(out + "/2005_03_13/20050313_.JPG", "older file");
    std::string third = readBytes(jpeg("C.JPG", "2005:03:13 10:00:00"));

    run.startOrStopRun(RunSender::Interactive);

    ASSERT_EQ(window.transfers.size(), 3u);
    EXPECT_TRUE(window.transfers[0].mayReplace);
    EXPECT_TRUE(window.transfers[2].mayReplace);
    // From another disk the second file is copied while the first is in flight, and it is
    // refused only when it is named, after the first.
    const TransferResult exists = TransferResult::of(TransferError::DestinationExists);
    EXPECT_EQ(window.transferResults, (std::vector<TransferResult>{kDone, exists, kDone}));
    EXPECT_EQ(window.transferErrors.size(), 1u);
    EXPECT_EQ(readBytes(out + "/2005_03_12/20050312_.JPG"), first);
    EXPECT_EQ(filesUnder(in), (Strings{"B.JPG"})) << "the second source stays";
    EXPECT_EQ(readBytes(out + "/2005_03_13/20050313_.JPG"), third);
    EXPECT_EQ(window.count("complete"), 1);
}

// Copies are named only when they are finished, rows in flight after the rows before them:
// the second copy to one name finds the first there and must not replace it, also when it
// began before the first was named.
TEST_F(ImportRunTest, CopiesInFlightWithTheSameDestinationNeverLoseTheFirstFile) {
    ImportSettings& s = window.settings;
    s.copy = true;
    s.numbering = false; // files of one day all get the name 20050312_.JPG
    s.overwriteConfirmation = false;
    std::string first = readBytes(jpeg("A.JPG", "2005:03:12 10:00:00"));
    jpeg("B.JPG", "2005:03:12 11:00:00");
    jpeg("C.JPG", "2005:03:12 12:00:00");
    for (bool whole : {false, true}) {
        SCOPED_TRACE(whole ? "one transfer at a time" : "transfers in flight");
        std::filesystem::remove_all(out);
        window.wholeTransfers = whole;
        window.transferErrors.clear();
        window.transferResults.clear();

        run.startOrStopRun(RunSender::Interactive);

        const TransferResult exists = TransferResult::of(TransferError::DestinationExists);
        EXPECT_EQ(window.transferResults, (std::vector<TransferResult>{kDone, exists, exists}));
        EXPECT_EQ(window.transferErrors.size(), 2u);
        EXPECT_EQ(readBytes(out + "/2005_03_12/20050312_.JPG"), first);
        EXPECT_EQ(filesUnder(out), (Strings{"2005_03_12/20050312_.JPG"}))
            << "no temporary file is left";
        EXPECT_EQ(filesUnder(in), (Strings{"A.JPG", "B.JPG", "C.JPG"}));
        EXPECT_EQ(window.count("complete"), whole ? 2 : 1);
    }
}

TEST_F(ImportRunTest, FileThatIsItsOwnDestinationIsReportedAndLeftAlone) {
    std::string bytes = readBytes(jpeg("A.JPG", "2005:03:12 10:00:00"));
    ImportSettings& s = window.settings;
    s.saveFolder = in;
    s.dateFolders = false;
    s.rename = false;
    for (bool copy : {false, true}) {
        s.copy = copy;
        window.transferErrors.clear();
        run.startOrStopRun(RunSender::Interactive);
        EXPECT_EQ(window.transferErrors.size(), 1u) << copy;
        EXPECT_EQ(filesUnder(in), (Strings{"A.JPG"}));
        EXPECT_EQ(readBytes(in + "/A.JPG"), bytes);
    }
}

TEST_F(ImportRunTest, ClosingTheWindowDuringACopyCancelsItCleanlyAndClosesAfterward) {
    for (int i = 0; i < 4; ++i)
        jpeg("IMG" + std::to_string(i) + ".JPG", "2005:03:12 10:00:0" + std::to_string(i));
    window.settings.copy = true;
    run.setInFlightLimits({1, kBytesInFlight}); // the first copy is finished before the second
    std::vector<bool> closeAnswers;
    // The close box is pressed while the second copy's progress window runs its events.
    window.onProgress = [&](std::size_t transfer) {
        if (transfer == 2)
            closeAnswers.push_back(window.run->requestClose());
        return true;
    };

    run.startOrStopRun(RunSender::Interactive);

    EXPECT_EQ(closeAnswers, std::vector<bool>{false}) << "the close waits for the run";
    EXPECT_EQ(window.transferResults, std::vector<TransferResult>{kDone})
        << "the second is abandoned";
    EXPECT_TRUE(window.boxes.empty()) << "no cancel report for a close";
    EXPECT_EQ(filesUnder(out), (Strings{"2005_03_12/20050312_001.JPG"}))
        << "no temporary file is left";
    EXPECT_EQ(filesUnder(in).size(), 4u);
    EXPECT_EQ(window.count("complete"), 0);
    EXPECT_EQ(window.count("enterIdleState"), 1);
    EXPECT_EQ(window.count("close"), 1);
    EXPECT_EQ(window.events.back(), "close");
    EXPECT_FALSE(run.running());
    EXPECT_TRUE(run.requestClose()) << "no run: close at once";
}

TEST_F(ImportRunTest, ClosingTheWindowWhilePlanningStopsBeforeAnyTransfer) {
    for (int i = 0; i < 3; ++i)
        jpeg("IMG" + std::to_string(i) + ".JPG", "2005:03:12 10:00:0" + std::to_string(i));
    window.onProcessEvents = [](FakeRunWindow& w) {
        if (w.processEventsCalls == 1)
            w.run->requestClose();
    };
    run.startOrStopRun(RunSender::Interactive);
    EXPECT_TRUE(window.transfers.empty());
    EXPECT_EQ(window.events,
              (Strings{"enterRunningState", "saveSettings", "enterIdleState", "close"}));
}

TEST_F(ImportRunTest, InPlaceRenameNeverReplacesAFileTheRunStillHasToTransfer) {
    // Save folder = read-in folder. By shot date B comes first, and its new name is A's old
    // name; A's new name is B's old name. Replacing either would lose a picture.
    for (bool copy : {false, true}) {
        TempFolder folder;
        const std::string card = folder.path() + "/card";
        std::filesystem::create_directory(card);
        const std::string a = readBytes(jpeg("20050312_001.JPG", "2005:03:12 10:00:00", card));
        const std::string b = readBytes(jpeg("20050312_002.JPG", "2005:03:12 09:00:00", card));
        FakeRunWindow w;
        w.settings = window.settings;
        w.settings.readInFolder = card;
        w.settings.saveFolder = card;
        w.settings.dateFolders = false;
        w.settings.overwriteConfirmation = false;
        w.settings.copy = copy;
        ImportRun probe(w);

        probe.startOrStopRun(RunSender::Interactive);

        Strings names;
        for (std::size_t r = 0; r < probe.list().size(); ++r)
            names.push_back(cell(probe.list()[r], Column::OldName) + ">" +
                            cell(probe.list()[r], Column::NewName));
        EXPECT_EQ(names, (Strings{"20050312_002.JPG>20050312_001.JPG",
                                  "20050312_001.JPG>20050312_002.JPG"}));
        ASSERT_EQ(w.transfers.size(), 2u);
        EXPECT_FALSE(w.transfers[0].mayReplace) << copy;
        EXPECT_FALSE(w.transfers[1].mayReplace) << copy;
        EXPECT_EQ(w.transferErrors.size(), 2u) << copy;
        EXPECT_EQ(readBytes(card + "/20050312_001.JPG"), a) << copy;
        EXPECT_EQ(readBytes(card + "/20050312_002.JPG"), b) << copy;
        EXPECT_EQ(filesUnder(card).size(), 2u) << copy;
    }
}

} // namespace
} // namespace pixbako::test
