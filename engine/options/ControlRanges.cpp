#include "engine/naming/SequenceStyle.h"
#include "engine/options/Options.h"

#include <algorithm>
#include <limits>

namespace pixbako {
namespace {

constexpr int kExtensionCases = 3; // as is, lower case, upper case
constexpr int kExtensionModes = 2; // all files, chosen types
constexpr int kParameterModes = 3; // none, automatic, given
constexpr int kThumbnailSizeMin = 20;
constexpr int kThumbnailSizeMax = 120;
constexpr int kSortTypes = 4; // none, file name, full name, shot date

int item(int index, int count) {
    return index >= 0 && index < count ? index : -1;
}

} // namespace

Options withinControlRanges(Options o) {
    o.sequenceStyleIndex = item(o.sequenceStyleIndex, static_cast<int>(kSequenceStyleItems.size()));
    o.extensionCase = item(o.extensionCase, kExtensionCases);
    o.extensionMode = item(o.extensionMode, kExtensionModes);
    o.programParameterMode = item(o.programParameterMode, kParameterModes);
    // The start number's spin box goes up to the style's highest start number (without digits,
    // as far as it can count), and the sample refresh that follows every change puts a number
    // above that highest number back to 1.
    const SequenceStyle style = sequenceStyleFor(o.sequenceStyleIndex);
    const std::int64_t highest = highestStartNumber(style);
    o.startNumber = std::clamp<std::int64_t>(
        o.startNumber, 0, highest > 0 ? highest : std::numeric_limits<int>::max());
    o.startNumber = adjustedStartNumber(o.startNumber, style);
    o.thumbnailMode = o.thumbnailMode == 0 ? 0 : 1;
    o.thumbnailSize = std::clamp(o.thumbnailSize, kThumbnailSizeMin, kThumbnailSizeMax);
    o.sortType = o.sortType >= 0 && o.sortType < kSortTypes ? o.sortType : 0;
    return o;
}

} // namespace pixbako
