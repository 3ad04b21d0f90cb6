// Arbitrary bytes through the AVI reader (RIFF chunks, IDIT texts, EXIF blocks in strd) and
// the date text forms it shares with the other readers.
#include "engine/shotdate/FormatDates.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace pixbako;
    static const TDateTime now = *encodeDateTime(2026, 7, 15, 9, 0, 0);
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    MemoryRandomSource source(bytes);
    formatShotDate(DateReader::Avi, source, now);
    cameraDateText(bytes);
    return 0;
}
