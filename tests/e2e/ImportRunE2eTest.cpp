// Whole runs of the built program on a card whose folders and pictures a photographer meets:
// pictures of one second, a save folder on the card, pictures only in sub-folders.
#include "e2e/PixbakoProcess.h"
#include "support/JpegBuilder.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace pixbako::test {
namespace {

class CardRunTest : public ::testing::Test {
protected:
    PixbakoInstall pixbako;
    std::string card = pixbako.root() + "/media/CARD/DCIM";
    std::string save = pixbako.root() + "/photos";

    void SetUp() override {
        fs::create_directories(card);
        fs::create_directories(save);
    }

    // A picture whose bytes name it, so that its copy can be told from the others.
    std::string shot(const std::string& folder, const std::string& name, const std::string& date) {
        const std::string bytes = cameraJpeg(date) + name;
        fs::create_directories(folder);
        writeTestFile(folder + "/" + name, bytes);
        return bytes;
    }

    // Copies into date folders, numbered, auto exit on, no questions.
    Strings settings(const Strings& extra) const {
        Strings lines = {"READ=" + card, "WRITE=" + save,    "OVERW=0",  "AUTOQUIT=1",     "MODE=1",
                         "DIRCHKBOX=1",  "DDATE=yyyy_mm_dd", "RENAME=1", "FDATE=yyyymmdd", "FMAE=",
                         "FATO=_",       "FNUM=1",           "FNUMF=1",  "START=1"};
        lines.insert(lines.end(), extra.begin(), extra.end());
        return lines;
    }
};

TEST_F(CardRunTest, PicturesOfOneSecondAreNumberedInCameraOrder) {
    const std::string earlier = shot(card, "IMG_0004.JPG", "2024:05:06 09:59:59");
    Strings same;
    for (const char* name : {"IMG_0001.JPG", "IMG_0002.JPG", "IMG_0003.JPG"})
        same.push_back(shot(card, name, "2024:05:06 10:00:00"));
    pixbako.writeSettings(settings({}));

    const ProcessResult result = pixbako.run({card});

    ASSERT_EQ(result.status, 0) << result.stderrText;
    const std::string day = save + "/2024_05_06/";
    EXPECT_EQ(readBytes(day + "20240506_001.JPG"), earlier);
    for (std::size_t i = 0; i < same.size(); ++i)
        EXPECT_EQ(readBytes(day + "20240506_00" + std::to_string(i + 2) + ".JPG"), same[i])
            << "number " << i + 2;
}

// Each copy run with sub-folders on read the earlier imports back in: two runs turned two
// pictures into six, and a third would have made fourteen.
TEST_F(CardRunTest, SaveFolderOnTheCardIsNeverImportedAgain) {
    save = card + "/imported";
    shot(card + "/100CANON", "IMG_0001.JPG", "2024:05:06 10:00:00");
    shot(card + "/100CANON", "IMG_0002.JPG", "2024:05:06 10:00:01");
    pixbako.writeSettings(settings({"SUBDIR=1"}));

    for (int round = 1; round <= 2; ++round) {
        SCOPED_TRACE(round);
        const ProcessResult result = pixbako.run({card});
        EXPECT_EQ(result.status, 0) << result.stderrText;
    }
    EXPECT_EQ(
        filesUnder(save),
        (Strings{"2024_05_06/20240506_001.JPG", "2024_05_06/20240506_002.JPG",
                 "2024_05_06/20240506_003.JPG", "2024_05_06/20240506_004.JPG", "2024_05_06/PXBK"}));
}

// A run that found nothing ended with status 0 and no word: a card's DCIM with sub-folders
// off, or a saved read-in folder that is no longer there.
TEST_F(CardRunTest, RunThatFindsNoFileSaysWhyAndFails) {
    shot(card + "/100CANON", "IMG_0001.JPG", "2024:05:06 10:00:00");
    struct Case {
        const char* what;
        Strings arguments;
        std::string readIn;
        std::string says;
    };
    const Case cases[] = {
        {"pictures only in sub-folders", {card}, card, "「サブフォルダ含む」"},
        {"saved read-in folder missing",
         {"-S"},
         pixbako.root() + "/media/GONE",
         "Pixbako: 読込みフォルダが見つかりません"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Strings lines = settings({});
        lines.front() = "READ=" + c.readIn;
        pixbako.writeSettings(lines);
        const ProcessResult result = pixbako.run(c.arguments);
        EXPECT_EQ(result.status, 1);
        EXPECT_NE(result.stderrText.find(c.says), std::string::npos) << result.stderrText;
        EXPECT_EQ(result.stderrText.find("0件のファイルを処理しました"), std::string::npos);
        EXPECT_TRUE(filesUnder(save).empty());
    }
}

} // namespace
} // namespace pixbako::test
