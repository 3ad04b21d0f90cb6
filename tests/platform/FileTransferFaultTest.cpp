// Faults on real file systems: a full disk, a size limit, read-only folders, a vanished
// source, a source that changes, cross-device moves and a process killed mid-transfer.
// Afterwards every test checks the bytes and modification times of source and destination.
// Where the run may transfer a file in two halves (its flush and read-back in flight while
// the next file is copied), the fault is met both ways and must end the same.
//
// Faults that need privileges (mounts, another user) run in a forked child, in a private
// mount namespace where mounts vanish with the child; where the machine allows neither, the
// test says so and skips, and the resource-limit test still covers a failing write.
#include "platform/FileTransfer.h"

#include "FileTransferTestSupport.h"

#include <csignal>
#include <cstdlib>
#include <gtest/gtest.h>
#include <poll.h>
#include <span>
#include <sys/resource.h>

namespace pixbako {
namespace {

using namespace transfer_test;

constexpr std::size_t kMiB = 1 << 20;

const char* name(FileOperation operation) {
    return operation == FileOperation::Copy ? "copy" : "move";
}

// The two ways the run transfers a file: whole, or begun and finished later, its flush (and a
// move's read-back) in flight on a helper thread meanwhile.
enum class Way { Whole, InFlight };
constexpr Way kWays[] = {Way::Whole, Way::InFlight};

const char* name(Way way) {
    return way == Way::Whole ? "whole" : "in flight";
}

TransferResult transferBy(Way way, const TransferRequest& request, ITransferDialogs& dialogs) {
    if (way == Way::Whole)
        return transferFile(request, dialogs);
    TransferInFlight transfer = beginTransfer(request, dialogs);
    return transfer.finish(request.mayReplace);
}

class FileTransferFaultTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(disk.ok());
        ASSERT_EQ(::mkdir(src().c_str(), 0777), 0);
        ASSERT_EQ(::mkdir(dst().c_str(), 0777), 0);
        ::chmod(src().c_str(), 0777); // also writable for the unprivileged children
        ::chmod(dst().c_str(), 0777);
        crossDevice = memory.ok() && memory.device() != disk.device();
    }
    std::string src(const std::string& name = {}) const {
        return disk / (name.empty() ? "src" : "src/" + name);
    }
    std::string dst(const std::string& name = {}) const {
        return disk / (name.empty() ? "dst" : "dst/" + name);
    }

