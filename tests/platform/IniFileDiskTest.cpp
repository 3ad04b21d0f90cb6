// INI files on disk in both dialects: encodings, load status, links, garbage, one-call forms.
#include "platform/IniFile.h"

#include "support/TempFolder.h"
#include "support/TestFiles.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace pixbako {
namespace {

TEST(IniFileDisk, ProfileFileIsCp932WithCrlfAndReadsBack) {
    TempFolder folder;
    std::string path = folder.path() + "/PXBK";
    IniFile ini(path, IniDialect::Profile);
    EXPECT_EQ(ini.loadStatus(), IniFile::LoadStatus::Missing);
    ini.writeString("AUTONUM", "FMAE", "\"写真 \"");
    ini.writeInteger("AUTONUM", "LASTNUM", 7);
    ASSERT_TRUE(ini.save().ok);
    EXPECT_EQ(readFileBytes(path), "[AUTONUM]\r\nFMAE=\"\x8E\xCA\x90\x5E \"\r\nLASTNUM=7\r\n");

    IniFile again(path, IniDialect::Profile);
    EXPECT_EQ(again.loadStatus(), IniFile::LoadStatus::Loaded);
    EXPECT_EQ(again.readString("AUTONUM", "FMAE", ""), "写真 ");
    EXPECT_EQ(again.readInteger("AUTONUM", "LASTNUM", 0), 7);
    EXPECT_EQ(entriesIn(folder.path()), 1u) << "no temporary file may remain";
}

// A settings file as a Windows PC writes it: CP932 without a BOM. Its bytes may be valid UTF-8
// by chance (ﾃｽﾄｱ = C3 BD C4 B1); a second key written must keep the first one's bytes.
TEST(IniFileDisk, ProfileReadsAndKeepsSettingsFilesAsTheyComeFromWindowsPcs) {
    struct Case {
        const char* what;
        std::string bytes;
        const char* key;
        const char* value;
    };
    const Case cases[] = {
        {"katakana only", "[Main]\r\nDMAE=\xC3\xBD\xC4\xB1\r\n", "DMAE", "ﾃｽﾄｱ"},
        {"a path with kanji", "[Main]\r\nSAVE=D:\\\x8E\xCA\x90\x5E\\\x83\x5C\r\n", "SAVE",
         "D:\\写真\\ソ"},
    };
    TempFolder folder;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = folder.path() + "/pixbako.INI";
        writeFileBytes(path, c.bytes);
        EXPECT_EQ(getPrivateProfileString("Main", c.key, "-", path), c.value);
        ASSERT_TRUE(writePrivateProfileString("Main", "Other", "1", path).ok);
        EXPECT_EQ(readFileBytes(path), c.bytes + "Other=1\r\n");
    }
}

TEST(IniFileDisk, ProfileOneCallFormsReadAndWriteTheFile) {
    TempFolder folder;
    std::string path = folder.path() + "/settings.ini";
    writeFileBytes(path, "[A]\r\nk=old\r\n[B]\r\nz=1\r\n");
    ASSERT_TRUE(writePrivateProfileString("A", "K", "new", path).ok);
    EXPECT_EQ(getPrivateProfileString("a", "k", "-", path), "new");
    EXPECT_EQ(getPrivateProfileString("B", "Z", "-", path), "1");
    EXPECT_EQ(getPrivateProfileString("B", "missing", "-", path), "-");
    EXPECT_EQ(getPrivateProfileString("A", "K", "-", folder.path() + "/none.ini"), "-");
}

TEST(IniFileDisk, ProfileUnreadableFileIsNotOverwrittenByAOneCallWrite) {
    TempFolder folder;
    std::string path = folder.path() + "/dir.ini";
    std::filesystem::create_directory(path); // reading a folder fails with EISDIR
    IniFile ini(path, IniDialect::Profile);
    EXPECT_EQ(ini.loadStatus(), IniFile::LoadStatus::Failed);
    EXPECT_FALSE(writePrivateProfileString("A", "K", "v", path).ok);
    EXPECT_TRUE(std::filesystem::is_directory(path));
}

TEST(IniFileDisk, ProfilePipeUnderTheFileNameHungTheReader) {
    TempFolder folder;
    std::string path = folder.path() + "/PXBK";
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    IniFile ini(path, IniDialect::Profile); // no writer: a blocking open would never return
    EXPECT_EQ(ini.loadStatus(), IniFile::LoadStatus::Failed);
}

TEST(IniFileDisk, SettingsSavesCp932AndFallsBackToUtf8WithBom) {
    TempFolder temp;
    std::string path = temp.path() + "/pixbako.INI";
    {
        IniFile ini(path, IniDialect::Settings);
        EXPECT_EQ(ini.loadStatus(), IniFile::LoadStatus::Missing);
        ini.writeString("INI0", "FATO", "№");
        ASSERT_TRUE(ini.save().ok);
    }
    EXPECT_EQ(readFileBytes(path), "[INI0]\r\nFATO=\x87\x82\r\n\r\n"); // № in CP932
    {
        IniFile ini(path, IniDialect::Settings);
        ini.writeString("INI0", "READ", "/media/\xF0\x9F\x93\xB7"); // not in CP932
        ASSERT_TRUE(ini.save().ok);
    }
    EXPECT_EQ(readFileBytes(path).substr(0, 3), "\xEF\xBB\xBF");
    IniFile again(path, IniDialect::Settings);
    EXPECT_EQ(again.loadStatus(), IniFile::LoadStatus::Loaded);
    EXPECT_EQ(again.value("INI0", "READ"), "/media/\xF0\x9F\x93\xB7");
    EXPECT_EQ(again.value("INI0", "FATO"), "№");
}

