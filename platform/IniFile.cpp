#include "platform/IniFile.h"

#include "platform/AsciiCase.h"
#include "platform/Encoding.h"
#include "platform/IniLines.h"
#include "platform/Paths.h"
#include "platform/SmallTextFile.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace pixbako {
namespace {

std::string_view trimBlanksAndTabs(std::string_view text) {
    const char* blanks = " \t";
    auto first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos)
        return {};
    auto last = text.find_last_not_of(blanks);
    return text.substr(first, last - first + 1);
}

// The profile functions' reading: one pair of matching enclosing quotes goes.
std::string_view withoutEnclosingQuotes(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

// A value must stay on its line: line breaks become blanks, and in the settings file every
// other control character too, so that each value reads back as written.
std::string oneLine(std::string_view value, bool lineBreaksOnly) {
    std::string out(value);
    for (char& c : out) {
        const bool breaksLine = c == '\r' || c == '\n';
        const bool control = static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
        if (lineBreaksOnly ? breaksLine : control)
            c = ' ';
    }
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
        if (ini::isControlOrBlank(value.front()) || ini::isControlOrBlank(value.back()))
            return true;
        if (!isEnclosedInQuotes(value))
            return false;
        value = value.substr(1, value.size() - 2);
    }
}

std::string quotedWhereNeeded(std::string line) {
    return needsQuotes(line) ? '"' + line + '"' : line;
}

// The settings reading: only quotes that protect blanks go.
std::string_view withoutProtectingQuotes(std::string_view stored) {
    if (isEnclosedInQuotes(stored) && needsQuotes(stored.substr(1, stored.size() - 2)))
        return stored.substr(1, stored.size() - 2);
    return stored;
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

// `bits` wide: 64 or 32.
std::optional<std::int64_t> parseInteger(std::string_view text, int bits) {
    const std::uint64_t mask = bits == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << bits) - 1;
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
        return std::nullopt;
    std::uint64_t magnitude = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), magnitude, base);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    if (base == 16) {
        // The bit pattern of a number of that width, as written by a C program.
        if (magnitude > mask)
            return std::nullopt;
        return bits == 64 ? static_cast<std::int64_t>(magnitude)
                          : static_cast<std::int64_t>(static_cast<std::int32_t>(magnitude));
    }
    const std::uint64_t maxPositive = mask >> 1;
    if (magnitude > maxPositive + (negative ? 1 : 0))
        return std::nullopt;
    return negative ? static_cast<std::int64_t>(0 - magnitude)
                    : static_cast<std::int64_t>(magnitude);
}

} // namespace

IniFile::IniFile(std::string path, IniDialect dialect) : dialect_(dialect), path_(std::move(path)) {
    readFile();
}

void IniFile::readFile() {
    const bool settings = !keepsEveryLine();
    SmallTextFileRead read =
        settings ? readSmallTextFile(path_, kMaxSettingsFileBytes) : readSmallTextFile(path_);
    const int error = read.error;
    // A file too big for settings is garbage, kept until the user saves, like any other.
    if (settings && error == EFBIG) {
        status_ = LoadStatus::NotSettings;
        problem_ = SettingsTextProblem::TooLarge;
        return;
    }
    if (error) {
        // ENOTDIR: a file stands where a folder of the settings path should be, so no settings
        // exist.
        const bool missing = error == ENOENT || (settings && error == ENOTDIR);
        status_ = missing ? LoadStatus::Missing : LoadStatus::Failed;
        loadError_ = missing ? 0 : error;
        return;
    }
    if (settings) {
        problem_ = settingsTextProblem(read.bytes);
        if (problem_ != SettingsTextProblem::None) {
            status_ = LoadStatus::NotSettings;
            return;
        }
    }
    parse(decodeTextFile(read.bytes));
    status_ = LoadStatus::Loaded;
}

void IniFile::parse(std::string_view text) {
    lines_.clear();
    if (!keepsEveryLine()) {
        parseTrimmed(text);
        return;
    }
    ini::forEachLine(text, [this](std::string_view line) { lines_.emplace_back(line); });
}

void IniFile::parseTrimmed(std::string_view text) {
    ini::forEachLine(text, [this](std::string_view raw) {
        std::string_view line = ini::trimControlsAndBlanks(raw);
        if (line.empty() || line.front() == ';')
            return;
        if (ini::isSectionLine(line)) {
            lines_.push_back('[' + std::string(trimmed(line.substr(1, line.size() - 2))) + ']');
            return;
        }
        if (lines_.empty())
            return; // before the first section
        auto equals = line.find('=');
        if (equals == std::string_view::npos) {
            lines_.emplace_back(line);
            return;
        }
        std::string keyAndValue(trimmed(line.substr(0, equals)));
        keyAndValue += '=';
        keyAndValue += trimmed(line.substr(equals + 1));
        lines_.push_back(std::move(keyAndValue));
    });
}

