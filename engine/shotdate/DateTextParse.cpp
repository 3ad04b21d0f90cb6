// Reading a date text such as "2004:05:06 12:34:56" into a date-time. The rules are those of a
// general date-time reader with ":" as its date separator, year-month-day order and the
// locale's time texts, so that odd texts a camera may write are read the same way everywhere.
#include "engine/shotdate/ShotDate.h"
#include "platform/AsciiCase.h"

namespace pixbako {
namespace {

constexpr char kDateSeparator = ':';
// Years written with one or two digits fall into the hundred years that begin this many
// years before the current year.
constexpr int kTwoDigitYearWindow = 50;

class Scanner {
public:
    explicit Scanner(std::string_view text) : text_(text) {}

    bool atEnd() const { return pos_ >= text_.size(); }

    // Only the plain blank counts; tabs and other spaces are text.
    void blanks() {
        while (pos_ < text_.size() && text_[pos_] == ' ')
            ++pos_;
    }

    // Digits are taken while the value so far is below 1000: at most four digits of an
    // ordinary number, but any number of leading zeros.
    bool number(int& value, int& digits) {
        blanks();
        std::size_t i = pos_;
        int n = 0;
        while (i < text_.size() && text_[i] >= '0' && text_[i] <= '9' && n < 1000) {
            n = n * 10 + (text_[i] - '0');
            ++i;
        }
        if (i == pos_)
            return false;
        digits = static_cast<int>(i - pos_);
        value = n;
        pos_ = i;
        return true;
    }

    bool number(int& value) {
        int digits = 0;
        return number(value, digits);
    }

    // A separator character; the zero character stands for "no separator" and never matches.
    bool character(char c) {
        blanks();
        if (c != '\0' && pos_ < text_.size() && text_[pos_] == c) {
            ++pos_;
            return true;
        }
        return false;
    }

    // A locale text such as the AM designator, ASCII letters compared without case.
    bool symbol(std::string_view s) {
        blanks();
        if (s.empty() || text_.size() - pos_ < s.size())
            return false;
        if (!equalsIgnoringAsciiCase(text_.substr(pos_, s.size()), s))
            return false;
        pos_ += s.size();
        return true;
    }

private:
    std::string_view text_;
    std::size_t pos_ = 0;
};

std::optional<LocalDateTime> scanDate(Scanner& in, int currentYear) {
    int n1 = 0, n2 = 0, n3 = 0, digits1 = 0, digits = 0;
    if (!in.number(n1, digits1) || !in.character(kDateSeparator) || !in.number(n2, digits))
        return std::nullopt;
    int year = currentYear, month = n1, day = n2;
    if (in.character(kDateSeparator)) {
        if (!in.number(n3, digits))
            return std::nullopt;
        year = n1;
        month = n2;
        day = n3;
        if (digits1 <= 2) {
            int base = currentYear - kTwoDigitYearWindow;
            year += base / 100 * 100;
            if (year < base)
                year += 100;
        }
    }
    in.character(kDateSeparator); // an optional separator between date and time
    in.blanks();
    return makeLocalDateTime(year, month, day);
}

// The time on day 0 of the scale.
std::optional<LocalDateTime> scanTime(Scanner& in, const DateParseTexts& texts) {
    int baseHour = -1; // 0 after an AM text, 12 after a PM text
    if (in.symbol(texts.amText))
        baseHour = 0;
    else if (in.symbol(texts.pmText))
        baseHour = 12;
    int hour = 0, minute = 0, second = 0, millisecond = 0;
    if (!in.number(hour))
        return std::nullopt;
    if (in.character(texts.timeSeparator)) {
        if (!in.number(minute))
            return std::nullopt;
        if (in.character(texts.timeSeparator)) {
            if (!in.number(second))
                return std::nullopt;
            if (in.character(texts.decimalSeparator) && !in.number(millisecond))
                return std::nullopt;
        }
    }
    if (baseHour < 0) {
        if (in.symbol(texts.amText))
            baseHour = 0;
        else if (in.symbol(texts.pmText))
            baseHour = 12;
    }
    if (baseHour >= 0) {
        if (hour == 0 || hour > 12)
            return std::nullopt;
        hour = hour % 12 + baseHour;
    }
    in.blanks();
    return makeLocalDateTime(1899, 12, 30, hour, minute, second, millisecond);
}

} // namespace

std::optional<LocalDateTime> parseDateText(std::string_view text, TDateTime now,
                                           const DateParseTexts& texts) {
    Scanner in(text);
    if (auto date = scanDate(in, decodeDateTime(now).year)) {
        if (in.atEnd())
            return date; // a date alone is midnight
        // Anything after a valid time is ignored.
        if (auto time = scanTime(in, texts)) {
            LocalDateTime value = *time;
            value.year = date->year;
            value.month = date->month;
            value.day = date->day;
            return value;
        }
    }
    // No date at the start, or a time after it that can't be read: the whole text as a time
    // alone, on day 0 of the scale.
    Scanner timeOnly(text);
    auto time = scanTime(timeOnly, texts);
    if (time && timeOnly.atEnd())
        return time;
    return std::nullopt;
}

} // namespace pixbako
