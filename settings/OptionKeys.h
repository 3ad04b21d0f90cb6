#pragma once
// The keys of an options section (INI0 to INI5) as data: the order in which a save writes
// them, their type, the default a load uses for a missing key, and where the option lives.
#include "engine/run/ExtensionChoice.h"

#include <array>
#include <span>
#include <string_view>

namespace pixbako {

enum class KeyType { Text, Boolean, Integer };

// Where an option is held.
enum class Holder {
    Control,         // the window's control `control`, through its Qt property `property`
    CopyMode,        // RedioButtonCOPY checked (true) or RedioButtonMOVE checked (false)
    SequenceOpening, // written only: parts of the style chosen in FNUMCombo
    SequenceDigits,
    SequenceClosing,
    ExtensionFlag, // one flag of the program-wide ExtensionChoice
    ExtensionList, // its free list of further extensions
    Version,       // the version of the program that wrote the section
    ThumbnailMode, // held by the file-selection tab and the thumbnail box
    ThumbnailSize,
    SortType,
    SortUp,
};

struct OptionKey {
    std::string_view key;
    KeyType type;
    Holder holder;
    std::string_view textDefault = {}; // Text keys
    int numberDefault = 0;             // Integer and Boolean keys
    std::string_view control = {};     // objectName of the control (Holder::Control)
    std::string_view property = {};    // its Qt property
    bool ExtensionChoice::*flag = nullptr;
    bool quotedInOlderLayout = false; // stored with a double quote at each end before 2.x
};

// Every key of an options section in the order a save writes them.
std::span<const OptionKey> optionKeys();
// The order in which a load applies them: the text keys first, then the switches and numbers
// in the order their reactions expect. Keys that are written only (FNUM1..FNUM3, VER) are not
// in it.
std::span<const std::string_view> loadOrder();
const OptionKey* findOptionKey(std::string_view key);

} // namespace pixbako
