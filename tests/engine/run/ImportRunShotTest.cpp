// Runs that keep the files of one shot together (RAW + JPEG, sidecars): one date, one folder,
// one number, one after the other in the list.
#include "engine/run/ImportRunFixture.h"

#include "engine/run/CounterFile.h"
#include "platform/Paths.h"

namespace pixbako::test {
namespace {

constexpr std::int64_t kMarch13 = 1'110'708'000; // 2005-03-13 10:00:00 UTC

void keepShotsTogether(FakeRunWindow& window) {
    window.settings.keepShotsTogether = true;
    window.settings.autoContinue = true;
}

// Shot 1: a RAW whose file time is a day later than its JPEG's EXIF date, the JPEG and a
// sidecar; shot 2, shot earlier: a JPEG with a sidecar that the walk finds first.
TEST_F(ImportRunTest, ShotsPairsAndSidecarsGoUnderOneNumberAndOneDate) {
    keepShotsTogether(window);
    const struct {
        bool copy, dateFolders;
    } cases[] = {{false, true}, {true, true}, {false, false}, {true, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.copy) + std::to_string(c.dateFolders));
        TempFolder folder;
        const std::string card = folder.path() + "/card";
        std::filesystem::create_directory(card);
        plain("IMG_0001.CR3", kMarch13, card);
        jpeg("IMG_0001.JPG", "2005:03:12 09:00:00", card);
        plain("IMG_0001.XMP", kMarch13, card);
        plain("IMG_0002.AAE", kMarch13, card);
        jpeg("IMG_0002.JPG", "2005:03:12 08:00:00", card);
        FakeRunWindow w;
        w.settings = window.settings;
        w.settings.readInFolder = card;
        w.settings.saveFolder = folder.path() + "/out";
        w.settings.copy = c.copy;
        w.settings.dateFolders = c.dateFolders;
        ImportRun probe(w);
        probe.startOrStopRun(RunSender::Interactive);

        Strings names;
        for (const PlannedFile& row : probe.list())
            names.push_back(row.name + ">" + row.newName);
        EXPECT_EQ(names, (Strings{"IMG_0002.JPG>20050312_001.JPG", "IMG_0002.AAE>20050312_001.AAE",
                                  "IMG_0001.CR3>20050312_002.CR3", "IMG_0001.JPG>20050312_002.JPG",
                                  "IMG_0001.XMP>20050312_002.XMP"}));
        const std::string where = c.dateFolders ? "2005_03_12/" : "";
        EXPECT_EQ(filesUnder(w.settings.saveFolder),
                  (Strings{where + "20050312_001.AAE", where + "20050312_001.JPG",
                           where + "20050312_002.CR3", where + "20050312_002.JPG",
                           where + "20050312_002.XMP", where + "PXBK"}));
        EXPECT_EQ(readCounterFile(w.settings.saveFolder + "/" + where + "PXBK").record.lastNumber,
                  2);
        EXPECT_EQ(filesUnder(card).size(), c.copy ? 5u : 0u);
    }
}

// The file-type filter decides on the pictures; their sidecars come along. A sidecar without
// an imported picture is filtered as any file.
TEST_F(ImportRunTest, ShotsFilterTakesPicturesAndTheirSidecarsFollow) {
    keepShotsTogether(window);
    jpeg("IMG_1.JPG", "2005:03:12 08:00:00");
    plain("IMG_1.CR3");
    plain("IMG_1.XMP");
    plain("IMG_2.CR3");
    plain("IMG_2.THM");
    plain("IMG_3.XMP");
    plain("IMG_4.WAV");
    window.settings.extensionMode = 1;
    window.settings.extensions.JPG = true;
    window.settings.extensions.freeList = "WAV";
    window.settings.copy = true;
    window.settings.rename = false;

    run.startOrStopRun(RunSender::Interactive);

    EXPECT_EQ(column(Column::OldName), (Strings{"IMG_1.JPG", "IMG_1.XMP", "IMG_4.WAV"}));
}

TEST_F(ImportRunTest, ShotsASelectedPictureBringsItsSidecarsFromItsFolder) {
    keepShotsTogether(window);
    const std::string picture = jpeg("IMG_1.JPG", "2005:03:12 08:00:00");
    plain("img_1.xmp");
    plain("IMG_1.CR3"); // a picture: only when selected
    const std::string memo = plain("IMG_2.WAV", kMarch13);
    plain("IMG_2.THM");
    window.thumbnails = {memo, picture};
    window.selected = {true, true};
    window.settings.dateFolders = false;

    run.startOrStopRun(RunSender::Interactive);

    EXPECT_EQ(column(Column::OldName), (Strings{"IMG_2.WAV", "IMG_1.JPG", "img_1.xmp"}));
    EXPECT_EQ(column(Column::NewName),
              (Strings{"20050313_001.WAV", "20050312_002.JPG", "20050312_002.xmp"}));
    EXPECT_EQ(filesUnder(in), (Strings{"IMG_1.CR3", "IMG_2.THM"}));
    EXPECT_TRUE(window.thumbnails.empty());
}

// A shot whose new name is taken by a file the run must keep, or by a folder, stays behind
// whole: none of its files is moved, so no picture is parted from its other files.
TEST_F(ImportRunTest, ShotsAShotWhoseNameIsTakenStaysBehindWhole) {
    keepShotsTogether(window);
    const struct {
        bool numbering;
        const char* folderInTheWay;
        Strings left;
        Strings saved;
    } cases[] = {
        // Without numbers the second shot gets the first one's names.
        {false, nullptr, {"B.JPG", "B.XMP"}, {"20050312.JPG", "20050312.XMP"}},
        {true, "20050312_001.XMP", {"A.JPG", "A.XMP"}, {"20050312_002.JPG", "20050312_002.XMP"}},
    };
    for (const auto& c : cases) {
        TempFolder folder;
        const std::string card = folder.path() + "/card";
        const std::string save = folder.path() + "/out";
        std::filesystem::create_directories(card);
        std::filesystem::create_directories(save);
        if (c.folderInTheWay)
            std::filesystem::create_directory(save + "/" + c.folderInTheWay);
        jpeg("A.JPG", "2005:03:12 08:00:00", card);
        plain("A.XMP", kMarch13, card);
        jpeg("B.JPG", "2005:03:12 08:00:00", card);
        plain("B.XMP", kMarch13, card);
        FakeRunWindow w;
        w.settings = window.settings;
        w.settings.readInFolder = card;
        w.settings.saveFolder = save;
        w.settings.dateFolders = false;
        w.settings.fileDatePattern = "yyyymmdd";
        w.settings.middleText = c.numbering ? "_" : "";
        w.settings.numbering = c.numbering;
        ImportRun probe(w);
        probe.startOrStopRun(RunSender::Interactive);

        EXPECT_EQ(filesUnder(card), c.left) << c.numbering;
        Strings saved = filesUnder(save);
        saved.erase(std::remove(saved.begin(), saved.end(), "PXBK"), saved.end());
        EXPECT_EQ(saved, c.saved);
        ASSERT_EQ(w.boxes.size(), 1u);
        EXPECT_NE(w.boxes[0].text.find("この撮影のファイルはどれも移動していません"),
                  std::string::npos)
            << w.boxes[0].text;
        EXPECT_TRUE(w.transferErrors.empty()) << "one message for the shot, none per file";
        EXPECT_EQ(probe.lastReport().failedTransfers, 2u);
        if (c.numbering) {
            EXPECT_EQ(readCounterFile(save + "/PXBK").record.lastNumber, 2);
        }
    }
}

// A stop between the files of a shot loses nothing: each file is at its source or at its
// destination, and the counter keeps the shot's number exactly when one of them arrived.
// A sidecar that can't be read stopped the whole run before anything was imported, although the
// filter would not even have taken it: its pictures are imported, and it fails on its own.
TEST_F(ImportRunTest, ShotsAnUnreadableSidecarKeepsNoPictureFromBeingImported) {
    jpeg("IMG_1.JPG", "2005:03:12 08:00:00");
    jpeg("IMG_2.JPG", "2005:03:12 09:00:00");
    std::filesystem::create_symlink(in + "/gone", in + "/IMG_1.XMP");
    window.settings.keepShotsTogether = true;
    window.settings.extensionMode = 1;
    window.settings.extensions.JPG = true;
    run.startOrStopRun(RunSender::Interactive);
    EXPECT_EQ(run.list().size(), 3u);
    EXPECT_EQ(run.lastReport().transferred, 2u);
    EXPECT_EQ(filesUnder(out).size(), 2u);
}

TEST_F(ImportRunTest, ShotsStopBetweenMembersKeepsEveryFileAndTheCounterTrue) {
    keepShotsTogether(window);
    jpeg("A.JPG", "2005:03:12 08:00:00");
    plain("A.XMP");
    jpeg("B.JPG", "2005:03:12 09:00:00");
    bool pressed = false;
    window.onProcessEvents = [&pressed](FakeRunWindow& w) {
        if (!pressed && w.transfers.size() == 1) {
            pressed = true;
            w.run->startOrStopRun(RunSender::Interactive); // answered Yes
        }
    };

    run.startOrStopRun(RunSender::Interactive);

    // A move on one disk is done when the stop comes; a copy to another disk is abandoned.
    ASSERT_TRUE(pressed);
    const bool arrived = pathExists(out + "/2005_03_12/20050312_001.JPG");
    const Strings left = arrived ? Strings{"A.XMP", "B.JPG"} : Strings{"A.JPG", "A.XMP", "B.JPG"};
    EXPECT_EQ(filesUnder(in), left);
    const std::string counter = out + "/2005_03_12/PXBK";
    if (arrived) {
        EXPECT_EQ(readCounterFile(counter).record.lastNumber, 1);
    } else {
        EXPECT_FALSE(pathExists(counter));
    }
}

} // namespace
} // namespace pixbako::test
