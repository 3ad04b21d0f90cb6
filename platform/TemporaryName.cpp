#include "platform/TemporaryName.h"

#include <cstdio>

namespace pixbako {
namespace {

constexpr std::string_view kTransferPrefix = ".pixbako-";
constexpr std::string_view kTransferSuffix = ".tmp";
constexpr std::size_t kRandomLetters = 6;
constexpr std::size_t kCheckDigits = 8;
// Digits enough for any process id (Linux allows up to 2^22) and any serial of one process.
constexpr std::size_t kMaxProcessDigits = 10;
constexpr std::size_t kMaxSerialDigits = 20;

// FNV-1a over a fixed key and the rest of the name, folded to 32 bits: eight lower-case
// hexadecimal digits that a name made by hand matches only by a one-in-four-billion chance.
std::string checkValue(std::string_view rest) {
    std::uint64_t hash = 0xcbf29ce484222325ull;
    auto mix = [&hash](std::string_view text) {
        for (unsigned char c : text) {
            hash ^= c;
            hash *= 0x100000001b3ull;
        }
    };
    mix(std::string_view("pixbako temporary\0", 18));
    mix(rest);
    char text[kCheckDigits + 1];
    std::snprintf(text, sizeof text, "%08x",
                  static_cast<unsigned>((hash ^ (hash >> 32)) & 0xFFFFFFFFu));
    return text;
}

bool isAlnum(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool allDigits(std::string_view text, std::size_t maxDigits) {
    if (text.empty() || text.size() > maxDigits)
        return false;
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    return true;
}

} // namespace

std::string transferTemporaryName(std::span<const unsigned char, 6> random) {
    static constexpr char kLetters[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::string name(kTransferPrefix);
    for (unsigned char r : random)
        name += kLetters[r % (sizeof kLetters - 1)];
    name += '-';
    name += checkValue(name);
    name += kTransferSuffix;
    return name;
}

bool isTransferTemporaryName(std::string_view name) {
    const std::size_t checkAt = kTransferPrefix.size() + kRandomLetters + 1;
    if (name.size() != checkAt + kCheckDigits + kTransferSuffix.size() ||
        !name.starts_with(kTransferPrefix) || !name.ends_with(kTransferSuffix) ||
        name[checkAt - 1] != '-')
        return false;
    for (char c : name.substr(kTransferPrefix.size(), kRandomLetters))
        if (!isAlnum(c))
            return false;
    return name.substr(checkAt, kCheckDigits) == checkValue(name.substr(0, checkAt));
}

std::string writerTemporaryName(std::string_view target, std::uint64_t processId,
                                std::uint64_t serial) {
    std::string name = ".";
    name += target;
    name += ".tmp" + std::to_string(processId) + "-" + std::to_string(serial) + "-";
    name += checkValue(name);
    return name;
}

std::optional<std::uint64_t> writerTemporaryProcess(std::string_view name,
                                                    std::string_view target) {
    const std::size_t headSize = 1 + target.size() + 4;
    if (name.size() <= headSize + kCheckDigits || name[0] != '.' ||
        name.substr(1, target.size()) != target || name.substr(1 + target.size(), 4) != ".tmp")
        return std::nullopt;
    const std::size_t checkAt = name.size() - kCheckDigits;
    if (name[checkAt - 1] != '-')
        return std::nullopt;
    // Process id "-" serial, between the head and the check's dash.
    const std::string_view numbers = name.substr(headSize, checkAt - 1 - headSize);
    const std::size_t dash = numbers.find('-');
    if (dash == std::string_view::npos || !allDigits(numbers.substr(0, dash), kMaxProcessDigits) ||
        !allDigits(numbers.substr(dash + 1), kMaxSerialDigits))
        return std::nullopt;
    if (name.substr(checkAt) != checkValue(name.substr(0, checkAt)))
        return std::nullopt;
    std::uint64_t processId = 0;
    for (char c : numbers.substr(0, dash))
        processId = processId * 10 + static_cast<std::uint64_t>(c - '0');
    return processId;
}

} // namespace pixbako
