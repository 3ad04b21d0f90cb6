#include "ui/FormatExpLines.h"

#include "platform/Encoding.h"

#include <array>
#include <utility>

namespace pixbako {
namespace {

constexpr int kTokenColumns = 10;

// Token and explanation, in list order. The explanation of "a/p" ends in one blank.
constexpr std::array<std::pair<std::string_view, std::string_view>, 24> kTokens{{
    {R"(""で囲む)", "任意の文字列"},
    {"gg", "元号"},
    {"e", "和暦ゼロなし(0～99)"},
    {"ee", "和暦ゼロ付き(00～99)"},
    {"yy", "西暦を 2 桁の数字(00～99)"},
    {"yyyy", "西暦を4桁(0000～9999)"},
    {"m", "月を先頭のゼロなし（1～12）"},
    {"mm", "月を先頭のゼロ付き（01～12）"},
    {"mmmm", "月を完全形（1月～ 12月）"},
    {"d", "日を先頭のゼロなし（1 ～ 31）"},
    {"dd", "日を先頭のゼロ付き（01 ～ 31）"},
    {"aaa", "曜日を省略形（日～土）"},
    {"aaaa", "曜日を全形（日曜日～土曜日）"},
    {"dddddd", "長い形式の日付"},
    {"h", "時を先頭のゼロなし（0 ～ 23）"},
    {"hh", "時を先頭のゼロ付き（00 ～ 23）"},
    {"n", "分を先頭のゼロなし（0 ～ 59）"},
    {"nn", "分を先頭のゼロ付き（00 ～ 59）"},
    {"s", "秒を先頭のゼロなし（0 ～ 59）"},
    {"ss", "秒を先頭のゼロ付き（00 ～ 59）"},
    {"am/pm", "am/pm"},
    {"a/p", "a/p "},
    {"ampm", "午前/午後"},
    {"\\", "フォルダ区切り記号"},
}};

} // namespace

std::string padToColumns(std::string_view text, int columns) {
    int width = 0;
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t length = utf8CharLength(text, pos);
        width += sjisByteWidth(text.substr(pos, length));
        pos += length;
    }
    std::string padded(text);
    if (width < columns)
        padded.append(static_cast<std::size_t>(columns - width), ' ');
    return padded;
}

std::vector<std::string> formatExpLines() {
    std::vector<std::string> lines;
    lines.reserve(kTokens.size());
    for (const auto& [token, explanation] : kTokens)
        lines.push_back(padToColumns(token, kTokenColumns) + std::string(explanation));
    return lines;
}

} // namespace pixbako
