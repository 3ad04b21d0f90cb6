#include "platform/IniFile.h"

#include "support/TempFolder.h"
#include "support/TestFiles.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/stat.h>

namespace pixbako {
namespace {

std::string readBytes(const std::string& path) {
    return readFileBytes(path);
}

void writeBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::size_t entriesIn(const std::string& folder) {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder))
        ++count;
    return count;
}

TEST(IniFile, ReadsValuesAsTheProfileFunctionsDo) {
    IniFile ini;
    ini.parse("top=ignored\n"
              "; comment=not a key\n"
              "[AutoNum]\r\n"
              "  lastnum = 12  \r\n"
              "FDATE=\"yyyy mm \"\r\n"
              "FMAE=' a '\r\n"
              "FATO=\"\"x\"\"\r\n"
              "ODD=\"open\r\n"
              "EQ=a=b\r\n"
              "EMPTY=\r\n"
              "bare line\r\n"
              "[Other]\r\n"
              "LASTNUM=99\r\n"
              "[AUTONUM]\r\n"
              "LATE=only in the second copy\r\n");
    struct Case {
        const char* key;
        std::optional<std::string> expected;
    };
    const Case cases[] = {
        {"LASTNUM", "12"},      {"fdate", "yyyy mm "},
        {"FMAE", " a "},        {"FATO", "\"x\""},
        {"ODD", "\"open"},      {"EQ", "a=b"},
        {"EMPTY", ""},          {"bare line", std::nullopt},
        {"top", std::nullopt},  {"; comment", std::nullopt},
        {"LATE", std::nullopt}, // only the first section of a name is read
    };
    for (const auto& c : cases)
        EXPECT_EQ(ini.value("AUTONUM", c.key), c.expected) << c.key;
    EXPECT_EQ(ini.readString("AUTONUM", "missing", "yyyy-mm-dd"), "yyyy-mm-dd");
    EXPECT_EQ(ini.readString("NoSuchSection", "LASTNUM", "d"), "d");
}

TEST(IniFile, ReadsIntegersOrFallsBackToTheDefault) {
    struct Case {
        const char* text;
        std::int64_t expected;
    };
    const Case cases[] = {
        {"0", 0},     {"42", 42},   {"-7", -7},
        {"+5", 5},    {"0x1F", 31}, {"0X10", 16},
        {"0x", -1},   {"12a", -1},  {"", -1},
        {"1 2", -1},  {"--1", -1},  {"99999999999999999999", -1},
        {"\"8\"", 8}, {"- 1", -1},  {"-9223372036854775808", INT64_MIN},
    };
    for (const auto& c : cases) {
        IniFile ini;
        ini.parse(std::string("[S]\nK=") + c.text + "\n");
        EXPECT_EQ(ini.readInteger("S", "K", -1), c.expected) << c.text;
    }
}

TEST(IniFile, WritingKeepsEveryOtherLineAndAppendsInTheRightPlace) {
    IniFile ini;
    ini.parse("; made by hand\r\n"
              "[AUTONUM]\r\n"
              "LASTNUM=3\r\n"
              "FNUM=1\r\n"
              "\r\n"
              "; next section\r\n"
              "[Other]\r\n"
              "x=1\r\n");
    ini.writeString("autonum", "lastnum", "4");
    ini.writeString("AUTONUM", "FDATE", "\"yyyy\"");
    ini.writeString("New", "K", "line\r\nbreak");
    EXPECT_EQ(ini.text(), "; made by hand\r\n"
                          "[AUTONUM]\r\n"
                          "lastnum=4\r\n"
                          "FNUM=1\r\n"
                          "FDATE=\"yyyy\"\r\n"
                          "\r\n"
                          "; next section\r\n"
                          "[Other]\r\n"
                          "x=1\r\n"
                          "[New]\r\n"
                          "K=line  break\r\n");
}

TEST(IniFile, FileIsCp932WithCrlfAndReadsBack) {
    TempFolder folder;
    std::string path = folder.path() + "/PXBK";
    IniFile ini(path);
    EXPECT_EQ(ini.loadStatus(), IniFile::LoadStatus::Missing);
    ini.writeString("AUTONUM", "FMAE", "\"写真 \"");
    ini.writeInteger("AUTONUM", "LASTNUM", 7);
    ASSERT_TRUE(ini.save().ok);
    EXPECT_EQ(readBytes(path), "[AUTONUM]\r\nFMAE=\"\x8E\xCA\x90\x5E \"\r\nLASTNUM=7\r\n");

    IniFile again(path);
    EXPECT_EQ(again.loadStatus(), IniFile::LoadStatus::Loaded);
    EXPECT_EQ(again.readString("AUTONUM", "FMAE", ""), "写真 ");
    EXPECT_EQ(again.readInteger("AUTONUM", "LASTNUM", 0), 7);
    EXPECT_EQ(entriesIn(folder.path()), 1u) << "no temporary file may remain";
}