TEST(IniFileDisk, SettingsLinkedFileStaysALinkAndItsTargetIsWritten) {
    TempFolder temp;
    std::filesystem::create_directories(temp.path() + "/real");
    const std::string target = temp.path() + "/real/settings.INI";
    writeFileBytes(target, "[INI0]\r\nREAD=/a\r\n");
    const std::string link = temp.path() + "/pixbako.INI";
    ASSERT_EQ(::symlink("real/settings.INI", link.c_str()), 0);
    IniFile ini(link, IniDialect::Settings);
    ASSERT_EQ(ini.loadStatus(), IniFile::LoadStatus::Loaded);
    ini.writeString("INI0", "READ", "/b");
    ASSERT_TRUE(ini.save().ok);
    struct stat st {};
    ASSERT_EQ(::lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(readFileBytes(target), "[INI0]\r\nREAD=/b\r\n\r\n");
}

TEST(IniFileDisk, SettingsGarbageIsNotTakenForSettings) {
    using P = SettingsTextProblem;
    struct Case {
        const char* what;
        std::string bytes;
        SettingsTextProblem problem;
    };
    const std::string longest = "READ=" + std::string(IniFile::kMaxSettingsLineBytes - 5, 'a');
    const Case cases[] = {
        {"empty file", "", P::None},
        {"comments only", "; nothing yet\r\n", P::None},
        {"section without line end", "[INI0]", P::None},
        {"CP932 text", "[INI0]\r\nFATO=\x87\x82\r\n", P::None},
        {"end-of-file mark", "[INI0]\r\nREAD=x\r\n\x1A", P::None},
        {"a line of the greatest length", "[INI0]\r\n" + longest + "\r\n", P::None},
        {"NUL byte", std::string("[INI0]\r\nREAD=\0x\r\n", 15), P::ControlBytes},
        {"binary bytes", "[INI0]\r\n\x01\x02\x03\x7F\x1B", P::ControlBytes},
        {"UTF-16", std::string("\xFF\xFE[\0I\0N\0I\0", 10), P::Utf16},
        {"UTF-16 big-endian", std::string("\xFE\xFF\0[\0I\0N", 8), P::Utf16},
        {"UTF-16 without its mark", std::string("[\0I\0N\0I\0", 8), P::Utf16},
        {"text without any section", "hello\nworld\n", P::NoSection},
        {"one huge line", "[INI0]\r\n" + longest + "a", P::LineTooLong},
        {"no line ends", std::string(IniFile::kMaxSettingsLineBytes + 1, 'x'), P::LineTooLong},
        // One broken value must not cost the other sections at the next save.
        {"bytes that form no character", "[INI0]\r\nREAD=\x81\x20\xA0\x80\r\n", P::None},
        {"over a mebibyte",
         "[INI0]\r\n" + std::string(IniFile::kMaxSettingsFileBytes / 10, '\n') +
             std::string(IniFile::kMaxSettingsFileBytes, ' '),
         P::TooLarge},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(settingsTextProblem(c.bytes), c.problem) << c.what;
        EXPECT_EQ(isSettingsText(c.bytes), c.problem == P::None) << c.what;
    }
    // A file of the greatest line is read, not only judged.
    TempFolder temp;
    writeFileBytes(temp.path() + "/long.INI", "[INI0]\r\n" + longest + "\r\n");
    IniFile ini(temp.path() + "/long.INI", IniDialect::Settings);
    EXPECT_EQ(ini.loadStatus(), IniFile::LoadStatus::Loaded);
    EXPECT_EQ(ini.value("INI0", "READ")->size(), IniFile::kMaxSettingsLineBytes - 5);
}

TEST(IniFileDisk, SettingsUnreadableAndGarbageFilesReadAsEmptyWithTheirStatus) {
    TempFolder temp;
    std::string garbage = temp.path() + "/garbage.INI";
    writeFileBytes(garbage, std::string("[INI0]\0READ=x", 13));
    IniFile fromGarbage(garbage, IniDialect::Settings);
    EXPECT_EQ(fromGarbage.loadStatus(), IniFile::LoadStatus::NotSettings);
    EXPECT_EQ(fromGarbage.text(), "");

    IniFile folder(temp.path(), IniDialect::Settings);
    EXPECT_EQ(folder.loadStatus(), IniFile::LoadStatus::Failed);
    EXPECT_NE(folder.loadError(), 0);

    std::string fifo = temp.path() + "/fifo.INI";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(IniFile(fifo, IniDialect::Settings).loadStatus(),
              IniFile::LoadStatus::Failed); // never blocks
}

} // namespace
} // namespace pixbako
