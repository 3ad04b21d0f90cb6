// `pixbako --check FOLDER` as a script before formatting a card meets it: one line per file,
// the summary, the exit status, and nothing written anywhere, with no display at all.
#include "e2e/PixbakoProcess.h"
#include "engine/ledger/Ledger.h"
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

    // A copy in the save folder, recorded as an import of `bytes`.
    void imported(const std::string& copyPath, const std::string& bytes) const {
        fs::create_directories(fs::path(save + "/" + copyPath).parent_path());
        std::ofstream(save + "/" + copyPath, std::ios::binary) << bytes;
        LedgerOpening opening = Ledger::open(save);
        ASSERT_EQ(opening.status, LedgerStatus::Ok);
        LedgerEntry entry;
        entry.copyPath = copyPath;
        entry.size = bytes.size();
        ContentHasher hasher;
        hasher.update(bytes.data(), bytes.size());
        entry.hash = hasher.digest();
        opening.ledger->record(entry);
    }
};

TEST_F(CardCheckE2eTest, EveryFileVerifiedIsSafeToFormatAndAnyOtherIsNamed) {
    file("100CANON/IMG_0001.JPG", "first");
    file("100CANON/IMG_0002.JPG", "second");
    imported("2024/IMG_0001.JPG", "first");
    imported("2024/IMG_0002.JPG", "second");
    const std::string settings = readBytes(pixbako.iniPath());

    ProcessResult result = pixbako.run({"--check", card});
    EXPECT_EQ(result.status, 0) << result.stderrText;
    EXPECT_EQ(result.stdoutText,
              "OK\t" + card +
                  "/100CANON/IMG_0001.JPG\n"
                  "OK\t" +
                  card +
                  "/100CANON/IMG_0002.JPG\n"
                  "このフォルダの2件のファイルはすべて保存先に確認済みのコピーがあります\n");
    EXPECT_EQ(result.stderrText, "");

    std::ofstream(save + "/2024/IMG_0001.JPG", std::ios::binary) << "FIRST";
    fs::remove(save + "/2024/IMG_0002.JPG");
    file("IMG_0003.JPG", "third");
    result = pixbako.run({"--check", card});
    EXPECT_EQ(result.status, 1) << result.stderrText;
    EXPECT_EQ(result.stdoutText, "CHANGED\t" + card + "/100CANON/IMG_0001.JPG\n" + "MISSING\t" +
                                     card + "/100CANON/IMG_0002.JPG\n" + "MISSING\t" + card +
                                     "/IMG_0003.JPG\n" +
                                     "3件のファイルには保存先に確認済みのコピーがありません\n");
    // A check only reads.
    EXPECT_EQ(readBytes(pixbako.iniPath()), settings);
    EXPECT_EQ(filesUnder(save + "/.pixbako"), Strings{"imports.sqlite"});
}

// The whole way: a copy run with the ledger on, then the check; a picture taken after the import
// is the one the card can't lose.
TEST_F(CardCheckE2eTest, AfterAFullImportTheCardIsSafeUntilANewPictureIsTaken) {
    writeTestFile(card + "/100CANON/IMG_0001.JPG", cameraJpeg("2024:05:06 10:00:00") + "1");
    writeTestFile(card + "/100CANON/IMG_0002.JPG", cameraJpeg("2024:05:06 10:00:01") + "2");
    pixbako.writeSettings({"READ=" + card, "WRITE=" + save, "SUBDIR=1", "MODE=1", "AUTOQUIT=1",
                           "DIRCHKBOX=1", "DDATE=yyyy_mm_dd", "LEDGER=1"});
    ProcessResult result = pixbako.run({card});
    ASSERT_EQ(result.status, 0) << result.stderrText;

    result = pixbako.run({"--check", card});
    EXPECT_EQ(result.status, 0) << result.stderrText;
    EXPECT_EQ(result.stdoutText,
              "OK\t" + card + "/100CANON/IMG_0001.JPG\n" + "OK\t" + card +
                  "/100CANON/IMG_0002.JPG\n" +
                  "このフォルダの2件のファイルはすべて保存先に確認済みのコピーがあります\n");

    writeTestFile(card + "/100CANON/IMG_0003.JPG", cameraJpeg("2024:05:06 10:00:02") + "3");
    result = pixbako.run({"--check", card});
    EXPECT_EQ(result.status, 1) << result.stderrText;
    EXPECT_NE(result.stdoutText.find("MISSING\t" + card + "/100CANON/IMG_0003.JPG\n"),
              std::string::npos)
        << result.stdoutText;
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
    const std::string ledger = Ledger::pathFor(save);
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
