// Character classification of UTF-8 text: lengths, Shift-JIS widths, ASCII case.
#include "platform/Encoding.h"

namespace pixbako {
namespace {
bool isContinuation(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

// Decodes the character at pos; returns its length and sets cp, or 0 when invalid.
std::size_t decodeAt(std::string_view s, std::size_t pos, char32_t& cp) {
    unsigned char c = static_cast<unsigned char>(s[pos]);
    std::size_t len;
    char32_t min;
    if (c < 0x80) {
        cp = c;
        return 1;
    } else if ((c & 0xE0) == 0xC0) {
        len = 2, cp = c & 0x1F, min = 0x80;
    } else if ((c & 0xF0) == 0xE0) {
        len = 3, cp = c & 0x0F, min = 0x800;
    } else if ((c & 0xF8) == 0xF0) {
        len = 4, cp = c & 0x07, min = 0x10000;
    } else {
        return 0;
    }
    if (pos + len > s.size())
        return 0;
    for (std::size_t i = 1; i < len; ++i) {
        unsigned char d = static_cast<unsigned char>(s[pos + i]);
        if (!isContinuation(d))
            return 0;
        cp = (cp << 6) | (d & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return len;
}
} // namespace

std::size_t utf8CharLength(std::string_view text, std::size_t pos) {
    if (pos >= text.size())
        return 0;
    char32_t cp;
    std::size_t len = decodeAt(text, pos, cp);
    return len == 0 ? 1 : len;
}

bool isDoubleByteChar(std::string_view ch) {
    if (ch.empty())
        return false;
    char32_t cp;
    std::size_t len = decodeAt(ch, 0, cp);
    if (len == 0)
        return false; // a stray byte of a non-UTF-8 name: one byte, as it stands
    if (cp < 0x80)
        return false;
    return !(cp >= 0xFF61 && cp <= 0xFF9F);
}

int sjisByteWidth(std::string_view ch) {
    return isDoubleByteChar(ch) ? 2 : 1;
}

bool isValidUtf8(std::string_view bytes) {
    char32_t cp;
    for (std::size_t pos = 0; pos < bytes.size();) {
        std::size_t len = decodeAt(bytes, pos, cp);
        if (len == 0)
            return false;
        pos += len;
    }
    return true;
}

} // namespace pixbako
