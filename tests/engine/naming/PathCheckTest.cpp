// The forbidden-character check: which mode forbids what, and the error it reports.
#include "engine/naming/PathCheck.h"

#include <gtest/gtest.h>

#include <vector>

namespace pixbako {
namespace {

class RecordingDialogs : public IDialogs {
public:
    void beep(BeepKind kind) override { beeps.push_back(kind); }
    BoxAnswer messageBox(const std::string& text, BoxIcon icon, BoxButtons buttons) override {
        boxes.push_back({text, icon, buttons});
        return BoxAnswer::Ok;
    }
    struct Box {
        std::string text;
        BoxIcon icon;
        BoxButtons buttons;
    };
    std::vector<BeepKind> beeps;
    std::vector<Box> boxes;
};

TEST(PathCheck, ModesForbidTheirCharacters) {
    struct Row {
        const char* text;
        int mode;
        bool passes;
    };
    const Row rows[] = {
        {"", 1, true},
        {"2004_05_06", 1, true},
        {"2004/05/06", 2, false},     // a pattern with "/" writes the date separator
        {R"(2004年\05月)", 2, true},  // "\" separates folder levels
        {R"(2004年\05月)", 1, false}, // ... but not in a file name
        {"ソ表能", 1, true},          // their Shift-JIS second byte is the code of "\"
        {"a:b", 2, false},
        {"/home/user/写真/カメラ", 3, true}, // full paths: "/" is the delimiter here
        {"/media/card:1", 3, true},
        {R"(C:\DCIM)", 3, false},
        {"/tmp/a?b", 3, false},
        {"a|b", 10, false},
        {"a<b", 10, true},
        {R"(\:?/;*"<>|)", 11, true}, // a mode above 10 checks nothing
        {"a/b", 0, false},           // below 1 checks everything
        {"\xff\\", 1, false},        // a stray byte doesn't hide the "\" after it
    };
    for (const Row& r : rows) {
        RecordingDialogs dialogs;
        EXPECT_EQ(pathchk(r.text, r.mode, dialogs), r.passes) << r.text << " mode " << r.mode;
        EXPECT_EQ(dialogs.boxes.size(), r.passes ? 0u : 1u) << r.text;
    }
    for (char c : kForbiddenNameChars) {
        std::string name = std::string("a") + c + "b";
        RecordingDialogs dialogs;
        EXPECT_FALSE(pathchk(name, 1, dialogs)) << name;
    }
}

TEST(PathCheck, FailureBeepsAndShowsTheWholeListWhateverTheMode) {
    RecordingDialogs dialogs;
    EXPECT_FALSE(pathchk("2004/05/06", 2, dialogs));
    ASSERT_EQ(dialogs.beeps.size(), 1u);
    EXPECT_EQ(dialogs.beeps[0], BeepKind::Hand);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].icon, BoxIcon::Error);
    EXPECT_EQ(dialogs.boxes[0].buttons, BoxButtons::Ok);
    EXPECT_EQ(dialogs.boxes[0].text,
              "ファイル/フォルダ名に使えない文字が有ります\r\n『2004/05/06』\r\n\r\n"
              "\\:?/;*\"<>|は使えません\r\n処理を中止します");
}

} // namespace
} // namespace pixbako
