#pragma once
// The file-type filter of a folder-mode run.
//
// The chosen types become one text such as "JPG,JPEG,AVI,RAW". A file passes when the first
// four characters of its extension (without the dot) occur anywhere in that text, both sides
// in upper case. So "JPG", "jpeg", "Jpe" and even "PEG" pass with the JPG flag, a five-letter
// extension is judged by its first four letters, and a file without an extension never passes.
#include "engine/run/ExtensionChoice.h"

#include <string>
#include <string_view>

namespace pixbako {

// "JPG,JPEG," "BMP," "GIF," "TIF,TIFF," "PNG," "MPG,MPEG," "AVI," "ASF," for the flags that are
// set, in this order, then the free list unchanged.
std::string extensionListText(const ExtensionChoice& choice);

// The extension of a file name without its dot, cut to four Shift-JIS bytes (a character that
// would cross the fourth byte is left out whole); empty when the name has no extension.
std::string extensionKey(std::string_view fileName);

// Whether a file name passes the filter of an extension list text.
bool extensionAccepted(std::string_view fileName, std::string_view extensionList);

} // namespace pixbako
