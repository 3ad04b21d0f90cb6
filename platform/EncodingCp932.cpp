// Conversion between UTF-8 and CP932 (Windows Shift-JIS) through glibc's iconv, and the
// encoding rule of the text files that travel between this machine and Windows PCs.
#include "platform/Encoding.h"

#include <cerrno>
#include <iconv.h>

namespace pixbako {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kReplacement = "\xEF\xBF\xBD"; // U+FFFD

// One iconv descriptor for the length of one conversion; closed in every case.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(::iconv_open(to, from)) {}
    ~Converter() {
        if (ok())
            ::iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Converts as much of `in` as it can, appending to `out`. Returns 0 when all of `in` was
    // used, otherwise the errno that stopped it (EILSEQ or EINVAL) with `in` advanced to the
    // offending byte.
    int convert(std::string_view& in, std::string& out) {
        char buffer[1024];
        while (!in.empty()) {
            char* src = const_cast<char*>(in.data());
            std::size_t srcLeft = in.size();
            char* dst = buffer;
            std::size_t dstLeft = sizeof buffer;
            std::size_t rc = ::iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
            int err = rc == static_cast<std::size_t>(-1) ? errno : 0;
            out.append(buffer, static_cast<std::size_t>(dst - buffer));
            in.remove_prefix(in.size() - srcLeft);
            if (err != 0 && err != E2BIG)
                return err;
        }
        return 0;
    }

private:
    iconv_t cd_;
};

bool isCp932LeadByte(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}
bool isCp932TrailByte(unsigned char c) {
    return c >= 0x40 && c <= 0xFC && c != 0x7F;
}

// The text of bytes that are CP932 throughout; nullopt at the first byte that forms no CP932
// character (or when the converter is missing).
std::optional<std::string> exactCp932ToUtf8(std::string_view cp932) {
    Converter converter("UTF-8", "CP932");
    if (!converter.ok())
        return std::nullopt;
    std::string out;
    out.reserve(cp932.size() * 3 / 2);
    if (converter.convert(cp932, out) != 0)
        return std::nullopt;
    return out;
}

} // namespace

std::optional<std::string> utf8ToCp932(std::string_view utf8) {
    if (!isValidUtf8(utf8))
        return std::nullopt;
    Converter converter("CP932", "UTF-8");
    if (!converter.ok())
        return std::nullopt;
    std::string out;
    std::string_view rest = utf8;
    if (converter.convert(rest, out) != 0)
        return std::nullopt;
    // glibc maps some characters to look-alikes that read back as something else (U+00A5 YEN
    // SIGN becomes 0x5C, the backslash; U+301C WAVE DASH becomes U+FF5E). In a path that would
    // name another folder, so only text that reads back unchanged counts as encodable.
    if (cp932ToUtf8(out) != utf8)
        return std::nullopt;
    return out;
}

std::string cp932ToUtf8(std::string_view cp932) {
    std::string out;
    out.reserve(cp932.size() * 3 / 2);
    Converter converter("UTF-8", "CP932");
    if (!converter.ok()) {
        // Without the converter only ASCII can be trusted.
        for (char c : cp932)
            if (static_cast<unsigned char>(c) < 0x80)
                out += c;
            else
                out += kReplacement;
        return out;
    }
    std::string_view rest = cp932;
    while (!rest.empty()) {
        int err = converter.convert(rest, out);
        if (err == 0)
            break;
        out += kReplacement;
        // An undefined double-byte code is one character; a lead byte followed by something
        // that can't be its second byte spoils only itself, so the next byte is read afresh.
        auto lead = static_cast<unsigned char>(rest[0]);
        bool pair = rest.size() >= 2 && isCp932LeadByte(lead) &&
                    isCp932TrailByte(static_cast<unsigned char>(rest[1]));
        rest.remove_prefix(pair ? 2 : 1);
    }
    return out;
}

std::string encodeTextFile(std::string_view utf8) {
    // CP932 only when the reader below gives back this very text.
    if (auto cp932 = utf8ToCp932(utf8); cp932 && decodeTextFile(*cp932) == utf8)
        return *cp932;
    std::string out(kUtf8Bom);
    out += utf8;
    return out;
}

std::string decodeTextFile(std::string_view bytes) {
    if (bytes.substr(0, kUtf8Bom.size()) == kUtf8Bom)
        return std::string(bytes.substr(kUtf8Bom.size()));
    // Valid UTF-8 is no sign of UTF-8: half-width katakana in CP932 are single bytes A1..DF,
    // and many pairs of them ("ﾃｽ" = C3 BD) are valid UTF-8 too. Files from Windows PCs carry
    // no BOM, so CP932 comes first.
    if (auto text = exactCp932ToUtf8(bytes))
        return *text;
    if (isValidUtf8(bytes))
        return std::string(bytes);
    return cp932ToUtf8(bytes);
}

} // namespace pixbako