    ScratchFolder disk{std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp"};
    ScratchFolder memory{"/dev/shm"}; // tmpfs: another file system than the disk
    bool crossDevice = false;
};

std::string describeResult(const std::string& what, TransferResult result, TransferResult expected,
                           const ScriptedDialogs& dialogs) {
    std::string problems;
    if (result != expected)
        problems +=
            what + ": result " + describe(result) + ", expected " + describe(expected) + "\n";
    if (dialogs.errors.size() != 1)
        problems += what + ": " + std::to_string(dialogs.errors.size()) + " error boxes\n";
    return problems;
}

constexpr const char* kNoCrossDevice = "/dev/shm is not another file system here";

bool skipped(const std::string& report) {
    return report.rfind("SKIP:", 0) == 0;
}

// Cases of a table that couldn't set up their fault here. The others still run; the test then
// ends as skipped, naming these, so that the summary never counts an untested fault as passed.
class SkippedCases {
public:
    void add(const std::string& what, const std::string& why) { text_ += what + ": " + why + "\n"; }
    bool any() const { return !text_.empty(); }
    const std::string& text() const { return text_; }

private:
    std::string text_;
};

// A folder made read-only in the two ways a photographer meets: a read-only mount (a
// write-protected card) and a folder without write permission. Each way runs in a forked child
// and returns "SKIP: ..." when this machine can't set it up.
struct ReadOnlyCase {
    const char* what;
    std::function<std::string()> makeReadOnly;
    TransferError expected;
};

std::vector<ReadOnlyCase> readOnlyCases(const std::string& folder, const char* mountWhat) {
    return {
        {mountWhat,
         [folder]() -> std::string {
             if (!enterPrivateMountNamespace() ||
                 ::mount(folder.c_str(), folder.c_str(), nullptr, MS_BIND, nullptr) != 0 ||
                 ::mount(nullptr, folder.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY,
                         nullptr) != 0)
                 return std::string("SKIP: can't mount read-only: ") + std::strerror(errno);
             return {};
         },
         TransferError::ReadOnlyDisk},
        {"folder without write permission",
         [folder]() -> std::string {
             if (::chmod(folder.c_str(), 0555) != 0 || !becomeUnprivileged())
                 return std::string("SKIP: can't drop privileges: ") + std::strerror(errno);
             return {};
         },
         TransferError::AccessDenied},
    };
}

TEST_F(FileTransferFaultTest, DestinationFullMidCopyKeepsSourceAndOldFile) {
    FileState source = makeFile(src("a.jpg"), 3 * kMiB, 1);
    const std::string small = disk / "small";
    ASSERT_EQ(::mkdir(small.c_str(), 0755), 0);

    std::string report = inChild([&]() -> std::string {
        if (!enterPrivateMountNamespace() ||
            ::mount("tmpfs", small.c_str(), "tmpfs", 0, "size=2m") != 0)
            return std::string("SKIP: can't mount a small tmpfs: ") + std::strerror(errno);
        FileState old = makeFile(small + "/old.jpg", 1000, 2, kOtherTime);
        std::string problems;
        for (FileOperation operation : {FileOperation::Copy, FileOperation::Move}) {
            for (std::string target : {"new.jpg", "old.jpg"}) {
                std::string what = std::string(name(operation)) + " to " + target;
                ScriptedDialogs dialogs;
                TransferResult result =
                    transferFile({operation, src("a.jpg"), small + "/" + target}, dialogs);
                problems += describeResult(what, result, code(TransferError::DiskFull), dialogs);
                if (dialogs.lastDone < kMiB)
                    problems += what + ": failed before the first chunk was written\n";
                problems += checkFile(src("a.jpg"), source);
                problems += checkFile(small + "/old.jpg", old);
                problems += checkEntries(small, {"old.jpg"});
            }
        }
        return problems;
    });
    if (skipped(report))
        GTEST_SKIP() << report << " (the file-size limit test covers a failing write)";
    EXPECT_EQ(report, "");
    EXPECT_EQ(checkFile(src("a.jpg"), source), "");
}

// RLIMIT_FSIZE makes the kernel refuse writes beyond the limit: a real write failure on a real
// file system, with no privilege needed. The kernel also sends SIGXFSZ, which ends a process
// that doesn't ignore it, temporary file and all; the transfer must see to that itself.
TEST_F(FileTransferFaultTest, WriteBeyondTheFileSizeLimitFailsThatFileOnly) {
    struct Case {
        FileOperation operation;
        bool fromMemory; // a cross-device move
        std::string target;
    };
    const Case cases[] = {
        {FileOperation::Copy, false, "new.jpg"},
        {FileOperation::Copy, false, "old.jpg"},
        {FileOperation::Move, true, "new.jpg"},
        {FileOperation::Move, true, "old.jpg"},
    };
    FileState old = makeFile(dst("old.jpg"), 1000, 2, kOtherTime);
    SkippedCases skips;
    for (const auto& c : cases) {
        if (c.fromMemory && !crossDevice) {
            skips.add(std::string(name(c.operation)) + " to " + c.target, kNoCrossDevice);
            continue;
        }
        SCOPED_TRACE(std::string(name(c.operation)) + " to " + c.target);
        std::string from = c.fromMemory ? memory / "a.jpg" : src("a.jpg");
        FileState source = makeFile(from, 3 * kMiB, 1);

        std::string report = inChild([&]() -> std::string {
            ::signal(SIGXFSZ, SIG_DFL); // as a program that was never told about it
            struct rlimit limit = {kMiB + kMiB / 2, kMiB + kMiB / 2};
            if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
                return "setrlimit failed\n";
            std::string problems;
            for (Way way : kWays) {
                ScriptedDialogs dialogs;
                TransferResult result =
                    transferBy(way, {c.operation, from, dst(c.target)}, dialogs);
                problems +=
                    describeResult(name(way), result, code(TransferError::FileTooLarge), dialogs);
            }
            return problems;
        });

        EXPECT_EQ(report, "");
        EXPECT_EQ(checkFile(from, source), "");
        EXPECT_EQ(checkFile(dst("old.jpg"), old), "");
        EXPECT_EQ(checkEntries(dst(), {"old.jpg"}), "");
    }
    if (skips.any())
        GTEST_SKIP() << skips.text();
}

TEST_F(FileTransferFaultTest, ReadOnlyDestinationFolderChangesNothing) {
    FileState source = makeFile(src("a.jpg"), 2 * kMiB, 1);
    FileState old = makeFile(dst("old.jpg"), 1000, 2, kOtherTime);
    const std::string folder = dst();

    const auto cases = readOnlyCases(folder, "read-only mount");
    SkippedCases skips;
    for (const auto& c : cases) {
        for (FileOperation operation : {FileOperation::Copy, FileOperation::Move}) {
            for (std::string target : {"new.jpg", "old.jpg"}) {
                const std::string what =
                    std::string(c.what) + ", " + name(operation) + " to " + target;
                SCOPED_TRACE(what);
                std::string report = inChild([&]() -> std::string {
                    std::string setup = c.makeReadOnly();
                    if (!setup.empty())
                        return setup;
                    std::string problems;
                    for (Way way : kWays) {
                        ScriptedDialogs dialogs;
                        TransferResult result =
                            transferBy(way, {operation, src("a.jpg"), dst(target)}, dialogs);
                        problems += describeResult(name(way), result, code(c.expected), dialogs);
                    }
                    return problems;
                });
                ::chmod(folder.c_str(), 0777);
                if (skipped(report)) {
                    skips.add(what, report);
                    continue;
                }
                EXPECT_EQ(report, "");
                EXPECT_EQ(checkFile(src("a.jpg"), source), "");
                EXPECT_EQ(checkFile(dst("old.jpg"), old), "");
                EXPECT_EQ(checkEntries(dst(), {"old.jpg"}), "");
            }
        }
    }
    if (skips.any())
        GTEST_SKIP() << skips.text();
}

// With no descriptor left (`ulimit -n` reached) nothing changes, and the error names the
// cause instead of blaming the card or the disk. Begun in two halves, the transfer says so
// before it shows anything, so that the run can finish earlier files and begin it again.
TEST_F(FileTransferFaultTest, NoDescriptorLeftChangesNothingAndBlamesNeitherCardNorDisk) {
    if (kSanitizersNeedDescriptors)
        GTEST_SKIP() << "the sanitizers need descriptors of their own";
    FileState source = makeFile(src("a.jpg"), kMiB, 1);
    std::string report = inChild([&]() -> std::string {
        std::string problems;
        for (FileOperation operation : {FileOperation::Copy, FileOperation::Move}) {
            for (Way way : kWays) {
                const std::string what = std::string(name(operation)) + " " + name(way);
                std::vector<int> held;
                for (int fd; (fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC)) >= 0;)
                    held.push_back(fd);
                ScriptedDialogs dialogs;
                // The rename of a move on one disk needs no descriptor: make it cross.
                const std::string to = operation == FileOperation::Move && crossDevice
                                           ? memory / "a.jpg"
                                           : dst("a.jpg");
                TransferResult result;
                if (way == Way::Whole) {
                    result = transferFile({operation, src("a.jpg"), to}, dialogs);
                } else {
                    TransferInFlight transfer =
                        beginTransfer({operation, src("a.jpg"), to}, dialogs);
                    if (!transfer.outOfDescriptors())
                        problems += what + ": not told as out of descriptors\n";
                    if (!dialogs.errors.empty())
                        problems += what + ": shown before its finish\n";
                    result = transfer.finish(true);
                }
                for (int fd : held)
                    ::close(fd);
                if (operation == FileOperation::Move && !crossDevice)
                    continue; // a rename: done, nothing to check here
                problems +=
                    describeResult(what, result, code(TransferError::TooManyOpenFiles), dialogs);
                if (!dialogs.errors.empty() &&
                    dialogs.errors[0].second.find("同時に開けるファイルの数の上限に達しました") ==
                        std::string::npos)
                    problems += what + ": " + dialogs.errors[0].second + "\n";
            }
        }
        return problems;
    });
    EXPECT_EQ(report, "");
    EXPECT_EQ(checkFile(src("a.jpg"), source), "");
    EXPECT_EQ(checkEntries(dst(), {}), "");
}

