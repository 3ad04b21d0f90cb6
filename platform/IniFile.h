#pragma once
// The program's INI files: "[name]" opens a section, "key=value" lines belong to the section
// above them; section and key names match without regard to ASCII letter case, and only the
// first section of a name and the first key of a name in it count. Writing a key replaces its
// line in place, adds a new key to the end of its section and a new section to the end of the
// file. The file is text in CP932 (UTF-8 with a BOM when CP932 can't hold it) with CRLF line
// ends, and is replaced atomically when saved.
//
// Two dialects differ in what survives a read and a write:
// - Profile (the counter file), read and written the way the Windows profile functions
//   (GetPrivateProfileString / WritePrivateProfileString) treat it: every line is kept as it
//   was (comments, empty lines, lines before the first section); names and values are trimmed
//   of blanks and tabs; a heading is any line that starts with "["; one pair of matching
//   enclosing quotes (" or ') is removed when a value is read, so quoted values keep their
//   blanks; values are written as given, line breaks turned into blanks; a new key goes after
//   the last key line of its section, so trailing comments stay with the next section. Any
//   file of at most kSmallTextFileLimit bytes is read.
// - Settings (the settings file): every line is trimmed of blanks and control characters;
//   empty lines, lines starting with ";" and lines before the first "[section]" are dropped; a
//   line without "=" stays in its section as it is. A value that begins or ends with a blank
//   (or a control character) is written between double quotes, and reading removes that one
//   pair again, so every value reads back as it was written. Quotes are removed only where
//   they protect such blanks: a hand-written "/media/card" in quotes keeps them. To stay
//   unambiguous, a value that is itself such a quoted text gets one more pair (see
//   needsQuotes() in the source). The written form is each section's "[name]", its lines,
//   then one empty line. Integers are 32-bit. A file that is not a settings text at all
//   (binary bytes, no section, oversized) reads as empty with the status NotSettings and the
//   reason in problem(), so the caller can leave it alone. A symbolic link under the file's
//   name stays a link: saving writes to its target.
#include "platform/AtomicFile.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pixbako {

enum class IniDialect { Profile, Settings };

// Why bytes are no settings text.
enum class SettingsTextProblem {
    None,
    TooLarge,     // more than IniFile::kMaxSettingsFileBytes
    LineTooLong,  // a line of more than IniFile::kMaxSettingsLineBytes
    Utf16,        // UTF-16 text, as Windows editors save "Unicode"
    ControlBytes, // NUL or another control byte that no text file holds
    NoSection,    // text, but no "[section]" line before other lines
};

class IniFile {
public:
    enum class LoadStatus { Loaded, Missing, NotSettings, Failed };

    // Largest file read as settings, and the longest line in it. A line edit holds at most
    // 32767 UTF-16 units, which UTF-8 writes in at most 98 KiB: every value the program saves
    // fits in a line.
    static constexpr std::size_t kMaxSettingsFileBytes = 1024 * 1024;
    static constexpr std::size_t kMaxSettingsLineBytes = 128 * 1024;

    explicit IniFile(IniDialect dialect) : dialect_(dialect) {}
    // Reads `path`; a missing file reads as empty (Missing), an unreadable one as empty with
    // the errno in loadError() (Failed): a file larger than the dialect's limit fails with
    // EFBIG (Settings: NotSettings), as does a folder with EISDIR and anything but a plain
    // file with EINVAL.
    IniFile(std::string path, IniDialect dialect);

    LoadStatus loadStatus() const { return status_; }
    int loadError() const { return loadError_; }
    // Why the file is NotSettings.
    SettingsTextProblem problem() const { return problem_; }
    const std::string& path() const { return path_; }

    // Builds the content from decoded text (UTF-8, any line ends), replacing what was there.
    void parse(std::string_view text);
    // The written form (UTF-8, CRLF).
    std::string text() const;

    // The value as written (the dialect's quotes removed); nullopt when section or key is
    // missing.
    std::optional<std::string> value(std::string_view section, std::string_view key) const;
    // The value as it stands in the file, trimmed, quotes and all.
    std::optional<std::string> storedValue(std::string_view section, std::string_view key) const;
    std::string readString(std::string_view section, std::string_view key,
                           std::string_view defaultValue) const;
    // Decimal with optional sign, or hexadecimal (the bit pattern, as a C program writes it)
    // after "0x"/"0X" when the value is longer than two characters; a value that is no integer
    // of the dialect's width (Profile 64 bits, Settings 32) gives the default.
    std::int64_t readInteger(std::string_view section, std::string_view key,
                             std::int64_t defaultValue) const;
    // An integer other than 0 is true; a value that is not an integer gives the default.
    bool readBool(std::string_view section, std::string_view key, bool defaultValue) const;

    // Changes the content in memory; save() writes it. Every value stays on its line: line
    // breaks (Settings: every control character) become blanks.
    void writeString(std::string_view section, std::string_view key, std::string_view value);
    void writeInteger(std::string_view section, std::string_view key, std::int64_t value);
    void writeBool(std::string_view section, std::string_view key, bool value);

    AtomicWriteResult save() const;

private:
    bool keepsEveryLine() const { return dialect_ == IniDialect::Profile; }
    std::string_view trimmed(std::string_view text) const;
    std::optional<std::string_view> sectionName(std::string_view line) const;
    struct KeyLine {
        std::string_view key;
        std::string_view value;
    };
    std::optional<KeyLine> keyLine(std::string_view line) const;
    std::size_t sectionLine(std::string_view section) const;
    void readFile();
    void parseTrimmed(std::string_view text);

    IniDialect dialect_;
    std::string path_;
    // Profile: the lines as read. Settings: the trimmed headings ("[name]"), key lines
    // ("key=value") and other lines of each section.
    std::vector<std::string> lines_;
    LoadStatus status_ = LoadStatus::Missing;
    int loadError_ = 0;
    SettingsTextProblem problem_ = SettingsTextProblem::None;
};

// True when `bytes` can be a settings file: at most kMaxSettingsFileBytes, no line longer than
// kMaxSettingsLineBytes, no control bytes other than tab, line ends, form feed and the
// end-of-file mark 0x1A, and at least one section heading unless the text is empty or holds
// only blanks and comments.
bool isSettingsText(std::string_view bytes);
SettingsTextProblem settingsTextProblem(std::string_view bytes);

// One-call forms with the profile functions' behaviour: each reads the file afresh; the
// write replaces the file atomically.
std::string getPrivateProfileString(std::string_view section, std::string_view key,
                                    std::string_view defaultValue, const std::string& path);
AtomicWriteResult writePrivateProfileString(std::string_view section, std::string_view key,
                                            std::string_view value, const std::string& path);

} // namespace pixbako
