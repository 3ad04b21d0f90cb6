// Arbitrary bytes through the TIFF-based RAW readers and the RAW containers around them (MRW,
// RAF, CRW, X3F). Every reader must stay inside the data and within its read budget.
#include "engine/shotdate/FormatDates.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace pixbako;
    static const TDateTime now = *encodeDateTime(2026, 7, 15, 9, 0, 0);
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    for (DateReader reader :
         {DateReader::Tiff, DateReader::Mrw, DateReader::Raf, DateReader::Crw, DateReader::X3f}) {
        MemoryRandomSource source(bytes);
        try {
            formatShotDate(reader, source, now);
        } catch (const ShotDateError&) {
            // the JPEG preview of a RAF reports its read errors; anything else is a finding
        }
    }
    return 0;
}
