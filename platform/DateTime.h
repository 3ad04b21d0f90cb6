#pragma once
// The date-time value shared by the whole program: days since 30 December 1899 plus the
// fraction of the day (so 0.5 is noon of that day). Values are local time. Decoding rounds
// to whole milliseconds first, so a value built from fields decodes to the same fields.
#include <cstdint>
#include <optional>

namespace pixbako {

using TDateTime = double;

// A local date and time as its fields, to the millisecond: the form shot dates are kept in.
// Fields compare in their order, so comparison is chronological. The default is the scale's
// day 0 at midnight, the date of a time read without a date.
struct LocalDateTime {
    int year = 1899;
    int month = 12;
    int day = 30;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;

    auto operator<=>(const LocalDateTime&) const = default;
};

// The fields of a value together with its day of the week.
struct DateTimeParts : LocalDateTime {
    int dayOfWeek = 7; // 1 = Sunday ... 7 = Saturday
};

bool isLeapYear(int year);
int daysInMonth(int year, int month);

// Valid for years 1 to 9999; nullopt when a field is out of range.
std::optional<TDateTime> encodeDate(int year, int month, int day);
std::optional<TDateTime> encodeTime(int hour, int minute, int second, int millisecond);
std::optional<TDateTime> encodeDateTime(int year, int month, int day, int hour, int minute,
                                        int second, int millisecond = 0);

// Fields of a value; for a negative value the time is taken from the absolute fraction.
DateTimeParts decodeDateTime(TDateTime value);

// Whole milliseconds since the scale's day 0; the exact integer form used for comparisons.
std::int64_t toMilliseconds(TDateTime value);
TDateTime fromMilliseconds(std::int64_t ms);

// nullopt when a field is out of range (years 1 to 9999, as encodeDateTime).
std::optional<LocalDateTime> makeLocalDateTime(int year, int month, int day, int hour = 0,
                                               int minute = 0, int second = 0, int millisecond = 0);
// The fields of a value, and the value of fields (for the date-pattern formatter).
LocalDateTime localDateTimeOf(TDateTime value);
TDateTime dateTimeValue(const LocalDateTime& value);
std::int64_t toMilliseconds(const LocalDateTime& value);

} // namespace pixbako
