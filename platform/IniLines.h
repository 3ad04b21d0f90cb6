#pragma once
// Line-level helpers shared by the INI reader and the settings-text check.
#include <string_view>

namespace pixbako::ini {

// Calls `visit` with every line of `text`, split at CR, LF or CRLF.
template <class Visit> void forEachLine(std::string_view text, Visit visit) {
    std::size_t start = 0;
    while (start < text.size()) {
        auto end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            visit(text.substr(start));
            return;
        }
        visit(text.substr(start, end - start));
        start = end + (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? 2 : 1);
    }
}

// Blanks and control characters, as the settings reader trims them.
inline bool isControlOrBlank(char c) {
    return static_cast<unsigned char>(c) <= 0x20;
}

inline std::string_view trimControlsAndBlanks(std::string_view text) {
    while (!text.empty() && isControlOrBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isControlOrBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// A settings heading: "[name]" as a whole (trimmed) line.
inline bool isSectionLine(std::string_view trimmed) {
    return trimmed.size() >= 2 && trimmed.front() == '[' && trimmed.back() == ']';
}

} // namespace pixbako::ini
