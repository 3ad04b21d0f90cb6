#include "engine/options/OptionsFile.h"
#include "engine/options/OptionKeys.h"
#include "platform/IniFile.h"

#include <gtest/gtest.h>

namespace pixbako {
namespace {

// Every field away from its default, so that a key read into or written from the wrong field
// shows.
Options changedOptions() {
    Options o;
    int n = 0;
    for (const OptionKey& key : optionKeys()) {
        if (!key.holdsField())
            continue;
        ++n;
        if (key.type == KeyType::Text)
            setOptionValue(o, key, std::string(key.key) + " 値 " + std::to_string(n));
        else if (key.type == KeyType::Boolean)
            setOptionValue(o, key, key.numberDefault == 0);
        else
            setOptionValue(o, key, std::int64_t{key.numberDefault + n});
    }
    return o;
}

TEST(OptionsFile, EveryFieldSurvivesWriteAndReadAndAMissingSectionGivesTheDefaults) {
    IniFile ini(IniDialect::Settings);
    EXPECT_EQ(readOptions(ini, "INI2", "2.1.0.0"), Options());

    const Options changed = changedOptions();
    writeOptions(ini, "INI2", changed, "2.1.0.0");
    EXPECT_EQ(readOptions(ini, "INI2", "2.1.0.0"), changed);
    // Each key holds its own field: no two keys share one.
    for (const OptionKey& key : optionKeys()) {
        if (!key.holdsField())
            continue;
        Options one;
        setOptionValue(one, key, optionValue(changed, key));
        EXPECT_NE(one, Options()) << key.key;
    }
    IniFile again(IniDialect::Settings);
    again.parse(ini.text());
    EXPECT_EQ(readOptions(again, "INI2", "2.1.0.0"), changed);
}

TEST(OptionsFile, SequenceStyleAndVersionAreWrittenBesideTheChosenStyle) {
    IniFile ini(IniDialect::Settings);
    Options options;
    options.sequenceStyleIndex = -1; // no item chosen: the plain style
    writeOptions(ini, "INI0", options, "9.8.7.6");
    EXPECT_EQ(ini.value("INI0", "FNUM"), "-1");
    EXPECT_EQ(ini.value("INI0", "FNUM2"), "0");
    EXPECT_EQ(ini.value("INI0", "VER"), "9.8.7.6");
    EXPECT_EQ(ini.value("INI0", "RUNPARA"), std::nullopt);
}

// Files of people who never turned the extended settings on stay as older versions wrote them;
// once a section holds such a key it is kept up to date.
TEST(OptionsFile, ExtendedSettingsAreWrittenOnceTheyAreSet) {
    IniFile ini(IniDialect::Settings);
    Options options;
    writeOptions(ini, "INI0", options, "2.1.0.0");
    EXPECT_EQ(ini.value("INI0", "METADATES"), std::nullopt);
    EXPECT_EQ(ini.value("INI0", "BUNDLE"), std::nullopt);
    EXPECT_EQ(ini.value("INI0", "LEDGER"), std::nullopt);
    options.allFormatDates = true;
    writeOptions(ini, "INI0", options, "2.1.0.0");
    EXPECT_EQ(ini.value("INI0", "METADATES"), "1");
    EXPECT_EQ(ini.value("INI0", "BUNDLE"), std::nullopt);
    options.allFormatDates = false;
    writeOptions(ini, "INI0", options, "2.1.0.0");
    EXPECT_EQ(ini.value("INI0", "METADATES"), "0");
    EXPECT_FALSE(readOptions(ini, "INI0", "2.1.0.0").allFormatDates);
}

TEST(OptionsFile, OlderLayoutDropsOneCharacterAtEachEndOfItsQuotedTexts) {
    struct Case {
        const char* stored;
        const char* read;
    };
    const Case cases[] = {
        {"\"写真\"", "写真"}, {"\"x\"", "x"}, {"\"", ""}, {"\"\"", ""}, {"«日本»", "日本"},
    };
    for (const Case& c : cases) {
        IniFile ini(IniDialect::Settings);
        ini.parse(std::string("[INI0]\nVER=\nFMAE=") + c.stored + "\n");
        EXPECT_EQ(readOptions(ini, "INI0", "2.1.0.0").filePrefix, c.read) << c.stored;
    }
}

} // namespace
} // namespace pixbako
