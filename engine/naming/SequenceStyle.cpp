#include "engine/naming/SequenceStyle.h"

#include <algorithm>

namespace pixbako {
namespace {
// Beyond 18 digits a power of ten no longer fits; no style comes near it.
std::int64_t powerOfTen(int digits) {
    std::int64_t value = 1;
    for (int i = 0; i < std::clamp(digits, 0, 18); ++i)
        value *= 10;
    return value;
}
} // namespace

SequenceStyle sequenceStyleFor(int itemIndex) {
    if (itemIndex < 0 || itemIndex >= static_cast<int>(kSequenceStyleItems.size()))
        return {};
    std::string_view item = kSequenceStyleItems[static_cast<std::size_t>(itemIndex)];
    if (itemIndex <= 1)
        return {"", static_cast<int>(item.size()), ""};
    // The item's first and last characters surround its digit places.
    return {std::string(item.substr(0, 1)), static_cast<int>(item.size()) - 2,
            std::string(item.substr(item.size() - 1))};
}

std::string numberText(std::int64_t number, int digits) {
    // Through the unsigned magnitude, so that the lowest 64-bit number has a magnitude too.
    std::uint64_t magnitude =
        number < 0 ? 0 - static_cast<std::uint64_t>(number) : static_cast<std::uint64_t>(number);
    std::string text = std::to_string(magnitude);
    if (static_cast<int>(text.size()) < digits)
        text.insert(0, static_cast<std::size_t>(digits) - text.size(), '0');
    return number < 0 ? "-" + text : text;
}

std::string sequenceText(const SequenceStyle& style, std::int64_t number) {
    return style.opening + numberText(number, style.digits) + style.closing;
}

std::int64_t highestStartNumber(const SequenceStyle& style) {
    return powerOfTen(style.digits) - 1;
}

std::int64_t sequenceLimit(const SequenceStyle& style) {
    return powerOfTen(style.digits);
}

std::int64_t adjustedStartNumber(std::int64_t startNumber, const SequenceStyle& style) {
    return startNumber > highestStartNumber(style) ? 1 : startNumber;
}

} // namespace pixbako