// A settings file as a Windows PC writes it: CP932 without a BOM. Its bytes may be valid UTF-8
// by chance (ﾃｽﾄｱ = C3 BD C4 B1); a second key written must keep the first one's bytes.
TEST(IniFile, ReadsAndKeepsSettingsFilesAsTheyComeFromWindowsPcs) {
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
        writeBytes(path, c.bytes);
        EXPECT_EQ(getPrivateProfileString("Main", c.key, "-", path), c.value);
        ASSERT_TRUE(writePrivateProfileString("Main", "Other", "1", path).ok);
        EXPECT_EQ(readBytes(path), c.bytes + "Other=1\r\n");
    }
}

TEST(IniFile, OneCallFormsReadAndWriteTheFile) {
    TempFolder folder;
    std::string path = folder.path() + "/settings.ini";
    writeBytes(path, "[A]\r\nk=old\r\n[B]\r\nz=1\r\n");
    ASSERT_TRUE(writePrivateProfileString("A", "K", "new", path).ok);
    EXPECT_EQ(getPrivateProfileString("a", "k", "-", path), "new");
    EXPECT_EQ(getPrivateProfileString("B", "Z", "-", path), "1");
    EXPECT_EQ(getPrivateProfileString("B", "missing", "-", path), "-");
    EXPECT_EQ(getPrivateProfileString("A", "K", "-", folder.path() + "/none.ini"), "-");
}

// Modes that the umask cuts: without the explicit chmod a shared 0666 counter file would lose
// the write bits of its group and of others.
TEST(AtomicFile, KeepsPermissionsOfTheReplacedFile) {
    TempFolder folder;
    struct UmaskGuard {
        mode_t old = ::umask(027);
        ~UmaskGuard() { ::umask(old); }
    } umaskGuard;
    for (mode_t mode : {0666, 0660, 0640}) {
        std::string path = folder.path() + "/f" + std::to_string(mode);
        writeBytes(path, "old");
        ASSERT_EQ(::chmod(path.c_str(), mode), 0);
        EXPECT_TRUE(writeFileAtomically(path, "new").ok);
        struct stat st {};
        EXPECT_EQ(::stat(path.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, mode) << std::oct << mode;
        EXPECT_EQ(readBytes(path), "new");
    }
}

TEST(AtomicFile, FailureLeavesTheTargetAndNoTemporaryFile) {
    TempFolder folder;
    // A folder in the way: the rename fails after the temporary file was written.
    std::string blocked = folder.path() + "/PXBK";
    std::filesystem::create_directory(blocked);
    writeBytes(blocked + "/inside", "keep");
    AtomicWriteResult result = writeFileAtomically(blocked, "new");
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.error, 0);
    EXPECT_FALSE(result.message.empty());
    EXPECT_EQ(readBytes(blocked + "/inside"), "keep");
    EXPECT_EQ(entriesIn(folder.path()), 1u);

    // A missing folder: nothing can be created at all.
    EXPECT_FALSE(writeFileAtomically(folder.path() + "/missing/PXBK", "x").ok);
}

TEST(IniFile, UnreadableFileIsNotOverwrittenByAOneCallWrite) {
    TempFolder folder;
    std::string path = folder.path() + "/dir.ini";
    std::filesystem::create_directory(path); // reading a folder fails with EISDIR
    IniFile ini(path);
    EXPECT_EQ(ini.loadStatus(), IniFile::LoadStatus::Failed);
    EXPECT_FALSE(writePrivateProfileString("A", "K", "v", path).ok);
    EXPECT_TRUE(std::filesystem::is_directory(path));
}

TEST(IniFile, PipeUnderTheFileNameHungTheReader) {
    TempFolder folder;
    std::string path = folder.path() + "/PXBK";
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    IniFile ini(path); // no writer: a blocking open would never return
    EXPECT_EQ(ini.loadStatus(), IniFile::LoadStatus::Failed);
}

} // namespace
} // namespace pixbako