TEST_F(FileTransferFaultTest, SourceRemovedBeforeTheCallLeavesDestinationAlone) {
    FileState old = makeFile(dst("old.jpg"), 1000, 2, kOtherTime);
    makeFile(src("a.jpg"), 100000, 1);
    ASSERT_EQ(::unlink(src("a.jpg").c_str()), 0);
    for (FileOperation operation : {FileOperation::Copy, FileOperation::Move}) {
        for (std::string target : {"new.jpg", "old.jpg"}) {
            for (Way way : kWays) {
                SCOPED_TRACE(std::string(name(operation)) + " to " + target + ", " + name(way));
                ScriptedDialogs dialogs;

                EXPECT_EQ(transferBy(way, {operation, src("a.jpg"), dst(target), true}, dialogs),
                          code(TransferError::SourceMissing));

                EXPECT_TRUE(dialogs.questions.empty());
                ASSERT_EQ(dialogs.errors.size(), 1u);
                EXPECT_EQ(dialogs.errors[0].first, src("a.jpg"));
                EXPECT_EQ(checkFile(dst("old.jpg"), old), "");
                EXPECT_EQ(checkEntries(dst(), {"old.jpg"}), "");
            }
        }
    }
}

TEST_F(FileTransferFaultTest, MoveAcrossFileSystemsKeepsBytesAndTimes) {
    if (!crossDevice)
        GTEST_SKIP() << kNoCrossDevice;
    struct Case {
        std::string from, to;
    };
    const Case cases[] = {
        {memory / "a.jpg", dst("a.jpg")},
        {src("b.jpg"), memory / "b.jpg"},
    };
    for (const auto& [c, way] : std::vector<std::pair<Case, Way>>{{cases[0], Way::Whole},
                                                                  {cases[1], Way::Whole},
                                                                  {cases[0], Way::InFlight},
                                                                  {cases[1], Way::InFlight}}) {
        SCOPED_TRACE(c.from + " -> " + c.to + ", " + name(way));
        ::unlink(c.to.c_str());
        FileState source = makeFile(c.from, 2 * kMiB + 12345, 1, kShotTime, 0640);
        ScriptedDialogs dialogs;

        EXPECT_EQ(transferBy(way, {FileOperation::Move, c.from, c.to}, dialogs), kDone);

        struct stat st {};
        ASSERT_EQ(::stat(c.to.c_str(), &st), 0);
        EXPECT_EQ(st.st_atim.tv_sec, kOldAccess.tv_sec) << "access time survives the read-back";
        EXPECT_EQ(st.st_atim.tv_nsec, kOldAccess.tv_nsec);
        EXPECT_EQ(st.st_mode & 07777, 0640u);
        EXPECT_EQ(checkFile(c.to, source), "");
        EXPECT_EQ(checkAbsent(c.from), "");
        // The read-back counts as progress where it runs within the progress window.
        EXPECT_EQ(dialogs.total, (way == Way::Whole ? 2 : 1) * source.bytes.size());
        EXPECT_EQ(dialogs.lastDone, dialogs.total);
        EXPECT_TRUE(dialogs.errors.empty());
    }
}

