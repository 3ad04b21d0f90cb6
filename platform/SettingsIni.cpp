#include "platform/SettingsIni.h"

#include "platform/AsciiCase.h"
#include "platform/Encoding.h"
#include "platform/Paths.h"
#include "platform/SmallTextFile.h"

#include <cerrno>
#include <charconv>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace pixbako {
namespace {

// Blanks and control characters, as the settings reader trims them.
bool isTrimmed(char c) {
    return static_cast<unsigned char>(c) <= 0x20;
}

std::string_view trim(std::string_view text) {
    while (!text.empty() && isTrimmed(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isTrimmed(text.back()))
        text.remove_suffix(1);
    return text;
}

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

bool isSectionLine(std::string_view trimmed) {
    return trimmed.size() >= 2 && trimmed.front() == '[' && trimmed.back() == ']';
}

bool isAllowedControl(unsigned char c) {
    return c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == 0x1A;
}

// A value must stay on its line and read back as written: control characters become blanks.
std::string oneLine(std::string_view value) {
    std::string out(value);
    for (char& c : out)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = ' ';
    return out;
}

bool isEnclosedInQuotes(std::string_view value) {
    return value.size() >= 2 && value.front() == '"' && value.back() == '"';
}

// A value that reading would change: blanks at an end would be trimmed, and a quoted text
// whose inside would need quotes would lose its pair. Everything else is written as it stands,
// so files of values without blanks at their ends look exactly as they always did.
bool needsQuotes(std::string_view value) {
    while (true) {
        if (value.empty())
            return false;
        if (isTrimmed(value.front()) || isTrimmed(value.back()))
            return true;
        if (!isEnclosedInQuotes(value))
            return false;
        value = value.substr(1, value.size() - 2);
    }
}

std::string storedForm(std::string_view value) {
    std::string line = oneLine(value);
    return needsQuotes(line) ? '"' + line + '"' : line;
}

std::string_view valueOf(std::string_view stored) {
    if (isEnclosedInQuotes(stored) && needsQuotes(stored.substr(1, stored.size() - 2)))
        return stored.substr(1, stored.size() - 2);
    return stored;
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

// The target a chain of symbolic links at `path` ends in (the path itself when it is none), so
// that a linked settings file is replaced where it lives and the link stays.
std::string followLinks(std::string path) {
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return path;
        std::string target(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 4096) + 1, '\0');
        ssize_t length = ::readlink(path.c_str(), target.data(), target.size());
        if (length < 0 || static_cast<std::size_t>(length) >= target.size())
            return path;
        target.resize(static_cast<std::size_t>(length));
        if (target.empty())
            return path;
        if (target.front() != '/') {
            target = folderPartOf(path) + target;
        }
        path = std::move(target);
    }
    return path;
}

std::optional<std::int32_t> parseInteger(std::string_view text) {
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        std::uint32_t bits = 0;
        auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), bits, 16);
        if (error != std::errc() || end != text.data() + text.size())
            return std::nullopt;
        return static_cast<std::int32_t>(bits); // the 32-bit pattern, as a C program writes it
    }
    bool plus = !text.empty() && text[0] == '+';
    if (plus)
        text.remove_prefix(1); // from_chars takes a minus only
    if (plus && (text.empty() || text[0] == '-'))
        return std::nullopt;
    std::int32_t number = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number, 10);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return number;
}

} // namespace

bool isSettingsText(std::string_view bytes) {
    return settingsTextProblem(bytes) == SettingsTextProblem::None;
}

SettingsTextProblem settingsTextProblem(std::string_view bytes) {
    if (bytes.size() > SettingsIni::kMaxFileBytes)
        return SettingsTextProblem::TooLarge;
    if (looksLikeUtf16(bytes))
        return SettingsTextProblem::Utf16;
    for (char c : bytes) {
        auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 && !isAllowedControl(byte))
            return SettingsTextProblem::ControlBytes;
    }
    bool tooLong = false;
    forEachLine(bytes, [&](std::string_view line) {
        tooLong = tooLong || line.size() > SettingsIni::kMaxLineBytes;
    });
    if (tooLong)
        return SettingsTextProblem::LineTooLong;
    // Bytes that form no character are no sign of garbage: they cost one value its text, while
    // taking the whole file for garbage would let the next save drop every other section.
    std::string text = decodeTextFile(bytes);
    bool section = false;
    bool stray = false;
    forEachLine(text, [&](std::string_view line) {
        line = trim(line);
        if (section || line.empty() || line.front() == ';')
            return;
        if (isSectionLine(line))
            section = true;
        else
            stray = true;
    });
    return section || !stray ? SettingsTextProblem::None : SettingsTextProblem::NoSection;
}

