// Whether bytes can be a settings file at all, before they are read as one.
#include "platform/Encoding.h"
#include "platform/IniFile.h"
#include "platform/IniLines.h"

namespace pixbako {
namespace {

bool isAllowedControl(unsigned char c) {
    return c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == 0x1A;
}

bool looksLikeUtf16(std::string_view bytes) {
    if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF"))
        return true;
    // Without a byte-order mark: ASCII text with a NUL beside every character.
    if (bytes.size() < 2)
        return false;
    auto ascii = [](char c) { return c != 0 && static_cast<unsigned char>(c) < 0x80; };
    return (bytes[0] == 0 && ascii(bytes[1])) || (ascii(bytes[0]) && bytes[1] == 0);
}

} // namespace

bool isSettingsText(std::string_view bytes) {
    return settingsTextProblem(bytes) == SettingsTextProblem::None;
}

SettingsTextProblem settingsTextProblem(std::string_view bytes) {
    if (bytes.size() > IniFile::kMaxSettingsFileBytes)
        return SettingsTextProblem::TooLarge;
    if (looksLikeUtf16(bytes))
        return SettingsTextProblem::Utf16;
    for (char c : bytes) {
        auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 && !isAllowedControl(byte))
            return SettingsTextProblem::ControlBytes;
    }
    bool tooLong = false;
    ini::forEachLine(bytes, [&](std::string_view line) {
        tooLong = tooLong || line.size() > IniFile::kMaxSettingsLineBytes;
    });
    if (tooLong)
        return SettingsTextProblem::LineTooLong;
    // Bytes that form no character are no sign of garbage: they cost one value its text, while
    // taking the whole file for garbage would let the next save drop every other section.
    std::string text = decodeTextFile(bytes);
    bool section = false;
    bool stray = false;
    ini::forEachLine(text, [&](std::string_view line) {
        line = ini::trimControlsAndBlanks(line);
        if (section || line.empty() || line.front() == ';')
            return;
        if (ini::isSectionLine(line))
            section = true;
        else
            stray = true;
    });
    return section || !stray ? SettingsTextProblem::None : SettingsTextProblem::NoSection;
}

} // namespace pixbako