// The read-back goes straight to the disk in whole blocks where it can: sizes around the
// block and chunk boundaries, and an empty file, are read back whole and compared exactly.
TEST_F(FileTransferFaultTest, MoveAcrossFileSystemsReadsBackEverySize) {
    if (!crossDevice)
        GTEST_SKIP() << kNoCrossDevice;
    for (std::size_t size :
         {std::size_t{0}, std::size_t{4095}, std::size_t{4097}, kMiB, kMiB + 1, 2 * kMiB}) {
        for (Way way : kWays) {
            SCOPED_TRACE(std::to_string(size) + " bytes, " + name(way));
            const std::string from = memory / "a.jpg";
            FileState source = makeFile(from, size, 5);
            ScriptedDialogs dialogs;
            EXPECT_EQ(transferBy(way, {FileOperation::Move, from, dst("a.jpg")}, dialogs), kDone);
            EXPECT_EQ(checkFile(dst("a.jpg"), source), "");
            EXPECT_EQ(checkAbsent(from), "");
            ::unlink(dst("a.jpg").c_str());
        }
    }
}

TEST_F(FileTransferFaultTest, MoveFromReadOnlyFolderAcrossFileSystemsCopiesNothing) {
    if (!crossDevice)
        GTEST_SKIP() << kNoCrossDevice;
    const std::string folder = memory / "card";
    ASSERT_EQ(::mkdir(folder.c_str(), 0777), 0);
    ::chmod(folder.c_str(), 0777);
    FileState source = makeFile(folder + "/a.jpg", 2 * kMiB, 1);
    const auto cases = readOnlyCases(folder, "write-protected card");
    SkippedCases skips;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string report = inChild([&]() -> std::string {
            std::string setup = c.makeReadOnly();
            if (!setup.empty())
                return setup;
            std::string problems;
            for (Way way : kWays) {
                ScriptedDialogs dialogs;
                TransferResult result = transferBy(
                    way, {FileOperation::Move, folder + "/a.jpg", dst("a.jpg")}, dialogs);
                problems += describeResult(name(way), result, code(c.expected), dialogs);
                if (dialogs.progressStarts != 0)
                    problems +=
                        std::string(name(way)) + ": started copying a file it can't delete\n";
            }
            return problems;
        });
        ::chmod(folder.c_str(), 0777);
        if (skipped(report)) {
            skips.add(c.what, report);
            continue;
        }
        EXPECT_EQ(report, "");
        EXPECT_EQ(checkFile(folder + "/a.jpg", source), "");
        EXPECT_EQ(checkEntries(dst(), {}), "");
    }
    if (skips.any())
        GTEST_SKIP() << skips.text();
}

// A sticky folder lets another user write in it but not delete our file: the copy succeeds,
// the deletion fails, and both files must remain.
TEST_F(FileTransferFaultTest, SourceThatCantBeDeletedStaysBesideItsCopy) {
    if (!crossDevice || ::geteuid() != 0)
        GTEST_SKIP() << "needs root and /dev/shm on another file system";
    const std::string folder = memory / "sticky";
    ASSERT_EQ(::mkdir(folder.c_str(), 0777), 0);
    ASSERT_EQ(::chmod(folder.c_str(), 01777), 0);
    FileState source = makeFile(folder + "/a.jpg", kMiB + 5, 1);

    std::string report = inChild([&]() -> std::string {
        if (!becomeUnprivileged())
            return "SKIP: can't drop privileges";
        std::string problems;
        for (Way way : kWays) {
            ScriptedDialogs dialogs;
            const std::string to = dst(way == Way::Whole ? "a.jpg" : "b.jpg");
            TransferResult result =
                transferBy(way, {FileOperation::Move, folder + "/a.jpg", to}, dialogs);
            problems +=
                describeResult(name(way), result, code(TransferError::SourceNotRemoved), dialogs);
        }
        return problems;
    });

    if (skipped(report))
        GTEST_SKIP() << report;
    EXPECT_EQ(report, "");
    EXPECT_EQ(checkFile(folder + "/a.jpg", source), "");
    EXPECT_EQ(checkFile(dst("a.jpg"), source), "");
    EXPECT_EQ(checkFile(dst("b.jpg"), source), "");
    EXPECT_EQ(checkEntries(dst(), {"a.jpg", "b.jpg"}), "");
}

