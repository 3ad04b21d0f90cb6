#pragma once
// Bounds-checked reads of a TIFF block (the EXIF data of a JPEG) in its byte order, shared by
// the shot-date reader and the EXIF thumbnail lookup. Every read checks its bytes against the
// data first; positions are 64-bit so that a 32-bit offset plus a start can't wrap around.
#include "engine/shotdate/ShotDate.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace pixbako {

class TiffCursor {
public:
    static constexpr std::uint64_t kEntrySize = 12;

    TiffCursor(std::string_view data, TiffByteOrder order) : data_(data), order_(order) {}

    bool holds(std::uint64_t pos, std::uint64_t size) const {
        return pos <= data_.size() && size <= data_.size() - pos;
    }

    // The unsigned number of `size` bytes (1 to 4) at pos.
    std::optional<std::uint32_t> number(std::uint64_t pos, int size) const {
        if (!holds(pos, static_cast<std::uint64_t>(size)))
            return std::nullopt;
        std::uint32_t n = 0;
        for (int i = 0; i < size; ++i) {
            int index = order_ == TiffByteOrder::BigEndian ? i : size - 1 - i;
            n = n << 8 | static_cast<std::uint8_t>(data_[pos + index]);
        }
        return n;
    }
    std::optional<std::uint8_t> u8(std::uint64_t pos) const {
        auto n = number(pos, 1);
        return n ? std::optional<std::uint8_t>(static_cast<std::uint8_t>(*n)) : std::nullopt;
    }
    std::optional<std::uint16_t> u16(std::uint64_t pos) const {
        auto n = number(pos, 2);
        return n ? std::optional<std::uint16_t>(static_cast<std::uint16_t>(*n)) : std::nullopt;
    }
    std::optional<std::uint32_t> u32(std::uint64_t pos) const { return number(pos, 4); }

    // The 12-byte directory entry at pos; nullopt when any of its bytes lies outside the data.
    std::optional<TiffEntry> entry(std::uint64_t pos) const {
        if (!holds(pos, kEntrySize))
            return std::nullopt;
        TiffEntry e;
        e.tag = static_cast<std::uint16_t>(*number(pos, 2));
        e.type = static_cast<std::uint16_t>(*number(pos + 2, 2));
        e.count = *number(pos + 4, 4);
        e.value = *number(pos + 8, 4);
        e.valuePos = static_cast<std::size_t>(pos + 8);
        return e;
    }

    std::string_view data() const { return data_; }

private:
    std::string_view data_;
    TiffByteOrder order_;
};

} // namespace pixbako
