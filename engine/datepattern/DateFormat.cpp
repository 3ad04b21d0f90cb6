// The date-pattern formatter: reads a pattern left to right and writes tokens, literals and
// plain characters into a buffer of at most 256 Shift-JIS bytes.
#include "engine/datepattern/DateFormat.h"

#include "engine/datepattern/JapaneseEra.h"
#include "platform/AsciiCase.h"
#include "platform/Encoding.h"

#include <algorithm>
#include <cstdint>

namespace pixbako {
namespace {

// The result is built in a fixed buffer so that a format costs one allocation at most. A
// Shift-JIS byte stands for at most three UTF-8 bytes (half-width katakana), so three times
// the limit always suffices.
class DateTextWriter {
public:
    bool full() const { return closed_; }

    // A single-byte character (also a stray byte of invalid UTF-8).
    void putByte(char c) {
        if (closed_)
            return;
        if (sjisBytes_ + 1 > kMaxDateTextSjisBytes) {
            closed_ = true;
            return;
        }
        buf_[len_++] = c;
        ++sjisBytes_;
    }

    // A character that would cross the limit is dropped whole, and so is everything after it:
    // the result is always a prefix of the full text that ends between two characters.
    void put(std::string_view text) {
        for (std::size_t pos = 0; pos < text.size() && !closed_;) {
            if (static_cast<unsigned char>(text[pos]) < 0x80) {
                putByte(text[pos++]);
                continue;
            }
            std::size_t len = utf8CharLength(text, pos);
            std::string_view ch = text.substr(pos, len);
            std::size_t width = static_cast<std::size_t>(sjisByteWidth(ch));
            if (sjisBytes_ + width > kMaxDateTextSjisBytes) {
                closed_ = true;
                return;
            }
            std::copy(ch.begin(), ch.end(), buf_ + len_);
            len_ += len;
            sjisBytes_ += width;
            pos += len;
        }
    }

    // Decimal with at least minDigits digits, padded with zeros on the left.
    void putNumber(std::uint64_t value, int minDigits) {
        char digits[24];
        int count = 0;
        do {
            digits[count++] = static_cast<char>('0' + value % 10);
            value /= 10;
        } while (value != 0);
        for (int i = count; i < minDigits; ++i)
            putByte('0');
        while (count > 0)
            putByte(digits[--count]);
    }

    std::string text() const { return std::string(buf_, len_); }

private:
    char buf_[kMaxDateTextSjisBytes * 3];
    std::size_t len_ = 0;
    std::size_t sjisBytes_ = 0;
    bool closed_ = false;
};

bool isAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool startsAmPmToken(std::string_view text) {
    return startsWithIgnoringAsciiCase(text, "am/pm") || startsWithIgnoringAsciiCase(text, "a/p") ||
           startsWithIgnoringAsciiCase(text, "ampm");
}

// The look-ahead of an hour token: does the first "a" after it, before the next "h", start
// a 12-hour marker? An "a" inside a quoted literal is text and doesn't count, but the next "h"
// ends the look-ahead wherever it stands, quoted or not: that hour token answers for itself.
// Byte steps are safe: no byte of a multi-byte UTF-8 character is ASCII.
bool amPmMarkerAhead(std::string_view pattern, std::size_t pos) {
    char openQuote = 0; // the quote of the literal we are in, 0 outside
    for (; pos < pattern.size(); ++pos) {
        char c = pattern[pos];
        if (c == 'h' || c == 'H')
            return false;
        if (openQuote != 0) {
            if (c == openQuote)
                openQuote = 0;
            continue;
        }
        if (c == '"' || c == '\'')
            openQuote = c;
        else if (c == 'a' || c == 'A')
            return startsAmPmToken(pattern.substr(pos));
    }
    return false;
}

// Levels: the pattern is level 1; the forms that "ddddd", "dddddd", "t", "tt" and "c" expand
// to are level 2, where these five tokens write nothing, so a form that names itself can't
// recurse.
constexpr int kDeepestLevel = 2;

class DateTextFormatter {
public:
    DateTextFormatter(const DateTextSettings& settings, std::string_view shortDateForm,
                      TDateTime value)
        : s_(settings), shortDateForm_(shortDateForm), t_(decodeDateTime(value)) {}

