// Unknown options, answered before any window (--help and --version: the end-to-end tests).
#include "engine/post/ProgramOptions.h"
#include "support/TempFolder.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace pixbako::test {
namespace {

using Strings = std::vector<std::string>;

TEST(ProgramOptions, UnknownOptionIsAUsageError) {
    TempFolder temp;
    const std::string dashFolder = temp.path() + "/-card";
    std::filesystem::create_directory(dashFolder);
    struct Case {
        Strings arguments;
        std::string unknown; // empty: no error
    };
    const Case cases[] = {
        {{"-S"}, ""},   {{"-s", "/no/such/folder", ""}, ""}, // the runs report missing folders
        {{"-x"}, "-x"}, {{"-S", "--verbose", "-y"}, "--verbose"}, {{"-"}, "-"}, {{"-SS"}, "-SS"},
    };
    for (const Case& c : cases) {
        auto answer = unknownOptionAnswer(c.arguments);
        ASSERT_EQ(answer.has_value(), !c.unknown.empty()) << c.unknown;
        if (!answer)
            continue;
        EXPECT_EQ(answer->status, 2);
        EXPECT_EQ(answer->standardOutput, "");
        EXPECT_EQ(answer->standardError,
                  "Pixbako: 不明なオプションです: " + c.unknown + "\n" + usageText());
    }
    // A folder whose name starts with "-" is a folder, named as the shell gives it.
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(temp.path());
    EXPECT_FALSE(unknownOptionAnswer({"-card"}));
    std::filesystem::current_path(previous);
}

} // namespace
} // namespace pixbako::test
