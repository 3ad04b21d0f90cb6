// The thumbnail maker on real files: which picture a thumbnail comes from, its size, the
// cache file's bytes, offsets, ownership, deletion and move, hostile input, and the probe.
#include "engine/thumbnail/ThumbnailMaker.h"
#include "engine/thumbnail/JpegCodec.h"
#include "engine/thumbnail/ThumbnailGeometry.h"
#include "engine/thumbnail/ThumbnailTestPictures.h"
#include "support/JpegBuilder.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pixbako {
namespace {

namespace fs = std::filesystem;

// A JPEG whose scan data are filler: any attempt to decode the whole picture fails.
std::string undecodableCameraJpeg(const std::string& exifPayload) {
    test::JpegLayout layout;
    layout.exif = exifPayload;
    return test::buildJpeg(layout);
}

class ThumbnailMakerTest : public ::testing::Test {
protected:
    std::string file(const std::string& name, std::string_view bytes) {
        std::string path = dir.path() + "/" + name;
        test::writeTestFile(path, bytes);
        return path;
    }
    std::string cacheFolder() {
        std::string path = dir.path() + "/cache";
        fs::create_directories(path);
        return path;
    }
    static PictureSize sizeOf(const std::string& jpeg) {
        auto picture = decodeJpeg(jpeg, 0);
        return picture ? PictureSize{picture->width, picture->height} : PictureSize{};
    }

