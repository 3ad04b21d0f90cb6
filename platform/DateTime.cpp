#include "platform/DateTime.h"

#include <cmath>

namespace pixbako {
namespace {
constexpr std::int64_t msPerDay = 86'400'000;

constexpr bool leapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

// Days from 0001-01-01 to the given date (proleptic Gregorian), 0 for 0001-01-01.
// constexpr so that the scale's start is fixed at compile time: date constants in other files
// may be built during static initialisation.
constexpr std::int64_t daysFromCivilStart(int year, int month, int day) {
    constexpr int before[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
    std::int64_t y = year - 1;
    std::int64_t days = y * 365 + y / 4 - y / 100 + y / 400 + before[month - 1];
    if (month > 2 && leapYear(year))
        ++days;
    return days + day - 1;
}
// 1899-12-30 counted from 0001-01-01.
constexpr std::int64_t scaleStart = daysFromCivilStart(1899, 12, 30);
} // namespace

bool isLeapYear(int year) {
    return leapYear(year);
}

int daysInMonth(int year, int month) {
    static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12)
        return 0;
    return month == 2 && isLeapYear(year) ? 29 : days[month - 1];
}

std::optional<TDateTime> encodeDate(int year, int month, int day) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
        day > daysInMonth(year, month))
        return std::nullopt;
    return static_cast<TDateTime>(daysFromCivilStart(year, month, day) - scaleStart);
}

std::optional<TDateTime> encodeTime(int hour, int minute, int second, int millisecond) {
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 ||
        millisecond < 0 || millisecond > 999)
        return std::nullopt;
    std::int64_t ms = ((hour * 60LL + minute) * 60 + second) * 1000 + millisecond;
    return static_cast<TDateTime>(ms) / msPerDay;
}

std::optional<TDateTime> encodeDateTime(int year, int month, int day, int hour, int minute,
                                        int second, int millisecond) {
    auto date = encodeDate(year, month, day);
    auto time = encodeTime(hour, minute, second, millisecond);
    if (!date || !time)
        return std::nullopt;
    // Negative days carry the time as a positive fraction away from zero.
    return *date >= 0 ? *date + *time : *date - *time;
}

std::int64_t toMilliseconds(TDateTime value) {
    double days = std::trunc(value);
    double frac = std::fabs(value - days);
    std::int64_t ms = static_cast<std::int64_t>(std::llround(frac * msPerDay));
    return static_cast<std::int64_t>(days) * msPerDay + (value < 0 ? -ms : ms);
}

TDateTime fromMilliseconds(std::int64_t ms) {
    std::int64_t days = ms / msPerDay;
    std::int64_t rest = ms % msPerDay;
    return static_cast<TDateTime>(days) + static_cast<TDateTime>(rest) / msPerDay;
}

DateTimeParts decodeDateTime(TDateTime value) {
    DateTimeParts p;
    if (!std::isfinite(value) || std::fabs(value) > 3'000'000.0)
        return p;
    double days = std::trunc(value);
    std::int64_t ms = std::llround(std::fabs(value - days) * msPerDay);
    std::int64_t day = static_cast<std::int64_t>(days);
    if (ms >= msPerDay) { // rounding reached the next day
        ms -= msPerDay;
        day += value < 0 ? -1 : 1;
    }
    p.hour = static_cast<int>(ms / 3'600'000);
    p.minute = static_cast<int>(ms / 60'000 % 60);
    p.second = static_cast<int>(ms / 1000 % 60);
    p.millisecond = static_cast<int>(ms % 1000);

    std::int64_t civil = day + scaleStart; // days since 0001-01-01
    if (civil < 0)
        return p;
    // 0001-01-01 was a Monday.
    p.dayOfWeek = static_cast<int>((civil + 1) % 7) + 1;
    // Civil date from a day count (H. Hinnant's algorithm), shifted to 1970-01-01.
    std::int64_t z = civil - daysFromCivilStart(1970, 1, 1) + 719468;
    std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    std::int64_t doe = z - era * 146097;
    std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    std::int64_t mp = (5 * doy + 2) / 153;
    p.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    p.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    p.year = static_cast<int>(yoe + era * 400 + (p.month <= 2 ? 1 : 0));
    return p;
}

std::optional<LocalDateTime> makeLocalDateTime(int year, int month, int day, int hour, int minute,
                                               int second, int millisecond) {
    if (!encodeDate(year, month, day) || !encodeTime(hour, minute, second, millisecond))
        return std::nullopt;
    return LocalDateTime{year, month, day, hour, minute, second, millisecond};
}

LocalDateTime localDateTimeOf(TDateTime value) {
    return decodeDateTime(value); // without its day of the week
}

TDateTime dateTimeValue(const LocalDateTime& value) {
    return encodeDateTime(value.year, value.month, value.day, value.hour, value.minute,
                          value.second, value.millisecond)
        .value_or(0);
}

std::int64_t toMilliseconds(const LocalDateTime& value) {
    return toMilliseconds(dateTimeValue(value));
}

} // namespace pixbako
