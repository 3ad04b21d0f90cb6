#include "engine/options/OptionsFile.h"

#include "engine/naming/SequenceStyle.h"
#include "engine/options/OptionKeys.h"
#include "platform/IniFile.h"

#include <string>

namespace pixbako {
namespace {

// A value of the older layout without the quote that enclosed it at each end: its first and
// last characters go, whatever they are.
std::string withoutEnclosingCharacters(const std::string& value) {
    auto isContinuation = [](char byte) {
        return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
    };
    std::size_t begin = value.empty() ? 0 : 1;
    while (begin < value.size() && isContinuation(value[begin]))
        ++begin;
    std::size_t end = value.size();
    if (end > begin) {
        --end;
        while (end > begin && isContinuation(value[end]))
            --end;
    }
    return end > begin ? value.substr(begin, end - begin) : std::string();
}

} // namespace

Options readOptions(const IniFile& ini, std::string_view section, std::string_view currentVersion) {
    // The layout is told by VER as it stands in the file: the older one quoted it.
    const std::string version =
        ini.storedValue(section, "VER").value_or(std::string(currentVersion));
    const bool olderLayout = version.empty() || version.front() == '"';
    const int runParameterDefault = ini.readBool(section, "RUNPARA", false) ? 0 : 1;

    Options options;
    for (const OptionKey& option : optionKeys()) {
        if (!option.holdsField())
            continue;
        switch (option.type) {
        case KeyType::Text: {
            const bool quoted = olderLayout && option.quotedInOlderLayout;
            auto stored =
                quoted ? ini.storedValue(section, option.key) : ini.value(section, option.key);
            // A missing key takes its default as it stands, also in the older layout: only
            // stored values were quoted.
            std::string value(option.textDefault);
            if (stored)
                value = quoted ? withoutEnclosingCharacters(*stored) : *stored;
            setOptionValue(options, option, value);
            break;
        }
        case KeyType::Boolean:
            setOptionValue(options, option,
                           ini.readBool(section, option.key, option.numberDefault != 0));
            break;
        case KeyType::Integer: {
            int fallback = option.key == "RUNPARA2" ? runParameterDefault : option.numberDefault;
            setOptionValue(options, option,
                           std::int64_t{ini.readInteger(section, option.key, fallback)});
            break;
        }
        }
    }
    return options;
}

void writeOptions(IniFile& ini, std::string_view section, const Options& options,
                  std::string_view version) {
    const SequenceStyle style = sequenceStyleFor(options.sequenceStyleIndex);
    for (const OptionKey& option : optionKeys()) {
        switch (option.derived) {
        case Derived::SequenceOpening:
            ini.writeString(section, option.key, style.opening);
            continue;
        case Derived::SequenceDigits:
            ini.writeInteger(section, option.key, style.digits);
            continue;
        case Derived::SequenceClosing:
            ini.writeString(section, option.key, style.closing);
            continue;
        case Derived::Version:
            ini.writeString(section, option.key, version);
            continue;
        case Derived::None:
            break;
        }
        const OptionValue value = optionValue(options, option);
        if (option.writtenOnceSet && value == OptionValue(false) && !ini.value(section, option.key))
            continue;
        if (const auto* text = std::get_if<std::string>(&value))
            ini.writeString(section, option.key, *text);
        else if (const auto* flag = std::get_if<bool>(&value))
            ini.writeBool(section, option.key, *flag);
        else
            ini.writeInteger(section, option.key, std::get<std::int64_t>(value));
    }
}

} // namespace pixbako
