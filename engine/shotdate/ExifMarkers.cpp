// The JPEG marker walk that gathers APP1 payloads before the start of scan.
#include "engine/shotdate/ShotDate.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace pixbako {

std::size_t MemorySource::read(std::uint8_t* dst, std::size_t n) {
    std::size_t count = std::min(n, bytes_.size() - pos_);
    if (count > 0)
        std::memcpy(dst, bytes_.data() + pos_, count);
    pos_ += count;
    return count;
}

void MemorySource::skip(std::uint64_t n) {
    pos_ += static_cast<std::size_t>(std::min<std::uint64_t>(n, bytes_.size() - pos_));
}

namespace {

constexpr std::uint8_t kSoi = 0xD8;
constexpr std::uint8_t kApp1 = 0xE1;
constexpr std::uint8_t kSos = 0xDA;
constexpr std::uint8_t kTem = 0x01;

// Marker headers are read a byte at a time, so the source is read through a buffer; payloads
// larger than what is buffered go straight from the source into their destination.
class BufferedReader {
public:
    explicit BufferedReader(ByteSource& source)
        : source_(source),
          buffer_(std::make_unique_for_overwrite<std::uint8_t[]>(kMarkerBufferBytes)) {}

    std::optional<std::uint8_t> byte() {
        if (pos_ == end_ && !refill())
            return std::nullopt;
        ++passed_;
        return buffer_[pos_++];
    }

    // How far the walk has gone into the source: bytes read, dropped or skipped.
    std::uint64_t passed() const { return passed_; }

    // A 16-bit big-endian number (a segment length).
    std::optional<std::uint16_t> bigEndian16() {
        auto high = byte();
        if (!high)
            return std::nullopt;
        auto low = byte();
        if (!low)
            return std::nullopt;
        return static_cast<std::uint16_t>(*high << 8 | *low);
    }

    // Appends the next n bytes to out; false when the source ends before all of them came
    // (out then holds what there was).
    bool append(std::string& out, std::size_t n) {
        passed_ += n;
        std::size_t fromBuffer = std::min(n, end_ - pos_);
        out.append(reinterpret_cast<const char*>(buffer_.get() + pos_), fromBuffer);
        pos_ += fromBuffer;
        n -= fromBuffer;
        if (n == 0)
            return true;
        std::size_t old = out.size();
        out.resize(old + n);
        auto* dst = reinterpret_cast<std::uint8_t*>(out.data()) + old;
        std::size_t got = 0;
        while (got < n) {
            std::size_t count = source_.read(dst + got, n - got);
            if (count == 0)
                break;
            got += count;
        }
        out.resize(old + got);
        return got == n;
    }

    // Reads and drops the next n bytes; false when the source ends before them.
    bool discard(std::size_t n) {
        passed_ += n;
        while (n > 0) {
            if (pos_ == end_ && !refill())
                return false;
            std::size_t count = std::min(n, end_ - pos_);
            pos_ += count;
            n -= count;
        }
        return true;
    }

    // Moves forward n bytes without reading them; past the end is allowed.
    void skip(std::size_t n) {
        passed_ += n;
        std::size_t fromBuffer = std::min(n, end_ - pos_);
        pos_ += fromBuffer;
        if (n > fromBuffer)
            source_.skip(n - fromBuffer);
    }

private:
    bool refill() {
        pos_ = 0;
        end_ = source_.read(buffer_.get(), kMarkerBufferBytes);
        return end_ > 0;
    }

    ByteSource& source_;
    std::unique_ptr<std::uint8_t[]> buffer_;
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
    std::uint64_t passed_ = 0;
};

} // namespace

App1Data collectApp1Data(ByteSource& source, std::uint64_t walkLimit) {
    App1Data result;
    BufferedReader in(source);
    auto first = in.byte();
    auto second = first ? in.byte() : std::nullopt;
    if (first != 0xFF || second != kSoi)
        return result;

    for (;;) {
        // Each segment is at most 64 KiB, so checking before every marker bounds the walk.
        if (in.passed() > walkLimit)
            return result;
        auto lead = in.byte();
        if (lead != 0xFF)
            return result;
        auto code = in.byte();
        while (code == 0xFF && in.passed() <= walkLimit) // fill bytes before the code
            code = in.byte();
        if (!code || code == 0xFF)
            return result;

        if (*code == kSos) {
            result.reachedScan = true;
            return result;
        }
        if (*code == kTem || (*code >= 0xD0 && *code <= 0xD7))
            continue; // markers without a length

        auto length = in.bigEndian16();
        if (!length || *length < 2)
            return result;
        std::size_t payload = *length - 2u;
        if (*code != kApp1) {
            in.skip(payload);
            continue;
        }
        if (payload == 0)
            return result; // an empty APP1 ends the walk like a broken one

        // Beyond the cap the payload is still read (a truncated segment is an error either
        // way) but no longer kept.
        std::size_t room = kMaxCollectedApp1Bytes - result.collected.size();
        std::size_t kept = std::min(payload, room);
        if (!in.append(result.collected, kept) || !in.discard(payload - kept))
            throw ShotDateError::readError();
    }
}

} // namespace pixbako
