// Arbitrary bytes as a RAW file's previews: the TIFF, RAF and CR3 walks that find them, the
// choice among them and the decode of the chosen ones, as the thumbnail of a RAW file makes it.
#include "engine/thumbnail/RawPreview.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace pixbako;
    MemoryAccess file(std::string(reinterpret_cast<const char*>(data), size));
    decodeRawPreview(file, 120);
    return 0;
}
