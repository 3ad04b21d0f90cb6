// The thumbnail builder on real files, where it adds Qt to the thumbnail maker: bitmaps through
// Qt's reader, thumbnails read back as QImage, the cache folder given as QString.
#include "components/ThumbnailBuilder.h"
#include "components/ThumbnailTestSupport.h"
#include "engine/thumbnail/JpegCodec.h"
#include "engine/thumbnail/ThumbnailGeometry.h"
#include "support/JpegBuilder.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

namespace pixbako {
namespace {

namespace fs = std::filesystem;

class ThumbnailBuilderTest : public ::testing::Test {
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

// The builder adds Qt's bitmap reader to the table.
TEST_F(ThumbnailBuilderTest, TakesBitmapThumbnailsFromTheWholePictureAtTheRightSize) {
    struct Case {
        std::string name;
        std::string bytes;
        ThumbnailOrigin origin;
        PictureSize size;
    };
    const Case cases[] = {
        {"small.bmp", test::bitmap(60, 40), ThumbnailOrigin::WholePicture, {120, 80}},
        {"small.dib", test::bitmap(40, 60), ThumbnailOrigin::WholePicture, {80, 120}},
    };
    ThumbnailBuilder builder(QString::fromStdString(cacheFolder()));
    for (const Case& c : cases) {
        ThumbnailResult r = builder.makeThumbnail(file(c.name, c.bytes), 120);
        EXPECT_EQ(r.state, 1) << c.name;
        EXPECT_EQ(r.origin, c.origin) << c.name;
        EXPECT_EQ((PictureSize{r.width, r.height}), c.size) << c.name;
        EXPECT_EQ(sizeOf(r.jpeg), c.size) << c.name;
    }
}

TEST_F(ThumbnailBuilderTest, CacheFileHoldsTheJpegsBackToBackAtTheirOffsets) {
    const std::string folder = cacheFolder();
    ThumbnailBuilder builder(QString::fromStdString(folder));
    EXPECT_EQ(builder.cacheFilePath(), folder + "/thumb0.tmp");
    EXPECT_FALSE(fs::exists(builder.cacheFilePath())); // nothing stored yet

    std::vector<std::string> paths = {file("a.jpg", test::pictureJpeg(300, 200)),
                                      file("b.txt", "text"),
                                      file("c.bmp", test::bitmap(50, 50)),
                                      file("d.jpg", "not a picture"),
                                      dir.path() + "/missing.jpg",
                                      file("e.jpg", test::pictureJpeg(90, 120))};
    std::string expected;
    std::vector<ThumbnailResult> results;
    for (const auto& p : paths) {
        results.push_back(builder.makeThumbnail(p, 100));
        expected += results.back().jpeg;
    }
    const int states[] = {1, 0, 1, 0, 0, 1};
    for (std::size_t i = 0; i < results.size(); ++i)
        EXPECT_EQ(results[i].state, states[i]) << paths[i];
    EXPECT_EQ(results[0].cachePos, 0);
    EXPECT_EQ(results[2].cachePos, static_cast<std::int64_t>(results[0].jpeg.size()));
    EXPECT_EQ(results[5].cachePos,
              static_cast<std::int64_t>(results[0].jpeg.size() + results[2].jpeg.size()));
    EXPECT_EQ(test::readFile(builder.cacheFilePath()), expected);

    QImage third = builder.read(results[5].cachePos);
    EXPECT_EQ(third.size(), QSize(75, 100));
    QImage bmp = builder.read(results[2].cachePos);
    ASSERT_EQ(bmp.size(), QSize(100, 100));
    EXPECT_NEAR(qGreen(bmp.pixel(50, 50)), 200, 6);
    EXPECT_TRUE(builder.read(7).isNull()); // no JPEG starts there
}

TEST_F(ThumbnailBuilderTest, PrefetchingChangesNeitherResultsNorCacheBytes) {
    std::vector<std::string> paths;
    for (int i = 0; i < 40; ++i) {
        std::string name = "p" + std::to_string(i);
        if (i % 7 == 3)
            paths.push_back(file(name + ".jpg", "broken"));
        else if (i % 11 == 5)
            paths.push_back(dir.path() + "/missing" + name + ".jpg");
        else if (i % 5 == 1)
            paths.push_back(file(name + ".bmp", test::bitmap(30 + i, 20)));
        else
            paths.push_back(file(name + ".jpg", test::pictureJpeg(100 + i, 80)));
    }
    const std::string other = file("other.jpg", test::pictureJpeg(50, 50));

    auto run = [&](bool prefetch, int prefetchSize) {
        const std::string folder = dir.path() + (prefetch ? "/ahead" : "/plain");
        fs::create_directories(folder);
        ThumbnailBuilder builder(QString::fromStdString(folder));
        if (prefetch)
            builder.prefetch(paths, prefetchSize);
        std::vector<ThumbnailResult> results;
        for (std::size_t i = 0; i < paths.size(); ++i) {
            results.push_back(builder.makeThumbnail(paths[i], 64));
            if (i == 10)
                results.push_back(builder.makeThumbnail(other, 64)); // not in the list
        }
        return std::make_pair(results, test::readFile(builder.cacheFilePath()));
    };
    auto [plain, plainBytes] = run(false, 0);
    for (int size : {64, 32}) {
        auto [ahead, aheadBytes] = run(true, size);
        ASSERT_EQ(ahead.size(), plain.size());
        for (std::size_t i = 0; i < plain.size(); ++i) {
            EXPECT_EQ(ahead[i].state, plain[i].state) << i;
            EXPECT_EQ(ahead[i].cachePos, plain[i].cachePos) << i;
            EXPECT_EQ(ahead[i].origin, plain[i].origin) << i;
            EXPECT_EQ(ahead[i].jpeg, plain[i].jpeg) << i;
        }
        EXPECT_EQ(aheadBytes, plainBytes) << "prefetched at " << size;
    }
}

TEST_F(ThumbnailBuilderTest, MovingTheCacheKeepsOffsetsAndRefusesFoldersThatCantBeMade) {
    ThumbnailBuilder builder(QString::fromStdString(cacheFolder()));
    ThumbnailResult a = builder.makeThumbnail(file("a.jpg", test::pictureJpeg(64, 48)), 120);
    ThumbnailResult b = builder.makeThumbnail(file("b.jpg", test::pictureJpeg(48, 64)), 120);
    const std::string old = builder.cacheFilePath();
    const std::string content = test::readFile(old);

    const std::string target = dir.path() + "/new/deeper";
    builder.setCacheFolder(QString::fromStdString(target));
    EXPECT_EQ(builder.cacheFolder(), target);
    EXPECT_EQ(builder.cacheFilePath(), target + "/thumb0.tmp");
    EXPECT_FALSE(fs::exists(old));
    EXPECT_EQ(test::readFile(builder.cacheFilePath()), content);
    EXPECT_EQ(builder.read(b.cachePos).size(), QSize(90, 120));
    EXPECT_EQ(builder.read(a.cachePos).size(), QSize(120, 90));

    // The same folder in other letters: nothing happens.
    builder.setCacheFolder(QString::fromStdString(dir.path() + "/NEW/deeper"));
    EXPECT_EQ(builder.cacheFolder(), target);

    const std::string impossible = file("blocker", "x") + "/sub";
    try {
        builder.setCacheFolder(QString::fromStdString(impossible));
        ADD_FAILURE() << "no error";
    } catch (const ThumbnailCacheError& e) {
        EXPECT_EQ(std::string(e.what()), "フォルダを作成できません: " + impossible);
    }
    EXPECT_EQ(builder.cacheFolder(), target);
    EXPECT_EQ(builder.cacheFilePath(), target + "/thumb0.tmp");
}

TEST_F(ThumbnailBuilderTest, HostileOrBrokenBitmapsAreNonImageWithoutCrashing) {
    const std::pair<const char*, std::string> cases[] = {
        {"claims-50000.bmp",
         test::bitmap(8, 8).replace(18, 8, std::string("\x50\xC3\0\0\x50\xC3\0\0", 8))},
    };
    ThumbnailBuilder builder(QString::fromStdString(cacheFolder()));
    for (const auto& [name, bytes] : cases) {
        ThumbnailResult r = builder.makeThumbnail(file(name, bytes), 120);
        EXPECT_EQ(r.state, 0) << name;
    }
    // A named pipe under a picture's name would block a plain open for ever.
    for (const char* name : {"pipe.bmp"}) {
        const std::string pipe = cacheFolder() + "/" + name;
        ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0) << name;
        EXPECT_EQ(builder.makeThumbnail(pipe, 120).state, 0) << name;
    }
    EXPECT_EQ(fs::file_size(builder.cacheFilePath()), 0u);
}

} // namespace
} // namespace pixbako
