#include "engine/options/OptionKeys.h"

namespace pixbako {
namespace {

using enum KeyType;

constexpr OptionKey text(std::string_view key, std::string Options::*field,
                         std::string_view textDefault = {}, bool quotedInOlderLayout = true) {
    return {.key = key,
            .type = Text,
            .textDefault = textDefault,
            .quotedInOlderLayout = quotedInOlderLayout,
            .text = field};
}
constexpr OptionKey boolean(std::string_view key, bool Options::*field, bool defaultValue) {
    return {.key = key, .type = Boolean, .numberDefault = defaultValue ? 1 : 0, .flag = field};
}
constexpr OptionKey integer(std::string_view key, int Options::*field, int defaultValue) {
    return {.key = key, .type = Integer, .numberDefault = defaultValue, .number = field};
}
constexpr OptionKey extension(std::string_view key, bool ExtensionChoice::*flag) {
    return {.key = key, .type = Boolean, .extension = flag};
}
constexpr OptionKey derived(std::string_view key, KeyType type, Derived from) {
    return {.key = key, .type = type, .derived = from};
}

const OptionKey kOptionKeys[] = {
    text("READ", &Options::readInFolder),
    text("WRITE", &Options::saveFolder),
    boolean("OVERW", &Options::overwriteConfirmation, true),
    boolean("DIROPEN", &Options::openFolders, false),
    boolean("AUTOQUIT", &Options::autoExit, false),
    boolean("MODE", &Options::copy, true),
    boolean("RENAME", &Options::rename, true),
    text("FMAE", &Options::filePrefix),
    text("FDATE", &Options::fileDatePattern, "yyyy-mm-dd "),
    text("FATO", &Options::middleText, " №"),
    integer("FNUM", &Options::sequenceStyleIndex, 3),
    integer("FTYPEC", &Options::extensionCase, 0),
    text("DDATE", &Options::folderDatePattern, "yyyy-mm-dd\"(\"aaa\")\""),
    text("DMAE", &Options::folderPrefix),
    text("DATO", &Options::folderSuffix),
    boolean("DIRCHKBOX", &Options::dateFolders, true),
    derived("FNUM1", Text, Derived::SequenceOpening),
    derived("FNUM2", Integer, Derived::SequenceDigits),
    derived("FNUM3", Text, Derived::SequenceClosing),
    boolean("RUNF", &Options::startProgram, false),
    // Its default depends on RUNPARA, which is read but no longer written.
    integer("RUNPARA2", &Options::programParameterMode, 1),
    text("RUNPARASTR", &Options::programParameter, {}, false),
    boolean("FNUMF", &Options::numbering, true),
    boolean("FAUTONUMF", &Options::autoContinue, true),
    boolean("LOGF", &Options::writeLog, false),
    text("RUNNAME", &Options::programPath),
    {.key = "START", .type = Integer, .numberDefault = 1, .wideNumber = &Options::startNumber},
    integer("TYPEF", &Options::extensionMode, 0),
    extension("READTYPEJPG", &ExtensionChoice::JPG),
    extension("READTYPEBMP", &ExtensionChoice::BMP),
    extension("READTYPEGIF", &ExtensionChoice::GIF),
    extension("READTYPEPNG", &ExtensionChoice::PNG),
    extension("READTYPEAVI", &ExtensionChoice::AVI),
    extension("READTYPEMPG", &ExtensionChoice::MPG),
    extension("READTYPEASF", &ExtensionChoice::ASF),
    extension("READTYPETIF", &ExtensionChoice::TIF),
    {.key = "READTYPE", .type = Text, .quotedInOlderLayout = true},
    derived("VER", Text, Derived::Version),
    integer("THMMODE", &Options::thumbnailMode, 1),
    integer("THMSIZE", &Options::thumbnailSize, 120),
    boolean("HOGOF", &Options::settingsProtected, false),
    integer("SORTTYPE", &Options::sortType, 3),
    boolean("SORTUP", &Options::sortAscending, true),
    boolean("SUBDIR", &Options::includeSubfolders, false),
    {.key = "METADATES", .type = Boolean, .writtenOnceSet = true, .flag = &Options::allFormatDates},
    {.key = "BUNDLE", .type = Boolean, .writtenOnceSet = true, .flag = &Options::keepShotsTogether},
    {.key = "LEDGER", .type = Boolean, .writtenOnceSet = true, .flag = &Options::ledger},
};

bool isExtensionList(const OptionKey& key) {
    return key.key == "READTYPE";
}

} // namespace

std::span<const OptionKey> optionKeys() {
    return kOptionKeys;
}

const OptionKey* findOptionKey(std::string_view key) {
    for (const auto& option : kOptionKeys)
        if (option.key == key)
            return &option;
    return nullptr;
}

OptionValue optionValue(const Options& options, const OptionKey& key) {
    if (key.text)
        return options.*key.text;
    if (key.flag)
        return options.*key.flag;
    if (key.number)
        return std::int64_t{options.*key.number};
    if (key.wideNumber)
        return options.*key.wideNumber;
    if (key.extension)
        return options.extensions.*key.extension;
    if (isExtensionList(key))
        return options.extensions.freeList;
    return key.type == Text ? OptionValue(std::string()) : OptionValue(std::int64_t{0});
}

void setOptionValue(Options& options, const OptionKey& key, const OptionValue& value) {
    auto number = [&]() -> std::int64_t {
        if (const auto* n = std::get_if<std::int64_t>(&value))
            return *n;
        if (const auto* b = std::get_if<bool>(&value))
            return *b ? 1 : 0;
        return 0;
    };
    auto text = [&]() -> std::string {
        const auto* t = std::get_if<std::string>(&value);
        return t ? *t : std::string();
    };
    auto flag = [&] { return number() != 0; };
    if (key.text)
        options.*key.text = text();
    else if (key.flag)
        options.*key.flag = flag();
    else if (key.number)
        options.*key.number = static_cast<int>(number());
    else if (key.wideNumber)
        options.*key.wideNumber = number();
    else if (key.extension)
        options.extensions.*key.extension = flag();
    else if (isExtensionList(key))
        options.extensions.freeList = text();
}

Options::Options() {
    for (const OptionKey& key : kOptionKeys) {
        if (!key.holdsField())
            continue;
        if (key.type == Text)
            setOptionValue(*this, key, std::string(key.textDefault));
        else
            setOptionValue(*this, key, std::int64_t{key.numberDefault});
    }
}

} // namespace pixbako