std::string IniFile::text() const {
    std::string out;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        // The settings file sets its sections apart with one empty line each.
        if (!keepsEveryLine() && i > 0 && sectionName(lines_[i]))
            out += "\r\n";
        out += lines_[i];
        out += "\r\n";
    }
    if (!keepsEveryLine() && !lines_.empty())
        out += "\r\n";
    return out;
}

std::string_view IniFile::trimmed(std::string_view text) const {
    return keepsEveryLine() ? trimBlanksAndTabs(text) : ini::trimControlsAndBlanks(text);
}

// The section name of a heading line (trimmed); nullopt for any other line.
std::optional<std::string_view> IniFile::sectionName(std::string_view line) const {
    line = trimmed(line);
    if (!keepsEveryLine()) {
        if (!ini::isSectionLine(line))
            return std::nullopt;
        return trimmed(line.substr(1, line.size() - 2));
    }
    if (line.empty() || line.front() != '[')
        return std::nullopt;
    auto close = line.find(']');
    if (close == std::string_view::npos)
        return trimmed(line.substr(1));
    return trimmed(line.substr(1, close - 1));
}

std::optional<IniFile::KeyLine> IniFile::keyLine(std::string_view line) const {
    std::string_view body = trimmed(line);
    if (body.empty() || body.front() == ';' || sectionName(body))
        return std::nullopt;
    auto equals = body.find('=');
    if (equals == std::string_view::npos)
        return std::nullopt;
    return KeyLine{trimmed(body.substr(0, equals)), trimmed(body.substr(equals + 1))};
}

// The index of the first heading of `section`; lines_.size() when there is none.
std::size_t IniFile::sectionLine(std::string_view section) const {
    for (std::size_t i = 0; i < lines_.size(); ++i)
        if (auto name = sectionName(lines_[i]); name && equalsIgnoringAsciiCase(*name, section))
            return i;
    return lines_.size();
}

std::optional<std::string> IniFile::storedValue(std::string_view section,
                                                std::string_view key) const {
    for (std::size_t i = sectionLine(section) + 1; i < lines_.size(); ++i) {
        if (sectionName(lines_[i]))
            break; // only the first section of that name counts
        if (auto entry = keyLine(lines_[i]); entry && equalsIgnoringAsciiCase(entry->key, key))
            return std::string(entry->value);
    }
    return std::nullopt;
}

std::optional<std::string> IniFile::value(std::string_view section, std::string_view key) const {
    auto stored = storedValue(section, key);
    if (!stored)
        return std::nullopt;
    return std::string(keepsEveryLine() ? withoutEnclosingQuotes(*stored)
                                        : withoutProtectingQuotes(*stored));
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
    return parseInteger(*found, keepsEveryLine() ? 64 : 32).value_or(defaultValue);
}

bool IniFile::readBool(std::string_view section, std::string_view key, bool defaultValue) const {
    return readInteger(section, key, defaultValue ? 1 : 0) != 0;
}

void IniFile::writeString(std::string_view section, std::string_view key, std::string_view value) {
    std::string line(key);
    line += '=';
    line += keepsEveryLine() ? oneLine(value, true) : quotedWhereNeeded(oneLine(value, false));
    const std::size_t heading = sectionLine(section);
    if (heading == lines_.size()) {
        lines_.push_back('[' + std::string(section) + ']');
        lines_.push_back(std::move(line));
        return;
    }
    // The profile dialect adds after the last key line of the section, so that trailing blank
    // lines and comments stay between this section and the next one.
    std::size_t insertAt = heading + 1;
    for (std::size_t i = heading + 1; i < lines_.size(); ++i) {
        if (sectionName(lines_[i]))
            break;
        auto entry = keyLine(lines_[i]);
        if (entry && equalsIgnoringAsciiCase(entry->key, key)) {
            lines_[i] = std::move(line);
            return;
        }
        if (entry || !keepsEveryLine())
            insertAt = i + 1;
    }
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insertAt), std::move(line));
}

void IniFile::writeInteger(std::string_view section, std::string_view key, std::int64_t value) {
    writeString(section, key, std::to_string(value));
}

void IniFile::writeBool(std::string_view section, std::string_view key, bool value) {
    writeString(section, key, value ? "1" : "0");
}

AtomicWriteResult IniFile::save() const {
    const std::string target = keepsEveryLine() ? path_ : followLinks(path_);
    return writeFileAtomically(target, encodeTextFile(text()));
}

std::string getPrivateProfileString(std::string_view section, std::string_view key,
                                    std::string_view defaultValue, const std::string& path) {
    return IniFile(path, IniDialect::Profile).readString(section, key, defaultValue);
}

AtomicWriteResult writePrivateProfileString(std::string_view section, std::string_view key,
                                            std::string_view value, const std::string& path) {
    IniFile file(path, IniDialect::Profile);
    if (file.loadStatus() == IniFile::LoadStatus::Failed) {
        // Writing over a file that couldn't be read would drop its other sections.
        return {false, file.loadError(), "read: " + std::string(std::strerror(file.loadError()))};
    }
    file.writeString(section, key, value);
    return file.save();
}

} // namespace pixbako
