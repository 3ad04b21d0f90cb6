#include "engine/datepattern/JapaneseEra.h"

#include <array>

namespace pixbako {
namespace {
struct Era {
    std::string_view name;
    int year, month, day; // first day of the era
};

// Newest first, so the first era that has begun by a date is its era.
constexpr std::array<Era, 5> kEras{{
    {"令和", 2019, 5, 1},
    {"平成", 1989, 1, 8},
    {"昭和", 1926, 12, 25},
    {"大正", 1912, 7, 30},
    {"明治", 1868, 1, 1},
}};

constexpr bool notBefore(int year, int month, int day, const Era& era) {
    if (year != era.year)
        return year > era.year;
    if (month != era.month)
        return month > era.month;
    return day >= era.day;
}
} // namespace

std::optional<JapaneseEraDate> japaneseEraOf(int year, int month, int day) {
    for (const Era& era : kEras)
        if (notBefore(year, month, day, era))
            return JapaneseEraDate{era.name, year - era.year + 1};
    return std::nullopt;
}

} // namespace pixbako
