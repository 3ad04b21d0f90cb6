#pragma once
// Text encodings. Inside the program text is UTF-8; the text files that travel between this
// machine and Windows PCs are CP932 (Shift-JIS) with CRLF line ends, or UTF-8 with a BOM when
// CP932 can't hold the text.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace pixbako {

// Length in bytes of the UTF-8 character at pos (1 for a byte that starts no valid sequence).
std::size_t utf8CharLength(std::string_view text, std::size_t pos);

// True for a character that Shift-JIS writes with two bytes: every non-ASCII character except
// half-width katakana (U+FF61..U+FF9F); characters outside Shift-JIS count as double-byte too.
// `ch` is one UTF-8 character as cut by utf8CharLength.
bool isDoubleByteChar(std::string_view ch);

// Shift-JIS bytes of one UTF-8 character: 1 or 2.
int sjisByteWidth(std::string_view ch);

bool isValidUtf8(std::string_view bytes);

// nullopt when some character has no CP932 form.
std::optional<std::string> utf8ToCp932(std::string_view utf8);
// Bytes that don't form CP932 characters become U+FFFD.
std::string cp932ToUtf8(std::string_view cp932);

// The bytes of a text file that the program writes for itself: CP932 when the whole text can
// be encoded and decodeTextFile gives it back unchanged, otherwise UTF-8 with a BOM. The
// text's line ends are written as they stand.
std::string encodeTextFile(std::string_view utf8);
// Reading: a UTF-8 BOM means UTF-8 (BOM removed). A file without one is CP932, unless its bytes
// are not valid CP932 and are valid UTF-8; bytes that are neither read as CP932 with U+FFFD for
// what forms no character.
std::string decodeTextFile(std::string_view bytes);

} // namespace pixbako
