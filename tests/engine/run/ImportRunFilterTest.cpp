#include "engine/run/ExtensionFilter.h"

#include <gtest/gtest.h>

namespace pixbako {
namespace {

TEST(ExtensionFilter, ListTextFollowsTheFlagsInTheirFixedOrder) {
    ExtensionChoice all{true, true, true, true, true, true, true, true, "RAW"};
    EXPECT_EQ(extensionListText(all), "JPG,JPEG,BMP,GIF,TIF,TIFF,PNG,MPG,MPEG,AVI,ASF,RAW");
    EXPECT_EQ(extensionListText({}), "");
    ExtensionChoice some;
    some.AVI = true;
    some.TIF = true;
    some.freeList = " crw,x ";
    EXPECT_EQ(extensionListText(some), "TIF,TIFF,AVI, crw,x ");
}

TEST(ExtensionFilter, FirstFourCharactersOfTheExtensionMustOccurInTheList) {
    ExtensionChoice jpgOnly;
    jpgOnly.JPG = true;
    const std::string jpg = extensionListText(jpgOnly);
    ExtensionChoice raw;
    raw.freeList = "RAW";
    const std::string rawList = extensionListText(raw);
    struct Case {
        const char* name;
        const std::string& list;
        bool accepted;
    };
    const Case cases[] = {
        {"IMG1.JPG", jpg, true},    {"IMG2.jpeg", jpg, true},     {"IMG3.Jpe", jpg, true},
        {"x.PEG", jpg, true},       {"x.jpegx", jpg, true}, // judged by "jpeg"
        {"IMG4.THM", jpg, false},   {"IMG5", jpg, false},         {"IMG6.", jpg, false},
        {"a.b.JPG", jpg, true},     {"a.JPG.txt", jpg, false},    {".jpg", jpg, true},
        {"d.jpg/file", jpg, false}, {"CRW_1.RAW", rawList, true}, {"c.raw", rawList, true},
        {"c.RAW", jpg, false},      {"c.JPG", rawList, false},    {"c.写真", jpg, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(extensionAccepted(c.name, c.list), c.accepted) << c.name;
}

TEST(ExtensionFilter, KeyIsCutAtFourShiftJisBytesWithoutSplittingACharacter) {
    struct Case {
        const char* name;
        const char* key;
    };
    const Case cases[] = {
        {"a.jpeg", "jpeg"}, {"a.tiff2", "tiff"}, {"a.ab写真", "ab写"},
        {"a.abc写", "abc"}, {"a.ｶﾀｶﾅｶ", "ｶﾀｶﾅ"}, {"noext", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(extensionKey(c.name), c.key) << c.name;
}

} // namespace
} // namespace pixbako
