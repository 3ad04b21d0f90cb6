#pragma once
// The Japanese era calendar for the era tokens of date patterns: our own table of the eras
// since the calendar reform, each with its first day.
#include <optional>
#include <string_view>

namespace pixbako {

struct JapaneseEraDate {
    std::string_view eraName; // UTF-8, e.g. "平成"
    int eraYear = 0;          // 1 in the era's first (partial) year
};

// nullopt for a date before the first era of the table (1868-01-01).
std::optional<JapaneseEraDate> japaneseEraOf(int year, int month, int day);

} // namespace pixbako
