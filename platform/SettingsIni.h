#pragma once
// The in-memory INI file of the program's settings. It differs from IniFile (the profile
// functions' dialect of the counter file) in what survives a read and a write:
// - every line is trimmed of blanks and control characters; empty lines and lines starting
//   with ";" are skipped; lines before the first "[section]" are dropped; a line without "="
//   stays in its section as it is; a key line keeps the trimmed name and the trimmed value;
// - a value that begins or ends with a blank (or a control character) is written between
//   double quotes, and reading removes that one pair again, so every value reads back as it
//   was written. Quotes are removed only where they protect such blanks: a hand-written
//   "/media/card" in quotes keeps them, as it always did. To stay unambiguous, a value that is
//   itself such a quoted text gets one more pair (see needsQuotes() in the source);
// - section and key names match without regard to ASCII letter case; the first section of a
//   name and the first key of a name count;
// - writing replaces a key in place, appends a new key at the end of its section and a new
//   section at the end of the file;
// - the written form is each section's "[name]", its lines, then one empty line, all ending
//   in CRLF, in CP932 (UTF-8 with a BOM when CP932 can't hold the text).
// A file that is not a settings text at all (binary bytes, no section, oversized) reads as
// empty with the status NotSettings and the reason in problem(), so the caller can leave it
// alone. A symbolic link under the file's name stays a link: saving writes to its target.
#include "platform/AtomicFile.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pixbako {

// Why bytes are no settings text.
enum class SettingsTextProblem {
    None,
    TooLarge,     // more than SettingsIni::kMaxFileBytes
    LineTooLong,  // a line of more than SettingsIni::kMaxLineBytes
    Utf16,        // UTF-16 text, as Windows editors save "Unicode"
    ControlBytes, // NUL or another control byte that no text file holds
    NoSection,    // text, but no "[section]" line before other lines
};

class SettingsIni {
public:
    enum class LoadStatus { Loaded, Missing, NotSettings, Failed };

    // Largest file read as settings, and the longest line in it. A line edit holds at most
    // 32767 UTF-16 units, which UTF-8 writes in at most 98 KiB: every value the program saves
    // fits in a line.
    static constexpr std::size_t kMaxFileBytes = 1024 * 1024;
    static constexpr std::size_t kMaxLineBytes = 128 * 1024;

    SettingsIni() = default;
    // Reads `path`; a missing file reads as empty (Missing), an unreadable one as empty with
    // the errno in loadError() (Failed).
    explicit SettingsIni(std::string path);

    LoadStatus loadStatus() const { return status_; }
    int loadError() const { return loadError_; }
    // Why the file is NotSettings.
    SettingsTextProblem problem() const { return problem_; }
    const std::string& path() const { return path_; }

    // Builds the content from decoded text (UTF-8, any line ends), replacing what was there.
    void parse(std::string_view text);
    // The written form (UTF-8, CRLF).
    std::string text() const;

    // The value as written (protecting quotes removed).
    std::optional<std::string> value(std::string_view section, std::string_view key) const;
    // The value as it stands in the file, trimmed, quotes and all.
    std::optional<std::string> storedValue(std::string_view section, std::string_view key) const;
    std::string readString(std::string_view section, std::string_view key,
                           std::string_view defaultValue) const;
    // Decimal with optional sign, or hexadecimal after "0x"/"0X" when the value is longer than
    // two characters; a value that is not a 32-bit integer gives the default.
    std::int32_t readInteger(std::string_view section, std::string_view key,
                             std::int32_t defaultValue) const;
    // An integer other than 0 is true; a value that is not an integer gives the default.
    bool readBool(std::string_view section, std::string_view key, bool defaultValue) const;

    // Control characters in a value become blanks, so that every value stays on its line.
    // Blanks at either end are kept (the value is then quoted).
    void writeString(std::string_view section, std::string_view key, std::string_view value);
    void writeInteger(std::string_view section, std::string_view key, std::int64_t value);
    void writeBool(std::string_view section, std::string_view key, bool value);

    // Replaces the file, or the file a symbolic link under its name points to.
    AtomicWriteResult save() const;

private:
    struct Line {
        std::string text; // the whole trimmed line
        std::size_t equals = std::string::npos;
    };
    struct Section {
        std::string name;
        std::vector<Line> lines;
    };

    const Section* findSection(std::string_view name) const;
    Section* findSection(std::string_view name);

    std::string path_;
    std::vector<Section> sections_;
    LoadStatus status_ = LoadStatus::Missing;
    int loadError_ = 0;
    SettingsTextProblem problem_ = SettingsTextProblem::None;
};

// True when `bytes` can be a settings file: at most kMaxFileBytes, no line longer than
// kMaxLineBytes, no control bytes other than tab, line ends, form feed and the end-of-file
// mark 0x1A, and at least one section heading unless the text is empty or holds only blanks
// and comments.
bool isSettingsText(std::string_view bytes);
SettingsTextProblem settingsTextProblem(std::string_view bytes);

} // namespace pixbako