// The read-back of a cross-device move is what stands between a bad write and a deleted
// original. A source changed behind our back (with its time set back, so that only the
// comparison can notice) gives a copy that differs: the source must stay.
TEST_F(FileTransferFaultTest, CopyThatReadsBackDifferentlyKeepsTheSource) {
    if (!crossDevice)
        GTEST_SKIP() << kNoCrossDevice;
    const std::string from = memory / "a.jpg";
    for (Way way : kWays) {
        SCOPED_TRACE(name(way));
        FileState source = makeFile(from, 3 * kMiB, 1);
        ScriptedDialogs dialogs;
        dialogs.onProgress = [&](std::uint64_t done) {
            if (done == kMiB) {
                int fd = ::open(from.c_str(), O_WRONLY);
                EXPECT_EQ(::pwrite(fd, "XXXX", 4, 100), 4);
                const struct timespec times[2] = {{0, UTIME_OMIT}, kShotTime};
                ::futimens(fd, times);
                ::close(fd);
            }
            return true;
        };

        EXPECT_EQ(transferBy(way, {FileOperation::Move, from, dst("a.jpg")}, dialogs),
                  code(TransferError::VerifyFailed));

        ASSERT_EQ(dialogs.errors.size(), 1u);
        EXPECT_EQ(dialogs.errors[0].first, dst("a.jpg"));
        FileState changed = source;
        changed.bytes.replace(100, 4, "XXXX");
        EXPECT_EQ(checkFile(from, changed), "");
        EXPECT_EQ(checkEntries(dst(), {}), "");
    }
}

// Writes `bytes` at `offset` of the file and puts its modification time back, as a tool that
// edits a picture in place and keeps its date does.
void rewriteKeepingTime(const std::string& path, off_t offset, const std::string& bytes) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(::pwrite(fd, bytes.data(), bytes.size(), offset), static_cast<ssize_t>(bytes.size()));
    const struct timespec times[2] = {{0, UTIME_OMIT}, kShotTime};
    EXPECT_EQ(::futimens(fd, times), 0);
    ::close(fd);
}

// Size and modification time alone miss such an edit: a copy then held a mixture of two
// versions (one part read before the edit, one after), and a move that met the edit during its
// read-back, in a part already compared, deleted the edited source.
TEST_F(FileTransferFaultTest, SourceRewrittenInPlaceWithItsTimeKeptIsNoticed) {
    struct Case {
        const char* what;
        FileOperation operation;
        bool fromMemory;
        std::uint64_t editAt; // bytes of progress
        std::vector<std::size_t> offsets;
        Way way;
    };
    // In flight, a move's read-back runs after the progress window: no progress to edit at
    // (an edit while copying is CopyThatReadsBackDifferentlyKeepsTheSource).
    const Case cases[] = {
        {"copy", FileOperation::Copy, false, kMiB, {100, 2 * kMiB + 100}, Way::Whole},
        {"copy in flight", FileOperation::Copy, false, kMiB, {100, 2 * kMiB + 100}, Way::InFlight},
        {"cross-device move while reading back",
         FileOperation::Move,
         true,
         4 * kMiB,
         {100},
         Way::Whole},
    };
    SkippedCases skips;
    for (const auto& c : cases) {
        if (c.fromMemory && !crossDevice) {
            skips.add(c.what, kNoCrossDevice);
            continue;
        }
        SCOPED_TRACE(c.what);
        const std::string from = c.fromMemory ? memory / "a.jpg" : src("a.jpg");
        FileState edited = makeFile(from, 3 * kMiB, 1);
        for (std::size_t offset : c.offsets)
            edited.bytes.replace(offset, 4, "XXXX");
        ScriptedDialogs dialogs;
        dialogs.onProgress = [&](std::uint64_t done) {
            if (done == c.editAt)
                for (std::size_t offset : c.offsets)
                    rewriteKeepingTime(from, static_cast<off_t>(offset), "XXXX");
            return true;
        };

        EXPECT_EQ(transferBy(c.way, {c.operation, from, dst("a.jpg")}, dialogs),
                  code(TransferError::SourceChanged));

        ASSERT_EQ(dialogs.errors.size(), 1u);
        EXPECT_EQ(dialogs.errors[0].first, from);
        EXPECT_EQ(checkFile(from, edited), "");
        EXPECT_EQ(checkEntries(dst(), {}), "") << "neither the mixture nor a temporary file";
    }
    if (skips.any())
        GTEST_SKIP() << skips.text();
}

