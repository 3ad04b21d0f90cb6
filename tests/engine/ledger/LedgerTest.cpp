// The ledger keeps what it records across reopening, finds entries by size and hash, and never
// changes a database it can't use: damaged, foreign, newer, read-only or held by another
// program are all reported and left byte for byte as they were.
#include "engine/ledger/Ledger.h"

#include "support/TempFolder.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <random>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace pixbako {
namespace {

using namespace std::chrono_literals;

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void writeAll(const std::string& path, const std::string& bytes) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

ContentHash hashOf(const std::string& text) {
    ContentHasher hasher;
    hasher.update(text.data(), text.size());
    return hasher.digest();
}

LedgerEntry entry(const std::string& copyPath, std::uint64_t size, const std::string& content) {
    LedgerEntry e;
    e.copyPath = copyPath;
    e.size = size;
    e.hash = hashOf(content);
    e.shotDate = {2005, 3, 12, 14, 5, 9, 250};
    e.shotDateSource = ShotDateSource::Raw;
    e.sourceName = "IMG_0001.CR2";
    e.sourceTime = {2005, 3, 12, 14, 5, 10, 0};
    e.runTime = {2026, 12, 8, 9, 0, 0, 0};
    return e;
}

// Runs SQL on a database of the test's own, as another program would.
void runSql(const std::string& path, const char* sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    sqlite3_close(db);
}

TEST(Ledger, RecordedEntriesAreFoundAfterReopeningWithTheirBytesIntact) {
    TempFolder save;
    // A Japanese folder name, a name that is not UTF-8 (CP932 bytes as a card may hold them),
    // and an empty source name all come back exactly.
    const std::vector<LedgerEntry> entries = {
        entry("2005年/03月/IMG_0001.CR2", 1000, "a"),
        entry(std::string("2005/\x83\x65\x83\x58\x83\x67.JPG"), 1000, "b"),
        entry("2005/MVI_0002.MOV", 5'000'000'000ULL, "c"),
    };
    {
        LedgerOpening opening = Ledger::open(save.path());
        ASSERT_EQ(opening.status, LedgerStatus::Ok) << opening.detail;
        for (LedgerEntry e : entries) {
            e.sourceName = e.copyPath.substr(e.copyPath.rfind('/') + 1);
            opening.ledger->record(e);
        }
    }
    LedgerOpening opening = Ledger::open(save.path() + "/");
    ASSERT_EQ(opening.status, LedgerStatus::Ok) << opening.detail;
    Ledger& ledger = *opening.ledger;

    std::vector<LedgerEntry> found = ledger.findBySize(1000);
    ASSERT_EQ(found.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        LedgerEntry expected = entries[i];
        expected.sourceName = expected.copyPath.substr(expected.copyPath.rfind('/') + 1);
        EXPECT_EQ(found[i], expected) << i;
    }
    EXPECT_EQ(ledger.findBySize(5'000'000'000ULL).at(0).hash, hashOf("c"));
    EXPECT_TRUE(ledger.findBySize(999).empty());
    EXPECT_TRUE(ledger.knowsSize(1000));
    EXPECT_TRUE(ledger.knowsSize(5'000'000'000ULL));
    EXPECT_FALSE(ledger.knowsSize(999));

    EXPECT_EQ(ledger.findByContent(1000, hashOf("b")).size(), 1u);
    EXPECT_TRUE(ledger.findByContent(999, hashOf("a")).empty());
    EXPECT_TRUE(ledger.isImported(1000, hashOf("b")));
    EXPECT_FALSE(ledger.isImported(1000, hashOf("c"))) << "same size, other content";
    EXPECT_FALSE(ledger.isImported(999, hashOf("a"))) << "same content hash, other size";
}

TEST(Ledger, NewDatabaseIsInWalModeUnderTheHiddenFolder) {
    TempFolder save;
    ASSERT_EQ(Ledger::open(save.path()).status, LedgerStatus::Ok);
    const std::string path = save.path() + "/.pixbako/imports.sqlite";
    EXPECT_EQ(Ledger::pathFor(save.path()), path);
    // The header's read and write versions are 2 in WAL mode.
    const std::string header = readAll(path).substr(18, 2);
    EXPECT_EQ(header, std::string("\x02\x02"));
}

// Each case leaves a file at the ledger's path; opening reports it and changes no byte of it.
struct Unusable {
    const char* name;
    LedgerStatus expected;
    void (*make)(const std::string& path);
};

const Unusable unusableCases[] = {
    {"random bytes", LedgerStatus::Unreadable,
     [](const std::string& path) {
         std::mt19937 random(5);
         std::string bytes(8192, '\0');
         for (char& c : bytes)
             c = static_cast<char>(random());
         writeAll(path, bytes);
     }},
    {"another program's database", LedgerStatus::Foreign,
     [](const std::string& path) {
         std::filesystem::create_directories(std::filesystem::path(path).parent_path());
         runSql(path, "CREATE TABLE photos (name TEXT); INSERT INTO photos VALUES ('x');");
     }},
    {"tables named like ours without our mark", LedgerStatus::Foreign,
     [](const std::string& path) {
         std::filesystem::create_directories(std::filesystem::path(path).parent_path());
         runSql(path, "CREATE TABLE schema_version (version INTEGER); "
                      "CREATE TABLE imported_files (id INTEGER); "
                      "INSERT INTO schema_version VALUES (1);");
     }},
    {"another program's database in WAL mode with rows only in its log", LedgerStatus::Foreign,
     [](const std::string& path) {
         std::filesystem::create_directories(std::filesystem::path(path).parent_path());
         runSql(path, "PRAGMA journal_mode=WAL; CREATE TABLE photos (name TEXT);");
         // A second connection keeps its log from being folded in when the first closes.
         sqlite3* keep = nullptr;
         ASSERT_EQ(sqlite3_open(path.c_str(), &keep), SQLITE_OK);
         sqlite3_db_config(keep, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
         sqlite3_exec(keep, "INSERT INTO photos VALUES ('x')", nullptr, nullptr, nullptr);
         sqlite3_close(keep);
     }},
    {"our ledger with its table pages overwritten", LedgerStatus::Unreadable,
     [](const std::string& path) {
         TempFolder other;
         ASSERT_EQ(Ledger::open(other.path()).status, LedgerStatus::Ok);
         runSql(Ledger::pathFor(other.path()), "PRAGMA journal_mode=DELETE;");
         std::string bytes = readAll(Ledger::pathFor(other.path()));
         for (std::size_t i = 100; i < bytes.size(); ++i)
             bytes[i] = static_cast<char>(0xee);
         writeAll(path, bytes);
     }},
    {"a newer release's ledger", LedgerStatus::NewerSchema,
     [](const std::string& path) {
         TempFolder other;
         ASSERT_EQ(Ledger::open(other.path()).status, LedgerStatus::Ok);
         runSql(Ledger::pathFor(other.path()),
                "UPDATE schema_version SET version = 2; "
                "ALTER TABLE imported_files RENAME TO files; PRAGMA journal_mode=DELETE;");
         writeAll(path, readAll(Ledger::pathFor(other.path())));
     }},
};

TEST(Ledger, UnusableDatabasesAreReportedAndLeftByteIdentical) {
    for (const Unusable& c : unusableCases) {
        TempFolder save;
        const std::string path = Ledger::pathFor(save.path());
        c.make(path);
        const std::string before = readAll(path);
        ASSERT_FALSE(before.empty()) << c.name;
        const bool hadLog = std::filesystem::exists(path + "-wal");
        const std::string logBefore = readAll(path + "-wal");

        LedgerOpening opening = Ledger::open(save.path(), 0ms);
        EXPECT_EQ(opening.status, c.expected) << c.name << ": " << opening.detail;
        EXPECT_FALSE(opening.ledger) << c.name;
        EXPECT_TRUE(readAll(path) == before) << c.name;
        EXPECT_EQ(std::filesystem::exists(path + "-wal"), hadLog) << c.name;
        EXPECT_TRUE(readAll(path + "-wal") == logBefore) << c.name;
    }
}

TEST(Ledger, ReadingOnlyReportsUnusableDatabasesAndLeavesThemByteIdentical) {
    for (const Unusable& c : unusableCases) {
        TempFolder save;
        const std::string path = Ledger::pathFor(save.path());
        c.make(path);
        const std::string before = readAll(path);
        const bool hadLog = std::filesystem::exists(path + "-wal");

        std::optional<LedgerOpening> opening = Ledger::openExisting(save.path());
        ASSERT_TRUE(opening) << c.name;
        EXPECT_EQ(opening->status, c.expected) << c.name << ": " << opening->detail;
        EXPECT_FALSE(opening->ledger) << c.name;
        EXPECT_TRUE(readAll(path) == before) << c.name;
        EXPECT_EQ(std::filesystem::exists(path + "-wal"), hadLog) << c.name;
    }
}

// A check of a card must leave the save folder exactly as it found it: no hidden folder made
// where there was none, and no log or shared-memory file left beside a database that had none.
TEST(Ledger, ReadingOnlyCreatesNothingAndSeesRowsStillInTheLog) {
    TempFolder save;
    EXPECT_FALSE(Ledger::openExisting(save.path()));
    EXPECT_TRUE(std::filesystem::is_empty(save.path()));

    {
        LedgerOpening opening = Ledger::open(save.path());
        ASSERT_EQ(opening.status, LedgerStatus::Ok);
        opening.ledger->record(entry("a.jpg", 10, "a"));
    }
    const std::string folder = save.path() + "/.pixbako";
    const std::string path = Ledger::pathFor(save.path());
    const std::string before = readAll(path);
    {
        std::optional<LedgerOpening> opening = Ledger::openExisting(save.path());
        ASSERT_TRUE(opening && opening->status == LedgerStatus::Ok);
        EXPECT_EQ(opening->ledger->findBySize(10).size(), 1u);
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 1);
    EXPECT_TRUE(readAll(path) == before);

    // A run that is still recording: its newest row is only in the log.
    LedgerOpening writer = Ledger::open(save.path());
    writer.ledger->record(entry("b.jpg", 10, "b"));
    ASSERT_TRUE(std::filesystem::exists(path + "-wal"));
    std::optional<LedgerOpening> reader = Ledger::openExisting(save.path());
    ASSERT_TRUE(reader && reader->status == LedgerStatus::Ok) << reader->detail;
    EXPECT_EQ(reader->ledger->findBySize(10).size(), 2u);
}

TEST(Ledger, DatabaseHeldByAnotherProgramIsReportedAsLockedAndLeftAlone) {
    TempFolder save;
    {
        LedgerOpening opening = Ledger::open(save.path());
        ASSERT_EQ(opening.status, LedgerStatus::Ok);
        opening.ledger->record(entry("a.jpg", 1, "a"));
    }
    const std::string path = Ledger::pathFor(save.path());
    const std::string before = readAll(path);

    sqlite3* holder = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &holder), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(holder, "PRAGMA locking_mode=EXCLUSIVE; BEGIN EXCLUSIVE;", nullptr,
                           nullptr, nullptr),
              SQLITE_OK);
    LedgerOpening opening = Ledger::open(save.path(), 0ms);
    EXPECT_EQ(opening.status, LedgerStatus::Locked) << opening.detail;
    EXPECT_FALSE(opening.ledger);
    sqlite3_exec(holder, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(holder);

    EXPECT_TRUE(readAll(path) == before);
    LedgerOpening again = Ledger::open(save.path());
    ASSERT_EQ(again.status, LedgerStatus::Ok);
    EXPECT_TRUE(again.ledger->isImported(1, hashOf("a"))) << "nothing was lost to the lock";
}

// Two runs into one save folder share the ledger: each sees the other's rows, and a row that
// can't be written while the other holds the database is an error, never silently dropped.
TEST(Ledger, TwoRunsShareTheLedgerAndABlockedRecordFailsLoudly) {
    TempFolder save;
    LedgerOpening first = Ledger::open(save.path(), 0ms);
    LedgerOpening second = Ledger::open(save.path(), 0ms);
    ASSERT_EQ(first.status, LedgerStatus::Ok);
    ASSERT_EQ(second.status, LedgerStatus::Ok);
    first.ledger->record(entry("a.jpg", 1, "a"));
    EXPECT_TRUE(second.ledger->isImported(1, hashOf("a")));

    sqlite3* holder = nullptr;
    ASSERT_EQ(sqlite3_open(Ledger::pathFor(save.path()).c_str(), &holder), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(holder, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    EXPECT_THROW(second.ledger->record(entry("b.jpg", 2, "b")), LedgerError);
    const std::vector<LedgerEntry> batch = {entry("c.jpg", 3, "c"), entry("d.jpg", 3, "d")};
    EXPECT_THROW(second.ledger->record(batch), LedgerError);
    EXPECT_TRUE(first.ledger->isImported(1, hashOf("a"))) << "readers go on meanwhile";
    sqlite3_exec(holder, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(holder);

    second.ledger->record(entry("b.jpg", 2, "b"));
    EXPECT_EQ(first.ledger->findBySize(2).size(), 1u);
    // A batch that failed left no transaction open and nothing half-written behind.
    EXPECT_TRUE(first.ledger->findBySize(3).empty());
    second.ledger->record(batch);
    EXPECT_EQ(first.ledger->findBySize(3).size(), 2u);
}

// A ledger the user may not write. Root writes any file, so the opening runs in a child that
// gives up root first.
TEST(Ledger, ReadOnlyDatabaseIsReportedAndLeftByteIdentical) {
    TempFolder save;
    {
        LedgerOpening opening = Ledger::open(save.path());
        ASSERT_EQ(opening.status, LedgerStatus::Ok);
        opening.ledger->record(entry("a.jpg", 1, "a"));
    }
    const std::string path = Ledger::pathFor(save.path());
    const std::string before = readAll(path);
    for (const std::string& p : {save.path(), save.path() + "/.pixbako"})
        ASSERT_EQ(::chmod(p.c_str(), 0755), 0);
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);

    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(100);
        LedgerOpening opening = Ledger::open(save.path(), 0ms);
        ::_exit(static_cast<int>(opening.status));
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_NE(WEXITSTATUS(status), 100) << "could not give up root";
    EXPECT_EQ(static_cast<LedgerStatus>(WEXITSTATUS(status)), LedgerStatus::ReadOnly);
    EXPECT_TRUE(readAll(path) == before);
}

TEST(Ledger, EmptyFileLeftByAnInterruptedCreationBecomesTheLedger) {
    TempFolder save;
    writeAll(Ledger::pathFor(save.path()), "");
    LedgerOpening opening = Ledger::open(save.path());
    ASSERT_EQ(opening.status, LedgerStatus::Ok) << opening.detail;
    opening.ledger->record(entry("a.jpg", 1, "a"));
    EXPECT_TRUE(opening.ledger->isImported(1, hashOf("a")));
}

TEST(Ledger, SaveFolderThatIsMissingOrAFileIsUnreadableAndNotCreated) {
    TempFolder tmp;
    writeAll(tmp.path() + "/file", "x");
    for (const std::string& save : {tmp.path() + "/file", tmp.path() + "/missing"}) {
        LedgerOpening opening = Ledger::open(save);
        EXPECT_EQ(opening.status, LedgerStatus::Unreadable) << save;
        EXPECT_FALSE(opening.detail.empty()) << save;
    }
    EXPECT_EQ(readAll(tmp.path() + "/file"), "x");
    EXPECT_FALSE(std::filesystem::exists(tmp.path() + "/missing"));
}

} // namespace
} // namespace pixbako
