// The JPEG marker walk that collects APP1 payloads.
#include "engine/shotdate/ShotDate.h"
#include "support/JpegBuilder.h"

#include <cstring>
#include <gtest/gtest.h>

namespace pixbako {
namespace {

using namespace std::string_literals;
using test::segment;

const std::string kSoi = "\xFF\xD8";
const std::string kSos = test::segment(0xDA, "\x01\x01\x00\x00\x3F\x00"s);
const std::string kEoi = "\xFF\xD9";

App1Data walk(std::string_view bytes) {
    MemorySource source(bytes);
    return collectApp1Data(source);
}

TEST(App1Walk, CollectsAndStopsAsTheMarkersSay) {
    struct Case {
        const char* name;
        std::string bytes;
        std::string collected;
        bool reachedScan;
    };
    const std::string a = segment(0xE1, "AAAA");
    const std::string b = segment(0xE1, "BB");
    const Case cases[] = {
        {"one APP1", kSoi + a + kSos + "scan" + kEoi, "AAAA", true},
        {"every APP1 in file order", kSoi + a + segment(0xE0, "x") + b + kSos, "AAAABB", true},
        {"nothing after the scan", kSoi + a + kSos + b, "AAAA", true},
        {"no APP1 at all", kSoi + segment(0xDB, "qt") + kSos, "", true},
        {"empty input", "", "", false},
        {"one byte", "\xFF", "", false},
        {"only SOI", kSoi, "", false},
        {"PNG signature", "\x89PNG\r\n\x1A\n", "", false},
        {"SOI not first", "\xFF\xE1" + kSoi + kSos, "", false},
        {"ends before the scan", kSoi + a + segment(0xDB, "qt"), "AAAA", false},
        {"fill bytes before a code", kSoi + "\xFF\xFF\xFF" + a + "\xFF\xFF" + kSos, "AAAA", true},
        {"file ends in fill bytes", kSoi + a + "\xFF\xFF\xFF", "AAAA", false},
        {"no 0xFF where a marker belongs", kSoi + a + "\x00"s + kSos, "AAAA", false},
        {"markers without length", kSoi + "\xFF\x01\xFF\xD0\xFF\xD7" + a + kSos, "AAAA", true},
        {"other segment of length 1", kSoi + "\xFF\xDB\x00\x01"s + a + kSos, "", false},
        {"other segment of length 0", kSoi + "\xFF\xC4\x00\x00"s + kSos, "", false},
        {"other segment of length 2", kSoi + "\xFF\xC4\x00\x02"s + a + kSos, "AAAA", true},
        {"APP1 of length 2 ends the walk", kSoi + "\xFF\xE1\x00\x02"s + a + kSos, "", false},
        {"APP1 of length 1", kSoi + "\xFF\xE1\x00\x01"s + kSos, "", false},
        {"APP1 length cut short", kSoi + "\xFF\xE1\x00"s, "", false},
        {"other length cut short", kSoi + a + "\xFF\xDB\x01", "AAAA", false},
        {"skip past the end", kSoi + a + "\xFF\xE2\xFF\xFF" + "short", "AAAA", false},
        {"second SOI needs a length", kSoi + a + kSoi + kSos, "AAAA", false},
        {"EOI needs a length too", kSoi + a + kEoi, "AAAA", false},
    };
    for (const auto& c : cases) {
        App1Data result = walk(c.bytes);
        EXPECT_EQ(result.collected, c.collected) << c.name;
        EXPECT_EQ(result.reachedScan, c.reachedScan) << c.name;
    }
}

TEST(App1Walk, App1RunningPastTheEndIsAReadError) {
    const std::string cuts[] = {
        kSoi + "\xFF\xE1\x00\x10"s + "only part",
        kSoi + "\xFF\xE1\x00\x03"s,
        kSoi + segment(0xE1, "AAAA") + "\xFF\xE1\xFF\xFF" + std::string(40000, 'x'),
    };
    for (const auto& bytes : cuts) {
        try {
            walk(bytes);
            ADD_FAILURE() << "no error for " << bytes.size() << " bytes";
        } catch (const ShotDateError& e) {
            EXPECT_EQ(e.kind(), ShotDateError::Kind::ReadError);
            EXPECT_STREQ(e.what(), "ストリームからの読み込みエラー");
        }
    }
}

TEST(App1Walk, CollectedDataStopAtTheCapButTheWalkGoesOn) {
    std::string big(65533, 'e');
    std::string bytes = kSoi;
    std::size_t segments = kMaxCollectedApp1Bytes / big.size() + 2;
    for (std::size_t i = 0; i < segments; ++i)
        bytes += segment(0xE1, big);
    App1Data result = walk(bytes + kSos);
    EXPECT_EQ(result.collected.size(), kMaxCollectedApp1Bytes);
    EXPECT_TRUE(result.reachedScan);

    // A segment beyond the cap that is cut short is still a read error.
    EXPECT_THROW(walk(bytes + "\xFF\xE1\x01\x00"s + "cut"), ShotDateError);
}

// Bytes made of a head, a unit repeated many times and a tail, produced as they are read: tens
// of MiB of padding without holding them in memory.
class RepeatSource final : public ByteSource {
public:
    RepeatSource(std::string head, std::string unit, std::uint64_t repeats, std::string tail)
        : head_(std::move(head)), unit_(std::move(unit)), tail_(std::move(tail)),
          bodyEnd_(head_.size() + unit_.size() * repeats) {}
    std::size_t read(std::uint8_t* dst, std::size_t n) override {
        std::size_t done = 0;
        while (done < n) {
            std::string_view part = at(pos_);
            if (part.empty())
                break;
            std::size_t count = std::min(n - done, part.size());
            std::memcpy(dst + done, part.data(), count);
            done += count;
            pos_ += count;
        }
        return done;
    }
    void skip(std::uint64_t n) override { pos_ += n; }

private:
    // The rest of the piece that position p lies in.
    std::string_view at(std::uint64_t p) const {
        if (p < head_.size())
            return std::string_view(head_).substr(p);
        if (p < bodyEnd_)
            return std::string_view(unit_).substr((p - head_.size()) % unit_.size());
        if (p - bodyEnd_ < tail_.size())
            return std::string_view(tail_).substr(p - bodyEnd_);
        return {};
    }
    std::string head_, unit_, tail_;
    std::uint64_t bodyEnd_;
    std::uint64_t pos_ = 0;
};

// A crafted file of endless padding or chained segments before its scan was walked to its end,
// gigabytes with no way to stop: the walk gives up after its limit, as if the file ended. A
// small limit here keeps the byte-by-byte fill cases short; the file test below uses the real
// one.
TEST(App1Walk, GivesUpAfterTheWalkLimitWithoutAScan) {
    const std::uint64_t limit = 1 << 20;
    const std::string exif = segment(0xE1, "AAAA");
    const std::string padding = segment(0xE2, std::string(65533, 'p'));
    const std::uint64_t below = limit / padding.size() - 1;
    const std::string fill(4096, '\xFF');
    struct Case {
        const char* name;
        RepeatSource source;
        bool reachedScan;
    };
    Case cases[] = {
        {"chained segments below the limit", {kSoi, padding, below, exif + kSos}, true},
        {"chained segments beyond the limit", {kSoi, padding, below + 2, exif + kSos}, false},
        {"fill bytes below the limit",
         {kSoi + exif, fill, limit / fill.size() - 1, kSos.substr(1)},
         true},
        {"fill bytes beyond the limit",
         {kSoi + exif, fill, limit / fill.size() + 1, kSos.substr(1)},
         false},
    };
    for (auto& c : cases) {
        App1Data result = collectApp1Data(c.source, limit);
        EXPECT_EQ(result.reachedScan, c.reachedScan) << c.name;
    }
}

// Counts what the walk asks of its source, to show that image data are not read.
class CountingSource final : public ByteSource {
public:
    explicit CountingSource(std::string_view bytes) : inner_(bytes) {}
    std::size_t read(std::uint8_t* dst, std::size_t n) override {
        std::size_t count = inner_.read(dst, n);
        bytesRead += count;
        return count;
    }
    void skip(std::uint64_t n) override { inner_.skip(n); }
    std::size_t bytesRead = 0;

private:
    MemorySource inner_;
};

TEST(App1Walk, ReadsNoFurtherThanOneBlockPastTheScan) {
    // 2 MiB of scan data after 240 KiB of other segments: the walk reads at most one block
    // beyond the start of scan, whatever it skipped before.
    const std::string other = segment(0xE2, std::string(60000, 'm'));
    const std::string headers = kSoi + segment(0xE1, "AAAA") + other + other + other + other;
    const std::string bytes = headers + kSos + std::string(2 << 20, 's');
    CountingSource source(bytes);
    App1Data result = collectApp1Data(source);
    EXPECT_TRUE(result.reachedScan);
    EXPECT_LE(source.bytesRead, headers.size() + kMarkerBufferBytes);
}

TEST(ShotDateOfBytes, TruncatedAtEveryLengthGivesExifNothingOrReadError) {
    const TDateTime now = *encodeDate(2026, 7, 15);
    const std::string good = test::cameraJpeg("2004:05:06 12:34:56");
    const std::size_t app1Payload = good.find("Exif");
    const std::size_t app1End =
        app1Payload + test::exifPayload(test::dateExif("2004:05:06 12:34:56")).size();
    const std::size_t scanCode = good.find("\xFF\xDA") + 2;
    const std::int64_t expected = toMilliseconds(*encodeDateTime(2004, 5, 6, 12, 34, 56));
    for (std::size_t n = 0; n <= good.size(); ++n) {
        MemorySource source(std::string_view(good).substr(0, n));
        if (n >= app1Payload && n < app1End) {
            EXPECT_THROW(exifShotDate(source, now), ShotDateError) << n;
            continue;
        }
        auto date = exifShotDate(source, now);
        EXPECT_EQ(date.has_value(), n >= scanCode) << n;
        if (date) {
            EXPECT_EQ(toMilliseconds(*date), expected) << n;
        }
    }
}

// The date text went into the reading and into the error message as raw bytes: a CP932 text
// gave a message that is not UTF-8 and a PM text that never matched.
TEST(ShotDateOfBytes, Cp932DateTextWasNotReadAsProgramText) {
    const TDateTime now = *encodeDate(2026, 7, 15);
    const std::string pm = "2004:05:06 1:02:03 \x8C\xDF\x8C\xE3"; // 午後
    const std::string jpeg = test::cameraJpeg(pm);
    MemorySource source(jpeg);
    auto date = exifShotDate(source, now);
    ASSERT_TRUE(date);
    EXPECT_EQ(toMilliseconds(*date), toMilliseconds(*encodeDateTime(2004, 5, 6, 13, 2, 3)));

    const std::string notADate = test::cameraJpeg("\x82\x51\x82\x4F\x94\x4E"); // ２０年
    MemorySource bad(notADate);
    try {
        exifShotDate(bad, now);
        ADD_FAILURE() << "no error";
    } catch (const ShotDateError& e) {
        EXPECT_EQ(e.kind(), ShotDateError::Kind::NotADate);
        EXPECT_STREQ(e.what(), "'２０年' は日付または時刻ではありません");
    }
}

} // namespace
} // namespace pixbako
