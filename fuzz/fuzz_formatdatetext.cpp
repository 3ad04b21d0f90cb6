// libFuzzer target: arbitrary patterns through formatDateText. The first eight bytes choose the
// date-time (any day within the formatter's range, any time, milliseconds included); the rest
// is the pattern. Checks the result's limits rather than its text.
#include "engine/datepattern/DateFormat.h"
#include "platform/Encoding.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

std::size_t sjisLength(std::string_view text) {
    std::size_t bytes = 0;
    for (std::size_t pos = 0; pos < text.size();) {
        std::size_t len = pixbako::utf8CharLength(text, pos);
        bytes += static_cast<std::size_t>(pixbako::sjisByteWidth(text.substr(pos, len)));
        pos += len;
    }
    return bytes;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 8)
        return 0;
    std::uint64_t bits;
    std::memcpy(&bits, data, sizeof bits);
    // Years 1 to about 8000 either side of 1899, to the millisecond.
    std::int64_t ms = static_cast<std::int64_t>(bits % (2ULL * 2'900'000 * 86'400'000ULL)) -
                      2'900'000LL * 86'400'000LL;
    pixbako::TDateTime value = pixbako::fromMilliseconds(ms);
    std::string_view pattern(reinterpret_cast<const char*>(data + 8), size - 8);

    pixbako::DateTextSettings settings = pixbako::japaneseDateTextSettings();
    settings.shortDateForm = std::string(pattern);
    settings.longTimeForm = "hhnnss";
    std::string text = pixbako::formatDateText(pattern, value, settings);

    if (sjisLength(text) > pixbako::kMaxDateTextSjisBytes)
        std::abort();
    if (pixbako::isValidUtf8(pattern) && !pixbako::isValidUtf8(text))
        std::abort();
    return 0;
}