// The last look before a cross-device move deletes its source. An edit after the read-back
// (here while the user is asked about a name that was taken meanwhile), with the time put
// back, must keep the edited source: the copy holds the version before the edit.
TEST_F(FileTransferFaultTest, SourceEditedAfterTheReadBackIsNotDeleted) {
    if (!crossDevice)
        GTEST_SKIP() << kNoCrossDevice;
    const std::string from = memory / "a.jpg";
    for (Way way : kWays) {
        SCOPED_TRACE(name(way));
        ::unlink(dst("a.jpg").c_str());
        FileState source = makeFile(from, 3 * kMiB, 1);
        FileState edited = source;
        edited.bytes.replace(100, 4, "XXXX");
        ScriptedDialogs dialogs;
        dialogs.onProgress = [&](std::uint64_t done) {
            if (done == kMiB) // another program takes the free name while we copy
                makeFile(dst("a.jpg"), 1000, 2, kOtherTime);
            return true;
        };
        dialogs.answers = {OverwriteAnswer::Yes};
        dialogs.onQuestion = [&] { rewriteKeepingTime(from, 100, "XXXX"); };

        EXPECT_EQ(transferBy(way, {FileOperation::Move, from, dst("a.jpg"), true}, dialogs),
                  code(TransferError::SourceChanged));

        EXPECT_EQ(dialogs.questions.size(), 1u);
        ASSERT_EQ(dialogs.errors.size(), 1u);
        EXPECT_EQ(dialogs.errors[0].first, from);
        EXPECT_EQ(checkFile(from, edited), "");
        EXPECT_EQ(checkFile(dst("a.jpg"), source), "") << "replaced by the copy, as answered";
        EXPECT_EQ(checkEntries(dst(), {"a.jpg"}), "");
    }
}

// A flush the disk refuses (a failing disk) fails the copy for good: nothing under the final
// name, no temporary file, an old file there untouched.
TEST_F(FileTransferFaultTest, RefusedFlushFailsTheCopyAndLeavesNoFile) {
    FileState source = makeFile(src("a.jpg"), kMiB + 7, 1);
    FileState old = makeFile(dst("old.jpg"), 1000, 2, kOtherTime);
    SkippedCases skips;
    for (std::string target : {"new.jpg", "old.jpg"}) {
        SCOPED_TRACE(target);
        std::string report = inChild([&]() -> std::string {
            if (!refuseSystemCalls({{SYS_fsync, EIO}}))
                return "SKIP: no system call filter here";
            std::string problems;
            for (Way way : kWays) {
                ScriptedDialogs dialogs;
                TransferResult result =
                    transferBy(way, {FileOperation::Copy, src("a.jpg"), dst(target)}, dialogs);
                problems +=
                    describeResult(name(way), result, code(TransferError::FlushFailed), dialogs);
                if (!dialogs.errors.empty() &&
                    dialogs.errors[0].second !=
                        transferErrorText(FileOperation::Copy, TransferError::FlushFailed, EIO))
                    problems += "error text: " + dialogs.errors[0].second + "\n";
            }
            return problems;
        });
        if (skipped(report)) {
            skips.add(target, report);
            continue;
        }
        EXPECT_EQ(report, "");
        EXPECT_EQ(checkFile(src("a.jpg"), source), "");
        EXPECT_EQ(checkFile(dst("old.jpg"), old), "");
        EXPECT_EQ(checkEntries(dst(), {"old.jpg"}), "");
    }
    if (skips.any())
        GTEST_SKIP() << skips.text();
}

