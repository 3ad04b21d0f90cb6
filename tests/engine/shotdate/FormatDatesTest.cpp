// Shot dates of RAW pictures, HEIF pictures and movies: real camera files against the dates
// listed beside them, the extension table, the date text forms, and hostile variants.
#include "engine/shotdate/FormatDates.h"
#include "platform/FileTime.h"
#include "support/JpegBuilder.h"
#include "support/TestFiles.h"

#include <ctime>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace pixbako {
namespace {

const std::string kSamples = PIXBAKO_SAMPLES_DIR;

TDateTime fixedNow() {
    return *encodeDateTime(2026, 7, 15, 9, 0, 0);
}

std::string fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

std::string shown(const LocalDateTime& d) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d:%02d:%02d %02d:%02d:%02d", d.year, d.month, d.day,
                  d.hour, d.minute, d.second);
    return text;
}

struct SampleRow {
    std::string file, date, kind;
};

std::vector<SampleRow> sampleTable() {
    std::ifstream in(kSamples + "/DATES.tsv");
    std::vector<SampleRow> rows;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream fields(line);
        SampleRow row;
        std::getline(fields, row.file, '\t');
        std::getline(fields, row.date, '\t');
        std::getline(fields, row.kind, '\t');
        rows.push_back(row);
    }
    return rows;
}

// The listed date, read the way its kind says, as the local time of the current time zone.
std::string expectedDate(const SampleRow& row, const std::string& path) {
    if (row.kind == "none")
        return shown(*dosLocalDateTime(*lastWriteTime(path)));
    // This camera's IDIT text states seconds ("2009/10/27 12:14:34"); the table, made by a
    // tool that reads only hours and minutes of that form, lists 12:14:00.
    if (row.file == "Pentax.avi")
        return "2009:10:27 12:14:34";
    if (row.kind == "local")
        return row.date;
    std::tm utc{};
    std::istringstream(row.date) >> std::get_time(&utc, "%Y:%m:%d %H:%M:%S");
    return shown(localDateTimeOf(*localDateTime({static_cast<std::int64_t>(timegm(&utc)), 0})));
}

// A time zone far from UTC with a summer time, so that a UTC date left unconverted, or
// converted with the wrong offset, shows.
TEST(FormatDates, EverySampleGivesItsListedDateOnlyWithTheOption) {
    ScopedTimeZone zone("EST5EDT,M3.2.0,M11.1.0");
    const auto rows = sampleTable();
    ASSERT_EQ(rows.size(), 15u);
    for (const SampleRow& row : rows) {
        SCOPED_TRACE(row.file);
        const std::string path = kSamples + "/" + row.file;
        const ShotDate on = readShotDate(path, fixedNow(), {}, true);
        EXPECT_EQ(shown(on.value), expectedDate(row, path));
        EXPECT_EQ(on.source == ShotDateSource::FileTime, row.kind == "none");
        EXPECT_EQ(on.fromExif, row.kind != "none");
        // Without the option none of these files is read: each keeps its file time.
        const ShotDate off = readShotDate(path, fixedNow(), {}, false);
        EXPECT_EQ(off.source, ShotDateSource::FileTime);
        EXPECT_EQ(shown(off.value), shown(*dosLocalDateTime(*lastWriteTime(path))));
    }
}

TEST(FormatDates, ExtensionsGoToTheirReadersInAnyCase) {
    const struct {
        const char* name;
        DateReader reader;
        ShotDateSource source;
    } cases[] = {
        {"a/IMG_1.CR2", DateReader::Tiff, ShotDateSource::Raw},
        {"x.orf", DateReader::Tiff, ShotDateSource::Raw},
        {"scan.Tiff", DateReader::Tiff, ShotDateSource::Exif},
        {"m.mrw", DateReader::Mrw, ShotDateSource::Raw},
        {"f.RaF", DateReader::Raf, ShotDateSource::Raw},
        {"c.cr3", DateReader::Cr3, ShotDateSource::Raw},
        {"p.HEIC", DateReader::Heif, ShotDateSource::Heif},
        {"p.avif", DateReader::Heif, ShotDateSource::Heif},
        {"v.mp4", DateReader::QuickTime, ShotDateSource::Movie},
        {"v.3gp", DateReader::QuickTime, ShotDateSource::Movie},
        {"v.AVI", DateReader::Avi, ShotDateSource::Movie},
        {"o.crw", DateReader::Crw, ShotDateSource::Raw},
        {"s.x3f", DateReader::X3f, ShotDateSource::Raw},
        {"j.JPG", DateReader::Jpeg, ShotDateSource::Exif},
        {"no-extension", DateReader::Jpeg, ShotDateSource::Exif},
        {"dir.cr2/file", DateReader::Jpeg, ShotDateSource::Exif},
        {"x.cr22", DateReader::Jpeg, ShotDateSource::Exif},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const FileFormat format = fileFormatOf(c.name);
        EXPECT_EQ(format.reader, c.reader);
        EXPECT_EQ(format.source, c.source);
    }
}

