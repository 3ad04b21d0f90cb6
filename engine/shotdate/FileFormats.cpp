// Which reader each file type goes to, bounded reads, and the date forms that the readers of
// RAW pictures, HEIF pictures and movies share.
#include "engine/shotdate/FormatDates.h"
#include "platform/AsciiCase.h"
#include "platform/FileTime.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>

namespace pixbako {

std::size_t MemoryRandomSource::readAt(std::uint64_t pos, std::uint8_t* dst, std::size_t n) {
    if (pos >= bytes_.size())
        return 0;
    std::size_t count = std::min<std::size_t>(n, bytes_.size() - static_cast<std::size_t>(pos));
    std::memcpy(dst, bytes_.data() + pos, count);
    return count;
}

std::optional<std::string> FormatReader::someBytes(std::uint64_t pos, std::uint64_t n) {
    const std::uint64_t size = source_.size();
    if (pos > size)
        return std::nullopt;
    n = std::min(n, size - pos);
    const std::uint64_t cost = std::max(n, kMinReadCost);
    if (cost > budget_)
        return std::nullopt;
    budget_ -= cost;
    std::string out(static_cast<std::size_t>(n), '\0');
    std::size_t got = 0;
    while (got < n) {
        std::size_t count = source_.readAt(pos + got, reinterpret_cast<std::uint8_t*>(&out[got]),
                                           static_cast<std::size_t>(n - got));
        if (count == 0)
            break; // the file shrank meanwhile
        got += count;
    }
    out.resize(got);
    return out;
}

std::optional<std::string> FormatReader::bytes(std::uint64_t pos, std::uint64_t n) {
    if (pos > size() || n > size() - pos)
        return std::nullopt;
    auto out = someBytes(pos, n);
    if (!out || out->size() != n)
        return std::nullopt;
    return out;
}

std::optional<std::uint32_t> FormatReader::u32be(std::uint64_t pos) {
    auto b = bytes(pos, 4);
    if (!b)
        return std::nullopt;
    std::uint32_t n = 0;
    for (char c : *b)
        n = n << 8 | static_cast<std::uint8_t>(c);
    return n;
}

namespace {

struct FormatRow {
    std::string_view extension;
    FileFormat format;
};

constexpr FormatRow row(std::string_view extension, DateReader reader, ShotDateSource source) {
    return {extension, {reader, source}};
}

using R = DateReader;
using S = ShotDateSource;

// Every extension that a reader other than the JPEG one handles.
constexpr std::array kFormats = {
    row("CR2", R::Tiff, S::Raw),        row("NEF", R::Tiff, S::Raw),
    row("NRW", R::Tiff, S::Raw),        row("ARW", R::Tiff, S::Raw),
    row("SR2", R::Tiff, S::Raw),        row("DNG", R::Tiff, S::Raw),
    row("ORF", R::Tiff, S::Raw),        row("RW2", R::Tiff, S::Raw),
    row("PEF", R::Tiff, S::Raw),        row("SRW", R::Tiff, S::Raw),
    row("IIQ", R::Tiff, S::Raw),        row("3FR", R::Tiff, S::Raw),
    row("ERF", R::Tiff, S::Raw),        row("TIF", R::Tiff, S::Exif),
    row("TIFF", R::Tiff, S::Exif),      row("MRW", R::Mrw, S::Raw),
    row("RAF", R::Raf, S::Raw),         row("CR3", R::Cr3, S::Raw),
    row("HEIC", R::Heif, S::Heif),      row("HEIF", R::Heif, S::Heif),
    row("HIF", R::Heif, S::Heif),       row("AVIF", R::Heif, S::Heif),
    row("MOV", R::QuickTime, S::Movie), row("MP4", R::QuickTime, S::Movie),
    row("M4V", R::QuickTime, S::Movie), row("3GP", R::QuickTime, S::Movie),
    row("AVI", R::Avi, S::Movie),       row("CRW", R::Crw, S::Raw),
    row("X3F", R::X3f, S::Raw),
};

} // namespace

FileFormat fileFormatOf(std::string_view fileName) {
    const std::size_t slash = fileName.rfind('/');
    const std::size_t dot = fileName.rfind('.');
    if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash))
        return {};
    const std::string_view extension = fileName.substr(dot + 1);
    for (const FormatRow& r : kFormats)
        if (equalsIgnoringAsciiCase(extension, r.extension))
            return r.format;
    return {};
}

