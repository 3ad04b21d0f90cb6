// Thumbnails of HEIC pictures and movies: which picture or frame they come from, their size,
// the time limit, hostile and foreign files, and the sample files.
#include "engine/thumbnail/FormatReaders.h"
#include "engine/thumbnail/MediaTestFiles.h"
#include "engine/thumbnail/ThumbnailMaker.h"
#include "engine/thumbnail/ThumbnailTestPictures.h"
#include "support/JpegBuilder.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

namespace pixbako {
namespace {

// The colour in the middle of the picture, within a JPEG's tolerance of `expected`.
void expectCentre(const RgbImage& image, test::Rgb expected) {
    ASSERT_FALSE(image.empty());
    const std::size_t at =
        (static_cast<std::size_t>(image.height / 2) * image.width + image.width / 2) * 3;
    EXPECT_NEAR(image.pixels[at], expected.r, 24);
    EXPECT_NEAR(image.pixels[at + 1], expected.g, 24);
    EXPECT_NEAR(image.pixels[at + 2], expected.b, 24);
}

constexpr test::Rgb kRed{220, 30, 30}, kBlue{30, 30, 220}, kGreen{30, 200, 30};

class FormatReadersTest : public ::testing::Test {
protected:
    std::string path(const std::string& name) const { return dir.path() + "/" + name; }
    TempFolder dir;
};

TEST_F(FormatReadersTest, MovieThumbnailIsItsFirstFrameInEveryContainer) {
    const struct {
        const char* container;
        const char* name;
    } movies[] = {
        {"avi", "clip.avi"}, {"mov", "clip.mov"}, {"mov", "clip.mp4"}, {"mpeg", "clip.mpg"}};
    ThumbnailMaker maker(dir.path());
    for (const auto& m : movies) {
        SCOPED_TRACE(m.name);
        const std::string file = path(m.name);
        ASSERT_TRUE(test::writeTestMovie(file, m.container, 320, 240, 30, kRed, kBlue));
        auto picture = readMoviePicture(file, 120);
        ASSERT_TRUE(picture);
        EXPECT_EQ(picture->width, 320);
        EXPECT_EQ(picture->height, 240);
        expectCentre(picture->pixels, kRed);

        maker.setAllFormats(false);
        EXPECT_EQ(maker.makeThumbnail(file, 120).state, 0);
        maker.setAllFormats(true);
        ThumbnailResult r = maker.makeThumbnail(file, 120);
        EXPECT_EQ(r.state, 1);
        EXPECT_EQ(r.width, 120);
        EXPECT_EQ(r.height, 90);
    }
}

TEST_F(FormatReadersTest, MovieThatTakesLongerThanTheLimitIsNonImage) {
    const std::string file = path("clip.avi");
    ASSERT_TRUE(test::writeTestMovie(file, "avi", 160, 120, 5, kRed, kBlue));
    EXPECT_FALSE(readMoviePicture(file, 120, std::chrono::milliseconds(0)));
    EXPECT_TRUE(readMoviePicture(file, 120, std::chrono::milliseconds(60'000)));
}

// A playlist or a picture under a movie's name is not opened as one: the demuxers are limited
// to movie containers, so nothing is fetched from elsewhere.
TEST_F(FormatReadersTest, ForeignAndHostileMoviesAreNonImageWithoutACrash) {
    const std::string good = path("good.mov");
    ASSERT_TRUE(test::writeTestMovie(good, "mov", 160, 120, 5, kRed, kBlue));
    const std::string bytes = test::readFile(good);
    std::vector<std::string> hostile = {
        "#EXTM3U\n#EXTINF:1,\nhttp://127.0.0.1:9/x.ts\n",
        "ffconcat version 1.0\nfile /etc/passwd\n",
        test::pictureJpeg(64, 48),
        "",
    };
    for (std::size_t cut = 0; cut < bytes.size(); cut += bytes.size() / 16)
        hostile.push_back(bytes.substr(0, cut));
    for (std::size_t pos = 0; pos + 4 < bytes.size(); pos += bytes.size() / 24) {
        std::string garbled = bytes;
        garbled.replace(pos, 4, "\xFF\xFF\xFF\x7F");
        hostile.push_back(garbled);
    }
    for (std::size_t i = 0; i < hostile.size(); ++i) {
        const std::string file = path("hostile" + std::to_string(i) + ".mov");
        test::writeTestFile(file, hostile[i]);
        auto picture = readMoviePicture(file, 120);
        if (i < 4) { // not movies at all
            EXPECT_FALSE(picture) << i;
        } else if (picture) {
            EXPECT_EQ(picture->width, 160) << i;
        }
    }
}

TEST_F(FormatReadersTest, HeicThumbnailIsTheStoredThumbnailElseThePicture) {
    const std::string plain = path("plain.heic");
    const std::string withThumbnail = path("thumb.heic");
    if (!test::writeTestHeic(plain, 400, 300, kRed))
        GTEST_SKIP() << "libheif has no HEVC encoder here";
    ASSERT_TRUE(test::writeTestHeic(withThumbnail, 400, 300, kRed, 160, kGreen));

    auto picture = readHeifPicture(plain, 120);
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->width, 400);
    EXPECT_EQ(picture->height, 300);
    expectCentre(picture->pixels, kRed);

    picture = readHeifPicture(withThumbnail, 120);
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->width, 160);
    EXPECT_EQ(picture->height, 120);
    expectCentre(picture->pixels, kGreen);

    ThumbnailMaker maker(dir.path());
    EXPECT_EQ(maker.makeThumbnail(plain, 120).state, 0);
    maker.setAllFormats(true);
    ThumbnailResult r = maker.makeThumbnail(plain, 120);
    EXPECT_EQ(r.state, 1);
    EXPECT_EQ(r.width, 120);
    EXPECT_EQ(r.height, 90);

    const std::string bytes = test::readFile(plain);
    for (std::size_t cut = 0; cut < bytes.size(); cut += bytes.size() / 12) {
        const std::string cutFile = path("cut.heic");
        test::writeTestFile(cutFile, bytes.substr(0, cut));
        EXPECT_FALSE(readHeifPicture(cutFile, 120)) << cut;
    }
}

// The samples of real cameras are stripped of their pictures: the HEIC holds no coded image,
// the movies' media data were cut away (the QuickTime file keeps only an 8 x 8 cover picture,
// a placeholder).
TEST_F(FormatReadersTest, StrippedSampleFilesAreNonImage) {
    ThumbnailMaker maker(dir.path());
    maker.setAllFormats(true);
    for (const char* name : {"QuickTime.heic", "QuickTime.mov", "RIFF.avi"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(maker.makeThumbnail(std::string(PIXBAKO_SAMPLES_DIR) + "/" + name, 120).state, 0);
    }
}

} // namespace
} // namespace pixbako
