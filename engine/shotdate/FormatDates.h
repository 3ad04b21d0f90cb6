#pragma once
// Shot dates of RAW pictures, HEIF pictures and movies, read from the metadata their cameras
// write. Each reader works on a RandomSource through a FormatReader, which checks every read
// against the file's size and charges it to the same 32 MiB budget as the JPEG walk, so that
// no crafted offset, box size or loop of directories makes a reader read much, or past the end.
// A reader that can't make sense of its file returns nullopt: the file then gets its file time.
#include "engine/shotdate/ShotDate.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace pixbako {

// Bytes at any position of a file or buffer.
class RandomSource {
public:
    virtual ~RandomSource() = default;
    virtual std::uint64_t size() const = 0;
    // Copies up to n bytes from pos to dst; returns how many. Throws the read error of
    // ShotDateError when the operating system reports one.
    virtual std::size_t readAt(std::uint64_t pos, std::uint8_t* dst, std::size_t n) = 0;
};

class MemoryRandomSource final : public RandomSource {
public:
    explicit MemoryRandomSource(std::string_view bytes) : bytes_(bytes) {}
    std::uint64_t size() const override { return bytes_.size(); }
    std::size_t readAt(std::uint64_t pos, std::uint8_t* dst, std::size_t n) override;

private:
    std::string_view bytes_;
};

// Bounded reads of a RandomSource. Every read costs at least kMinReadCost bytes of the budget,
// so that many tiny reads are bounded as well as a few large ones.
class FormatReader {
public:
    static constexpr std::uint64_t kMinReadCost = 256;

    explicit FormatReader(RandomSource& source, std::uint64_t budget = kMaxWalkBytes)
        : source_(source), budget_(budget) {}

    std::uint64_t size() const { return source_.size(); }
    // Exactly n bytes at pos; nullopt when they lie beyond the end or the budget is spent.
    std::optional<std::string> bytes(std::uint64_t pos, std::uint64_t n);
    // Up to n bytes at pos, fewer where the file ends first.
    std::optional<std::string> someBytes(std::uint64_t pos, std::uint64_t n);
    std::optional<std::uint32_t> u32be(std::uint64_t pos);
    RandomSource& source() { return source_; }

private:
    RandomSource& source_;
    std::uint64_t budget_;
};

// Which reader a file's extension goes to; the one table is in FileFormats.cpp.
enum class DateReader { Jpeg, Tiff, Mrw, Raf, Cr3, Heif, QuickTime, Avi, Crw, X3f };

struct FileFormat {
    DateReader reader = DateReader::Jpeg;
    ShotDateSource source = ShotDateSource::Exif;
};

// The reader for the extension of a file name (ASCII letters in any case); the JPEG reader
// for every extension outside the table.
FileFormat fileFormatOf(std::string_view fileName);

// The date one reader finds in a source; nullopt when there is none it can trust.
std::optional<LocalDateTime> formatShotDate(DateReader reader, RandomSource& source, TDateTime now,
                                            const DateParseTexts& texts = {});

// The readers behind formatShotDate, for tests and the fuzz targets. `base` is where the TIFF
// header lies. In a TIFF: DateTimeOriginal of the EXIF directory (or of the first directory,
// as in the blocks of a CR3), else the first directory's DateTime.
std::optional<LocalDateTime> tiffShotDate(FormatReader& in, std::uint64_t base, TDateTime now,
                                          const DateParseTexts& texts);
std::optional<LocalDateTime> isoMediaShotDate(FormatReader& in, DateReader reader, TDateTime now,
                                              const DateParseTexts& texts);
// The readers of the MRW, RAF, CRW and X3F containers.
std::optional<LocalDateTime> rawShotDate(FormatReader& in, DateReader reader, TDateTime now,
                                         const DateParseTexts& texts);
std::optional<LocalDateTime> riffShotDate(FormatReader& in, TDateTime now,
                                          const DateParseTexts& texts);

// A date text as a camera writes it ("2003:03:10 15:04:43", "2009/10/27 12:14:34",
// "2005-08-11T14:03:54+0200", "Mon Mar 10 15:04:43 2003"): the wall-clock time it states.
std::optional<LocalDateTime> cameraDateText(std::string_view text);

// Seconds since 1970 as the fields of a UTC time: for formats that store the camera's
// wall-clock time that way.
std::optional<LocalDateTime> wallClockOfSeconds(std::int64_t seconds);

} // namespace pixbako
