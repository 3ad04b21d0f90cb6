#pragma once
// The date-pattern language: every date that the program shows or puts into a name, a caption
// or a log file name is written by formatDateText from a pattern such as `yyyy"年"mm"月"dd"日"`.
//
// The formatter reads one record of locale texts (DateTextSettings). The program makes one
// record from the user's locale at start and passes it to whoever formats dates;
// formatDatePattern takes the pattern itself as the short date form, as the program always
// does, while formatDateText reads the record exactly as it stands.
//
// Patterns and results are UTF-8. "Double-byte" means a character that Shift-JIS writes with
// two bytes (platform/Encoding.h); such characters vanish unless quoted. A result holds at most
// 256 Shift-JIS bytes and never ends in part of a character.
#include "platform/DateTime.h"

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace pixbako {

// Longest formatted text, counted in Shift-JIS bytes.
inline constexpr std::size_t kMaxDateTextSjisBytes = 256;

struct DateTextSettings {
    // One character each; empty means the separator token writes nothing.
    std::string dateSeparator = "/";
    std::string timeSeparator = ":";
    std::string shortDateForm; // "ddddd", "c"
    std::string longDateForm;  // "dddddd"
    std::string shortTimeForm; // "t"
    std::string longTimeForm;  // "tt", "c"
    std::string amText;        // "ampm"
    std::string pmText;
    std::array<std::string, 12> shortMonthNames; // January first
    std::array<std::string, 12> longMonthNames;
    std::array<std::string, 7> shortDayNames; // Sunday first
    std::array<std::string, 7> longDayNames;
    // The era tokens ("g", "e") write the Japanese era calendar; otherwise they write nothing.
    bool japaneseEraCalendar = false;
    // A single "g" keeps only the era name's first character when the language is Japanese.
    bool japaneseLanguage = false;
};

// The values of a Japanese system on the Gregorian calendar, with the Japanese era table for
// the era tokens.
DateTextSettings japaneseDateTextSettings();

// What the C library reports of a locale's time category, already in UTF-8.
struct LocaleTimeTexts {
    std::string name;           // as given in the environment, e.g. "de_DE.UTF-8"
    std::string dateFormat;     // D_FMT, a strftime picture
    std::string timeFormat;     // T_FMT
    std::string timeFormatAmPm; // T_FMT_AMPM (what "%r" stands for)
    std::string amText;
    std::string pmText;
    std::array<std::string, 12> shortMonthNames;
    std::array<std::string, 12> longMonthNames;
    std::array<std::string, 7> shortDayNames; // Sunday first
    std::array<std::string, 7> longDayNames;
};

// Japanese values for a Japanese, C or POSIX locale (the program is written for Japanese
// systems, and C means no preference); any other locale gives its own names and forms and no
// era calendar.
DateTextSettings dateTextSettingsFromLocaleTexts(const LocaleTimeTexts& texts);

// The user's locale for dates (LC_ALL, else LC_TIME, else LANG), read through the C library.
// A locale that can't be loaded counts as C.
DateTextSettings dateTextSettingsFromLocale();

// Formats with the given record as it stands (its short date form included).
std::string formatDateText(std::string_view pattern, TDateTime value,
                           const DateTextSettings& settings);

// Formats with the record, the pattern itself standing for its short date form.
std::string formatDatePattern(std::string_view pattern, TDateTime value,
                              const DateTextSettings& settings);

// The same for a date kept as its fields (a shot date).
inline std::string formatDatePattern(std::string_view pattern, const LocalDateTime& value,
                                     const DateTextSettings& settings) {
    return formatDatePattern(pattern, dateTimeValue(value), settings);
}

} // namespace pixbako
