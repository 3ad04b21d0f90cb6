// The shot date of files on disk: EXIF date, last-write fallback and the failures.
#include "engine/datepattern/DateFormat.h"
#include "engine/shotdate/ShotDate.h"
#include "support/JpegBuilder.h"
#include "support/TempFolder.h"
#include "support/TestFiles.h"

#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace pixbako {
namespace {

using namespace std::string_literals;

// A function, not a constant: the date scale's own constants may not be set up yet while
// globals of other files are initialised.
TDateTime fixedNow() {
    return *encodeDateTime(2026, 7, 15, 9, 0, 0);
}
const char* const kDate = "2004:05:06 12:34:56";
// 2004-05-06 03:34:57.5 UTC, which is 12:34:57.5 in Japan: odd seconds and a fraction.
const UnixTime kMtime{1083814497, 500'000'000};

// Runs each test in Japan's time zone and puts the previous one back afterwards.
class ShotDateFile : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(folder_.path().empty()); }

    std::string write(const std::string& name, std::string_view bytes, UnixTime mtime = kMtime) {
        std::string path = folder_.path() + "/" + name;
        test::writeTestFile(path, bytes, mtime);
        return path;
    }

    static ShotDate read(const std::string& path) { return readShotDate(path, fixedNow(), {}); }

    TempFolder folder_;

private:
    ScopedTimeZone zone_{"JST-9"};
};

std::int64_t ms(int y, int mo, int d, int h, int mi, int s) {
    return toMilliseconds(*encodeDateTime(y, mo, d, h, mi, s));
}

TEST_F(ShotDateFile, ExifDateOrFileTimeByKindOfFile) {
    const std::int64_t exif = ms(2004, 5, 6, 12, 34, 56);
    const std::int64_t fileTime = ms(2004, 5, 6, 12, 34, 56); // 12:34:57.5 cut to even seconds
    const std::int64_t exifOther = ms(2011, 12, 13, 14, 15, 16);

    test::JpegLayout noApp1;
    test::JpegLayout xmpFirst;
    xmpFirst.xmpFirst = test::xmpPayload();
    xmpFirst.exif = test::exifPayload(test::dateExif("2011:12:13 14:15:16"));
    test::JpegLayout noScan;
    noScan.exif = test::exifPayload(test::dateExif("2011:12:13 14:15:16"));
    noScan.tables = false;
    noScan.scan = false;
    test::JpegLayout dateTimeOnly;
    dateTimeOnly.exif = test::exifPayload(test::dateExif(std::nullopt));
    test::JpegLayout tablesFirst;
    tablesFirst.jfif = false;
    tablesFirst.extraSegments = {test::segment(0xE2, std::string(60000, 'i'))};
    tablesFirst.exif = test::exifPayload(test::dateExif("2011:12:13 14:15:16", true, 20000, 8000));

    struct Case {
        const char* name;
        std::string bytes;
        std::int64_t expected;
        bool fromExif;
    };
    const Case cases[] = {
        {"EXIF little-endian", test::cameraJpeg(kDate), exif, true},
        {"EXIF big-endian", test::cameraJpeg(kDate, true), exif, true},
        {"big camera block", test::buildJpeg(tablesFirst), exifOther, true},
        {"JPEG without APP1", test::buildJpeg(noApp1), fileTime, false},
        {"XMP before EXIF", test::buildJpeg(xmpFirst), fileTime, false},
        {"ends before the scan", test::buildJpeg(noScan), fileTime, false},
        {"DateTime without DateTimeOriginal", test::buildJpeg(dateTimeOnly), fileTime, false},
        {"empty date text in its entry", test::cameraJpeg(""), fileTime, false},
        // A camera whose clock was never set: an unknown date, not a broken file.
        {"zero date", test::cameraJpeg("0000:00:00 00:00:00"), fileTime, false},
        {"blanks and colons", test::cameraJpeg("    :  :     :  :  "), fileTime, false},
        {"blanks only", test::cameraJpeg(std::string(19, ' ')), fileTime, false},
        {"zero date without time", test::cameraJpeg("0000:00:00"), fileTime, false},
        {"PNG", "\x89PNG\r\n\x1A\n\0\0\0\rIHDR"s, fileTime, false},
        {"movie", "\0\0\0\x18"s + "ftypmp42", fileTime, false},
        {"empty file", "", fileTime, false},
    };
    for (const auto& c : cases) {
        ShotDate date = read(write("file.bin", c.bytes));
        EXPECT_EQ(toMilliseconds(date.value), c.expected) << c.name;
        EXPECT_EQ(date.fromExif, c.fromExif) << c.name;
    }
}