TEST(FormatDates, DateTextFormsGiveTheWallClockTheyState) {
    const struct {
        const char* text;
        const char* date; // "" for no date
    } cases[] = {
        {"2003:03:10 15:04:43", "2003:03:10 15:04:43"},
        {"2009/10/27 12:14:34\n", "2009:10:27 12:14:34"},
        {"2005-08-11T14:03:54+0200", "2005:08:11 14:03:54"},
        {"2005-08-11T14:03-05:00", "2005:08:11 14:03:00"},
        {"Mon Mar 10 15:04:43 2003\n", "2003:03:10 15:04:43"},
        {"  2004:06:09", "2004:06:09 00:00:00"},
        {"0000:00:00 00:00:00", ""},
        {"2004:13:01 10:00:00", ""},
        {"2004:02:30 10:00:00", ""},
        {"2004:06:09 25:00:00", ""},
        {"Mon Foo 10 15:04:43 2003", ""},
        {"Mon", ""},
        {"Mon    ", ""},
        {"", ""},
        {"12:30", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        auto date = cameraDateText(c.text);
        EXPECT_EQ(date ? shown(*date) : "", c.date);
    }
    EXPECT_EQ(shown(*wallClockOfSeconds(978309395)), "2001:01:01 00:36:35");
    EXPECT_FALSE(wallClockOfSeconds(0));
    EXPECT_FALSE(wallClockOfSeconds(-5));
    EXPECT_FALSE(wallClockOfSeconds(1ll << 40));
}

std::string be32(std::uint32_t n) {
    return {static_cast<char>(n >> 24), static_cast<char>(n >> 16), static_cast<char>(n >> 8),
            static_cast<char>(n)};
}

std::string box(std::string_view type, std::string_view content) {
    return be32(static_cast<std::uint32_t>(content.size() + 8)) + std::string(type) +
           std::string(content);
}

// A little-endian TIFF block whose first directory holds DateTimeOriginal.
std::string tiffWithDate(std::string_view date) {
    std::string tiff("II*\0\x08\0\0\0\x01\0\x03\x90\x02\0\x14\0\0\0\x1a\0\0\0\0\0\0\0", 26);
    return tiff + std::string(date) + std::string(1, '\0');
}

std::optional<std::string> dateIn(DateReader reader, const std::string& bytes) {
    MemoryRandomSource source(bytes);
    auto date = formatShotDate(reader, source, fixedNow());
    return date ? std::optional<std::string>(shown(*date)) : std::nullopt;
}

// A HEIF picture whose Exif item lies in mdat, found through iinf and iloc, with the item's
// extent at offsets that differ between a right and a wrong reading of iloc.
TEST(FormatDates, HeifExifItemIsFoundThroughItsLocation) {
    const std::string infe = box("infe", std::string("\x02\0\0\0\0\x07\0\0Exif\0", 13));
    const std::string hvc = box("infe", std::string("\x02\0\0\0\0\x01\0\0hvc1\0", 13));
    const std::string iinf = box("iinf", std::string("\0\0\0\0\0\x02", 6) + hvc + infe);
    const std::string exif =
        be32(6) + std::string("Exif\0\0", 6) + tiffWithDate("2021:04:05 06:07:08");
    auto file = [&](std::uint32_t exifOffset) {
        // iloc version 0, offsets and lengths of 4 bytes, no base offset, two items.
        std::string iloc = std::string("\0\0\0\0\x44\0\0\x02", 8);
        iloc += std::string("\0\x01\0\0\0\x01", 6) + be32(0) + be32(4);
        iloc += std::string("\0\x07\0\0\0\x01", 6) + be32(exifOffset) + be32(exif.size());
        const std::string meta =
            box("meta", std::string(4, '\0') + box("hdlr", std::string(24, '\0')) + iinf +
                            box("iloc", iloc));
        return box("ftyp", "heicmif1") + meta + box("mdat", "pict" + exif);
    };
    std::string probe = file(0);
    const auto at = static_cast<std::uint32_t>(probe.size() - exif.size());
    EXPECT_EQ(dateIn(DateReader::Heif, file(at)), "2021:04:05 06:07:08");
    EXPECT_EQ(dateIn(DateReader::Heif, file(at - 4)), std::nullopt); // the picture's bytes
    EXPECT_EQ(dateIn(DateReader::Heif, file(0xFFFFFFF0)), std::nullopt);

    // Thousands of items of 65535 extents that take no bytes: the walk ends after one pass
    // over the box instead of counting through every extent.
    std::string iloc = std::string("\0\0\0\0\0\0\xff\xff", 8);
    for (int i = 0; i < 60000; ++i)
        iloc += std::string("\0\x01\0\0\xff\xff", 6);
    const std::string meta = box("meta", std::string(4, '\0') + iinf + box("iloc", iloc));
    EXPECT_EQ(dateIn(DateReader::Heif, box("ftyp", "heic") + meta), std::nullopt);
}

// A movie with the creation date of its QuickTime keys and the header's UTC time: the keys'
// wall-clock time wins; without it the header's time is converted to local time.
TEST(FormatDates, MovieKeysDateWinsOverTheHeaderTime) {
    ScopedTimeZone zone("JST-9");
    std::string mvhd = std::string(4, '\0') + be32(3'000'000'000u) + std::string(92, '\0');
    const std::string keys =
        box("keys", std::string(4, '\0') + be32(2) + box("mdta", "com.apple.quicktime.make") +
                        box("mdta", "com.apple.quicktime.creationdate"));
    const std::string ilst = box(
        "ilst", box(be32(1), box("data", std::string(8, '\0') + "Apple")) +
                    box(be32(2), box("data", std::string(8, '\0') + "2019-05-01T08:09:10-0700")));
    const std::string meta = box("meta", box("hdlr", std::string(25, '\0')) + keys + ilst);
    const std::string ftyp = box("ftyp", "qt  ");
    EXPECT_EQ(dateIn(DateReader::QuickTime, ftyp + box("moov", box("mvhd", mvhd) + meta)),
              "2019:05:01 08:09:10");
    // 3,000,000,000 seconds after 1904 is 1999-01-24 05:20:00 UTC, 14:20 in Japan.
    EXPECT_EQ(dateIn(DateReader::QuickTime, ftyp + box("moov", box("mvhd", mvhd))),
              "1999:01:24 14:20:00");
    mvhd[0] = 1; // a version 1 header has 8-byte times
    mvhd.replace(4, 8, std::string(4, '\0') + be32(3'000'000'000u));
    EXPECT_EQ(dateIn(DateReader::QuickTime, ftyp + box("moov", box("mvhd", mvhd))),
              "1999:01:24 14:20:00");
    EXPECT_EQ(
        dateIn(DateReader::QuickTime, ftyp + box("moov", box("mvhd", std::string(100, '\0')))),
        std::nullopt);
}

// Counts what a reader asks for; every request must lie inside the data.
class CountingSource final : public RandomSource {
public:
    explicit CountingSource(std::string_view bytes, std::uint64_t claimedSize = 0)
        : bytes_(bytes), size_(claimedSize ? claimedSize : bytes.size()) {}
    std::uint64_t size() const override { return size_; }
    std::size_t readAt(std::uint64_t pos, std::uint8_t* dst, std::size_t n) override {
        EXPECT_LE(pos, size_);
        read_ += n;
        // Beyond the real bytes the claimed file repeats them, endlessly.
        for (std::size_t i = 0; i < n; ++i)
            dst[i] = static_cast<std::uint8_t>(bytes_[(pos + i) % bytes_.size()]);
        return n;
    }
    std::uint64_t read() const { return read_; }

private:
    std::string_view bytes_;
    std::uint64_t size_;
    std::uint64_t read_ = 0;
};

const struct {
    const char* file;
    DateReader reader;
} kReaderSamples[] = {
    {"CanonRaw.cr2", DateReader::Tiff},       {"Panasonic.rw2", DateReader::Tiff},
    {"Minolta.mrw", DateReader::Mrw},         {"FujiFilm.raf", DateReader::Raf},
    {"CanonRaw.cr3", DateReader::Cr3},        {"QuickTime.heic", DateReader::Heif},
    {"QuickTime.mov", DateReader::QuickTime}, {"RIFF.avi", DateReader::Avi},
    {"CanonRaw.crw", DateReader::Crw},        {"SigmaDP2.x3f", DateReader::X3f},
};

std::optional<LocalDateTime> readMemory(DateReader reader, std::string_view bytes,
                                        std::uint64_t* read = nullptr) {
    CountingSource source(bytes);
    std::optional<LocalDateTime> date;
    try {
        date = formatShotDate(reader, source, fixedNow());
    } catch (const ShotDateError&) {
        // The JPEG inside a RAF may report its own read error; the caller takes the file time.
    }
    if (read)
        *read = source.read();
    return date;
}

TEST(FormatDates, TruncatedFilesNeverReadPastTheirEnd) {
    for (const auto& s : kReaderSamples) {
        SCOPED_TRACE(s.file);
        const std::string bytes = fileBytes(kSamples + "/" + s.file);
        ASSERT_FALSE(bytes.empty());
        const std::size_t step = std::max<std::size_t>(1, bytes.size() / 400);
        for (std::size_t length = 0; length < bytes.size(); length += step) {
            const std::string cut = bytes.substr(0, length);
            std::uint64_t read = 0;
            readMemory(s.reader, cut, &read);
            EXPECT_LE(read, kMaxWalkBytes + FormatReader::kMinReadCost);
        }
    }
}

// Every 4-byte field replaced by numbers that send offsets, sizes and counts anywhere: to the
// end of the numbers, to zero, into the field itself (a directory or box pointing at itself).
TEST(FormatDates, CorruptedFieldsGiveADateOrNoneWithBoundedReading) {
    for (const auto& s : kReaderSamples) {
        SCOPED_TRACE(s.file);
        const std::string bytes = fileBytes(kSamples + "/" + s.file);
        const std::size_t step = std::max<std::size_t>(2, bytes.size() / 1500 * 2);
        for (std::size_t pos = 0; pos + 4 <= bytes.size(); pos += step) {
            for (std::uint32_t value : {0xFFFFFFFFu, 0u, 1u, 8u, static_cast<std::uint32_t>(pos),
                                        static_cast<std::uint32_t>(bytes.size())}) {
                std::string bad = bytes;
                for (int i = 0; i < 4; ++i) // both byte orders at once for small numbers
                    bad[pos + i] = static_cast<char>(value >> (8 * (i < 2 ? i : 3 - i)));
                std::uint64_t read = 0;
                readMemory(s.reader, bad, &read);
                EXPECT_LE(read, kMaxWalkBytes + FormatReader::kMinReadCost);
            }
        }
    }
}

// A structure that repeats without end over a file claimed to be huge: the walk stops at its
// budget instead of reading the terabyte.
TEST(FormatDates, EndlessStructuresStopAtTheWalkLimit) {
    const std::string emptyBox("\0\0\0\x08free", 8);
    const std::string junkChunk("JUNK\0\0\0\0", 8);
    const std::string riff = std::string("RIFF\xff\xff\xff\xff"
                                         "AVI ",
                                         12);
    const std::string tiffLoop("II*\0\x08\0\0\0\xff\x0f", 10);
    const struct {
        DateReader reader;
        std::string bytes;
    } cases[] = {
        {DateReader::QuickTime, emptyBox},
        {DateReader::Heif, emptyBox},
        {DateReader::Avi, riff + junkChunk},
        {DateReader::Tiff, tiffLoop},
    };
    for (const auto& c : cases) {
        CountingSource source(c.bytes, 1ull << 40);
        EXPECT_FALSE(formatShotDate(c.reader, source, fixedNow()));
        EXPECT_LE(source.read(), kMaxWalkBytes + FormatReader::kMinReadCost);
    }
    // A box that claims more than the file holds, or a size below its own header.
    for (const std::string& bytes :
         {std::string("\0\0\x10\0moov", 8), std::string("\0\0\0\x04moov", 8),
          std::string("\0\0\0\x01moov\xff\xff\xff\xff\xff\xff\xff\xff", 16)}) {
        CountingSource source(bytes);
        EXPECT_FALSE(formatShotDate(DateReader::QuickTime, source, fixedNow()));
    }
}

// A file that can't be made sense of takes its file time without an error, and a RAF whose
// preview JPEG is broken does too.
TEST(FormatDates, UnreadableFilesTakeTheirFileTime) {
    ScopedTimeZone zone("JST-9");
    const std::string folder = ::testing::TempDir();
    const UnixTime mtime{1083814496, 0}; // 2004-05-06 12:34:56 in Japan
    std::string raf = fileBytes(kSamples + "/FujiFilm.raf");
    raf.resize(200); // the header that points at the preview JPEG, without the JPEG
    const struct {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"empty.cr2", ""},
        {"jpeg.nef", "\xff\xd8\xff\xe1"},
        {"cut.raf", raf},
        {"text.mov", "not a movie at all"},
        {"bad-date.dng",
         std::string("II*\0\x08\0\0\0\x01\0\x32\x01\x02\0\x14\0\0\0\x1a\0\0\0\0\0\0\0"
                     "Sunday afternoon   \0",
                     46)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = folder + "/" + c.name;
        test::writeTestFile(path, c.bytes, mtime);
        const ShotDate date = readShotDate(path, fixedNow(), {}, true);
        EXPECT_EQ(date.source, ShotDateSource::FileTime);
        EXPECT_EQ(shown(date.value), "2004:05:06 12:34:56");
    }
}

} // namespace
} // namespace pixbako
