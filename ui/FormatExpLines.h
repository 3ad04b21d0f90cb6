#pragma once
// The lines of the date-pattern token list beside the pattern fields: each token padded with
// blanks to ten columns (a double-byte character takes two), followed by its explanation.
#include <string>
#include <string_view>
#include <vector>

namespace pixbako {

// Text padded with blanks to `columns` display columns; a longer text stays as it is.
std::string padToColumns(std::string_view text, int columns);

std::vector<std::string> formatExpLines();

} // namespace pixbako
