#include "SettingsFormStub.h"
#include "SettingsTestSupport.h"

#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QSpinBox>
#include <filesystem>
#include <gtest/gtest.h>

namespace pixbako::test {
namespace {

// Such a file was replaced with defaults by the save at the start of the next run, and with
// it every preset and the save folder, without a word.
TEST(SettingsFileFaults, UnreadableFileIsToldOnceAndKeptUntilTheUserSaves) {
    struct Case {
        const char* what;
        std::string bytes;
        const char* reason;
    };
    const Case cases[] = {
        {"binary bytes",
         "\x7F"
         "ELF\x02\x01\x01\x00\x00\x00\x03\x00\x3E\x00",
         "制御文字"},
        {"NUL in a key", std::string("[INI0]\r\nREAD=/a\0b\r\n", 17), "制御文字"},
        {"saved as UTF-16", std::string("\xFF\xFE[\0I\0N\0I\0\x30\0]\0\r\0\n\0", 18), "UTF-16"},
        {"one huge line", "[INI0]\r\nREAD=" + std::string(200'000, 'x') + "\r\n", "128 KiB"},
        {"no line ends", std::string(200'000, 'y'), "128 KiB"},
        {"over a mebibyte", "[INI0]\r\nREAD=/x\r\n" + std::string(1'100'000, '\n'), "1 MiB"},
        {"no section", "READ=/media/card\r\n", "見出し"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        IniInTempFolder ini;
        writeBytes(ini.path, c.bytes);
        StubForm form;
        form.find<QLineEdit>("ReadInEdit")->setText("before");
        SettingsFile settings(form, ini.qpath);
        settings.loadOptions("INI0");
        EXPECT_EQ(form.find<QLineEdit>("ReadInEdit")->text(), "");
        EXPECT_EQ(form.find<QComboBox>("FNUMCombo")->currentIndex(), 3);
        EXPECT_EQ(ini.bytes(), c.bytes);
        ASSERT_EQ(form.recorder.boxes.size(), 1u);
        const RecordedBox& box = form.recorder.boxes[0];
        EXPECT_NE(box.text.find(ini.path), std::string::npos) << box.text;
        EXPECT_NE(box.text.find(c.reason), std::string::npos) << box.text;
        EXPECT_EQ(box.icon, BoxIcon::Warning);
        EXPECT_EQ(form.recorder.beeps, std::vector{BeepKind::Exclamation});

        // Runs and the exit leave it alone, and say nothing more.
        settings.saveOnExit();
        settings.saveOnExit();
        EXPECT_EQ(ini.bytes(), c.bytes);
        EXPECT_EQ(form.recorder.boxes.size(), 1u);

        // Saving a preset is the user's own decision.
        settings.applyPresetMenuItem("SAVE_INI1");
        EXPECT_EQ(ini.text().substr(0, 15), "[INI1]\r\nREAD=\r\n");
        settings.saveOnExit();
        EXPECT_NE(ini.text().find("[INI0]\r\nREAD=\r\n"), std::string::npos);
    }
}

TEST(SettingsFileFaults, LongestFieldTextIsNotMistakenForGarbage) {
    IniInTempFolder ini;
    StubForm form;
    // As long as a line edit allows, written in UTF-8 (the emoji has no CP932 form).
    QString longest = QString(32765, QChar(0x3042)) + QString::fromUtf8("\xF0\x9F\x93\xB7");
    form.find<QLineEdit>("ReadInEdit")->setText(longest);
    ASSERT_EQ(form.find<QLineEdit>("ReadInEdit")->text(), longest);
    SettingsFile(form, ini.qpath).saveOptions("INI0");
    StubForm next;
    SettingsFile(next, ini.qpath).loadOptions("INI0");
    EXPECT_TRUE(next.find<QLineEdit>("ReadInEdit")->text() == longest);
}

TEST(SettingsFileFaults, UnwritableFileGivesAnErrorBoxAndTheProgramGoesOn) {
    TempFolder temp;
    // A file where the folder should be: the write fails for every user, root included.
    std::string blocker = temp.path() + "/notafolder";
    writeBytes(blocker, "x");
    QString path = QString::fromStdString(blocker + "/pixbako.INI");
    StubForm form;
    SettingsFile settings(form, path);
    settings.loadOptions("INI0");
    EXPECT_EQ(form.find<QComboBox>("FDATEEdit")->currentText(), "yyyy-mm-dd ");
    ASSERT_EQ(form.recorder.boxes.size(), 1u);
    form.find<QLineEdit>("ReadInEdit")->setText("/media/card");
    settings.saveOptions("INI0");
    ASSERT_EQ(form.recorder.boxes.size(), 2u);
    for (const auto& box : form.recorder.boxes) {
        EXPECT_NE(box.text.find(blocker + "/pixbako.INI"), std::string::npos) << box.text;
        EXPECT_NE(box.text.find("Not a directory"), std::string::npos) << box.text;
        EXPECT_EQ(box.icon, BoxIcon::Error);
        EXPECT_EQ(box.buttons, BoxButtons::Ok);
    }
    EXPECT_EQ(form.recorder.beeps, (std::vector{BeepKind::Hand, BeepKind::Hand}));
    EXPECT_EQ(form.find<QLineEdit>("ReadInEdit")->text(), "/media/card");

    form.window.setWindowTitle("Pixbako");
    settings.applyPresetMenuItem("SAVE_INI1");
    EXPECT_EQ(form.recorder.boxes.size(), 4u);       // the confirmation, then the error
    EXPECT_EQ(form.window.windowTitle(), "Pixbako"); // no preset was saved
}

TEST(SettingsFileFaults, FileThatCantBeReadIsNeverReplaced) {
    TempFolder temp;
    // A folder under the settings file's name can't be read as a file.
    std::string path = temp.path() + "/pixbako.INI";
    std::filesystem::create_directory(path);
    writeBytes(path + "/inside", "kept");
    StubForm form;
    SettingsFile settings(form, QString::fromStdString(path));
    settings.loadOptions("INI0");
    ASSERT_EQ(form.recorder.boxes.size(), 1u);
    EXPECT_NE(form.recorder.boxes[0].text.find("Is a directory"), std::string::npos);
    settings.saveOnExit();
    EXPECT_EQ(form.recorder.boxes.size(), 1u);
    // Even a deliberate save can't write what it couldn't read.
    settings.saveOptions("INI0");
    ASSERT_EQ(form.recorder.boxes.size(), 2u);
    EXPECT_NE(form.recorder.boxes[1].text.find("read: Is a directory"), std::string::npos);
    EXPECT_EQ(readFileBytes(path + "/inside"), "kept");
}

// Told at the first save when the file went bad after the start.
TEST(SettingsFileFaults, FileSpoiledAfterTheStartIsToldAtTheNextRun) {
    IniInTempFolder ini;
    ini.write("[INI0]\nREAD=/media/card\n");
    StubForm form;
    SettingsFile settings(form, ini.qpath);
    settings.loadOptions("INI0");
    EXPECT_TRUE(form.recorder.boxes.empty());
    const std::string utf16("\xFF\xFE[\0I\0", 6);
    writeBytes(ini.path, utf16);
    settings.saveOnExit();
    settings.saveOnExit();
    EXPECT_EQ(ini.bytes(), utf16);
    EXPECT_EQ(form.recorder.boxes.size(), 1u);
}

TEST(SettingsFileFaults, WindowPlacementIsCorrectedIntoTheWorkArea) {
    // Work area of the stub: left 100, top 50, right 1900, bottom 1050.
    struct Case {
        const char* form;
        QPoint position;
        QSize size;
    };
    const Case cases[] = {
        {"", {110, 60}, {746, 555}},
        {"Top=200\nLeft=300\nWidth=900\nHeight=700\n", {300, 200}, {900, 700}},
        {"Top=200\nLeft=1801\n", {100, 200}, {746, 555}}, // far right: back to the left edge
        {"Top=200\nLeft=1800\n", {1800, 200}, {746, 555}},
        {"Top=10\nLeft=20\n", {100, 50}, {746, 555}},
        {"Top=951\nLeft=500\n", {500, 50}, {746, 555}},
        {"Top=0x10\nLeft=abc\n", {110, 50}, {746, 555}},
        {"Width=99999999\nHeight=-5\n", {110, 60}, {746, 555}}, // no size at all
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.form);
        IniInTempFolder ini;
        ini.write(std::string("[Form]\n") + c.form);
        StubForm form;
        SettingsFile(form, ini.qpath).loadOptions("INI0");
        EXPECT_EQ(form.window.pos(), c.position);
        EXPECT_EQ(form.window.size(), c.size);
    }
}

TEST(SettingsFileFaults, MaximisedWindowKeepsTheLastNormalPlacement) {
    IniInTempFolder ini;
    ini.write("[Form]\nWindowState=0\nPANELHI=300\nTop=200\nLeft=300\nWidth=900\nHeight=700\n");
    StubForm form;
    SettingsFile settings(form, ini.qpath);
    settings.loadOptions("INI0");
    EXPECT_EQ(form.panel, 421); // never below the panel's minimum
    form.panel = 480;
    form.window.setWindowState(Qt::WindowMaximized);
    settings.saveOptions("INI0");
    std::string text = ini.text();
    EXPECT_NE(text.find("[Form]\r\nWindowState=2\r\nPANELHI=480\r\nTop=200\r\nLeft=300\r\n"
                        "Width=900\r\nHeight=700\r\n"),
              std::string::npos)
        << text;

    StubForm next;
    SettingsFile(next, ini.qpath).loadOptions("INI0");
    EXPECT_TRUE(next.window.windowState() & Qt::WindowMaximized);
    EXPECT_EQ(next.panel, 480);
}

TEST(SettingsFileFaults, StoredNumbersOutOfRangeDoNotFail) {
    IniInTempFolder ini;
    ini.write("[INI0]\nFNUM=99\nFTYPEC=-5\nTYPEF=7\nRUNPARA2=9\nSTART=2147483647\n"
              "THMSIZE=5000\nTHMMODE=-1\nSORTTYPE=0x7FFFFFFF\nPAGENO=9\n"
              "[Form]\nWindowState=7\nPANELHI=99999\n");
    StubForm form;
    SettingsFile settings(form, ini.qpath);
    settings.loadOptions("INI0");
    EXPECT_EQ(form.find<QSpinBox>("StartEdit")->value(), 9999); // the control's own limit
    EXPECT_EQ(form.thumbSize, 5000); // handed on unchanged: the window decides
    EXPECT_EQ(form.page, 9);
    EXPECT_EQ(form.panel, 99999);
    EXPECT_EQ(form.window.windowState(), Qt::WindowNoState);
    settings.saveOptions("INI0");
    std::string text = ini.text();
    // No style chosen: a style without texts or digits.
    EXPECT_NE(text.find("FNUM1=\r\nFNUM2=0\r\nFNUM3=\r\n"), std::string::npos) << text;
    EXPECT_TRUE(form.recorder.boxes.empty());
}

TEST(SettingsFileFaults, SettingsFileLivesBesideTheProgramOrInTheUserConfiguration) {
    TempFolder temp;
    QString folder = QString::fromStdString(temp.path());
    EXPECT_EQ(settingsFilePath(folder + "/pixbako"), folder + "/pixbako.INI");
    EXPECT_EQ(settingsFilePath(folder + "/Pixbako.exe"), folder + "/Pixbako.INI");
    EXPECT_EQ(settingsFilePath(folder + "/my.tool.bin"), folder + "/my.tool.INI");

    // A folder the program can't write to (missing here, so that root is refused too).
    QString program = folder + "/no-such-folder/pixbako";
    QByteArray savedConfig = qgetenv("XDG_CONFIG_HOME");
    QByteArray savedHome = qgetenv("HOME");
    qputenv("XDG_CONFIG_HOME", (folder + "/config").toUtf8());
    QString inConfig = settingsFilePath(program);
    qputenv("XDG_CONFIG_HOME", "relative/is/ignored");
    qputenv("HOME", (folder + "/home").toUtf8());
    QString inHome = settingsFilePath(program);
    qputenv("XDG_CONFIG_HOME", savedConfig);
    qputenv("HOME", savedHome);

    EXPECT_EQ(inConfig, folder + "/config/Pixbako/pixbako.INI");
    EXPECT_EQ(inHome, folder + "/home/.config/Pixbako/pixbako.INI");
    EXPECT_TRUE(QDir(folder + "/config/Pixbako").exists()); // ready for the first save
}

} // namespace
} // namespace pixbako::test
