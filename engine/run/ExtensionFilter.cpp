#include "engine/run/ExtensionFilter.h"

#include "engine/naming/Names.h"
#include "platform/AsciiCase.h"
#include "platform/Encoding.h"

namespace pixbako {

std::string extensionListText(const ExtensionChoice& choice) {
    std::string list;
    if (choice.JPG)
        list += "JPG,JPEG,";
    if (choice.BMP)
        list += "BMP,";
    if (choice.GIF)
        list += "GIF,";
    if (choice.TIF)
        list += "TIF,TIFF,";
    if (choice.PNG)
        list += "PNG,";
    if (choice.MPG)
        list += "MPG,MPEG,";
    if (choice.AVI)
        list += "AVI,";
    if (choice.ASF)
        list += "ASF,";
    return list + choice.freeList;
}

std::string extensionKey(std::string_view fileName) {
    std::string withDot = extensionOf(fileName);
    std::string_view extension =
        withDot.empty() ? std::string_view() : std::string_view(withDot).substr(1);
    std::string key;
    int bytes = 0;
    for (std::size_t pos = 0; pos < extension.size();) {
        std::size_t length = utf8CharLength(extension, pos);
        std::string_view ch = extension.substr(pos, length);
        bytes += sjisByteWidth(ch);
        if (bytes > 4)
            break;
        key += ch;
        pos += length;
    }
    return key;
}

bool extensionAccepted(std::string_view fileName, std::string_view extensionList) {
    std::string key = extensionKey(fileName);
    // An empty piece would be found in any text; a file without an extension never passes.
    return !key.empty() && asciiUpper(extensionList).find(asciiUpper(key)) != std::string::npos;
}

} // namespace pixbako
