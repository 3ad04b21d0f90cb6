// The program's start as scripts meet it: its options, arguments that name no folder, a
// settings file it can't read, and name patterns that must read back from the settings file
// exactly as they were saved.
#include "e2e/PixbakoProcess.h"
#include "support/JpegBuilder.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace pixbako::test {
namespace {

Strings namesIn(const std::string& folder) {
    Strings names;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.is_regular_file() && entry.path().filename().string()[0] != '.' &&
            entry.path().filename() != "PXBK")
            names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class StartE2eTest : public ::testing::Test {
protected:
    PixbakoInstall pixbako;
    std::string card = pixbako.root() + "/media/CARD/DCIM";
    std::string save = pixbako.root() + "/save";

    void SetUp() override {
        fs::create_directories(card);
        fs::create_directories(save);
    }
    void shot(const std::string& name, const std::string& date) const {
        writeTestFile(card + "/" + name, cameraJpeg(date));
    }
};

TEST_F(StartE2eTest, HelpVersionAndUnknownOptions) {
    shot("IMG_0001.JPG", "2024:05:06 10:00:00");
    pixbako.writeSettings({"READ=" + card, "WRITE=" + save, "AUTOQUIT=1", "MODE=1"});
    const std::string settingsBefore = readBytes(pixbako.iniPath());

    const ProcessResult help = pixbako.run({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.stdoutText.find("使い方: pixbako"), std::string::npos) << help.stdoutText;
    EXPECT_EQ(help.stderrText, "");

    const ProcessResult version = pixbako.run({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.stdoutText, "Pixbako " PIXBAKO_VERSION_TEXT "\n");

    for (const Strings& arguments : {Strings{"-x", card}, Strings{"-S", "--verbose"}}) {
        SCOPED_TRACE(arguments[0]);
        const ProcessResult wrong = pixbako.run(arguments);
        EXPECT_EQ(wrong.status, 2);
        EXPECT_NE(wrong.stderrText.find("不明なオプションです"), std::string::npos);
        EXPECT_NE(wrong.stderrText.find("使い方: pixbako"), std::string::npos);
        EXPECT_EQ(wrong.stdoutText, "");
    }
    // Nothing was imported, and the settings were not even rewritten.
    EXPECT_TRUE(namesIn(save).empty());
    EXPECT_EQ(readBytes(pixbako.iniPath()), settingsBefore);
}

// `pixbako "$CARD"` with CARD unset was ignored without a word.
TEST_F(StartE2eTest, EmptyFolderArgumentIsAnError) {
    shot("IMG_0001.JPG", "2024:05:06 10:00:00");
    pixbako.writeSettings(
        {"READ=" + card, "WRITE=" + save, "AUTOQUIT=1", "MODE=1", "DIRCHKBOX=0", "RENAME=0"});
    const ProcessResult alone = pixbako.run({""});
    EXPECT_EQ(alone.status, 1);
    EXPECT_NE(alone.stderrText.find("フォルダ名が空です"), std::string::npos) << alone.stderrText;
    EXPECT_TRUE(namesIn(save).empty());

    const ProcessResult beside = pixbako.run({card, ""});
    EXPECT_EQ(beside.status, 1);
    EXPECT_EQ(namesIn(save), Strings{"IMG_0001.JPG"});
}

// Saved as UTF-16 by a Windows editor, or holding a NUL byte: the run started with defaults and
// then saved them over the file, presets and all.
TEST_F(StartE2eTest, SettingsFileThatCantBeReadIsToldAndKept) {
    shot("IMG_0001.JPG", "2024:05:06 10:00:00");
    std::string utf16 = "\xFF\xFE";
    for (char c : std::string("[INI0]\r\nWRITE=/somewhere\r\n[INI1]\r\nREAD=/card\r\n")) {
        utf16 += c;
        utf16 += '\0';
    }
    const std::string withNul("[INI0]\r\nWRITE=/some\0where\r\n", 27);
    for (const std::string& bytes : {utf16, withNul}) {
        std::ofstream(pixbako.iniPath(), std::ios::binary) << bytes;
        const ProcessResult result = pixbako.run({card}, 15);
        EXPECT_EQ(result.status, 1); // no save folder among the defaults
        EXPECT_EQ(readBytes(pixbako.iniPath()), bytes);
        const std::string told = "Pixbako: 設定ファイルを読み込めませんでした";
        const auto first = result.stderrText.find(told);
        EXPECT_NE(first, std::string::npos) << result.stderrText;
        EXPECT_EQ(result.stderrText.find(told, first + 1), std::string::npos) << "told once";
        EXPECT_NE(result.stderrText.find(pixbako.iniPath()), std::string::npos);
        EXPECT_NE(result.stderrText.find(bytes == utf16 ? "UTF-16" : "NUL"), std::string::npos)
            << result.stderrText;
    }
}

// The default file-name pattern ends in a blank and the middle text begins with one; the
// blanks were lost at the first restart, which changed the names and restarted the numbers.
TEST_F(StartE2eTest, DefaultNamePatternsKeepNamesAndNumbersAcrossStarts) {
    pixbako.writeSettings({"READ=" + card, "WRITE=" + save, "AUTOQUIT=1", "MODE=0", "DIRCHKBOX=0",
                           "RENAME=1", "OVERW=0"});
    shot("IMG_0001.JPG", "2024:05:06 10:00:00");
    ASSERT_EQ(pixbako.run({"-S"}).status, 0);
    shot("IMG_0002.JPG", "2024:05:06 11:00:00");
    const ProcessResult second = pixbako.run({"-S"});
    ASSERT_EQ(second.status, 0) << second.stderrText;
    EXPECT_EQ(namesIn(save), (Strings{"2024-05-06  №(001).JPG", "2024-05-06  №(002).JPG"}));
}

} // namespace
} // namespace pixbako::test
