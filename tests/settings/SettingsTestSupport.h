#pragma once
// Files for the settings tests: a settings file in a fresh folder, written from readable text.
#include "platform/Encoding.h"
#include "support/TempFolder.h"
#include "support/TestFiles.h"

#include <QString>
#include <fstream>
#include <ostream>
#include <string>

// Readable failures for Qt texts.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace pixbako::test {

inline void writeBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// "\n" in `text` becomes CRLF; the text is stored in CP932 like a file of the Windows program.
inline std::string settingsBytes(const std::string& text) {
    std::string crlf;
    for (char c : text) {
        if (c == '\n')
            crlf += '\r';
        crlf += c;
    }
    return encodeTextFile(crlf);
}

struct IniInTempFolder {
    TempFolder folder;
    std::string path = folder.path() + "/pixbako.INI";
    QString qpath = QString::fromStdString(path);

    void write(const std::string& text) const { writeBytes(path, settingsBytes(text)); }
    std::string bytes() const { return readFileBytes(path); }
    std::string text() const { return decodeTextFile(bytes()); }
};

} // namespace pixbako::test