TEST_F(ShotDateFile, FileTimeIsLocalTimeInEvenSeconds) {
    ::setenv("TZ", "UTC0", 1);
    ::tzset();
    ShotDate date = read(write("plain.png", "png", UnixTime{1083814497, 999'000'000}));
    EXPECT_FALSE(date.fromExif);
    EXPECT_EQ(toMilliseconds(date.value), ms(2004, 5, 6, 3, 34, 56));
    date = read(write("even.png", "png", UnixTime{1083814498, 0}));
    EXPECT_EQ(toMilliseconds(date.value), ms(2004, 5, 6, 3, 34, 58));
}

TEST_F(ShotDateFile, FailuresCarryTheirMessages) {
    test::JpegLayout truncatedApp1;
    truncatedApp1.exif = test::exifPayload(test::dateExif(kDate));
    std::string cut = test::buildJpeg(truncatedApp1);
    cut.resize(cut.find("Exif") + 40);

    struct Case {
        const char* name;
        std::string path;
        ShotDateError::Kind kind;
        std::string message;
    };
    const std::string missing = folder_.path() + "/missing.jpg";
    const Case cases[] = {
        {"missing file", missing, ShotDateError::Kind::CannotOpen,
         "ファイル " + missing + " は開けません"},
        {"folder", folder_.path(), ShotDateError::Kind::CannotOpen,
         "ファイル " + folder_.path() + " は開けません"},
        {"APP1 cut short", write("cut.jpg", cut), ShotDateError::Kind::ReadError,
         "ストリームからの読み込みエラー"},
        {"zeros and a letter", write("zero.jpg", test::cameraJpeg("0000:00:00 00:00:0X")),
         ShotDateError::Kind::NotADate, "'0000:00:00 00:00:0X' は日付または時刻ではありません"},
        {"month 13", write("month.jpg", test::cameraJpeg("2004:13:06 12:34:56")),
         ShotDateError::Kind::NotADate, "'2004:13:06 12:34:56' は日付または時刻ではありません"},
        {"file time before 1980", write("old.png", "png", UnixTime{315000000, 0}),
         ShotDateError::Kind::NotConvertible, "日付に変換できない値が渡されました"},
        {"file time after 2107", write("future.png", "png", UnixTime{4354819200, 0}),
         ShotDateError::Kind::NotConvertible, "日付に変換できない値が渡されました"},
    };
    for (const auto& c : cases) {
        try {
            read(c.path);
            ADD_FAILURE() << "no error: " << c.name;
        } catch (const ShotDateError& e) {
            EXPECT_EQ(e.kind(), c.kind) << c.name;
            EXPECT_EQ(std::string(e.what()), c.message) << c.name;
        }
    }
}

// A crafted date text of megabytes ended up whole in the error box. The message shows the
// first 64 characters and an ellipsis, never half a character.
TEST(ShotDateErrorText, LongDateTextsAreCutInTheMessage) {
    std::string kanji;
    for (int i = 0; i < 70; ++i)
        kanji += "年";
    std::string kanji64;
    for (int i = 0; i < 64; ++i)
        kanji64 += "年";
    const std::string a63(63, 'a');
    struct Case {
        std::string text;
        std::string shown;
    };
    const Case cases[] = {
        {"no date", "no date"},
        {std::string(64, 'x'), std::string(64, 'x')},
        {std::string(65, 'x'), std::string(64, 'x') + "…"},
        {std::string(4 << 20, '9'), std::string(64, '9') + "…"},
        {kanji, kanji64 + "…"},
        {kanji64, kanji64},
        {a63 + "é" + "b", a63 + "é" + "…"},
    };
    for (const auto& c : cases) {
        ShotDateError e = ShotDateError::notADate(c.text);
        EXPECT_EQ(std::string(e.what()), "'" + c.shown + "' は日付または時刻ではありません")
            << c.text.size();
        EXPECT_EQ(e.kind(), ShotDateError::Kind::NotADate);
    }
}

