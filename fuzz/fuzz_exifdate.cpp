// Arbitrary bytes through the shot-date reader: the marker walk, the EXIF directory search and
// the date-text reading, each also on the raw input so that the fuzzer reaches the later
// stages without first having to build a whole JPEG structure.
#include "engine/shotdate/ShotDate.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace pixbako;
    static const TDateTime now = *encodeDateTime(2026, 7, 15, 9, 0, 0);
    std::string_view bytes(reinterpret_cast<const char*>(data), size);

    MemorySource source(bytes);
    try {
        exifShotDate(source, now);
    } catch (const ShotDateError&) {
    }
    try {
        findExifDateText(bytes);
    } catch (const ShotDateError&) {
    }
    parseDateText(bytes, now);
    return 0;
}
