// `pixbako --check FOLDER` as a script before formatting a card meets it: one line per file,
// the summary, the exit status, and nothing written anywhere, with no display at all.
#include "e2e/PixbakoProcess.h"
#include "support/JpegBuilder.h"

#include <gtest/gtest.h>

namespace pixbako::test {
namespace {

class CardCheckE2eTest : public ::testing::Test {
protected:
    PixbakoInstall pixbako;
    std::string card = pixbako.root() + "/media/CARD/DCIM";
    std::string save = pixbako.root() + "/photos";

    void SetUp() override {
        fs::create_directories(card + "/100CANON");
        fs::create_directories(save);
        pixbako.platform.clear(); // as under cron or ssh: no display
        pixbako.writeSettings({"READ=/somewhere/else", "WRITE=" + save, "SUBDIR=1"});
    }

    void file(const std::string& relative, const std::string& bytes) const {
        std::ofstream(card + "/" + relative, std::ios::binary) << bytes;
    }
};

// The whole way: a copy run with the ledger on, then the check; a picture taken after the import
// is the one the card can't lose.
TEST_F(CardCheckE2eTest, AfterAFullImportTheCardIsSafeUntilANewPictureIsTaken) {
    writeTestFile(card + "/100CANON/IMG_0001.JPG", cameraJpeg("2024:05:06 10:00:00") + "1");
    writeTestFile(card + "/100CANON/IMG_0002.JPG", cameraJpeg("2024:05:06 10:00:01") + "2");
    pixbako.writeSettings({"READ=" + card, "WRITE=" + save, "SUBDIR=1", "MODE=1", "AUTOQUIT=1",
                           "DIRCHKBOX=1", "DDATE=yyyy_mm_dd", "RENAME=0", "LEDGER=1"});
    ProcessResult result = pixbako.run({card});
    ASSERT_EQ(result.status, 0) << result.stderrText;

    result = pixbako.run({"--check", card});
    EXPECT_EQ(result.status, 0) << result.stderrText;
    EXPECT_EQ(result.stdoutText,
              "OK\t" + card + "/100CANON/IMG_0001.JPG\n" + "OK\t" + card +
                  "/100CANON/IMG_0002.JPG\n" +
                  "このフォルダの2件のファイルはすべて保存先に確認済みのコピーがあります\n");

    // A new picture, and a copy edited since: the check only reads, the settings included.
    writeTestFile(card + "/100CANON/IMG_0003.JPG", cameraJpeg("2024:05:06 10:00:02") + "3");
    std::ofstream(save + "/2024_05_06/IMG_0002.JPG", std::ios::binary | std::ios::app) << "!";
    const Strings saved = filesUnder(save);
    const std::string settings = readBytes(pixbako.iniPath());
    result = pixbako.run({"--check", card});
    EXPECT_EQ(result.status, 1) << result.stderrText;
    EXPECT_EQ(result.stdoutText, "OK\t" + card + "/100CANON/IMG_0001.JPG\n" + "CHANGED\t" + card +
                                     "/100CANON/IMG_0002.JPG\n" + "MISSING\t" + card +
                                     "/100CANON/IMG_0003.JPG\n" +
                                     "2件のファイルには保存先に確認済みのコピーがありません\n");
    EXPECT_EQ(filesUnder(save), saved);
    EXPECT_EQ(readBytes(pixbako.iniPath()), settings);
}

TEST_F(CardCheckE2eTest, NoLedgerYetMeansNoFileIsVerifiedAndNothingIsCreated) {
    file("IMG_0001.JPG", "first");
    ProcessResult result = pixbako.run({"--check", card});
    EXPECT_EQ(result.status, 1) << result.stderrText;
    EXPECT_EQ(result.stdoutText, "MISSING\t" + card + "/IMG_0001.JPG\n" +
                                     "1件のファイルには保存先に確認済みのコピーがありません\n");
    EXPECT_TRUE(fs::is_empty(save));

    fs::remove(card + "/IMG_0001.JPG");
    result = pixbako.run({"--check", card});
    EXPECT_EQ(result.status, 0) << result.stderrText;
    EXPECT_EQ(result.stdoutText,
              "このフォルダの0件のファイルはすべて保存先に確認済みのコピーがあります\n");
}

TEST_F(CardCheckE2eTest, ACheckThatCannotBeMadeEndsWithStatusTwoAndAReason) {
    file("IMG_0001.JPG", "first");
    struct Case {
        const char* name;
        Strings arguments;
        Strings settings; // empty: as set up
        std::string says;
    };
    const std::string ledger = save + "/.pixbako/imports.sqlite";
    const Case cases[] = {
        {"no folder", {"--check"}, {}, "--check にはフォルダを一つだけ指定して下さい"},
        {"two folders",
         {"--check", card, card},
         {},
         "--check にはフォルダを一つだけ指定して下さい"},
        {"missing folder", {"--check", card + "/gone"}, {}, "読込みフォルダが見つかりません"},
        {"no save folder", {"--check", card}, {"WRITE="}, "保存フォルダを指定して下さい"},
        {"another program's file",
         {"--check", card},
         {},
         "取り込みの記録を読み込めません: " + ledger},
    };
    fs::create_directories(fs::path(ledger).parent_path());
    std::ofstream(ledger, std::ios::binary) << "someone else's notes";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (!c.settings.empty())
            pixbako.writeSettings(c.settings);
        const ProcessResult result = pixbako.run(c.arguments);
        EXPECT_EQ(result.status, 2);
        EXPECT_EQ(result.stdoutText, "");
        EXPECT_NE(result.stderrText.find(c.says), std::string::npos) << result.stderrText;
        pixbako.writeSettings({"WRITE=" + save});
    }
    EXPECT_EQ(readBytes(ledger), "someone else's notes");
    EXPECT_EQ(filesUnder(save), Strings{".pixbako/imports.sqlite"});
}

} // namespace
} // namespace pixbako::test
