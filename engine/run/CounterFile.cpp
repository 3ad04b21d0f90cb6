#include "engine/run/CounterFile.h"

#include "platform/FatAttributes.h"
#include "platform/IniFile.h"

#include <cstring>

namespace pixbako {
namespace {

// Texts are built by appending: GCC 12 at -O3 takes `"x" + std::string(...)` for an
// overlapping copy and fails the build with -Wrestrict.
std::string quoted(std::string_view text) {
    std::string out(1, '"');
    out += text;
    out += '"';
    return out;
}

std::string failureText(const char* firstLine, const std::string& path, std::string_view why) {
    std::string out(firstLine);
    out += "\r\n";
    out += path;
    out += "\r\n";
    out += why;
    return out;
}

} // namespace

std::string counterFilePath(std::string_view folder) {
    std::string path(folder);
    if (path.empty() || path.back() != '/')
        path += '/';
    return path + std::string(kCounterFileName);
}

CounterReadResult readCounterFile(const std::string& path) {
    CounterReadResult result;
    IniFile file(path, IniDialect::Profile);
    if (file.loadStatus() == IniFile::LoadStatus::Failed) {
        result.ok = false;
        result.message = failureText("連番ファイルを読み込めませんでした", path,
                                     std::strerror(file.loadError()));
        return result;
    }
    result.exists = file.loadStatus() == IniFile::LoadStatus::Loaded;
    const std::string_view s = kCounterSection;
    CounterRecord defaults;
    result.record.lastNumber = file.readInteger(s, "LASTNUM", defaults.lastNumber);
    // A number below zero, or a text that is no number, was given by no run: going on from it
    // would give names such as "_-002". Numbering starts afresh, as in a folder without a file.
    if (file.value(s, "LASTNUM") && file.readInteger(s, "LASTNUM", -1) < 0) {
        result.exists = false;
        result.record.lastNumber = defaults.lastNumber;
    }
    result.record.styleIndex = file.readInteger(s, "FNUM", defaults.styleIndex);
    result.record.datePattern = file.readString(s, "FDATE", defaults.datePattern);
    result.record.prefix = file.readString(s, "FMAE", defaults.prefix);
    result.record.middle = file.readString(s, "FATO", defaults.middle);
    return result;
}

AtomicWriteResult writeCounterFile(const std::string& path, const CounterRecord& record) {
    IniFile file(path, IniDialect::Profile);
    if (file.loadStatus() == IniFile::LoadStatus::Failed) {
        // Replacing a file that couldn't be read would lose whatever else it holds.
        return {false, file.loadError(),
                failureText("連番ファイルを書き込めませんでした", path,
                            std::strerror(file.loadError()))};
    }
    const std::string_view s = kCounterSection;
    file.writeInteger(s, "LASTNUM", record.lastNumber);
    file.writeInteger(s, "FNUM", record.styleIndex);
    file.writeString(s, "FDATE", quoted(record.datePattern));
    file.writeString(s, "FMAE", quoted(record.prefix));
    file.writeString(s, "FATO", quoted(record.middle));
    AtomicWriteResult result = file.save();
    if (!result.ok) {
        result.message = failureText("連番ファイルを書き込めませんでした", path, result.message);
        return result;
    }
    // Hiding is cosmetic: a file system that refuses it leaves a visible but valid file.
    setHiddenAttribute(path);
    return result;
}

} // namespace pixbako
