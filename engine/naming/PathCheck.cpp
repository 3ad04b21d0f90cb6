#include "engine/naming/PathCheck.h"

#include "platform/Encoding.h"

namespace pixbako {

std::string_view forbiddenCharsFor(int mode) {
    if (mode == kCheckFullPath)
        return R"(\?;*"<>|)";
    if (mode < 1)
        mode = 1;
    if (mode > static_cast<int>(kForbiddenNameChars.size()))
        return {};
    return kForbiddenNameChars.substr(static_cast<std::size_t>(mode - 1));
}

char firstForbiddenChar(std::string_view text, int mode) {
    std::string_view forbidden = forbiddenCharsFor(mode);
    if (forbidden.empty())
        return 0;
    // Scanning by character keeps the check right for any encoding in which a trailing byte
    // can look like "\"; in UTF-8 no byte of a multi-byte character is ASCII anyway.
    bool found[128] = {};
    for (std::size_t pos = 0; pos < text.size();) {
        std::size_t len = utf8CharLength(text, pos);
        unsigned char c = static_cast<unsigned char>(text[pos]);
        if (len == 1 && c < 0x80 && forbidden.find(static_cast<char>(c)) != std::string_view::npos)
            found[c] = true;
        pos += len;
    }
    // The list order decides which one is reported.
    for (char c : forbidden)
        if (found[static_cast<unsigned char>(c)])
            return c;
    return 0;
}

std::string pathchkMessage(std::string_view text) {
    std::string message = "ファイル/フォルダ名に使えない文字が有ります\r\n『";
    message += text;
    message += "』\r\n\r\n";
    message += kForbiddenNameChars;
    message += "は使えません\r\n処理を中止します";
    return message;
}

bool pathchk(std::string_view text, int mode, IDialogs& dialogs) {
    if (firstForbiddenChar(text, mode) == 0)
        return true;
    dialogs.beep(BeepKind::Hand);
    dialogs.messageBox(pathchkMessage(text), BoxIcon::Error, BoxButtons::Ok);
    return false;
}

} // namespace pixbako