    void format(std::string_view pattern, int level);
    std::string text() const { return out_.text(); }

private:
    void formatDeeper(std::string_view form, int level) {
        if (level < kDeepestLevel)
            format(form, level + 1);
    }
    void writeEraName(std::size_t count);
    void writeEraYear(std::size_t count);
    // Handles the text at an "a" (pos is just after it); returns how many more characters the
    // token took and sets twelveHour when it is a 12-hour marker.
    std::size_t writeAToken(std::string_view rest, bool& twelveHour);

    const DateTextSettings& s_;
    std::string_view shortDateForm_;
    DateTimeParts t_;
    DateTextWriter out_;
};

void DateTextFormatter::writeEraName(std::size_t count) {
    if (!s_.japaneseEraCalendar)
        return;
    auto era = japaneseEraOf(t_.year, t_.month, t_.day);
    if (!era)
        return;
    std::string_view name = era->eraName;
    if (count == 1 && s_.japaneseLanguage)
        name = name.substr(0, utf8CharLength(name, 0));
    out_.put(name);
}

// "e" and "ee" write the era year's last two digits ("e" without its leading zero); three or
// more write the era year in full form, which for an era calendar is all its digits and two at
// least ("05"), not the bare number.
void DateTextFormatter::writeEraYear(std::size_t count) {
    if (!s_.japaneseEraCalendar)
        return;
    auto era = japaneseEraOf(t_.year, t_.month, t_.day);
    if (!era)
        return;
    auto year = static_cast<std::uint64_t>(era->eraYear);
    if (count >= 3)
        out_.putNumber(year, 2);
    else if (count == 2 || year % 100 >= 10)
        out_.putNumber(year % 100, 2);
    else
        out_.putNumber(year % 100, 1);
}

std::size_t DateTextFormatter::writeAToken(std::string_view rest, bool& twelveHour) {
    bool afternoon = t_.hour >= 12;
    if (startsWithIgnoringAsciiCase(rest, "am/pm")) {
        out_.put(rest.substr(afternoon ? 3 : 0, 2));
        twelveHour = true;
        return 4;
    }
    if (startsWithIgnoringAsciiCase(rest, "a/p")) {
        out_.put(rest.substr(afternoon ? 2 : 0, 1));
        twelveHour = true;
        return 2;
    }
    if (startsWithIgnoringAsciiCase(rest, "ampm")) {
        out_.put(afternoon ? s_.pmText : s_.amText);
        twelveHour = true;
        return 3;
    }
    if (startsWithIgnoringAsciiCase(rest, "aaaa")) {
        out_.put(s_.longDayNames[t_.dayOfWeek - 1]);
        return 3;
    }
    if (startsWithIgnoringAsciiCase(rest, "aaa")) {
        out_.put(s_.shortDayNames[t_.dayOfWeek - 1]);
        return 2;
    }
    out_.putByte(rest[0]);
    return 0;
}

void DateTextFormatter::format(std::string_view pattern, int level) {
    char lastLetter = ' '; // upper case; ' ' when none
    bool twelveHour = false;
    std::size_t pos = 0;
    const std::size_t size = pattern.size();
    while (pos < size && !out_.full()) {
        const char starter = pattern[pos];
        if (static_cast<unsigned char>(starter) >= 0x80) {
            // Outside quotes a double-byte character is skipped and breaks the "h ... m" link;
            // half-width katakana and stray bytes are written as they stand.
            std::size_t len = utf8CharLength(pattern, pos);
            std::string_view ch = pattern.substr(pos, len);
            pos += len;
            if (isDoubleByteChar(ch))
                lastLetter = ' ';
            else
                out_.put(ch);
            continue;
        }
        ++pos;
        // A run is the starter and every directly following copy of the same byte.
        auto takeRun = [&]() -> std::size_t {
            std::size_t count = 1;
            while (pos < size && pattern[pos] == starter) {
                ++pos;
                ++count;
            }
            return count;
        };
        char token = asciiUpper(starter);
        if (isAsciiLetter(starter)) {
            if (token == 'M' && lastLetter == 'H')
                token = 'N'; // "hh:mm": minutes, not the month
            lastLetter = token;
        }
        switch (token) {
        case 'Y':
            if (takeRun() <= 2)
                out_.putNumber(static_cast<std::uint64_t>(t_.year % 100), 2);
            else
                out_.putNumber(static_cast<std::uint64_t>(t_.year), 4);
            break;
        case 'G':
            writeEraName(takeRun());
            break;
        case 'E':
            writeEraYear(takeRun());
            break;
        case 'M': {
            std::size_t count = takeRun();
            if (count <= 2)
                out_.putNumber(static_cast<std::uint64_t>(t_.month), static_cast<int>(count));
            else if (count == 3)
                out_.put(s_.shortMonthNames[t_.month - 1]);
            else
                out_.put(s_.longMonthNames[t_.month - 1]);
            break;
        }
        case 'D': {
            std::size_t count = takeRun();
            if (count <= 2)
                out_.putNumber(static_cast<std::uint64_t>(t_.day), static_cast<int>(count));
            else if (count == 3)
                out_.put(s_.shortDayNames[t_.dayOfWeek - 1]);
            else if (count == 4)
                out_.put(s_.longDayNames[t_.dayOfWeek - 1]);
            else if (count == 5)
                formatDeeper(shortDateForm_, level);
            else
                formatDeeper(s_.longDateForm, level);
            break;
        }
        case 'H': {
            std::size_t count = takeRun();
            if (!twelveHour && amPmMarkerAhead(pattern, pos))
                twelveHour = true;
            int hour = t_.hour;
            if (twelveHour) {
                if (hour == 0)
                    hour = 12;
                else if (hour > 12)
                    hour -= 12;
            }
            out_.putNumber(static_cast<std::uint64_t>(hour), count >= 2 ? 2 : 1);
            break;
        }
        case 'N':
            out_.putNumber(static_cast<std::uint64_t>(t_.minute), takeRun() >= 2 ? 2 : 1);
            break;
        case 'S':
            out_.putNumber(static_cast<std::uint64_t>(t_.second), takeRun() >= 2 ? 2 : 1);
            break;
        case 'Z':
            out_.putNumber(static_cast<std::uint64_t>(t_.millisecond),
                           static_cast<int>(std::min<std::size_t>(takeRun(), 3)));
            break;
        case 'T':
            formatDeeper(takeRun() == 1 ? s_.shortTimeForm : s_.longTimeForm, level);
            break;
        case 'C':
            takeRun();
            if (level >= kDeepestLevel)
                break;
            format(shortDateForm_, level + 1);
            if (t_.hour != 0 || t_.minute != 0 || t_.second != 0) {
                out_.putByte(' ');
                format(s_.longTimeForm, level + 1);
            }
            break;
        case 'A':
            pos += writeAToken(pattern.substr(pos - 1), twelveHour);
            break;
        case '/':
            out_.put(s_.dateSeparator);
            break;
        case ':':
            out_.put(s_.timeSeparator);
            break;
        case '"':
        case '\'': {
            // A literal runs to the next quote of the same kind, or to the end when unclosed.
            std::size_t close = pattern.find(starter, pos);
            if (close == std::string_view::npos)
                close = size;
            out_.put(pattern.substr(pos, close - pos));
            pos = close < size ? close + 1 : size;
            break;
        }
        default:
            out_.putByte(starter);
            break;
        }
    }
}

std::string formatWith(std::string_view pattern, TDateTime value, const DateTextSettings& settings,
                       std::string_view shortDateForm) {
    DateTextFormatter formatter(settings, shortDateForm, value);
    // An empty pattern means "c": the short date form, then the long time form unless midnight.
    formatter.format(pattern.empty() ? std::string_view("c") : pattern, 1);
    return formatter.text();
}

} // namespace

std::string formatDateText(std::string_view pattern, TDateTime value,
                           const DateTextSettings& settings) {
    return formatWith(pattern, value, settings, settings.shortDateForm);
}

std::string formatDatePattern(std::string_view pattern, TDateTime value,
                              const DateTextSettings& settings) {
    return formatWith(pattern, value, settings, pattern);
}

} // namespace pixbako
