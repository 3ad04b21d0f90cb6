// The shot date of a file: its EXIF date when it has one, else its last-write time.
#include "engine/shotdate/ShotDate.h"
#include "engine/shotdate/FormatDates.h"

#include "platform/PlainFile.h"
#include "platform/UniqueFd.h"

#include "engine/datepattern/DateFormat.h"
#include "platform/Encoding.h"
#include "platform/FileTime.h"

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <initializer_list>
#include <sys/stat.h>
#include <unistd.h>

namespace pixbako {

ShotDateError::ShotDateError(Kind kind, const std::string& message)
    : std::runtime_error(message), kind_(kind) {}

namespace {
// Joins texts by appending: `"literal" + std::string` trips GCC 12's -Wrestrict at -O3.
std::string joined(std::initializer_list<std::string_view> parts) {
    std::string text;
    for (auto part : parts)
        text.append(part);
    return text;
}

// A date text is shown in a message box: a crafted file's text of megabytes would fill the
// screen, so it is cut after this many characters (code points, never inside one) and ends
// with an ellipsis then.
constexpr std::size_t kShownDateTextCharacters = 64;

std::string shownDateText(std::string_view text) {
    std::size_t characters = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80)
            continue; // continuation byte of the character before
        if (++characters > kShownDateTextCharacters)
            return std::string(text.substr(0, i)) + "…";
    }
    return std::string(text);
}
} // namespace

ShotDateError ShotDateError::cannotOpen(std::string_view path) {
    return {Kind::CannotOpen, joined({"ファイル ", path, " は開けません"})};
}

ShotDateError ShotDateError::readError() {
    return {Kind::ReadError, "ストリームからの読み込みエラー"};
}

ShotDateError ShotDateError::notADate(std::string_view text) {
    return {Kind::NotADate, joined({"'", shownDateText(text), "' は日付または時刻ではありません"})};
}

ShotDateError ShotDateError::notConvertible() {
    return {Kind::NotConvertible, "日付に変換できない値が渡されました"};
}

namespace {

// An open file, closed when the object goes, whatever happens in between.
class FileSource final : public ByteSource, public RandomSource {
public:
    explicit FileSource(const std::string& path) {
        fd_ = UniqueFd(openPlainFileForReading(path, &stat_));
        if (!fd_)
            throw ShotDateError::cannotOpen(path);
    }
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;

    std::size_t read(std::uint8_t* dst, std::size_t n) override {
        const long count = readSomeAt(fd_.get(), dst, n, offset_);
        if (count < 0)
            throw ShotDateError::readError();
        offset_ += count;
        return static_cast<std::size_t>(count);
    }

    std::uint64_t size() const override { return static_cast<std::uint64_t>(stat_.st_size); }

    std::size_t readAt(std::uint64_t pos, std::uint8_t* dst, std::size_t n) override {
        if (pos >= size())
            return 0;
        const long count = readSomeAt(fd_.get(), dst, n, static_cast<off_t>(pos));
        if (count < 0)
            throw ShotDateError::readError();
        return static_cast<std::size_t>(count);
    }

    void skip(std::uint64_t n) override {
        // Past the end is fine: pread there returns 0. Clamp so that the offset can't wrap.
        constexpr std::uint64_t limit = 1ull << 62;
        offset_ = static_cast<off_t>(std::min<std::uint64_t>(offset_ + n, limit));
    }

    // The last-write time as the file system stores it, taken when the file was opened.
    UnixTime lastWriteTime() const {
        return {static_cast<std::int64_t>(stat_.st_mtim.tv_sec),
                static_cast<std::int64_t>(stat_.st_mtim.tv_nsec)};
    }

private:
    UniqueFd fd_;
    off_t offset_ = 0;
    struct stat stat_ {};
};

// A camera whose clock was never set writes "0000:00:00 00:00:00", or blanks in place of the
// digits; both mean an unknown date. Such a text counts as no text at all.
bool isUnknownDateText(std::string_view text) {
    return text.find_first_not_of("0 :") == std::string_view::npos;
}

} // namespace

std::optional<LocalDateTime> exifShotDate(ByteSource& source, TDateTime now,
                                          const DateParseTexts& texts) {
    App1Data app1 = collectApp1Data(source);
    if (!app1.reachedScan)
        return std::nullopt;
    std::string text = findExifDateText(app1.collected);
    if (isUnknownDateText(text)) // the empty text included
        return std::nullopt;
    // The text is stored as bytes. Cameras write ASCII, but a tool on a Japanese system may have
    // written CP932: decode it, so that its AM/PM texts can match and the error message shows
    // it legibly. UTF-8 stays as it is.
    if (!isValidUtf8(text))
        text = cp932ToUtf8(text);
    auto value = parseDateText(text, now, texts);
    if (!value)
        throw ShotDateError::notADate(text);
    return value;
}

ShotDate readShotDate(const std::string& path, TDateTime now, const DateParseTexts& texts,
                      bool allFormats) {
    FileSource file(path);
    const FileFormat format = allFormats ? fileFormatOf(path) : FileFormat{};
    if (format.reader == DateReader::Jpeg) {
        if (auto exif = exifShotDate(file, now, texts))
            return {*exif, true, ShotDateSource::Exif};
    } else {
        // Whatever these readers meet, a broken file, an unreadable block or a text that is
        // no date, the file keeps its file time: one odd file never stops a run.
        std::optional<LocalDateTime> date;
        try {
            date = formatShotDate(format.reader, file, now, texts);
        } catch (const std::exception&) {
        }
        if (date)
            return {*date, true, format.source};
    }
    auto local = dosLocalDateTime(file.lastWriteTime());
    if (!local)
        throw ShotDateError::notConvertible();
    return {*local, false, ShotDateSource::FileTime};
}

DateParseTexts dateParseTexts(const DateTextSettings& settings) {
    DateParseTexts texts;
    texts.timeSeparator = settings.timeSeparator.empty() ? '\0' : settings.timeSeparator.front();
    texts.amText = settings.amText;
    texts.pmText = settings.pmText;
    return texts;
}

LocalDateTime shotDateOf(const std::string& path, const DateTextSettings& texts, bool allFormats) {
    return readShotDate(path, localNow(), dateParseTexts(texts), allFormats).value;
}

} // namespace pixbako
