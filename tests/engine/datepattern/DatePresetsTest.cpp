// Every preset pattern for one fixed date: a golden table of what the pattern lists offer.
#include "engine/datepattern/DateFormat.h"
#include "engine/naming/Presets.h"

#include <gtest/gtest.h>

namespace pixbako {
namespace {

std::string formatJa(std::string_view pattern, TDateTime value) {
    DateTextSettings s = japaneseDateTextSettings();
    s.shortDateForm = std::string(pattern);
    return formatDateText(pattern, value, s);
}

// Thursday 6 May 2004, 21:07:08: an afternoon hour above 12 shows any 12-hour mistake.
TDateTime shotDate() {
    return *encodeDateTime(2004, 5, 6, 21, 7, 8);
}

TEST(DatePresets, FolderPresetsForAFixedDate) {
    const char* expected[19] = {
        "2004-05-06",
        "2004-05-06(木)",
        "2004_05_06",
        "04_05_06",
        "2004_05_06(木)",
        "2004_05_06_21",
        "2004_05",
        "04_05",
        "05_06",
        "2004年05月06日",
        "2004年05月06日木曜日",
        "2004年05月06日木曜日午後",
        "平成16年05月06日",
        "平成16年05月06日木曜日",
        "16_05_06",
        "16_05",
        R"(2004年\05月\06日)",
        R"(2004年\05月\06日(木))",
        R"(2004年\2004年05月\2004年05月06日)",
    };
    for (std::size_t i = 0; i < kFolderDatePresets.size(); ++i)
        EXPECT_EQ(formatJa(kFolderDatePresets[i], shotDate()), expected[i])
            << "preset " << i + 1 << " " << kFolderDatePresets[i];
}

TEST(DatePresets, FilePresetsForAFixedDate) {
    const char* expected[23] = {
        "2004-05-06",
        "2004-05-06 21_07",
        "2004-05-06 21_07_08",
        "04-05-06 21_07_08",
        "16-05-06 21_07_08",
        "21_07_08",
        "05-06",
        "06",
        "06_21",
        "平成16年05月06日",
        "平成16年05月06日木曜日",
        "21_07_08",
        "04_05_06",
        "2004年05月06日",
        "2004年05月06日木曜日",
        "2004年05月06日木曜日午後",
        "2004_05",
        "2004_05_06",
        "2004_05_06(木)",
        "2004_05_06_21",
        "21_07_08",
        "21時07分08秒",
        "2004年05月06日21時07分08秒",
    };
    for (std::size_t i = 0; i < kFileDatePresets.size(); ++i)
        EXPECT_EQ(formatJa(kFileDatePresets[i], shotDate()), expected[i])
            << "preset " << i + 1 << " " << kFileDatePresets[i];
}

} // namespace
} // namespace pixbako
