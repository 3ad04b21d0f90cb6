#include "platform/IniFile.h"

#include "platform/AsciiCase.h"
#include "platform/Encoding.h"
#include "platform/SmallTextFile.h"

#include <cerrno>
#include <charconv>
#include <cstring>

namespace pixbako {
namespace {

std::string_view trim(std::string_view text) {
    const char* blanks = " \t";
    auto first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos)
        return {};
    auto last = text.find_last_not_of(blanks);
    return text.substr(first, last - first + 1);
}

// The section name of a "[name]" line (trimmed); nullopt for any other line.
std::optional<std::string_view> sectionName(std::string_view line) {
    line = trim(line);
    if (line.empty() || line.front() != '[')
        return std::nullopt;
    auto close = line.find(']');
    if (close == std::string_view::npos)
        return trim(line.substr(1));
    return trim(line.substr(1, close - 1));
}

struct KeyLine {
    std::string_view key;
    std::string_view value;
};

std::optional<KeyLine> keyLine(std::string_view line) {
    std::string_view body = trim(line);
    if (body.empty() || body.front() == ';' || body.front() == '[')
        return std::nullopt;
    auto equals = body.find('=');
    if (equals == std::string_view::npos)
        return std::nullopt;
    return KeyLine{trim(body.substr(0, equals)), trim(body.substr(equals + 1))};
}

std::string unquoted(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        return std::string(value.substr(1, value.size() - 2));
    return std::string(value);
}

// A value must stay on its line.
std::string oneLine(std::string_view value) {
    std::string out(value);
    for (char& c : out)
        if (c == '\r' || c == '\n')
            c = ' ';
    return out;
}

} // namespace

IniFile::IniFile(std::string path) : path_(std::move(path)) {
    SmallTextFileRead read = readSmallTextFile(path_);
    if (read.error != 0) {
        status_ = read.error == ENOENT ? LoadStatus::Missing : LoadStatus::Failed;
        loadError_ = status_ == LoadStatus::Failed ? read.error : 0;
        return;
    }
    parse(decodeTextFile(read.bytes));
    status_ = LoadStatus::Loaded;
}

void IniFile::parse(std::string_view text) {
    lines_.clear();
    std::size_t start = 0;
    while (start < text.size()) {
        auto end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines_.emplace_back(text.substr(start));
            break;
        }
        lines_.emplace_back(text.substr(start, end - start));
        start = end + (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? 2 : 1);
    }
}

std::string IniFile::text() const {
    std::string out;
    for (const auto& line : lines_) {
        out += line;
        out += "\r\n";
    }
    return out;
}

std::optional<std::string> IniFile::value(std::string_view section, std::string_view key) const {
    bool inSection = false;
    for (const auto& line : lines_) {
        if (auto name = sectionName(line)) {
            // Only the first section of that name counts, as with the profile functions.
            if (inSection)
                return std::nullopt;
            inSection = equalsIgnoringAsciiCase(*name, section);
            continue;
        }
        if (!inSection)
            continue;
        if (auto entry = keyLine(line); entry && equalsIgnoringAsciiCase(entry->key, key))
            return unquoted(entry->value);
    }
    return std::nullopt;
}

std::string IniFile::readString(std::string_view section, std::string_view key,
                                std::string_view defaultValue) const {
    auto found = value(section, key);
    return found ? *found : std::string(defaultValue);
}

std::int64_t IniFile::readInteger(std::string_view section, std::string_view key,
                                  std::int64_t defaultValue) const {
    auto found = value(section, key);
    if (!found)
        return defaultValue;
    std::string_view text = *found;
    int base = 10;
    bool negative = false;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    } else if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    if (text.empty() || text[0] == '+' || text[0] == '-')
        return defaultValue;
    std::uint64_t magnitude = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), magnitude, base);
    if (error != std::errc() || end != text.data() + text.size())
        return defaultValue;
    if (base == 16) // hexadecimal is the 64-bit pattern, as written by a C program
        return static_cast<std::int64_t>(magnitude);
    constexpr std::uint64_t maxPositive = 0x7FFF'FFFF'FFFF'FFFFull;
    if (magnitude > maxPositive + (negative ? 1 : 0))
        return defaultValue;
    return negative ? static_cast<std::int64_t>(0 - magnitude)
                    : static_cast<std::int64_t>(magnitude);
}

void IniFile::writeString(std::string_view section, std::string_view key, std::string_view value) {
    std::string line(key);
    line += '=';
    line += oneLine(value);
    std::size_t sectionLine = lines_.size();
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (auto name = sectionName(lines_[i]); name && equalsIgnoringAsciiCase(*name, section)) {
            sectionLine = i;
            break;
        }
    }
    if (sectionLine == lines_.size()) {
        std::string heading = "[";
        heading += section;
        heading += ']';
        lines_.push_back(std::move(heading));
        lines_.push_back(line);
        return;
    }
    // After the last key line of the section, so that trailing blank lines and comments
    // stay between this section and the next one.
    std::size_t insertAt = sectionLine + 1;
    for (std::size_t i = sectionLine + 1; i < lines_.size(); ++i) {
        if (sectionName(lines_[i]))
            break;
        auto entry = keyLine(lines_[i]);
        if (!entry)
            continue;
        if (equalsIgnoringAsciiCase(entry->key, key)) {
            lines_[i] = line;
            return;
        }
        insertAt = i + 1;
    }
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insertAt), line);
}

void IniFile::writeInteger(std::string_view section, std::string_view key, std::int64_t value) {
    writeString(section, key, std::to_string(value));
}

AtomicWriteResult IniFile::save() const {
    return writeFileAtomically(path_, encodeTextFile(text()));
}

std::string getPrivateProfileString(std::string_view section, std::string_view key,
                                    std::string_view defaultValue, const std::string& path) {
    return IniFile(path).readString(section, key, defaultValue);
}

AtomicWriteResult writePrivateProfileString(std::string_view section, std::string_view key,
                                            std::string_view value, const std::string& path) {
    IniFile file(path);
    if (file.loadStatus() == IniFile::LoadStatus::Failed) {
        // Writing over a file that couldn't be read would drop its other sections.
        return {false, file.loadError(), "read: " + std::string(std::strerror(file.loadError()))};
    }
    file.writeString(section, key, value);
    return file.save();
}

} // namespace pixbako
