// Previews of RAW files: which embedded JPEGs are found in each container, which one a
// thumbnail is made from, hostile files, and the sample files of real cameras.
#include "engine/thumbnail/RawPreview.h"
#include "engine/thumbnail/RawTestFiles.h"
#include "engine/thumbnail/ThumbnailMaker.h"
#include "engine/thumbnail/ThumbnailTestPictures.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

namespace pixbako {
namespace {

using Size = std::pair<int, int>;

struct Container {
    const char* name;
    std::string bytes;
    std::vector<Size> previews; // sorted
};

std::vector<Container> containers() {
    const std::string small = test::pictureJpeg(160, 120);
    const std::string large = test::pictureJpeg(640, 480);
    return {
        {"TIFF little-endian", test::tiffRaw(false, small, large), {{160, 120}, {640, 480}}},
        {"TIFF big-endian", test::tiffRaw(true, small, large), {{160, 120}, {640, 480}}},
        {"RW2 tag 0x2E", test::rw2Raw(large), {{640, 480}}},
        {"RAF with the preview's EXIF thumbnail",
         test::rafRaw(test::withApp1(large, {test::exifWithThumbnail(small)})),
         {{160, 120}, {640, 480}}},
        {"CR3", test::cr3Raw(small, large), {{160, 120}, {640, 480}}},
    };
}

std::vector<Size> sizesOf(const std::vector<PreviewJpeg>& previews) {
    std::vector<Size> sizes;
    for (const auto& p : previews)
        sizes.emplace_back(p.width, p.height);
    std::sort(sizes.begin(), sizes.end());
    return sizes;
}

TEST(RawPreviewTest, EveryContainerYieldsItsPreviewsAndNeverTheRawData) {
    for (const Container& c : containers()) {
        SCOPED_TRACE(c.name);
        MemoryAccess file(c.bytes);
        EXPECT_EQ(sizesOf(findRawPreviews(file)), c.previews);
    }
}

TEST(RawPreviewTest, ThumbnailComesFromTheSmallestPreviewThatIsLargeEnough) {
    const struct {
        int thumbnailSize;
        int expectedWidth; // of the TIFF file's previews 160 x 120 and 640 x 480
    } cases[] = {{120, 160}, {160, 160}, {161, 640}, {640, 640}, {2000, 640}};
    for (const Container& c : containers()) {
        MemoryAccess file(c.bytes);
        for (const auto& k : cases) {
            SCOPED_TRACE(std::string(c.name) + " at " + std::to_string(k.thumbnailSize));
            auto picture = decodeRawPreview(file, k.thumbnailSize);
            ASSERT_TRUE(picture);
            const int expected = c.previews.size() == 1 ? 640 : k.expectedWidth;
            EXPECT_EQ(picture->width, expected);
            EXPECT_GE(std::max(picture->pixels.width, picture->pixels.height),
                      std::min(k.thumbnailSize, expected));
        }
    }
}

TEST(RawPreviewTest, PreviewThatFailsToDecodeGivesWayToTheNextOne) {
    std::string small = test::pictureJpeg(160, 120);
    std::string broken = test::pictureJpeg(640, 480);
    broken.resize(broken.size() / 2); // the header is intact, the scan ends early
    MemoryAccess file(test::tiffRaw(false, small, broken));
    auto picture = decodeRawPreview(file, 300);
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->width, 160);
}

// A file naming a thousand broken previews, each reaching to the end of the file, made every one
// of them a read and a failed decode of megabytes: a thumbnail took minutes. Only a few are
// tried now.
TEST(RawPreviewTest, ThousandsOfBrokenPreviewsCostOnlyAFewReads) {
    class CountingAccess final : public RandomAccess {
    public:
        explicit CountingAccess(std::string bytes) : file_(std::move(bytes)) {}
        std::uint64_t size() const override { return file_.size(); }
        std::optional<std::string> read(std::uint64_t pos, std::size_t n) const override {
            bytesRead += n;
            return file_.read(pos, n);
        }
        mutable std::uint64_t bytesRead = 0;

    private:
        MemoryAccess file_;
    };
    std::string broken = test::pictureJpeg(64, 64);
    broken.resize(broken.size() * 6 / 10);
    constexpr std::uint32_t kEntries = 1024;
    auto le = [](std::uint32_t value, int bytes) {
        std::string out;
        for (int i = 0; i < bytes; ++i)
            out += static_cast<char>(value >> (8 * i) & 0xFF);
        return out;
    };
    const std::uint32_t data = 8 + 2 + kEntries * 12 + 4;
    std::string file = "II" + le(42, 2) + le(8, 4) + le(kEntries, 2);
    for (std::uint32_t e = 0; e < kEntries; ++e) // tag 0x2E: a whole JPEG, "to the end"
        file += le(0x2E, 2) + le(7, 2) + le(0xFFFFFFFF, 4) +
                le(data + e * static_cast<std::uint32_t>(broken.size()), 4);
    file += le(0, 4);
    for (std::uint32_t e = 0; e < kEntries; ++e)
        file += broken;
    file.resize(4 * 1024 * 1024);
    CountingAccess access(file);
    EXPECT_FALSE(decodeRawPreview(access, 120));
    EXPECT_LT(access.bytesRead, 4 * access.size());
}

// Cut anywhere and bytes overwritten anywhere: no crash, no read past the end (ASan), and a
// picture only of a size that the file really holds.
TEST(RawPreviewTest, HostileVariantsNeverCrashAndNeverInventAPicture) {
    const std::uint32_t garbage[] = {0, 0xFFFFFFFF, 0x7FFFFFF0, 0x00010000, 0x0000FFFF, 13};
    for (const Container& c : containers()) {
        SCOPED_TRACE(c.name);
        auto check = [&](std::string bytes) {
            MemoryAccess file(std::move(bytes));
            for (const auto& p : findRawPreviews(file))
                EXPECT_LE(p.offset + p.length, file.size());
            if (auto picture = decodeRawPreview(file, 120)) {
                Size size{picture->width, picture->height};
                EXPECT_TRUE(std::count(c.previews.begin(), c.previews.end(), size));
            }
        };
        const std::size_t step = std::max<std::size_t>(1, c.bytes.size() / 150);
        for (std::size_t cut = 0; cut < c.bytes.size(); cut += step)
            check(c.bytes.substr(0, cut));
        // The headers and directories lie in the first bytes; every field there gets each value.
        for (std::size_t pos = 0; pos + 4 <= std::min<std::size_t>(c.bytes.size(), 260); pos += 2)
            for (std::uint32_t value : garbage) {
                std::string bytes = c.bytes;
                for (int i = 0; i < 4; ++i)
                    bytes[pos + i] = static_cast<char>(value >> (8 * i));
                check(bytes);
            }
    }
}

TEST(RawPreviewTest, TruncatedInsideTheOnlyPreviewIsNonImage) {
    const std::string raw = test::rw2Raw(test::pictureJpeg(640, 480));
    for (std::size_t cut : {raw.size() / 3, raw.size() / 2, raw.size() - 200}) {
        MemoryAccess file(raw.substr(0, cut));
        EXPECT_FALSE(decodeRawPreview(file, 120)) << cut;
    }
}

// The sample files of real cameras are stripped of their pictures: only the RAF keeps one (the
// 160 x 120 EXIF thumbnail of its preview, a building's facade); the others hold placeholders
// of a few bytes or pixels.
TEST(RawPreviewTest, SampleFilesOfRealCameras) {
    const struct {
        const char* file;
        int width; // 0: "Non Image"
        int height;
    } samples[] = {{"FujiFilm.raf", 120, 90}, {"CanonRaw.cr2", 0, 0}, {"CanonRaw.cr3", 0, 0},
                   {"DNG.dng", 0, 0},         {"Nikon.nef", 0, 0},    {"Panasonic.rw2", 0, 0},
                   {"PhaseOne.iiq", 0, 0}};
    TempFolder dir;
    ThumbnailMaker maker(dir.path());
    for (bool all : {false, true}) {
        maker.setAllFormats(all);
        for (const auto& s : samples) {
            SCOPED_TRACE(std::string(s.file) + (all ? " with all formats" : ""));
            ThumbnailResult r =
                maker.makeThumbnail(std::string(PIXBAKO_SAMPLES_DIR) + "/" + s.file, 120);
            EXPECT_EQ(r.state, all && s.width ? 1 : 0);
            if (r.state == 1) {
                EXPECT_EQ(r.width, s.width);
                EXPECT_EQ(r.height, s.height);
            }
        }
    }
}

} // namespace
} // namespace pixbako
