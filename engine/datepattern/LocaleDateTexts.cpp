// Reads the user's locale for dates through the C library (newlocale + nl_langinfo_l), without
// touching the process's global locale.
#include "engine/datepattern/DateFormat.h"

#include <cstdlib>
#include <iconv.h>
#include <langinfo.h>
#include <locale.h>

namespace pixbako {
namespace {

// The locale name that decides dates, as the C library itself would pick it.
std::string localeNameFromEnvironment() {
    for (const char* variable : {"LC_ALL", "LC_TIME", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value != nullptr && *value != '\0')
            return value;
    }
    return "C";
}

// Locale texts come in the locale's code set; ours are UTF-8. Bytes that can't be converted
// are dropped rather than passed on as invalid text.
class ToUtf8 {
public:
    explicit ToUtf8(const char* codeset) {
        std::string_view name = codeset != nullptr ? codeset : "";
        if (name != "UTF-8" && name != "utf8" && !name.empty())
            cd_ = iconv_open("UTF-8//IGNORE", codeset);
    }
    ~ToUtf8() {
        if (cd_ != reinterpret_cast<iconv_t>(-1))
            iconv_close(cd_);
    }
    ToUtf8(const ToUtf8&) = delete;
    ToUtf8& operator=(const ToUtf8&) = delete;

    std::string operator()(const char* text) const {
        if (text == nullptr)
            return {};
        std::string in(text);
        if (cd_ == reinterpret_cast<iconv_t>(-1))
            return in;
        std::string out(in.size() * 4 + 4, '\0');
        char* src = in.data();
        std::size_t srcLeft = in.size();
        char* dst = out.data();
        std::size_t dstLeft = out.size();
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
        out.resize(out.size() - dstLeft);
        return out;
    }

private:
    iconv_t cd_ = reinterpret_cast<iconv_t>(-1);
};

} // namespace

DateTextSettings dateTextSettingsFromLocale() {
    LocaleTimeTexts texts;
    texts.name = localeNameFromEnvironment();
    locale_t loc = newlocale(LC_TIME_MASK | LC_CTYPE_MASK, texts.name.c_str(), locale_t{});
    if (loc == locale_t{}) {
        texts.name = "C"; // not installed: the C library would fall back to C as well
        return dateTextSettingsFromLocaleTexts(texts);
    }
    ToUtf8 utf8(nl_langinfo_l(CODESET, loc));
    auto info = [&](nl_item item) { return utf8(nl_langinfo_l(item, loc)); };
    texts.dateFormat = info(D_FMT);
    texts.timeFormat = info(T_FMT);
    texts.timeFormatAmPm = info(T_FMT_AMPM);
    texts.amText = info(AM_STR);
    texts.pmText = info(PM_STR);
    static constexpr nl_item kMonths[12] = {MON_1, MON_2, MON_3, MON_4,  MON_5,  MON_6,
                                            MON_7, MON_8, MON_9, MON_10, MON_11, MON_12};
    static constexpr nl_item kShortMonths[12] = {ABMON_1, ABMON_2,  ABMON_3,  ABMON_4,
                                                 ABMON_5, ABMON_6,  ABMON_7,  ABMON_8,
                                                 ABMON_9, ABMON_10, ABMON_11, ABMON_12};
    static constexpr nl_item kDays[7] = {DAY_1, DAY_2, DAY_3, DAY_4, DAY_5, DAY_6, DAY_7};
    static constexpr nl_item kShortDays[7] = {ABDAY_1, ABDAY_2, ABDAY_3, ABDAY_4,
                                              ABDAY_5, ABDAY_6, ABDAY_7};
    for (int m = 0; m < 12; ++m) {
        texts.longMonthNames[m] = info(kMonths[m]);
        texts.shortMonthNames[m] = info(kShortMonths[m]);
    }
    for (int d = 0; d < 7; ++d) { // DAY_1 is Sunday, as ours
        texts.longDayNames[d] = info(kDays[d]);
        texts.shortDayNames[d] = info(kShortDays[d]);
    }
    freelocale(loc);
    return dateTextSettingsFromLocaleTexts(texts);
}

} // namespace pixbako
