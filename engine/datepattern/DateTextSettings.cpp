// The locale texts of the date-pattern language: the Japanese values, the process-wide record,
// and the conversion of a C library locale into a record.
#include "engine/datepattern/DateFormat.h"

#include <algorithm>

namespace pixbako {

DateTextSettings japaneseDateTextSettings() {
    DateTextSettings s;
    s.dateSeparator = "/";
    s.timeSeparator = ":";
    s.shortDateForm = "yyyy/MM/dd";
    // A Japanese system's long date on the Gregorian calendar, its era letters removed.
    s.longDateForm = "yyyy'年'M'月'd'日'";
    s.shortTimeForm = "H:mm";
    s.longTimeForm = "H:mm:ss";
    s.amText = "午前";
    s.pmText = "午後";
    for (int m = 0; m < 12; ++m) {
        s.shortMonthNames[m] = std::to_string(m + 1) + "月";
        s.longMonthNames[m] = s.shortMonthNames[m];
    }
    static constexpr const char* kDays[7] = {"日", "月", "火", "水", "木", "金", "土"};
    for (int d = 0; d < 7; ++d) {
        s.shortDayNames[d] = kDays[d];
        s.longDayNames[d] = std::string(kDays[d]) + "曜日";
    }
    s.japaneseEraCalendar = true;
    s.japaneseLanguage = true;
    return s;
}

namespace {

// "ja", "ja_JP.UTF-8", "ja_JP@..." are Japanese; "", "C", "C.UTF-8" and "POSIX" express no
// preference.
bool meansJapanese(std::string_view name) {
    if (name.empty() || name == "C" || name == "POSIX" || name.substr(0, 2) == "C.")
        return true;
    return name.substr(0, 2) == "ja" &&
           (name.size() == 2 || name[2] == '_' || name[2] == '.' || name[2] == '@');
}

bool isAlnumAscii(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// The composite conversions of strftime spelled out, so that the rest sees only plain ones.
std::string expandComposites(std::string_view picture, std::string_view amPmTime) {
    std::string out;
    for (std::size_t i = 0; i < picture.size(); ++i) {
        if (picture[i] != '%' || i + 1 >= picture.size()) {
            out += picture[i];
            continue;
        }
        char c = picture[++i];
        if (c == 'E' || c == 'O' || c == '-' || c == '_' || c == '0' || c == '^' || c == '#') {
            if (i + 1 >= picture.size())
                break;
            c = picture[++i]; // flags and alternative digits change nothing here
        }
        switch (c) {
        case 'D':
            out += "%m/%d/%y";
            break;
        case 'F':
            out += "%Y-%m-%d";
            break;
        case 'T':
            out += "%H:%M:%S";
            break;
        case 'R':
            out += "%H:%M";
            break;
        case 'r': {
            // The locale's 12-hour picture, itself spelled out; a picture that names "%r"
            // again gets the usual one.
            std::string_view usual = "%I:%M:%S %p";
            bool usable = !amPmTime.empty() && amPmTime.find("%r") == std::string_view::npos;
            out += expandComposites(usable ? amPmTime : usual, usual);
            break;
        }
        default:
            out += '%';
            out += c;
        }
    }
    return out;
}

// The first character between conversions that is no letter, digit or blank.
std::string firstSeparator(std::string_view picture, std::string_view fallback) {
    for (std::size_t i = 0; i < picture.size(); ++i) {
        char c = picture[i];
        if (c == '%') {
            ++i;
            continue;
        }
        if (static_cast<unsigned char>(c) < 0x80 && !isAlnumAscii(c) && c != ' ')
            return std::string(1, c);
    }
    return std::string(fallback);
}

// A strftime date picture in the pattern language. Letters and other text outside conversions
// are quoted so that they are written as they stand; "/" stays a separator token.
std::string patternFromPicture(std::string_view picture) {
    std::string out;
    std::string literal;
    auto flush = [&] {
        if (!literal.empty())
            out += (literal.find('"') == std::string::npos ? '"' + literal + '"'
                                                           : "'" + literal + "'");
        literal.clear();
    };
    for (std::size_t i = 0; i < picture.size(); ++i) {
        char c = picture[i];
        if (c != '%' || i + 1 >= picture.size()) {
            if (static_cast<unsigned char>(c) >= 0x80 || isAlnumAscii(c) || c == '"' || c == '\'') {
                literal += c;
            } else {
                flush();
                out += c;
            }
            continue;
        }
        flush();
        static constexpr struct {
            char conversion;
            const char* token;
        } kTokens[] = {{'Y', "yyyy"}, {'y', "yy"},  {'m', "mm"},   {'d', "dd"},  {'e', "d"},
                       {'b', "mmm"},  {'h', "mmm"}, {'B', "mmmm"}, {'a', "ddd"}, {'A', "dddd"},
                       {'n', " "},    {'t', " "},   {'%', "%"},    {'H', "hh"},  {'I', "hh"},
                       {'k', "h"},    {'l', "h"},   {'M', "nn"},   {'S', "ss"},  {'p', "ampm"},
                       {'P', "ampm"}, {'C', ""},    {'j', ""},     {'Z', ""},    {'z', ""}};
        char conversion = picture[++i];
        for (const auto& entry : kTokens)
            if (entry.conversion == conversion)
                out += entry.token;
    }
    flush();
    return out;
}

} // namespace

DateTextSettings dateTextSettingsFromLocaleTexts(const LocaleTimeTexts& texts) {
    if (meansJapanese(texts.name))
        return japaneseDateTextSettings();
    DateTextSettings s;
    std::string datePicture = expandComposites(texts.dateFormat, texts.timeFormatAmPm);
    std::string timePicture = expandComposites(texts.timeFormat, texts.timeFormatAmPm);
    s.dateSeparator = firstSeparator(datePicture, "/");
    s.timeSeparator = firstSeparator(timePicture, ":");
    s.shortDateForm = patternFromPicture(datePicture);
    // The C library knows no long date picture; the short one is the closest it offers.
    s.longDateForm = s.shortDateForm;

    // Time forms as the locale asks for them: hour with or without a leading zero, minutes
    // (and seconds), and the AM/PM text before or after when the clock has twelve hours.
    bool leadingZero =
        timePicture.find("%k") == std::string::npos && timePicture.find("%l") == std::string::npos;
    std::size_t marker = timePicture.find("%p");
    if (marker == std::string::npos)
        marker = timePicture.find("%P");
    bool twelveHour = marker != std::string::npos || timePicture.find("%I") != std::string::npos ||
                      timePicture.find("%l") != std::string::npos;
    std::size_t hourAt = std::string::npos;
    for (const char* conversion : {"%H", "%I", "%k", "%l"})
        hourAt = std::min(hourAt, timePicture.find(conversion));
    bool markerFirst =
        marker != std::string::npos && hourAt != std::string::npos && marker < hourAt;
    std::string hour = leadingZero ? "hh" : "h";
    s.shortTimeForm = hour + ":mm";
    s.longTimeForm = hour + ":mm:ss";
    if (twelveHour) {
        s.shortTimeForm = markerFirst ? "AMPM " + s.shortTimeForm : s.shortTimeForm + " AMPM";
        s.longTimeForm = markerFirst ? "AMPM " + s.longTimeForm : s.longTimeForm + " AMPM";
    }
    s.amText = texts.amText;
    s.pmText = texts.pmText;
    s.shortMonthNames = texts.shortMonthNames;
    s.longMonthNames = texts.longMonthNames;
    s.shortDayNames = texts.shortDayNames;
    s.longDayNames = texts.longDayNames;
    s.japaneseEraCalendar = false;
    s.japaneseLanguage = false;
    return s;
}

} // namespace pixbako