namespace {

// The numbers of a date text and the separator before each.
struct DateNumbers {
    std::array<int, 6> value{};
    std::array<char, 6> before{};
    int count = 0;
};

DateNumbers numbersOf(std::string_view text) {
    DateNumbers n;
    std::size_t i = 0;
    char separator = '\0';
    while (i < text.size() && n.count < 6) {
        const char c = text[i];
        if (!std::isdigit(static_cast<unsigned char>(c))) {
            separator = c;
            ++i;
            continue;
        }
        int value = 0;
        int digits = 0;
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])) && digits < 5) {
            value = value * 10 + (text[i] - '0');
            ++i;
            ++digits;
        }
        n.before[n.count] = separator;
        n.value[n.count++] = value;
        separator = '\0';
    }
    return n;
}

std::optional<LocalDateTime> dateOfNumbers(int year, int month, int day, const DateNumbers& n,
                                           int timeStart) {
    int time[3] = {0, 0, 0};
    for (int k = 0; k < 3 && timeStart + k < n.count; ++k) {
        // A number after a "+" or "-" is a time zone offset, not part of the time.
        const char before = n.before[timeStart + k];
        if (k > 0 && before != ':')
            break;
        time[k] = n.value[timeStart + k];
    }
    if (year < 1)
        return std::nullopt;
    return makeLocalDateTime(year, month, day, time[0], time[1], time[2]);
}

constexpr std::array<std::string_view, 12> kMonths = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                                      "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};

} // namespace

std::optional<LocalDateTime> cameraDateText(std::string_view text) {
    const std::size_t start = text.find_first_not_of(" \t");
    if (start == std::string_view::npos)
        return std::nullopt;
    text = text.substr(start);
    if (std::isalpha(static_cast<unsigned char>(text[0]))) {
        // "Mon Mar 10 15:04:43 2003": weekday, month name, day, time, year.
        const std::size_t month = text.find_first_not_of(' ', text.find(' '));
        if (month == std::string_view::npos)
            return std::nullopt;
        std::string_view rest = text.substr(month);
        if (rest.size() < 3)
            return std::nullopt;
        int monthNumber = 0;
        for (int m = 0; m < 12; ++m)
            if (equalsIgnoringAsciiCase(rest.substr(0, 3), kMonths[m]))
                monthNumber = m + 1;
        if (monthNumber == 0)
            return std::nullopt;
        const DateNumbers n = numbersOf(rest.substr(3));
        if (n.count < 5)
            return std::nullopt;
        DateNumbers time;
        time.count = 4;
        time.value = {0, n.value[1], n.value[2], n.value[3]};
        time.before = {0, '\0', ':', ':'};
        return dateOfNumbers(n.value[4], monthNumber, n.value[0], time, 1);
    }
    const DateNumbers n = numbersOf(text);
    if (n.count < 3)
        return std::nullopt;
    return dateOfNumbers(n.value[0], n.value[1], n.value[2], n, 3);
}

std::optional<LocalDateTime> wallClockOfSeconds(std::int64_t seconds) {
    // Up to the end of 2107, the last year a file time can hold.
    constexpr std::int64_t kEnd = 4354819200;
    if (seconds <= 0 || seconds >= kEnd)
        return std::nullopt;
    const std::int64_t epoch = toMilliseconds(*encodeDate(1970, 1, 1));
    return localDateTimeOf(fromMilliseconds(epoch + seconds * 1000));
}

std::optional<LocalDateTime> formatShotDate(DateReader reader, RandomSource& source, TDateTime now,
                                            const DateParseTexts& texts) {
    FormatReader in(source);
    switch (reader) {
    case DateReader::Jpeg:
        return std::nullopt;
    case DateReader::Tiff:
        return tiffShotDate(in, 0, now, texts);
    case DateReader::Cr3:
    case DateReader::Heif:
    case DateReader::QuickTime:
        return isoMediaShotDate(in, reader, now, texts);
    case DateReader::Avi:
        return riffShotDate(in, now, texts);
    default:
        return rawShotDate(in, reader, now, texts);
    }
}

} // namespace pixbako