    TempFolder dir;
};

TEST_F(ThumbnailMakerTest, TakesEachThumbnailFromTheRightPictureAtTheRightSize) {
    const std::string thumb160 = test::pictureJpeg(160, 120);
    struct Case {
        std::string name;
        std::string bytes;
        ThumbnailOrigin origin;
        PictureSize size;
    };
    const Case cases[] = {
        {"big.jpg", test::pictureJpeg(4000, 3000), ThumbnailOrigin::WholePicture, {120, 90}},
        {"tall.JPEG", test::pictureJpeg(300, 400), ThumbnailOrigin::WholePicture, {90, 120}},
        // The full picture can't be decoded: only the embedded thumbnail can give this.
        {"camera.jpg",
         undecodableCameraJpeg(test::exifWithThumbnail(thumb160)),
         ThumbnailOrigin::Exif,
         {120, 90}},
        {"camera-mm.jpg",
         undecodableCameraJpeg(test::exifWithThumbnail(thumb160, {.bigEndian = true})),
         ThumbnailOrigin::Exif,
         {120, 90}},
        // XMP first: the EXIF thumbnail (160 x 120) is ignored, the 640 x 400 picture used.
        {"xmp-first.jpg",
         test::withApp1(test::pictureJpeg(640, 400),
                        {std::string("http://ns.adobe.com/xap/1.0/\0<x/>", 33),
                         test::exifWithThumbnail(thumb160)}),
         ThumbnailOrigin::WholePicture,
         {120, 75}},
        // A broken IFD1 is no thumbnail: the whole picture is read instead.
        {"broken-ifd1.jpg",
         test::withApp1(test::pictureJpeg(200, 100),
                        {test::exifWithThumbnail(thumb160, {.offsetDelta = 100000})}),
         ThumbnailOrigin::WholePicture,
         {120, 60}},
    };
    ThumbnailMaker maker(cacheFolder());
    for (const Case& c : cases) {
        ThumbnailResult r = maker.makeThumbnail(file(c.name, c.bytes), 120);
        EXPECT_EQ(r.state, 1) << c.name;
        EXPECT_EQ(r.origin, c.origin) << c.name;
        EXPECT_EQ((PictureSize{r.width, r.height}), c.size) << c.name;
        EXPECT_EQ(sizeOf(r.jpeg), c.size) << c.name;
    }
}

TEST_F(ThumbnailMakerTest, DctScaledDecodingGivesTheSizesOfTheFullPicture) {
    ThumbnailMaker maker(cacheFolder());
    const std::pair<int, int> sizes[] = {{3001, 2001}, {641, 479}, {17, 9}, {2399, 1201}};
    for (int thumbnailSize : {120, 60, 250}) {
        for (auto [w, h] : sizes) {
            ThumbnailResult r =
                maker.makeThumbnail(file("p.jpg", test::pictureJpeg(w, h)), thumbnailSize);
            EXPECT_EQ((PictureSize{r.width, r.height}), computeThumbnailSize(w, h, thumbnailSize))
                << w << "x" << h << " at " << thumbnailSize;
        }
    }
}

TEST_F(ThumbnailMakerTest, NewThumbnailSizeRebuildsTheCacheFromScratch) {
    ThumbnailMaker maker(cacheFolder());
    std::vector<std::string> paths;
    for (int i = 0; i < 10; ++i)
        paths.push_back(file("p" + std::to_string(i) + ".jpg", test::pictureJpeg(200 + i, 150)));
    for (const auto& p : paths)
        ASSERT_EQ(maker.makeThumbnail(p, 120).state, 1);
    const std::string name = maker.cacheFilePath();

    maker.deleteCacheFile();
    EXPECT_FALSE(fs::exists(name));
    std::int64_t end = 0;
    for (const auto& p : paths) {
        ThumbnailResult r = maker.makeThumbnail(p, 60);
        EXPECT_EQ(r.cachePos, end);
        EXPECT_EQ(r.width, 60);
        end += static_cast<std::int64_t>(r.jpeg.size());
        auto image = maker.readThumbnail(r.cachePos);
        ASSERT_TRUE(image);
        EXPECT_EQ(std::max(image->width, image->height), 60);
    }
    EXPECT_EQ(maker.cacheFilePath(), name);
    EXPECT_EQ(static_cast<std::int64_t>(fs::file_size(name)), end);
}

TEST_F(ThumbnailMakerTest, OnlyTheBuildersOwnCacheFileIsEverDeleted) {
    const std::string folder = cacheFolder();
    file("cache/thumb0.tmp", "another program's");
    std::string name;
    {
        ThumbnailMaker maker(folder);
        EXPECT_EQ(maker.cacheFilePath(), folder + "/thumb1.tmp");
        // Another program takes the chosen name before the first thumbnail is stored.
        file("cache/thumb1.tmp", "taken meanwhile");
        ASSERT_EQ(maker.makeThumbnail(file("a.jpg", test::pictureJpeg(40, 30)), 120).state, 1);
        name = maker.cacheFilePath();
        EXPECT_EQ(name, folder + "/thumb2.tmp");
        maker.deleteCacheFile();
        maker.deleteCacheFile();
        ASSERT_EQ(maker.makeThumbnail(dir.path() + "/a.jpg", 120).state, 1);
        EXPECT_TRUE(fs::exists(name));
    } // the destructor deletes it
    EXPECT_FALSE(fs::exists(name));
    EXPECT_EQ(test::readFile(folder + "/thumb0.tmp"), "another program's");
    EXPECT_EQ(test::readFile(folder + "/thumb1.tmp"), "taken meanwhile");
}

// Scenes in which a name the builder chose, but never created or no longer owns, belongs to
// another program: whatever the builder does next, that file stays as it is.
TEST_F(ThumbnailMakerTest, ACacheNameTheBuilderNeverCreatedIsNeverDeleted) {
    const std::string folder = cacheFolder();
    const std::string other = dir.path() + "/other";
    const std::string picture = file("a.jpg", test::pictureJpeg(40, 30));
    {
        ThumbnailMaker maker(folder);
        file("cache/thumb0.tmp", "taken before the first thumbnail");
        maker.deleteCacheFile();
    } // and the destructor
    EXPECT_EQ(test::readFile(folder + "/thumb0.tmp"), "taken before the first thumbnail");
    fs::remove(folder + "/thumb0.tmp");
    {
        ThumbnailMaker maker(folder);
        ASSERT_EQ(maker.makeThumbnail(picture, 120).state, 1);
        maker.deleteCacheFile();
        file("cache/thumb0.tmp", "taken after the builder's was deleted");
        maker.moveCacheFile(other); // nothing of the builder's to move
        EXPECT_FALSE(fs::exists(other + "/thumb0.tmp"));
        fs::create_directories(other);
        test::writeTestFile(other + "/thumb0.tmp", "taken in the new folder");
    }
    EXPECT_EQ(test::readFile(folder + "/thumb0.tmp"), "taken after the builder's was deleted");
    EXPECT_EQ(test::readFile(other + "/thumb0.tmp"), "taken in the new folder");
}

// A symbolic link that points nowhere holds its name: the builder takes the next one, neither
// following the link (which would create its target) nor trying the same name for ever.
TEST_F(ThumbnailMakerTest, DanglingLinkUnderTheFirstCacheNameIsSkipped) {
    const std::string folder = cacheFolder();
    const std::string target = dir.path() + "/nowhere";
    fs::create_symlink(target, folder + "/thumb0.tmp");
    ThumbnailMaker maker(folder);
    ASSERT_EQ(maker.cacheFilePath(), folder + "/thumb1.tmp");
    EXPECT_EQ(maker.makeThumbnail(file("a.jpg", test::pictureJpeg(40, 30)), 120).state, 1);
    EXPECT_TRUE(fs::is_regular_file(folder + "/thumb1.tmp"));
    EXPECT_TRUE(fs::is_symlink(folder + "/thumb0.tmp"));
    EXPECT_FALSE(fs::exists(target));
}

// The cache holds small copies of the user's pictures: only the user may read it, whichever
// way it came to be and whatever the umask allows.
TEST_F(ThumbnailMakerTest, CacheFileIsPrivateHoweverItIsMade) {
    struct UmaskGuard {
        mode_t old = ::umask(0);
        ~UmaskGuard() { ::umask(old); }
    } openUmask;
    auto mode = [](const std::string& path) {
        struct stat st {};
        return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
    };
    const std::string picture = file("a.jpg", test::pictureJpeg(40, 30));
    ThumbnailMaker maker(cacheFolder());
    ASSERT_EQ(maker.makeThumbnail(picture, 120).state, 1);
    EXPECT_EQ(mode(maker.cacheFilePath()), 0600u) << "created";

    fs::remove(maker.cacheFilePath()); // removed behind the builder's back
    ASSERT_EQ(maker.makeThumbnail(picture, 120).state, 1);
    EXPECT_EQ(mode(maker.cacheFilePath()), 0600u) << "made again";

    maker.moveCacheFile(dir.path() + "/moved");
    EXPECT_EQ(mode(maker.cacheFilePath()), 0600u) << "moved";
}

// A write that fails part way (the disk full, a file size limit) is cut off again: the file
// holds exactly the thumbnails stored before, and the next one goes where it would have.
TEST_F(ThumbnailMakerTest, FailedAppendLeavesTheCacheFileAsItWas) {
    ThumbnailMaker maker(cacheFolder());
    const ThumbnailResult first =
        maker.makeThumbnail(file("a.jpg", test::pictureJpeg(64, 48)), 120);
    ASSERT_EQ(first.state, 1);
    const std::string before = test::readFile(maker.cacheFilePath());
    const std::string second = file("b.jpg", test::pictureJpeg(48, 64));
    {
        // Room for ten more bytes: the write stops part way through the second thumbnail.
        struct FileSizeLimit {
            rlimit old{};
            sighandler_t oldHandler = std::signal(SIGXFSZ, SIG_IGN);
            explicit FileSizeLimit(rlim_t bytes) {
                ::getrlimit(RLIMIT_FSIZE, &old);
                rlimit limited = old;
                limited.rlim_cur = bytes;
                ::setrlimit(RLIMIT_FSIZE, &limited);
            }
            ~FileSizeLimit() {
                ::setrlimit(RLIMIT_FSIZE, &old);
                std::signal(SIGXFSZ, oldHandler);
            }
        } limit(before.size() + 10);
        EXPECT_EQ(maker.makeThumbnail(second, 120).state, 0);
    }
    EXPECT_EQ(test::readFile(maker.cacheFilePath()), before);
    const ThumbnailResult again = maker.makeThumbnail(second, 120);
    ASSERT_EQ(again.state, 1);
    EXPECT_EQ(again.cachePos, static_cast<std::int64_t>(before.size()));
    EXPECT_EQ(test::readFile(maker.cacheFilePath()), before + again.jpeg);
}

TEST_F(ThumbnailMakerTest, CacheFileThatCannotBeCreatedIsReportedToTheCaller) {
    const std::string blocker = file("plain-file", "x");
    ThumbnailMaker maker(blocker); // a "folder" that is a file: nothing can be created in it
    const std::string text = file("a.txt", "text");
    EXPECT_THROW(maker.makeThumbnail(text, 120), ThumbnailCacheError);
    // A missing file is decided before the cache file is opened.
    EXPECT_EQ(maker.makeThumbnail(dir.path() + "/missing.jpg", 120).state, 0);
}

TEST_F(ThumbnailMakerTest, MovingBeforeTheFirstThumbnailCreatesNoFile) {
    ThumbnailMaker maker(cacheFolder());
    const std::string target = dir.path() + "/other";
    maker.moveCacheFile(target);
    EXPECT_EQ(maker.cacheFilePath(), target + "/thumb0.tmp");
    EXPECT_TRUE(fs::is_directory(target));
    EXPECT_FALSE(fs::exists(maker.cacheFilePath()));
}

TEST_F(ThumbnailMakerTest, HostileOrBrokenPicturesAreNonImageWithoutCrashing) {
    const std::string good = test::pictureJpeg(320, 240);
    const std::string thumb = test::pictureJpeg(160, 120);
    std::string corrupt = good;
    for (std::size_t i = corrupt.size() / 2; i < corrupt.size() - 2; i += 7)
        corrupt[i] = static_cast<char>(0xFF);
    std::string brokenThumb = thumb.substr(0, thumb.size() / 2);
    const std::pair<const char*, std::string> cases[] = {
        {"empty.jpg", ""},
        {"text.jpg", "just text"},
        {"half.jpg", good.substr(0, good.size() / 2)},
        {"head-only.jpg", good.substr(0, 700)},
        {"corrupt.jpg", corrupt},
        {"claims-50000.jpg", test::withClaimedSize(test::pictureJpeg(16, 16), 50000, 50000)},
        {"claims-16000.jpg", test::withClaimedSize(test::pictureJpeg(16, 16), 16000, 16000)},
        {"scans-127.jpg", test::progressiveJpeg(64, 64, 127)},
        // An embedded thumbnail that can't be decoded: the (good) whole picture is not tried.
        {"broken-exif-thumbnail.jpg", test::withApp1(good, {test::exifWithThumbnail(brokenThumb)})},
        {"picture.wmf", good},
        {"picture.emf", good},
    };
    ThumbnailMaker maker(cacheFolder());
    for (const auto& [name, bytes] : cases) {
        ThumbnailResult r = maker.makeThumbnail(file(name, bytes), 120);
        EXPECT_EQ(r.state, 0) << name;
    }
    // A named pipe under a picture's name would block a plain open for ever.
    for (const char* name : {"pipe.jpg"}) {
        const std::string pipe = cacheFolder() + "/" + name;
        ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0) << name;
        EXPECT_EQ(maker.makeThumbnail(pipe, 120).state, 0) << name;
    }
    EXPECT_EQ(fs::file_size(maker.cacheFilePath()), 0u);
    // Within the limits a progressive file is fine.
    EXPECT_EQ(
        maker.makeThumbnail(file("scans-64.jpg", test::progressiveJpeg(64, 64, 64)), 120).state, 1);
}

