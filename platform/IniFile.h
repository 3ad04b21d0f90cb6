#pragma once
// The platform's INI file, read and written the way the Windows profile functions
// (GetPrivateProfileString / WritePrivateProfileString) treat it:
// - "[name]" opens a section; "key=value" lines belong to the section above them;
// - section and key names match without regard to ASCII letter case;
// - a value is the text after the first "=", trimmed of blanks and tabs; one pair of matching
//   enclosing quotes (" or ') is removed when read, so quoted values keep their blanks;
// - writing a key replaces its line in place, appends a new key after the last key line of
//   its section, and appends a new section at the end; every other line (comments, other
//   sections, unknown lines) is kept as it was.
// The file is text in CP932 (UTF-8 with BOM when CP932 can't hold it) with CRLF line ends,
// and is replaced atomically when saved.
#include "platform/AtomicFile.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pixbako {

class IniFile {
public:
    enum class LoadStatus { Loaded, Missing, Failed };

    IniFile() = default;
    // Reads `path`; a missing file reads as empty. Check loadStatus() for other failures: a
    // file larger than kSmallTextFileLimit fails with EFBIG, as does a folder with EISDIR and
    // anything but a plain file with EINVAL.
    explicit IniFile(std::string path);

    LoadStatus loadStatus() const { return status_; }
    int loadError() const { return loadError_; }
    const std::string& path() const { return path_; }

    // Builds the content from text (UTF-8, any line ends), replacing what was there.
    void parse(std::string_view text);
    // The whole content as the file holds it (UTF-8, CRLF line ends).
    std::string text() const;

    // The value of a key, quotes removed; nullopt when section or key is missing.
    std::optional<std::string> value(std::string_view section, std::string_view key) const;
    std::string readString(std::string_view section, std::string_view key,
                           std::string_view defaultValue) const;
    // Decimal with optional sign, or "0x" hexadecimal; anything else gives the default.
    std::int64_t readInteger(std::string_view section, std::string_view key,
                             std::int64_t defaultValue) const;

    // Changes the content in memory; save() writes it.
    void writeString(std::string_view section, std::string_view key, std::string_view value);
    void writeInteger(std::string_view section, std::string_view key, std::int64_t value);

    AtomicWriteResult save() const;

private:
    std::string path_;
    std::vector<std::string> lines_;
    LoadStatus status_ = LoadStatus::Missing;
    int loadError_ = 0;
};

// One-call forms with the profile functions' behaviour: each reads the file afresh; the
// write replaces the file atomically.
std::string getPrivateProfileString(std::string_view section, std::string_view key,
                                    std::string_view defaultValue, const std::string& path);
AtomicWriteResult writePrivateProfileString(std::string_view section, std::string_view key,
                                            std::string_view value, const std::string& path);

} // namespace pixbako
