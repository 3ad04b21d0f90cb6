// The card check against a ledger recorded directly: each file's state, the run's own choice of
// files, and a save folder that is only ever read.
#include "engine/check/CardCheck.h"

#include "support/TempFolder.h"
#include "support/TestFiles.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <unistd.h>

namespace pixbako {
namespace {

namespace fs = std::filesystem;

class CardCheckTest : public ::testing::Test {
protected:
    void SetUp() override {
        settings.readInFolder = card.path();
        settings.saveFolder = save.path();
    }

    // A file on the card, and with `copyPath` its copy in the save folder, recorded.
    void addFile(const std::string& name, const std::string& bytes,
                 const std::string& copyPath = {}) {
        fs::create_directories(fs::path(card.path() + "/" + name).parent_path());
        writeFileBytes(card.path() + "/" + name, bytes);
        if (copyPath.empty())
            return;
        fs::create_directories(fs::path(save.path() + "/" + copyPath).parent_path());
        writeFileBytes(save.path() + "/" + copyPath, bytes);
        record(copyPath, bytes);
    }

    void record(const std::string& copyPath, const std::string& bytes) {
        LedgerOpening opening = Ledger::open(save.path());
        ASSERT_EQ(opening.status, LedgerStatus::Ok);
        LedgerEntry entry;
        entry.copyPath = copyPath;
        entry.size = bytes.size();
        ContentHasher hasher;
        hasher.update(bytes.data(), bytes.size());
        entry.hash = hasher.digest();
        opening.ledger->record(entry);
    }

    // File name (relative to the card) to its state word.
    std::map<std::string, std::string> states(const CardCheck& check) const {
        std::map<std::string, std::string> result;
        for (const CheckedFile& file : check.files)
            result[file.path.substr(card.path().size() + 1)] = copyStateWord(file.state);
        return result;
    }

    TempFolder card;
    TempFolder save;
    ImportSettings settings;
};

using States = std::map<std::string, std::string>;

TEST_F(CardCheckTest, EachFileIsVerifiedAgainstItsCopysBytesOnDisk) {
    addFile("A.JPG", "picture a", "2026/A.JPG");
    addFile("B.JPG", "picture b", "2026/B.JPG");
    fs::remove(save.path() + "/2026/B.JPG");
    addFile("C.JPG", "picture c", "2026/C.JPG");
    writeFileBytes(save.path() + "/2026/C.JPG", "picture X"); // same size, other bytes
    addFile("D.JPG", "picture d");                            // never imported
    // Imported twice: one copy edited since, the other intact.
    addFile("E.JPG", "picture e", "2026/E.JPG");
    record("2026/E_1.JPG", "picture e");
    writeFileBytes(save.path() + "/2026/E.JPG", "edited");
    writeFileBytes(save.path() + "/2026/E_1.JPG", "picture e");
    // Recorded files of its size, but none of its content.
    addFile("F.JPG", "picture f");

    const CardCheck check = checkCard(settings);
    ASSERT_EQ(check.problem, CardCheckProblem::None);
    EXPECT_EQ(states(check), (States{{"A.JPG", "OK"},
                                     {"B.JPG", "MISSING"},
                                     {"C.JPG", "CHANGED"},
                                     {"D.JPG", "MISSING"},
                                     {"E.JPG", "OK"},
                                     {"F.JPG", "MISSING"}}));
    EXPECT_EQ(cardCheckExitStatus(check), 1);
    EXPECT_EQ(cardCheckSummary(check), "4件のファイルには保存先に確認済みのコピーがありません");
}

TEST_F(CardCheckTest, OnlyTheFilesARunWouldTakeAreChecked) {
    addFile("A.JPG", "a", "A.JPG");
    addFile("NOTES.TXT", "not a picture");
    addFile("PXBK", "counter");
    addFile("sub/B.JPG", "b", "B.JPG");
    addFile("IMG_1.CR3", "raw", "IMG_1.CR3");
    addFile("IMG_1.XMP", "sidecar");
    settings.extensionMode = 1;
    settings.extensions.JPG = true;
    settings.extensions.freeList = "CR3";

    EXPECT_EQ(states(checkCard(settings)), (States{{"A.JPG", "OK"}, {"IMG_1.CR3", "OK"}}));
    settings.includeSubfolders = true;
    settings.keepShotsTogether = true; // the sidecar comes with its picture
    EXPECT_EQ(
        states(checkCard(settings)),
        (States{
            {"A.JPG", "OK"}, {"IMG_1.CR3", "OK"}, {"IMG_1.XMP", "MISSING"}, {"sub/B.JPG", "OK"}}));
}

TEST_F(CardCheckTest, WithoutALedgerEveryFileIsMissingAndNothingIsCreated) {
    addFile("A.JPG", "a");
    const CardCheck check = checkCard(settings);
    EXPECT_EQ(states(check), (States{{"A.JPG", "MISSING"}}));
    EXPECT_TRUE(fs::is_empty(save.path()));
}

TEST_F(CardCheckTest, ALedgerThatIsNotOursIsReportedAndLeftAsItWas) {
    addFile("A.JPG", "a");
    const std::string ledger = Ledger::pathFor(save.path());
    fs::create_directories(fs::path(ledger).parent_path());
    writeFileBytes(ledger, "not a database, but someone's file");

    const CardCheck check = checkCard(settings);
    EXPECT_EQ(check.problem, CardCheckProblem::LedgerUnusable);
    EXPECT_EQ(cardCheckExitStatus(check), 2);
    EXPECT_NE(cardCheckProblemText(check).find(ledger), std::string::npos);
    EXPECT_EQ(readFileBytes(ledger), "not a database, but someone's file");
    EXPECT_EQ(entriesIn(fs::path(ledger).parent_path()), 1u);
}

// A card is never called safe on a part of it the check did not read: files only in
// sub-folders that the options leave out, or a sub-folder that can't be listed.
TEST_F(CardCheckTest, UnreadPartsOfACardAreProblemsNotSafety) {
    addFile("DCIM/100CANON/A.JPG", "a", "A.JPG");
    CardCheck check = checkCard(settings);
    EXPECT_EQ(check.problem, CardCheckProblem::OnlyInSubfolders);
    EXPECT_EQ(cardCheckExitStatus(check), 2);

    settings.includeSubfolders = true;
    EXPECT_EQ(states(checkCard(settings)), (States{{"DCIM/100CANON/A.JPG", "OK"}}));
    if (::geteuid() == 0)
        GTEST_SKIP() << "root lists every folder";
    const std::string locked = card.path() + "/DCIM/101CANON";
    fs::create_directories(locked);
    fs::permissions(locked, fs::perms::none);
    check = checkCard(settings);
    fs::permissions(locked, fs::perms::owner_all);
    EXPECT_EQ(check.problem, CardCheckProblem::FolderUnreadable);
    EXPECT_NE(cardCheckProblemText(check).find(locked), std::string::npos);
    EXPECT_EQ(cardCheckExitStatus(check), 2);
}

} // namespace
} // namespace pixbako
