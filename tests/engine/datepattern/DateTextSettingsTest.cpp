// Locale texts: which locales get the Japanese values, and how another locale's C library
// texts become forms of the pattern language.
#include "engine/datepattern/DateFormat.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

namespace pixbako {
namespace {

TDateTime thursday() {
    return *encodeDateTime(2004, 5, 6, 13, 47, 9);
}

LocaleTimeTexts englishTexts(std::string name, std::string dateFormat, std::string timeFormat) {
    LocaleTimeTexts t;
    t.name = std::move(name);
    t.dateFormat = std::move(dateFormat);
    t.timeFormat = std::move(timeFormat);
    t.timeFormatAmPm = "%I:%M:%S %p";
    t.amText = "AM";
    t.pmText = "PM";
    const char* months[12] = {"January",   "February", "March",    "April",
                              "May",       "June",     "July",     "August",
                              "September", "October",  "November", "December"};
    const char* days[7] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                           "Thursday", "Friday", "Saturday"};
    for (int m = 0; m < 12; ++m) {
        t.longMonthNames[m] = months[m];
        t.shortMonthNames[m] = std::string(months[m]).substr(0, 3);
    }
    for (int d = 0; d < 7; ++d) {
        t.longDayNames[d] = days[d];
        t.shortDayNames[d] = std::string(days[d]).substr(0, 3);
    }
    return t;
}

TEST(DateTextSettings, JapaneseCAndPosixLocalesGetTheJapaneseValues) {
    for (const char* name :
         {"", "C", "POSIX", "C.UTF-8", "ja", "ja_JP", "ja_JP.UTF-8", "ja_JP.eucJP"}) {
        DateTextSettings s = dateTextSettingsFromLocaleTexts(englishTexts(name, "%D", "%T"));
        EXPECT_TRUE(s.japaneseEraCalendar) << name;
        EXPECT_EQ(formatDateText("ggee mmmm dddd ampm dddddd", thursday(), s),
                  "平成16 5月 木曜日 午後 2004年5月6日")
            << name;
    }
}

TEST(DateTextSettings, OtherLocalesGetTheirNamesAndNoEraCalendar) {
    struct Row {
        const char* name;
        const char* dateFormat;
        const char* timeFormat;
        const char* expected; // "dddddd|tt|t|mmm dddd|ggee"
    };
    const Row rows[] = {
        {"en_US.UTF-8", "%m/%d/%Y", "%r", "05/06/2004|01:47:09 PM|01:47 PM|May Thursday|"},
        {"de_DE.UTF-8", "%d.%m.%Y", "%T", "06.05.2004|13:47:09|13:47|May Thursday|"},
        {"en_DK.UTF-8", "%Y-%m-%d", "%H:%M:%S", "2004-05-06|13:47:09|13:47|May Thursday|"},
        {"xx_XX", "%e de %B de %Y", "%k.%M", "6 de May de 2004|13.47.09|13.47|May Thursday|"},
        {"xx_YY", "%d/%m/%y", "%p %l:%M", "06/05/04|PM 1:47:09|PM 1:47|May Thursday|"},
    };
    for (const Row& r : rows) {
        DateTextSettings s =
            dateTextSettingsFromLocaleTexts(englishTexts(r.name, r.dateFormat, r.timeFormat));
        EXPECT_FALSE(s.japaneseEraCalendar) << r.name;
        EXPECT_EQ(formatDateText("dddddd|tt|t|mmm dddd|ggee", thursday(), s), r.expected) << r.name;
    }
}

// Sets an environment variable for one test and puts the old value back.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name))
            old_ = old;
        ::setenv(name, value, 1);
    }
    ~ScopedEnv() {
        if (old_)
            ::setenv(name_, old_->c_str(), 1);
        else
            ::unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(DateTextSettings, LocaleThatCannotBeLoadedCountsAsC) {
    for (const char* name : {"C", "POSIX", "zz_NOWHERE.UTF-8"}) {
        ScopedEnv all("LC_ALL", name);
        DateTextSettings s = dateTextSettingsFromLocale();
        EXPECT_TRUE(s.japaneseEraCalendar) << name;
        EXPECT_EQ(s.pmText, "午後") << name;
    }
}

} // namespace
} // namespace pixbako