TEST(ThumbnailFormats, RegisteredExtensionsGetADotAndLowerCase) {
    TempFolder dir;
    ThumbnailMaker maker(dir.path());
    EXPECT_FALSE(maker.hasFormat(".png"));
    maker.registerFormat("PnG", readJpegPicture);
    EXPECT_TRUE(maker.hasFormat(".png"));
    EXPECT_TRUE(maker.hasFormat("png"));
    // A JPEG named .png is now read as one.
    test::writeTestFile(dir.path() + "/x.PNG", test::pictureJpeg(20, 10));
    EXPECT_EQ(maker.makeThumbnail(dir.path() + "/x.PNG", 40).width, 40);
}

TEST(ThumbnailProbe, WritesEachThumbnailAndSaysWhereItCameFrom) {
    TempFolder dir;
    const std::string jpg = dir.path() + "/a.jpg";
    const std::string txt = dir.path() + "/b.txt";
    test::writeTestFile(jpg,
                        test::withApp1(test::pictureJpeg(800, 600),
                                       {test::exifWithThumbnail(test::pictureJpeg(160, 120))}));
    test::writeTestFile(txt, "text");
    std::string command = std::string("'") + PIXBAKO_PROBE_PATH + "' --thumbnail 100 '" +
                          dir.path() + "' '" + jpg + "' '" + txt + "'";
    FILE* pipe = ::popen(command.c_str(), "r");
    ASSERT_TRUE(pipe);
    std::string output;
    char buffer[4096];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        output.append(buffer, n);
    EXPECT_EQ(::pclose(pipe), 0);
    const std::string out = dir.path() + "/1-a.jpg.jpg";
    EXPECT_EQ(output, jpg + "\t" + out + "\t100\t75\texif\n" + txt + "\tNon Image\n");
    auto picture = decodeJpeg(test::readFile(out), 0);
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->width, 100);
    // The probe's cache file is gone.
    EXPECT_FALSE(fs::exists(dir.path() + "/thumb0.tmp"));
}

} // namespace
} // namespace pixbako