// The flushes of a cross-device move after its copy is in place: the destination folder's,
// before the source is deleted, fails the move and keeps the source; the source folder's, after
// the deletion, can't undo the move: the file has moved, and the user is warned that the
// deletion may not be on the disk yet.
TEST_F(FileTransferFaultTest, MoveWhoseDeletionIsNotConfirmedOnDiskIsAMoveWithAWarning) {
    if (!crossDevice)
        GTEST_SKIP() << kNoCrossDevice;
    struct Case {
        const char* what;
        std::string refusedFolder;
        TransferResult expected;
    };
    const Case cases[] = {
        {"destination folder", dst(), code(TransferError::FlushFailed)},
        {"source folder", memory.path(), kDone},
    };
    SkippedCases skips;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string from = memory / "a.jpg";
        FileState source = makeFile(from, kMiB + 3, 1);
        std::string report = inChild([&]() -> std::string {
            FolderFlushWatch watch;
            if (!watch.start({c.refusedFolder}, EIO))
                return "SKIP: no system call listener here";
            ScriptedDialogs dialogs;
            TransferResult result =
                transferFile({FileOperation::Move, from, dst("a.jpg")}, dialogs);
            if (!c.expected.done())
                return describeResult("move", result, c.expected, dialogs);
            std::string problems;
            if (!result.done() || !dialogs.errors.empty())
                problems += "result " + describe(result) + "\n";
            if (dialogs.warnings.size() != 1 || dialogs.warnings[0].first != from ||
                dialogs.warnings[0].second != transferWarningText(EIO))
                problems += std::to_string(dialogs.warnings.size()) + " warnings\n";
            if (watch.count(c.refusedFolder) != 1)
                problems += "the source folder's flush was never tried\n";
            return problems;
        });
        if (skipped(report)) {
            skips.add(c.what, report);
            continue;
        }
        EXPECT_EQ(report, "");
        EXPECT_EQ(checkFile(dst("a.jpg"), source), "");
        if (c.expected.done()) {
            EXPECT_EQ(checkAbsent(from), "");
        } else {
            EXPECT_EQ(checkFile(from, source), "");
            ::unlink(dst("a.jpg").c_str());
        }
    }
    if (skips.any())
        GTEST_SKIP() << skips.text();
}

// Where the file system can't rename without replacing, a move claims the new name with a hard
// link and then removes the old one. Unlike a rename these are two steps, which a crash can
// separate in either order: the new name must be on the disk before the source's name goes, and
// a failure in between must leave the file under its old name alone.
struct MoveByLinkCase {
    const char* what;
    std::vector<Refusal> refusals;
    TransferResult expected;
};

std::string moveByLink(const MoveByLinkCase& c, const std::string& from, const std::string& to) {
    return inChild([&]() -> std::string {
        std::vector<Refusal> refusals = c.refusals;
        refusals.push_back({SYS_renameat2, EINVAL, 4}); // no RENAME_NOREPLACE
        if (!refuseSystemCalls(refusals))
            return "SKIP: no system call filter here";
        ScriptedDialogs dialogs;
        TransferResult result =
            transferFile({FileOperation::Move, from, to, false, false}, dialogs);
        if (c.expected.done())
            return result.done() && dialogs.errors.empty() ? std::string()
                                                           : "result " + describe(result) + "\n";
        return describeResult(c.what, result, c.expected, dialogs);
    });
}

void expectMovedOrUntouched(const std::string& report, TransferResult expected,
                            const std::string& from, const std::string& to,
                            const FileState& source) {
    EXPECT_EQ(report, "");
    if (expected.done()) {
        EXPECT_EQ(checkFile(to, source), "");
        EXPECT_EQ(checkAbsent(from), "");
    } else {
        EXPECT_EQ(checkFile(from, source), "");
        EXPECT_EQ(checkAbsent(to), "") << "no second name for the source";
        struct stat st {};
        EXPECT_EQ(::stat(from.c_str(), &st), 0);
        EXPECT_EQ(st.st_nlink, 1u);
    }
}

// Each case moves a fresh file of its own and checks it arrived whole or stayed put.
SkippedCases runMoveByLinkCases(std::span<const MoveByLinkCase> cases, const std::string& from,
                                const std::string& to) {
    SkippedCases skips;
    int row = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string name = "/" + std::to_string(row++) + ".jpg";
        FileState source = makeFile(from + name, 100000, 1);
        std::string report = moveByLink(c, from + name, to + name);
        if (skipped(report))
            skips.add(c.what, report);
        else
            expectMovedOrUntouched(report, c.expected, from + name, to + name, source);
    }
    return skips;
}

TEST_F(FileTransferFaultTest, MoveByHardLinkFlushesTheNewNameBeforeRemovingTheSource) {
    const TransferResult writeFailed = code(TransferError::WriteFailed);
    const MoveByLinkCase cases[] = {
        {"hard link", {}, kDone},
        {"hard link, folder flush fails", {{SYS_fsync, EIO}}, writeFailed},
        {"no hard links either: look, then rename", {{SYS_linkat, EPERM}}, kDone},
    };
    SkippedCases skips = runMoveByLinkCases(cases, src(), dst());
    if (skips.any())
        GTEST_SKIP() << skips.text();
}

// A folder that its file system can't flush through its descriptor (EINVAL) is flushed with
// the whole disk instead, and that flush's failure counts.
TEST_F(FileTransferFaultTest, FolderFlushRefusedByItsFileSystemFlushesTheWholeDisk) {
    const MoveByLinkCase cases[] = {
        {"disk flushed", {{SYS_fsync, EINVAL}}, kDone},
        {"disk flush fails",
         {{SYS_fsync, EINVAL}, {SYS_syncfs, EIO}},
         code(TransferError::WriteFailed)},
    };
    SkippedCases skips = runMoveByLinkCases(cases, src(), dst());
    if (skips.any())
        GTEST_SKIP() << skips.text();
}

