#pragma once
// Case rules for ASCII letters only: extensions, wildcard patterns, INI section and key names,
// format tokens. Every other byte, UTF-8 included, is compared exactly.
#include <string>
#include <string_view>

namespace pixbako {

constexpr char asciiUpper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}
constexpr char asciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string asciiUpper(std::string_view text);
std::string asciiLower(std::string_view text);

bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b);
bool startsWithIgnoringAsciiCase(std::string_view text, std::string_view prefix);

} // namespace pixbako
