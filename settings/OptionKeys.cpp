#include "settings/OptionKeys.h"

namespace pixbako {
namespace {

using enum KeyType;
using enum Holder;

constexpr OptionKey text(std::string_view key, std::string_view control,
                         std::string_view textDefault = {}, std::string_view property = "text") {
    return {key, Text, Control, textDefault, 0, control, property, nullptr, true};
}
constexpr OptionKey boolean(std::string_view key, std::string_view control, bool defaultValue) {
    return {key, Boolean, Control, {}, defaultValue ? 1 : 0, control, "checked"};
}
constexpr OptionKey integer(std::string_view key, std::string_view control, int defaultValue,
                            std::string_view property) {
    return {key, Integer, Control, {}, defaultValue, control, property};
}
constexpr OptionKey extensionFlag(std::string_view key, bool ExtensionChoice::*flag) {
    return {key, Boolean, ExtensionFlag, {}, 0, {}, {}, flag};
}

const OptionKey kOptionKeys[] = {
    text("READ", "ReadInEdit"),
    text("WRITE", "SaveOutEdit"),
    boolean("OVERW", "OverWriteChkBox", true),
    boolean("DIROPEN", "DirOpenChkBox", false),
    boolean("AUTOQUIT", "AutoExitChkBox", false),
    {"MODE", Boolean, CopyMode, {}, 1},
    boolean("RENAME", "ReNameChkBox", true),
    text("FMAE", "FMAEEdit"),
    text("FDATE", "FDATEEdit", "yyyy-mm-dd ", "currentText"),
    text("FATO", "FATOEdit", " №"),
    integer("FNUM", "FNUMCombo", 3, "currentIndex"),
    integer("FTYPEC", "FTYPECombo", 0, "currentIndex"),
    text("DDATE", "DDATEEdit", "yyyy-mm-dd\"(\"aaa\")\"", "currentText"),
    text("DMAE", "DMAEEDIT"),
    text("DATO", "DATOEDIT"),
    boolean("DIRCHKBOX", "DIRCHKBOX", true),
    {"FNUM1", Text, SequenceOpening},
    {"FNUM2", Integer, SequenceDigits},
    {"FNUM3", Text, SequenceClosing},
    boolean("RUNF", "RunChkBox", false),
    // Its default depends on RUNPARA, which is read but no longer written.
    integer("RUNPARA2", "RUNPARACHK2", 1, "itemIndex"),
    {"RUNPARASTR", Text, Control, {}, 0, "RUNPARACHKSTR", "text"},
    boolean("FNUMF", "FNUMCHK", true),
    boolean("FAUTONUMF", "FAUTONUM", true),
    boolean("LOGF", "LOGSAVECHKBOX", false),
    text("RUNNAME", "RunProcEdit"),
    integer("START", "StartEdit", 1, "value"),
    integer("TYPEF", "TYPERADIO", 0, "itemIndex"),
    extensionFlag("READTYPEJPG", &ExtensionChoice::JPG),
    extensionFlag("READTYPEBMP", &ExtensionChoice::BMP),
    extensionFlag("READTYPEGIF", &ExtensionChoice::GIF),
    extensionFlag("READTYPEPNG", &ExtensionChoice::PNG),
    extensionFlag("READTYPEAVI", &ExtensionChoice::AVI),
    extensionFlag("READTYPEMPG", &ExtensionChoice::MPG),
    extensionFlag("READTYPEASF", &ExtensionChoice::ASF),
    extensionFlag("READTYPETIF", &ExtensionChoice::TIF),
    {"READTYPE", Text, ExtensionList, {}, 0, {}, {}, nullptr, true},
    {"VER", Text, Version},
    {"THMMODE", Integer, ThumbnailMode, {}, 1},
    {"THMSIZE", Integer, ThumbnailSize, {}, 120},
    boolean("HOGOF", "CHKHOGO", false),
    {"SORTTYPE", Integer, SortType, {}, 3},
    {"SORTUP", Boolean, SortUp, {}, 1},
    boolean("SUBDIR", "sUbdirchk1", false),
};

const std::string_view kLoadOrder[] = {
    "READ",        "WRITE",       "DDATE",       "FMAE",        "FDATE",       "FATO",
    "DATO",        "DMAE",        "RUNNAME",     "READTYPE",    "OVERW",       "DIROPEN",
    "AUTOQUIT",    "MODE",        "DIRCHKBOX",   "FNUM",        "FTYPEC",      "RUNF",
    "RUNPARA2",    "RUNPARASTR",  "FNUMF",       "FAUTONUMF",   "RENAME",      "LOGF",
    "START",       "TYPEF",       "READTYPEJPG", "READTYPEBMP", "READTYPEGIF", "READTYPEPNG",
    "READTYPEAVI", "READTYPEMPG", "READTYPEASF", "READTYPETIF", "THMSIZE",     "THMMODE",
    "HOGOF",       "SORTTYPE",    "SORTUP",      "SUBDIR",
};

} // namespace

std::span<const OptionKey> optionKeys() {
    return kOptionKeys;
}

std::span<const std::string_view> loadOrder() {
    return kLoadOrder;
}

const OptionKey* findOptionKey(std::string_view key) {
    for (const auto& option : kOptionKeys)
        if (option.key == key)
            return &option;
    return nullptr;
}

} // namespace pixbako
