// Runs with the ledger: what was imported is recorded with the hash of its bytes, and a file
// whose bytes the ledger knows is left where it is, even when its copy has gone since.
#include "engine/run/ImportRunFixture.h"

#include "engine/ledger/Ledger.h"
#include "engine/run/CounterFile.h"

namespace pixbako::test {
namespace {

class ImportRunLedgerTest : public ImportRunTest {
protected:
    void SetUp() override {
        ImportRunTest::SetUp();
        if (IsSkipped())
            return;
        window.settings.ledger = true;
        window.settings.autoContinue = true;
    }
    void runOnce() {
        window.boxes.clear();
        window.completions.clear();
        run.startOrStopRun(RunSender::Interactive);
    }
    std::vector<LedgerEntry> recorded(std::uint64_t size) {
        LedgerOpening opening = Ledger::open(out);
        EXPECT_EQ(opening.status, LedgerStatus::Ok) << opening.detail;
        return opening.ledger ? opening.ledger->findBySize(size) : std::vector<LedgerEntry>{};
    }
    static std::uint64_t sizeOf(const std::string& path) {
        return std::filesystem::file_size(path);
    }
    Strings rows() const {
        Strings cells;
        for (const PlannedFile& row : run.list())
            cells.push_back(row.name + ">" + folderLevelsText(row.newFolderLevels) + "/" +
                            row.newName);
        return cells;
    }
};

TEST_F(ImportRunLedgerTest, SecondRunOfACardImportsNothingAndADeletedCopyDoesNotComeBack) {
    for (bool copy : {true, false}) {
        SCOPED_TRACE(copy ? "copy" : "move");
        std::filesystem::remove_all(out);
        std::filesystem::remove_all(in);
        std::filesystem::create_directory(in);
        window.settings.copy = copy;
        const std::string a = jpeg("IMG_0001.JPG", "2005:03:12 09:00:00");
        const std::string b = plain("MVI_0002.MOV");
        const std::string aBytes = readBytes(a);
        const std::string bBytes = readBytes(b);
        ContentHasher hasher;
        hasher.update(aBytes.data(), aBytes.size());

        runOnce();
        ASSERT_EQ(window.completions.size(), 1u);
        EXPECT_EQ(window.completions[0].notice, "2件のファイルを処理しました");
        const std::vector<LedgerEntry> entries = recorded(aBytes.size());
        ASSERT_EQ(entries.size(), 1u);
        EXPECT_EQ(entries[0].copyPath, "2005_03_12/20050312_001.JPG");
        EXPECT_EQ(entries[0].hash, hasher.digest());
        EXPECT_EQ(entries[0].sourceName, "IMG_0001.JPG");
        EXPECT_EQ(entries[0].shotDateSource, ShotDateSource::Exif);
        EXPECT_EQ(entries[0].shotDate, (LocalDateTime{2005, 3, 12, 9, 0, 0, 0}));
        EXPECT_EQ(recorded(bBytes.size()).at(0).shotDateSource, ShotDateSource::FileTime);

        // The card again (after a move the user put the files back): nothing is transferred,
        // nothing numbered, and the rows say why. The copy of one was deleted meanwhile.
        writeTestFile(a, aBytes);
        writeTestFile(b, bBytes, UnixTime{1'110'621'600, 0});
        std::filesystem::remove(out + "/2005_03_12/20050312_001.JPG");
        // Of the movie's size: found a candidate, hashed, and its copy reads it once more.
        const std::string c = plain("IMG_0003.JPG", 1'110'708'000);
        const std::string cBytes = readBytes(c);
        ASSERT_EQ(cBytes.size(), bBytes.size());
        runOnce();
        EXPECT_EQ(rows(), (Strings{"IMG_0001.JPG>/取込済み", "MVI_0002.MOV>/取込済み",
                                   "IMG_0003.JPG>2005_03_13/20050313_001.JPG"}));
        EXPECT_TRUE(std::filesystem::exists(a)) << "left where it is, also in move mode";
        EXPECT_TRUE(std::filesystem::exists(b));
        EXPECT_EQ(std::filesystem::exists(c), copy);
        EXPECT_EQ(filesUnder(out),
                  (Strings{".pixbako/imports.sqlite", "2005_03_12/20050312_002.MOV",
                           "2005_03_12/PXBK", "2005_03_13/20050313_001.JPG", "2005_03_13/PXBK"}));
        EXPECT_EQ(readCounterFile(out + "/2005_03_12/PXBK").record.lastNumber, 2);
        ContentHasher cHash;
        cHash.update(cBytes.data(), cBytes.size());
        const std::vector<LedgerEntry> sameSize = recorded(cBytes.size());
        ASSERT_EQ(sameSize.size(), 2u);
        EXPECT_EQ(sameSize[1].copyPath, "2005_03_13/20050313_001.JPG");
        EXPECT_EQ(sameSize[1].hash, cHash.digest());
        ASSERT_EQ(window.completions.size(), 1u);
        const std::string done = copy ? "コピー" : "移動";
        EXPECT_EQ(window.completions[0].notice,
                  "1件のファイルを" + done + "しました\r\n2件のファイルは取り込み済みのため" +
                      done + "していません" +
                      (copy ? "" : "\r\n移動していないファイルは元の場所に残っています"));
        EXPECT_TRUE(run.lastReport().allTransferred());

        // Without the option everything is imported as before.
        window.settings.ledger = false;
        runOnce();
        EXPECT_EQ(window.completions.at(0).notice,
                  copy ? "3件のファイルを処理しました" : "2件のファイルを処理しました");
        window.settings.ledger = true;
    }
}

// A file set aside keeps its place: a new file whose name comes out as its name (the save folder
// read in again, numbers not continued) is refused, as it would be were the file a row.
TEST_F(ImportRunLedgerTest, FileSetAsideIsNeverReplacedByANewName) {
    window.settings.copy = true;
    window.settings.dateFolders = false;
    window.settings.autoContinue = false;
    window.settings.readInFolder = out;
    std::filesystem::create_directory(out);
    jpeg("IMG_A.JPG", "2005:03:12 09:00:00", out);
    runOnce();
    const std::string first = readBytes(out + "/20050312_001.JPG");
    jpeg("IMG_B.JPG", "2005:03:12 10:00:00", out);
    runOnce();
    EXPECT_TRUE(readBytes(out + "/20050312_001.JPG") == first) << "the earlier copy was replaced";
    EXPECT_EQ(run.lastReport().alreadyImported, 2u); // IMG_A.JPG and its copy
    EXPECT_EQ(run.lastReport().nameTaken, 1u);
}

// A database that is not a ledger of ours is said once, left byte for byte, and the run
// imports everything.
TEST_F(ImportRunLedgerTest, UnusableLedgerIsReportedOnceAndLeftAlone) {
    window.settings.copy = true;
    const std::string database = Ledger::pathFor(out);
    std::filesystem::create_directories(std::filesystem::path(database).parent_path());
    const std::string garbage(4096, 'x');
    writeTestFile(database, garbage);
    jpeg("IMG_0001.JPG", "2005:03:12 09:00:00");
    plain("IMG_0002.JPG");
    runOnce();
    int warnings = 0;
    for (const RecordedBox& box : window.boxes)
        warnings += box.text.rfind("取り込みの記録を使えません\r\n" + database, 0) == 0;
    EXPECT_EQ(warnings, 1);
    EXPECT_EQ(readBytes(database), garbage);
    EXPECT_EQ(window.completions.at(0).notice, "2件のファイルを処理しました");
}

// With the option off nothing is written for it; a ledger folder in the read-in folder (the save
// folder read in again, sub-folders on, all files) is never taken for pictures, while a folder
// of that name without a ledger is the user's like any other.
TEST_F(ImportRunLedgerTest, OptionOffWritesNothingAndTheLedgerFolderIsNeverImported) {
    window.settings.ledger = false;
    window.settings.includeSubfolders = true;
    jpeg("IMG_0001.JPG", "2005:03:12 09:00:00");
    std::filesystem::create_directory(in + "/.pixbako"); // a folder of the user's
    jpeg("IMG_0002.JPG", "2005:03:12 09:30:00", in + "/.pixbako");
    runOnce();
    EXPECT_EQ(run.list().size(), 2u);
    EXPECT_FALSE(std::filesystem::exists(out + "/.pixbako"));

    window.settings.ledger = true;
    window.settings.copy = true;
    jpeg("IMG_0003.JPG", "2005:03:12 10:00:00");
    runOnce();
    ASSERT_TRUE(std::filesystem::exists(Ledger::pathFor(out)));
    window.settings.readInFolder = out;
    window.settings.saveFolder = tmp.path() + "/again";
    window.settings.includeSubfolders = true;
    window.settings.ledger = false;
    runOnce();
    for (const PlannedFile& row : run.list())
        EXPECT_EQ(row.sourceFolder.find(".pixbako"), std::string::npos) << row.name;
    EXPECT_TRUE(std::filesystem::exists(Ledger::pathFor(out)));
}

} // namespace
} // namespace pixbako::test