SettingsIni::SettingsIni(std::string path) : path_(std::move(path)) {
    SmallTextFileRead read = readSmallTextFile(path_, kMaxFileBytes);
    const int error = read.error;
    // A file too big for settings is garbage, kept until the user saves, like any other.
    if (error == EFBIG) {
        status_ = LoadStatus::NotSettings;
        problem_ = SettingsTextProblem::TooLarge;
        return;
    }
    if (error) {
        // ENOTDIR: a file stands where a folder of the path should be, so no settings exist.
        status_ = error == ENOENT || error == ENOTDIR ? LoadStatus::Missing : LoadStatus::Failed;
        loadError_ = status_ == LoadStatus::Failed ? error : 0;
        return;
    }
    const std::string& bytes = read.bytes;
    problem_ = settingsTextProblem(bytes);
    if (problem_ != SettingsTextProblem::None) {
        status_ = LoadStatus::NotSettings;
        return;
    }
    parse(decodeTextFile(bytes));
    status_ = LoadStatus::Loaded;
}

void SettingsIni::parse(std::string_view text) {
    sections_.clear();
    forEachLine(text, [this](std::string_view raw) {
        std::string_view line = trim(raw);
        if (line.empty() || line.front() == ';')
            return;
        if (isSectionLine(line)) {
            sections_.push_back({std::string(trim(line.substr(1, line.size() - 2))), {}});
            return;
        }
        if (sections_.empty())
            return;
        auto equals = line.find('=');
        if (equals == std::string_view::npos) {
            sections_.back().lines.push_back({std::string(line), std::string::npos});
            return;
        }
        std::string key(trim(line.substr(0, equals)));
        std::size_t at = key.size();
        key += '=';
        key += trim(line.substr(equals + 1));
        sections_.back().lines.push_back({std::move(key), at});
    });
}

std::string SettingsIni::text() const {
    std::string out;
    for (const auto& section : sections_) {
        out += '[';
        out += section.name;
        out += "]\r\n";
        for (const auto& line : section.lines) {
            out += line.text;
            out += "\r\n";
        }
        out += "\r\n";
    }
    return out;
}

const SettingsIni::Section* SettingsIni::findSection(std::string_view name) const {
    for (const auto& section : sections_)
        if (equalsIgnoringAsciiCase(section.name, name))
            return &section;
    return nullptr;
}

SettingsIni::Section* SettingsIni::findSection(std::string_view name) {
    return const_cast<Section*>(std::as_const(*this).findSection(name));
}

std::optional<std::string> SettingsIni::value(std::string_view section,
                                              std::string_view key) const {
    auto stored = storedValue(section, key);
    if (!stored)
        return std::nullopt;
    return std::string(valueOf(*stored));
}

std::optional<std::string> SettingsIni::storedValue(std::string_view section,
                                                    std::string_view key) const {
    const Section* found = findSection(section);
    if (!found)
        return std::nullopt;
    for (const auto& line : found->lines) {
        if (line.equals == std::string::npos)
            continue;
        std::string_view text = line.text;
        if (equalsIgnoringAsciiCase(text.substr(0, line.equals), key))
            return std::string(text.substr(line.equals + 1));
    }
    return std::nullopt;
}

std::string SettingsIni::readString(std::string_view section, std::string_view key,
                                    std::string_view defaultValue) const {
    auto found = value(section, key);
    return found ? *found : std::string(defaultValue);
}

std::int32_t SettingsIni::readInteger(std::string_view section, std::string_view key,
                                      std::int32_t defaultValue) const {
    auto found = value(section, key);
    if (!found)
        return defaultValue;
    return parseInteger(*found).value_or(defaultValue);
}

bool SettingsIni::readBool(std::string_view section, std::string_view key,
                           bool defaultValue) const {
    return readInteger(section, key, defaultValue ? 1 : 0) != 0;
}

void SettingsIni::writeString(std::string_view section, std::string_view key,
                              std::string_view value) {
    Line line{std::string(key) + '=' + storedForm(value), key.size()};
    Section* target = findSection(section);
    if (!target) {
        sections_.push_back({std::string(section), {}});
        target = &sections_.back();
    }
    for (auto& existing : target->lines) {
        if (existing.equals != std::string::npos &&
            equalsIgnoringAsciiCase(std::string_view(existing.text).substr(0, existing.equals),
                                    key)) {
            existing = std::move(line);
            return;
        }
    }
    target->lines.push_back(std::move(line));
}

void SettingsIni::writeInteger(std::string_view section, std::string_view key, std::int64_t value) {
    writeString(section, key, std::to_string(value));
}

void SettingsIni::writeBool(std::string_view section, std::string_view key, bool value) {
    writeString(section, key, value ? "1" : "0");
}

AtomicWriteResult SettingsIni::save() const {
    return writeFileAtomically(followLinks(path_), encodeTextFile(text()));
}

} // namespace pixbako
