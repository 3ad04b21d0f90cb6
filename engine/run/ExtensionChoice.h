#pragma once
// Which file types a folder-mode run imports when the extension mode is "chosen types": eight
// type flags and a free comma-separated list of further extensions.
#include <string>

namespace pixbako {

struct ExtensionChoice {
    bool JPG = false;
    bool BMP = false;
    bool GIF = false;
    bool PNG = false;
    bool TIF = false;
    bool AVI = false;
    bool MPG = false;
    bool ASF = false;
    std::string freeList; // e.g. "RAW,CRW", used unchanged

    bool operator==(const ExtensionChoice&) const = default;
};

} // namespace pixbako
