// Shot dates of AVI movies: the IDIT chunk's date text, or an EXIF block in a strd chunk, both
// in the header lists. The movie data list is never entered.
#include "engine/shotdate/FormatDates.h"

namespace pixbako {
namespace {

constexpr int kMaxChunksPerList = 1024;
constexpr int kMaxDepth = 3;
constexpr std::uint64_t kDateTextBytes = 64;

std::uint32_t littleEndian(std::string_view b) {
    std::uint32_t n = 0;
    for (std::size_t i = b.size(); i-- > 0;)
        n = n << 8 | static_cast<std::uint8_t>(b[i]);
    return n;
}

class RiffWalk {
public:
    RiffWalk(FormatReader& in, TDateTime now, const DateParseTexts& texts)
        : in_(in), now_(now), texts_(texts) {}

    std::optional<LocalDateTime> list(std::uint64_t pos, std::uint64_t end, int depth) {
        if (depth > kMaxDepth)
            return std::nullopt;
        for (int n = 0; n < kMaxChunksPerList && pos + 8 <= end; ++n) {
            auto head = in_.bytes(pos, 8);
            if (!head)
                return std::nullopt;
            const std::string_view id = std::string_view(*head).substr(0, 4);
            const std::uint64_t size = littleEndian(std::string_view(*head).substr(4, 4));
            const std::uint64_t data = pos + 8;
            if (size > end - data)
                return std::nullopt;
            if (auto date = chunk(id, data, size, depth))
                return date;
            pos = data + size + (size & 1); // chunks are padded to an even size
        }
        return std::nullopt;
    }

private:
    std::optional<LocalDateTime> chunk(std::string_view id, std::uint64_t data, std::uint64_t size,
                                       int depth) {
        if (id == "LIST" && size >= 4) {
            auto type = in_.bytes(data, 4);
            if (type && (*type == "hdrl" || *type == "strl"))
                return list(data + 4, data + size, depth + 1);
            return std::nullopt;
        }
        if (id == "IDIT") {
            auto text = in_.bytes(data, std::min(size, kDateTextBytes));
            return text ? cameraDateText(text->substr(0, text->find('\0'))) : std::nullopt;
        }
        if (id == "strd") {
            // An EXIF block after a short header of its own ("AVIF" and padding).
            auto head = in_.bytes(data, std::min<std::uint64_t>(size, 16));
            if (!head)
                return std::nullopt;
            for (std::string_view order :
                 {std::string_view("II*\0", 4), std::string_view("MM\0*", 4)}) {
                const std::size_t at = head->find(order);
                if (at != std::string::npos)
                    return tiffShotDate(in_, data + at, now_, texts_);
            }
        }
        return std::nullopt;
    }

    FormatReader& in_;
    TDateTime now_;
    const DateParseTexts& texts_;
};

} // namespace

std::optional<LocalDateTime> riffShotDate(FormatReader& in, TDateTime now,
                                          const DateParseTexts& texts) {
    auto head = in.bytes(0, 12);
    if (!head || head->compare(0, 4, "RIFF") != 0 || head->compare(8, 4, "AVI ") != 0)
        return std::nullopt;
    const std::uint64_t end = std::min<std::uint64_t>(
        in.size(), 8ull + littleEndian(std::string_view(*head).substr(4, 4)));
    return RiffWalk(in, now, texts).list(12, end, 0);
}

} // namespace pixbako