TEST_F(FileTransferFaultTest, CancelDuringMoveAcrossFileSystemsKeepsTheSource) {
    if (!crossDevice)
        GTEST_SKIP() << kNoCrossDevice;
    FileState old = makeFile(dst("old.jpg"), 1000, 2, kOtherTime);
    struct Case {
        const char* what;
        std::string target;
        std::uint64_t cancelAt;
        Way way;
    };
    const Case cases[] = {
        {"while copying", "new.jpg", kMiB, Way::Whole},
        {"while reading back", "new.jpg", 4 * kMiB, Way::Whole},
        {"while reading back over an old file", "old.jpg", 4 * kMiB, Way::Whole},
        {"while copying in flight", "new.jpg", kMiB, Way::InFlight},
        {"over an old file in flight (done whole)", "old.jpg", 4 * kMiB, Way::InFlight},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string from = memory / "a.jpg";
        FileState source = makeFile(from, 3 * kMiB, 1);
        ScriptedDialogs dialogs;
        dialogs.onProgress = [&](std::uint64_t done) { return done < c.cancelAt; };

        EXPECT_EQ(transferBy(c.way, {FileOperation::Move, from, dst(c.target)}, dialogs),
                  kCancelled);

        EXPECT_TRUE(dialogs.errors.empty());
        EXPECT_EQ(dialogs.lastDone, c.cancelAt);
        EXPECT_EQ(dialogs.progressEnds, 1);
        EXPECT_EQ(checkFile(from, source), "");
        EXPECT_EQ(checkFile(dst("old.jpg"), old), "");
        EXPECT_EQ(checkEntries(dst(), {"old.jpg"}), "");
    }
}

// SIGKILL at any moment leaves either no file or the whole file under the final name, and the
// source intact. A temporary file under its hidden name ".pixbako-XXXXXX-check.tmp" may remain:
// nothing runs after SIGKILL to remove it.
TEST_F(FileTransferFaultTest, KilledMidTransferLeavesNoPartialFile) {
    constexpr std::size_t kSize = 64 * kMiB;
    if (freeBytes(disk.path()) < 4 * kSize)
        GTEST_SKIP() << "not enough free disk space";
    struct Case {
        const char* what;
        FileOperation operation;
        bool fromMemory;
        std::string target;
        std::uint64_t killAt; // bytes of progress
    };
    const Case cases[] = {
        {"copy", FileOperation::Copy, false, "a.jpg", 8 * kMiB},
        {"copy over an old file", FileOperation::Copy, false, "old.jpg", 8 * kMiB},
        {"cross-device move while copying", FileOperation::Move, true, "a.jpg", 8 * kMiB},
        {"cross-device move while reading back", FileOperation::Move, true, "a.jpg",
         kSize + 8 * kMiB},
    };
    FileState old = makeFile(dst("old.jpg"), 1000, 2, kOtherTime);
    FileState source = makeFile(src("big.mov"), kSize, 3);
    if (crossDevice)
        makeFile(memory / "big.mov", kSize, 3);
    SkippedCases skips;
    for (const auto& c : cases) {
        if (c.fromMemory && !crossDevice) {
            skips.add(c.what, kNoCrossDevice);
            continue;
        }
        SCOPED_TRACE(c.what);
        std::string from = c.fromMemory ? memory / "big.mov" : src("big.mov");
        int pipeFds[2];
        ASSERT_EQ(::pipe(pipeFds), 0);
        pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(pipeFds[0]);
            ScriptedDialogs dialogs;
            dialogs.onProgress = [&](std::uint64_t done) {
                if (done >= c.killAt) {
                    [[maybe_unused]] auto put = ::write(pipeFds[1], "k", 1);
                    for (;;)
                        ::pause();
                }
                return true;
            };
            transferFile({c.operation, from, dst(c.target)}, dialogs);
            ::_exit(3); // finished before the kill point: the parent reports it
        }
        ::close(pipeFds[1]);
        struct pollfd ready = {pipeFds[0], POLLIN, 0};
        ASSERT_EQ(::poll(&ready, 1, 60000), 1) << "the transfer never reached the kill point";
        char mark = 0;
        ASSERT_EQ(::read(pipeFds[0], &mark, 1), 1) << "the child ended before the kill point";
        ::close(pipeFds[0]);
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);

        EXPECT_EQ(checkFile(from, source), "");
        EXPECT_EQ(checkFile(dst("old.jpg"), old), "");
        EXPECT_EQ(checkEntries(dst(), {"old.jpg"}, true), "");
        for (auto& entry : entriesOf(dst()))
            if (isTemporaryName(entry))
                ::unlink(dst(entry).c_str());
    }
    if (skips.any())
        GTEST_SKIP() << skips.text();
}

} // namespace
} // namespace pixbako
