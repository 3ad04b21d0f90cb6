// Arbitrary bytes through the readers of box files: QuickTime and MP4 movies, CR3 and HEIF.
#include "engine/shotdate/FormatDates.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace pixbako;
    static const TDateTime now = *encodeDateTime(2026, 7, 15, 9, 0, 0);
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    for (DateReader reader : {DateReader::QuickTime, DateReader::Cr3, DateReader::Heif}) {
        MemoryRandomSource source(bytes);
        formatShotDate(reader, source, now);
    }
    return 0;
}
