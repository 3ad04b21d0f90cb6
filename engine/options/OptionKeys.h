#pragma once
// The keys of an options section (INI0, and the presets INI1 to INI5) as data: the order in
// which a save writes them, their type, the default a load uses for a missing key, and the
// field of Options each one holds.
#include "engine/options/Options.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <variant>

namespace pixbako {

enum class KeyType { Text, Boolean, Integer };

// Keys that hold no field of their own.
enum class Derived {
    None,
    SequenceOpening, // written only: parts of the sequence style chosen under FNUM
    SequenceDigits,
    SequenceClosing,
    Version, // the version of the program that wrote the section
};

// The value of one key: text (UTF-8), switch or number.
using OptionValue = std::variant<std::string, bool, std::int64_t>;

struct OptionKey {
    std::string_view key;
    KeyType type;
    std::string_view textDefault = {}; // Text keys
    int numberDefault = 0;             // Integer and Boolean keys
    bool quotedInOlderLayout = false;  // stored with a double quote at each end before 2.x
    // Written only once the option is on or the section holds the key already, so that the
    // file of someone who never chose the option stays as older versions wrote it.
    bool writtenOnceSet = false;
    // The field: exactly one is set, unless `derived` names what the key is written from.
    std::string Options::*text = nullptr;
    bool Options::*flag = nullptr;
    int Options::*number = nullptr;
    std::int64_t Options::*wideNumber = nullptr;
    bool ExtensionChoice::*extension = nullptr;
    Derived derived = Derived::None;

    bool holdsField() const { return derived == Derived::None; }
};

// Every key of an options section in the order a save writes them.
std::span<const OptionKey> optionKeys();
const OptionKey* findOptionKey(std::string_view key);

// The field of `options` that `key` holds (holdsField() keys only), and setting it. A number
// set into an int field is cut to int as a stored number is.
OptionValue optionValue(const Options& options, const OptionKey& key);
void setOptionValue(Options& options, const OptionKey& key, const OptionValue& value);

} // namespace pixbako
