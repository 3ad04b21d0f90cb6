// Folder names, time stamps, extensions, new file names and the two samples.
#include "engine/naming/Names.h"
#include "engine/datepattern/DateFormat.h"

#include <gtest/gtest.h>

namespace pixbako {
namespace {

LocalDateTime at(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
    return *makeLocalDateTime(y, mo, d, h, mi, s, ms);
}

// The Japanese values, pinned.
class Names : public ::testing::Test {
protected:
    DateTextSettings texts = japaneseDateTextSettings();
};

TEST_F(Names, FolderNameIsPrefixDateSuffix) {
    const LocalDateTime shot = at(2004, 5, 6, 12, 34, 56);
    EXPECT_EQ(folderName("", "yyyy_mm_dd", "", shot, texts), "2004_05_06");
    EXPECT_EQ(folderName(R"(P\)", R"(yyyy"年\"mm"月")", "_x", shot, texts), R"(P\2004年\05月_x)");
    EXPECT_EQ(folderName("", "DDDDD", "", shot, texts), ""); // the save folder itself
}

TEST_F(Names, StampTimeFormStaysAfterARunPlannedItsFiles) {
    setStampTimeForm(texts);
    EXPECT_EQ(formatDatePattern("tt", at(2004, 5, 6, 7, 8, 9), texts), "070809");
}

TEST_F(Names, NamingDateIsTheShotDateCutToWholeSeconds) {
    EXPECT_EQ(namingDate(at(2004, 5, 6, 12, 34, 56, 789)), at(2004, 5, 6, 12, 34, 56));
    EXPECT_EQ(namingDate(at(1899, 12, 30, 0, 0, 0, 999)), LocalDateTime{});
}

TEST_F(Names, ExtensionStartsAtTheLastDotOfTheLastPart) {
    struct Row {
        const char* name;
        const char* extension;
    };
    const Row rows[] = {
        {"IMG_0001.JPG", ".JPG"},
        {"a.b.c", ".c"},
        {"noext", ""},
        {"x.", "."},
        {".hidden", ".hidden"},
        {R"(dir.d\file)", ""},
        {"dir.d/file", ""},
        {"a.b:c", ""},
        {"/card/DCIM/写真.jpeg", ".jpeg"},
    };
    for (const Row& r : rows)
        EXPECT_EQ(extensionOf(r.name), r.extension) << r.name;
}

TEST_F(Names, ExtensionCaseConvertsAsciiLettersOnly) {
    struct Row {
        const char* extension;
        int caseIndex;
        const char* expected;
    };
    const Row rows[] = {
        {".JpG", 0, ".JpG"}, {".JpG", 1, ".jpg"},       {".JpG", 2, ".JPG"}, {".JpG", 3, ""},
        {".JpG", -1, ""},    {".ＪＰＧ", 1, ".ＪＰＧ"}, {".mp4", 2, ".MP4"},
    };
    for (const Row& r : rows)
        EXPECT_EQ(convertExtensionCase(r.extension, r.caseIndex), r.expected)
            << r.extension << " " << r.caseIndex;
}

TEST_F(Names, NewFileNameJoinsPrefixDateMiddleNumberAndExtension) {
    FileNameFields fields{"P", "yyyy_mm_dd", "_", true, sequenceStyleFor(3)};
    const LocalDateTime shot = at(2005, 3, 12, 10, 0, 0);
    std::string ext = convertExtensionCase(extensionOf("DSC0001.JPG"), 1);
    EXPECT_EQ(newFileName(fields, shot, 7, ext, texts), "P2005_03_12_(007).jpg");

    fields.style = sequenceStyleFor(0);
    EXPECT_EQ(newFileName(fields, shot, 100, ".JPG", texts), "P2005_03_12_100.JPG");

    fields.numbering = false;
    EXPECT_EQ(newFileName(fields, shot, 7, ".JPG", texts), "P2005_03_12_.JPG");
}

TEST_F(Names, SamplesIgnoreALongTimeFormLeftByARun) {
    const TDateTime now = dateTimeValue(at(2004, 5, 6, 13, 47, 9, 250));
    setStampTimeForm(texts); // a run leaves "hhnnss" behind
    EXPECT_EQ(folderSampleText("A", "", "B", now, texts), "A B");
    EXPECT_EQ(folderSampleText("A", "", "B", dateTimeValue(at(2004, 5, 6)), texts), "AB");
    EXPECT_EQ(folderSampleText("", "yyyy_mm_dd", "", now, texts), "2004_05_06");

    FileNameFields fields{"P", "yyyy_mm_dd tt", "_", true, sequenceStyleFor(3)};
    EXPECT_EQ(fileSampleText(fields, 7, now, texts), "P2004_05_06 _(007)");
    fields.numbering = false;
    EXPECT_EQ(fileSampleText(fields, 7, now, texts), "P2004_05_06 _");
}

} // namespace
} // namespace pixbako