// shotDateOf used to read every date text with the Japanese AM/PM texts and ":", whatever the
// locale record said; the formatter and the reader must agree on the locale's texts.
TEST_F(ShotDateFile, ExifDateIgnoredTheLocaleAmPmTextsAndTimeSeparator) {
    DateTextSettings english = japaneseDateTextSettings();
    english.amText = "AM";
    english.pmText = "PM";
    english.timeSeparator = ".";
    const std::string pm = write("pm.jpg", test::cameraJpeg("2004:05:06 1.02.03 pm"));
    const std::string japanese = write("ja.jpg", test::cameraJpeg("2004:05:06 1.02.03 午後"));
    const LocalDateTime pmDate = shotDateOf(pm, english);
    const LocalDateTime japaneseDate = shotDateOf(japanese, english);
    english.timeSeparator.clear(); // a locale without one: only the hour is read
    const LocalDateTime noSeparator = shotDateOf(pm, english);

    EXPECT_EQ(toMilliseconds(pmDate), ms(2004, 5, 6, 13, 2, 3));
    EXPECT_EQ(toMilliseconds(japaneseDate), ms(2004, 5, 6, 1, 2, 3));
    EXPECT_EQ(toMilliseconds(noSeparator), ms(2004, 5, 6, 1, 0, 0));
    EXPECT_EQ(dateParseTexts(japaneseDateTextSettings()).amText, DateParseTexts{}.amText);
}

// A sparse file of chained segment headers with an EXIF block and the scan after 40 MiB: the
// reader stops walking long before and gives the file time, without reading the file through.
TEST_F(ShotDateFile, ExifBeyondTheWalkLimitGivesTheFileTime) {
    const std::string path = folder_.path() + "/chained.jpg";
    {
        std::ofstream out(path, std::ios::binary);
        out << "\xFF\xD8";
        std::uint64_t pos = 2;
        const std::uint64_t segmentBytes = 4 + 65533; // marker, length, zero payload (a hole)
        while (pos < kMaxWalkBytes + 8 * 1024 * 1024) {
            out.seekp(static_cast<std::streamoff>(pos));
            out << "\xFF\xE2\xFF\xFF";
            pos += segmentBytes;
        }
        out.seekp(static_cast<std::streamoff>(pos));
        std::string jpeg = test::cameraJpeg(kDate);
        out << jpeg.substr(2); // the camera picture without its SOI
        ASSERT_TRUE(out.good());
    }
    const timespec times[2] = {{kMtime.seconds, kMtime.nanoseconds},
                               {kMtime.seconds, kMtime.nanoseconds}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    ShotDate date = read(path);
    EXPECT_FALSE(date.fromExif);
    EXPECT_EQ(toMilliseconds(date.value), ms(2004, 5, 6, 12, 34, 56));
}

TEST_F(ShotDateFile, UnreadableFileCannotBeOpened) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "root reads every file";
    std::string path = write("locked.jpg", test::cameraJpeg(kDate));
    ::chmod(path.c_str(), 0);
    EXPECT_THROW(read(path), ShotDateError);
}

TEST_F(ShotDateFile, ReadsTheDateExiftoolWrites) {
    if (std::system("exiftool -ver > /dev/null 2>&1") != 0)
        GTEST_SKIP() << "exiftool is not installed";
    struct Case {
        const char* order;
        const char* date;
    };
    const Case cases[] = {{"II", "2011:12:13 14:15:16"}, {"MM", "1999:01:02 03:04:05"}};
    for (const auto& c : cases) {
        test::JpegLayout plain;
        std::string path = write(std::string("tool-") + c.order + ".jpg", test::buildJpeg(plain));
        std::string command =
            "exiftool -q -overwrite_original -ExifByteOrder=" + std::string(c.order) +
            " '-DateTimeOriginal=" + c.date + "' '" + path + "' > /dev/null 2>&1";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
        ShotDate date = read(path);
        EXPECT_TRUE(date.fromExif) << c.order;
        auto expected = parseDateText(c.date, fixedNow());
        ASSERT_TRUE(expected);
        EXPECT_EQ(toMilliseconds(date.value), toMilliseconds(*expected)) << c.order;
    }
}

} // namespace
} // namespace pixbako
