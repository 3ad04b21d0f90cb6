#pragma once
// Sequence-number styles: how the number of a renamed file is written ("(007)", "-0007-").
// A style comes from the item chosen in the style list; the item's text is its picture.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace pixbako {

// The item texts of the style list, in list order.
inline constexpr std::array<std::string_view, 11> kSequenceStyleItems{
    "xx", "xxx", "(xx)", "(xxx)", "[xx]", "[xxx]", "-xx-", "-xxx-", "(xxxx)", "[xxxx]", "-xxxx-"};

struct SequenceStyle {
    std::string opening;
    int digits = 0;
    std::string closing;
};

// The style of a list item; -1 (no item selected) or any index outside the list gives the
// style of an empty item: no texts and 0 digits.
SequenceStyle sequenceStyleFor(int itemIndex);

// The number with at least `digits` digits, zero-padded on the left; a negative number gets its
// minus before the padded digits; 0 digits writes the number plainly.
std::string numberText(std::int64_t number, int digits);

// The style written around a number: opening + number text + closing.
std::string sequenceText(const SequenceStyle& style, std::int64_t number);

// 10^digits - 1: the highest start number the style allows (0 without digits).
std::int64_t highestStartNumber(const SequenceStyle& style);

// 10^digits: the last number a numbering group may still give (written with one digit more).
std::int64_t sequenceLimit(const SequenceStyle& style);

// What a sample refresh does to the start number: above the style's highest start number it
// becomes 1, otherwise it stays.
std::int64_t adjustedStartNumber(std::int64_t startNumber, const SequenceStyle& style);

} // namespace pixbako
