// Transfers in two halves, several at once: the faults of a run whose files are copied while
// the flushes of earlier ones are still running. No file may get its final name before its
// flush has succeeded, whatever fails or whenever the process dies.
#include "platform/FileTransfer.h"

#include "FileTransferTestSupport.h"

#include <csignal>
#include <cstdlib>
#include <deque>
#include <gtest/gtest.h>
#include <optional>
#include <poll.h>
#include <random>

namespace pixbako {
namespace {

using namespace transfer_test;

constexpr std::size_t kMiB = 1 << 20;

// Runs the requests the way the import run does: begun while earlier ones are in flight,
// finished in order, together where their flushes are over. Returns the results;
// `afterFinish(i)` runs when file i is finished.
std::vector<TransferResult> runInFlight(const std::vector<TransferRequest>& requests,
                                        ITransferDialogs& dialogs,
                                        const std::function<void(std::size_t)>& afterFinish = {}) {
    std::vector<TransferResult> results;
    std::deque<TransferInFlight> pending;
    auto finishFirst = [&] {
        std::vector<TransferInFlight*> transfers;
        for (TransferInFlight& transfer : pending)
            transfers.push_back(&transfer);
        const std::size_t finished = finishTogether(
            transfers, false, [] { return false; },
            [&](std::size_t, TransferResult result) {
                results.push_back(result);
                if (afterFinish)
                    afterFinish(results.size() - 1);
            });
        pending.erase(pending.begin(), pending.begin() + static_cast<long>(finished));
    };
    for (const auto& request : requests) {
        while (!pending.empty() &&
               (pending.size() >= kTransfersInFlight || !pending.back().overlaps()))
            finishFirst();
        pending.push_back(beginTransfer(request, dialogs));
    }
    while (!pending.empty())
        finishFirst();
    return results;
}

class FileTransferInFlightTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(disk.ok());
        ASSERT_EQ(::mkdir(src().c_str(), 0777), 0);
        ASSERT_EQ(::mkdir(dst().c_str(), 0777), 0);
        crossDevice = memory.ok() && memory.device() != disk.device();
    }
    std::string src(const std::string& name = {}) const {
        return disk / (name.empty() ? "src" : "src/" + name);
    }
    std::string dst(const std::string& name = {}) const {
        return disk / (name.empty() ? "dst" : "dst/" + name);
    }
    static std::string fileName(std::size_t i) {
        return "IMG_" + std::to_string(1000 + i) + ".JPG";
    }

    // A run of files of these sizes, killed (SIGKILL) where the case says: while file
    // `killAtCopyOf` is copied (its first progress), right after file `killAfterFinishOf` is
    // finished, or after `delayMs` milliseconds. Afterwards every source is intact or moved
    // whole, every final name holds the whole file with its time, the names given before the
    // kill point stay, and only hidden temporary files may remain.
    struct KillCase {
        const char* what;
        bool move;
        long killAtCopyOf;
        long killAfterFinishOf;
        int delayMs;
    };
    void killRun(const KillCase& c, const std::vector<std::size_t>& sizes);

    ScratchFolder disk{std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp"};
    ScratchFolder memory{"/dev/shm"}; // tmpfs: another file system than the disk
    bool crossDevice = false;
};

void FileTransferInFlightTest::killRun(const KillCase& c, const std::vector<std::size_t>& sizes) {
    SCOPED_TRACE(std::string(c.what) + " " + std::to_string(c.delayMs) + " ms");
    const std::string from = c.move ? memory.path() : src();
    std::vector<FileState> sources;
    std::vector<TransferRequest> requests;
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        sources.push_back(makeFile(from + "/" + fileName(i), sizes[i], unsigned(i)));
        requests.push_back({c.move ? FileOperation::Move : FileOperation::Copy,
                            from + "/" + fileName(i), dst(fileName(i)), false, false});
    }
    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(pipeFds[0]);
        auto signalAndWait = [&] {
            [[maybe_unused]] auto put = ::write(pipeFds[1], "k", 1);
            for (;;)
                ::pause();
        };
        struct Starts : ScriptedDialogs {
            long started = -1;
            std::function<void(long)> onStart;
            void progressStart(const std::string& s, std::uint64_t b) override {
                ScriptedDialogs::progressStart(s, b);
                onStart(++started);
            }
        } counting;
        counting.onStart = [&](long i) {
            if (i == c.killAtCopyOf)
                signalAndWait();
        };
        runInFlight(requests, counting, [&](std::size_t i) {
            if (static_cast<long>(i) == c.killAfterFinishOf)
                signalAndWait();
        });
        ::_exit(3);
    }
    ::close(pipeFds[1]);
    struct pollfd ready = {pipeFds[0], POLLIN, 0};
    const int seen = ::poll(&ready, 1, c.delayMs > 0 ? c.delayMs : 60000);
    if (c.delayMs == 0) {
        ASSERT_EQ(seen, 1) << "the run never reached the kill point";
    }
    ::close(pipeFds[0]);
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);

    std::size_t named = 0;
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        const std::string source = from + "/" + fileName(i);
        const std::string copy = dst(fileName(i));
        if (present(copy)) {
            ++named;
            EXPECT_EQ(checkFile(copy, sources[i]), "") << "a named file is incomplete";
        }
        if (!c.move || present(source))
            EXPECT_EQ(checkFile(source, sources[i]), "");
        else
            EXPECT_TRUE(present(copy)) << source << " deleted before its copy was named";
    }
    if (c.killAfterFinishOf >= 0) {
        EXPECT_GE(named, static_cast<std::size_t>(c.killAfterFinishOf + 1));
    }
    for (auto& entry : entriesOf(dst())) {
        EXPECT_TRUE(isTemporaryName(entry) || entry.rfind("IMG_", 0) == 0) << entry;
        ::unlink(dst(entry).c_str());
    }
    for (auto& entry : entriesOf(from))
        ::unlink((from + "/" + entry).c_str());
}

constexpr const char* kNoCrossDevice = "/dev/shm is not another file system here";

// Cases of a table that couldn't be set up here; the test then ends as skipped, naming them.
class SkippedCases {
public:
    void add(const std::string& what, const std::string& why) { text_ += what + ": " + why + "\n"; }
    bool any() const { return !text_.empty(); }
    const std::string& text() const { return text_; }

private:
    std::string text_;
};

// SIGKILL while files are in flight (some named, some flushing, one being copied) leaves every
// source intact or moved whole, and under every final name the whole file with its time. Only
// hidden temporary files may remain.
TEST_F(FileTransferInFlightTest, KilledWithFilesInFlightLeavesNoIncompleteNamedFile) {
    constexpr std::size_t kFiles = 8;
    std::vector<std::size_t> sizes;
    for (std::size_t i = 0; i < kFiles; ++i)
        sizes.push_back(kMiB / 2 + 4096 * i);
    std::mt19937 random(20261208);
    std::vector<KillCase> cases = {
        {"copy: while the first file is copied", false, 0, -1, 0},
        {"copy: with files in flight", false, 5, -1, 0},
        {"copy: between two finishes", false, -1, 4, 0},
        {"move: with files in flight", true, 5, -1, 0},
        {"move: between two finishes", true, -1, 4, 0},
    };
    for (int i = 0; i < 2; ++i) {
        int delay = 1 + static_cast<int>(random() % 60);
        cases.push_back({"copy: at a random moment", false, -1, -1, delay});
        cases.push_back({"move: at a random moment", true, -1, -1, delay});
    }
    SkippedCases skips;
    for (const auto& c : cases) {
        if (c.move && !crossDevice)
            skips.add(c.what, kNoCrossDevice);
        else
            killRun(c, sizes);
    }
    if (skips.any())
        GTEST_SKIP() << skips.text();
}

// A flush the disk refuses, now on the helper thread, still fails every file it refused: no
// file is named, nothing is left behind, the sources stay.
TEST_F(FileTransferInFlightTest, RefusedFlushOnTheHelperThreadNamesNoFile) {
    std::vector<FileState> sources;
    std::vector<TransferRequest> requests;
    for (std::size_t i = 0; i < 4; ++i) {
        sources.push_back(makeFile(src(fileName(i)), kMiB, unsigned(i)));
        requests.push_back({FileOperation::Copy, src(fileName(i)), dst(fileName(i))});
    }
    std::string report = inChild([&]() -> std::string {
        if (!refuseSystemCalls({{SYS_fsync, EIO}}))
            return "SKIP: no system call filter here";
        ScriptedDialogs dialogs;
        std::vector<TransferResult> results = runInFlight(requests, dialogs);
        std::string problems;
        for (TransferResult result : results)
            if (result != code(TransferError::FlushFailed))
                problems += "result " + describe(result) + "\n";
        if (dialogs.errors.size() != requests.size())
            problems += std::to_string(dialogs.errors.size()) + " error boxes\n";
        return problems;
    });
    if (report.rfind("SKIP:", 0) == 0)
        GTEST_SKIP() << report;
    EXPECT_EQ(report, "");
    for (std::size_t i = 0; i < sources.size(); ++i)
        EXPECT_EQ(checkFile(src(fileName(i)), sources[i]), "");
    EXPECT_EQ(checkEntries(dst(), {}), "");
}

// What happens between the two halves: a name taken meanwhile, a source changed or removed,
// a transfer given up. None may lose a file or name an incomplete one.
TEST_F(FileTransferInFlightTest, ChangesWhileInFlightLoseNothing) {
    const FileState taker{"someone else's file", kOtherTime};
    struct Case {
        const char* what;
        bool move;
        std::function<void(const std::string& source, const std::string& target)> meanwhile;
        bool finish;
        bool mayReplace;
        TransferResult expected;
        bool copyNamed;   // the destination holds the copy afterwards
        bool takerKept;   // the destination holds the taker's file afterwards
        bool sourceStays; // the source is where it was, unchanged
        std::optional<TransferResult> alsoExpected = std::nullopt; // as good, by timing
    };
    auto takeName = [&](const std::string&, const std::string& target) {
        writeFile(target, taker.bytes);
        setTimes(target, taker.mtime);
    };
    auto appendToSource = [](const std::string& source, const std::string&) {
        int fd = ::open(source.c_str(), O_WRONLY | O_APPEND);
        [[maybe_unused]] auto put = ::write(fd, "x", 1);
        ::close(fd);
    };
    auto nothing = [](const std::string&, const std::string&) {};
    const TransferResult exists = code(TransferError::DestinationExists);
    const TransferResult changed = code(TransferError::SourceChanged);
    const Case cases[] = {
        {"name taken, the run keeps it", false, takeName, true, false, exists, false, true, true},
        {"name taken, may be replaced", false, takeName, true, true, kDone, true, false, true},
        {"move: name taken, the run keeps it", true, takeName, true, false, exists, false, true,
         true},
        {"source appended to", false, appendToSource, true, true, changed, false, false, false},
        // The read-back may see the appended byte before the last look at the source does.
        {"move: source appended to", true, appendToSource, true, true, changed, false, false, false,
         code(TransferError::VerifyFailed)},
        {"given up", false, nothing, false, true, kDone, false, false, true},
        {"move: given up", true, nothing, false, true, kDone, false, false, true},
    };
    SkippedCases skips;
    for (const auto& c : cases) {
        if (c.move && !crossDevice) {
            skips.add(c.what, kNoCrossDevice);
            continue;
        }
        SCOPED_TRACE(c.what);
        const std::string source = (c.move ? memory.path() : src()) + "/a.jpg";
        const std::string target = dst("a.jpg");
        FileState state = makeFile(source, 2 * kMiB, 7);
        ScriptedDialogs dialogs;
        {
            TransferInFlight transfer = beginTransfer(
                {c.move ? FileOperation::Move : FileOperation::Copy, source, target}, dialogs);
            EXPECT_TRUE(transfer.overlaps());
            EXPECT_FALSE(present(target)) << "named before it was finished";
            c.meanwhile(source, target);
            if (c.finish) {
                const TransferResult result = transfer.finish(c.mayReplace);
                EXPECT_TRUE(result == c.expected || result == c.alsoExpected) << describe(result);
            }
        }
        if (c.copyNamed) {
            EXPECT_EQ(checkFile(target, state), "");
        }
        if (c.takerKept) {
            EXPECT_EQ(checkFile(target, taker), "");
        }
        if (c.sourceStays)
            EXPECT_EQ(checkFile(source, state), "");
        else
            EXPECT_TRUE(present(source)) << "a changed source is never deleted";
        EXPECT_EQ(checkEntries(dst(), c.copyNamed || c.takerKept ? std::vector<std::string>{"a.jpg"}
                                                                 : std::vector<std::string>{}),
                  "")
            << "a temporary file was left behind";
        ::unlink(target.c_str());
        ::unlink(source.c_str());
    }
    if (skips.any())
        GTEST_SKIP() << skips.text();
}

// A move on one disk and a transfer onto an existing name don't overlap: nothing at all
// happens before finish(), so a later file can't overtake them and a question comes in order.
TEST_F(FileTransferInFlightTest, TransfersThatCantOverlapWaitForTheirFinish) {
    struct Case {
        const char* what;
        FileOperation operation;
        bool existing;
    };
    const Case cases[] = {
        {"move on one disk", FileOperation::Move, false},
        {"copy onto an existing name", FileOperation::Copy, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FileState state = makeFile(src("a.jpg"), 1000, 3);
        FileState old = makeFile(dst("a.jpg"), 10, 4, kOtherTime);
        if (!c.existing)
            ::unlink(dst("a.jpg").c_str());
        ScriptedDialogs dialogs;
        dialogs.answers = {OverwriteAnswer::Yes};
        TransferRequest request{c.operation, src("a.jpg"), dst("a.jpg"), true};
        TransferInFlight transfer = beginTransfer(request, dialogs);
        EXPECT_FALSE(transfer.overlaps());
        EXPECT_TRUE(dialogs.questions.empty()) << "asked before the earlier files were finished";
        EXPECT_EQ(checkFile(src("a.jpg"), state), "");
        if (c.existing)
            EXPECT_EQ(checkFile(dst("a.jpg"), old), "");
        else
            EXPECT_FALSE(present(dst("a.jpg")));
        EXPECT_EQ(transfer.finish(true), kDone);
        EXPECT_EQ(checkFile(dst("a.jpg"), state), "");
        EXPECT_EQ(dialogs.questions.size(), c.existing ? 1u : 0u);
        ::unlink(dst("a.jpg").c_str());
        ::unlink(src("a.jpg").c_str());
    }
}

// Small files are flushed in batches: SIGKILL while a batch is filled, while it is flushed, or
// between the namings of its files leaves every source intact (or moved whole) and under every
// final name the whole file with its time; names already given stay.
TEST_F(FileTransferInFlightTest, KilledInTheMiddleOfABatchLeavesNoIncompleteNamedFile) {
    constexpr std::size_t kFiles = 40;
    std::vector<std::size_t> sizes;
    for (std::size_t i = 0; i < kFiles; ++i)
        sizes.push_back(4096 + 512 * i);
    std::vector<KillCase> cases = {
        {"copy: while a batch is filled", false, 9, -1, 0},
        {"copy: while the first batch is flushed and the next filled", false, 36, -1, 0},
        {"copy: between the namings of one batch", false, -1, 5, 0},
        {"move: between the namings of one batch", true, -1, 5, 0},
    };
    std::mt19937 random(20261209);
    for (int i = 0; i < 3; ++i)
        cases.push_back(
            {"copy: at a random moment", false, -1, -1, 1 + static_cast<int>(random() % 40)});
    for (const auto& c : cases)
        if (!c.move || crossDevice) // the move case needs /dev/shm on another file system
            killRun(c, sizes);
}

// Copies flushed together still fail one by one: a source written to while its copy waits for
// the flush fails that copy alone, with its own error in its place, and the others are named.
TEST_F(FileTransferInFlightTest, ChangedSourceInABatchFailsOnlyItsOwnCopy) {
    constexpr std::size_t kFiles = 6;
    std::vector<FileState> sources;
    std::vector<TransferInFlight> transfers;
    ScriptedDialogs dialogs;
    for (std::size_t i = 0; i < kFiles; ++i) {
        sources.push_back(makeFile(src(fileName(i)), 8192, unsigned(i)));
        transfers.push_back(
            beginTransfer({FileOperation::Copy, src(fileName(i)), dst(fileName(i))}, dialogs));
        ASSERT_TRUE(transfers.back().overlaps());
    }
    // Nothing has waited for the batch yet: these changes come before its flush.
    for (std::size_t changed : {1, 4})
        ASSERT_TRUE(writeFile(src(fileName(changed)), "rewritten"));
    std::vector<std::string> expectedNames;
    std::vector<std::string> errorFiles;
    for (std::size_t i = 0; i < kFiles; ++i) {
        const bool changed = i == 1 || i == 4;
        EXPECT_EQ(transfers[i].finish(true), changed ? code(TransferError::SourceChanged) : kDone)
            << i;
        if (changed) {
            errorFiles.push_back(src(fileName(i)));
            continue;
        }
        expectedNames.push_back(fileName(i));
        EXPECT_EQ(checkFile(dst(fileName(i)), sources[i]), "");
    }
    std::vector<std::string> shown;
    for (const auto& error : dialogs.errors)
        shown.push_back(error.first);
    EXPECT_EQ(shown, errorFiles) << "one error per failed copy, in order";
    EXPECT_EQ(checkEntries(dst(), expectedNames), "") << "a temporary file was left behind";
}

// Moves finished together share their folders' flushes but still end one by one: a source
// replaced while its copy waited fails that move alone and stays, a name
// someone took meanwhile ends the group before it and is asked about first thing in the next, and
// results, errors and questions come in the order of the files.
TEST_F(FileTransferInFlightTest, MovesFinishedTogetherStillEndOneByOne) {
    if (!crossDevice)
        GTEST_SKIP() << kNoCrossDevice;
    struct Recording : ScriptedDialogs {
        std::vector<std::string> events;
        OverwriteAnswer askOverwrite(const std::string& destination) override {
            events.push_back("asked " + destination);
            return ScriptedDialogs::askOverwrite(destination);
        }
        void showError(const std::string& file, const std::string& reason) override {
            events.push_back("error " + file.substr(file.rfind('/') + 1));
            ScriptedDialogs::showError(file, reason);
        }
    } dialogs;
    dialogs.answers = {OverwriteAnswer::Yes};
    constexpr std::size_t kFiles = 6;
    constexpr std::size_t kRewritten = 1;
    constexpr std::size_t kTaken = 4;
    auto source = [&](std::size_t i) { return memory.path() + "/" + fileName(i); };
    std::vector<FileState> sources;
    std::deque<TransferInFlight> transfers;
    for (std::size_t i = 0; i < kFiles; ++i) {
        sources.push_back(makeFile(source(i), 8192, unsigned(i)));
        transfers.push_back(
            beginTransfer({FileOperation::Move, source(i), dst(fileName(i)), true, true}, dialogs));
        ASSERT_TRUE(transfers.back().overlaps());
    }
    // Another file under the source's name: the copy is sound, the source must stay.
    const std::string replacement = memory.path() + "/replacement";
    ASSERT_TRUE(writeFile(replacement, "rewritten"));
    ASSERT_EQ(::rename(replacement.c_str(), source(kRewritten).c_str()), 0);
    makeFile(dst(fileName(kTaken)), 100, 99, kOtherTime);

    std::vector<TransferResult> results;
    std::vector<std::size_t> together;
    while (!transfers.empty()) {
        std::vector<TransferInFlight*> pointers;
        for (TransferInFlight& transfer : transfers)
            pointers.push_back(&transfer);
        const std::size_t base = results.size();
        const std::size_t finished = finishTogether(
            pointers, true, [] { return false; },
            [&](std::size_t i, TransferResult result) {
                EXPECT_EQ(i, results.size() - base);
                results.push_back(result);
                dialogs.events.push_back("finished " + std::to_string(results.size() - 1));
            });
        together.push_back(finished);
        transfers.erase(transfers.begin(), transfers.begin() + static_cast<long>(finished));
    }
    EXPECT_LE(together.front(), kTaken) << "a group went past a name taken meanwhile";
    ASSERT_EQ(results.size(), kFiles);
    std::vector<std::string> expected;
    std::vector<std::string> names;
    for (std::size_t i = 0; i < kFiles; ++i) {
        SCOPED_TRACE(i);
        if (i == kRewritten) {
            EXPECT_EQ(results[i], code(TransferError::SourceChanged));
            EXPECT_TRUE(sameBytes(source(i), "rewritten"));
            expected.push_back("error " + fileName(i));
        } else {
            EXPECT_EQ(results[i], kDone);
            EXPECT_FALSE(present(source(i)));
        }
        // The replaced source's copy is named when its flush came before the replacement.
        if (i != kRewritten || present(dst(fileName(i)))) {
            EXPECT_EQ(checkFile(dst(fileName(i)), sources[i]), "");
            names.push_back(fileName(i));
        }
        if (i == kTaken)
            expected.push_back("asked " + dst(fileName(i)));
        expected.push_back("finished " + std::to_string(i));
    }
    EXPECT_EQ(dialogs.events, expected);
    EXPECT_EQ(checkEntries(dst(), names), "") << "a temporary file was left behind";
}

// A stop asked for while a group is finished names no file after the first: the others are
// left to be dropped, which removes their copies, and nothing more is shown.
TEST_F(FileTransferInFlightTest, StopNamesNothingAfterTheFirstOfAGroup) {
    ScriptedDialogs dialogs;
    std::vector<FileState> sources;
    std::vector<TransferInFlight> transfers;
    for (std::size_t i = 0; i < 4; ++i) {
        sources.push_back(makeFile(src(fileName(i)), 4096, unsigned(i)));
        transfers.push_back(
            beginTransfer({FileOperation::Copy, src(fileName(i)), dst(fileName(i))}, dialogs));
    }
    ASSERT_TRUE(writeFile(src(fileName(0)), "rewritten")); // fails, but is not shown
    std::vector<TransferInFlight*> pointers;
    for (TransferInFlight& transfer : transfers)
        pointers.push_back(&transfer);
    std::vector<TransferResult> results;
    EXPECT_EQ(finishTogether(
                  pointers, true, [] { return true; },
                  [&](std::size_t, TransferResult result) { results.push_back(result); }),
              1u);
    transfers.clear();
    EXPECT_EQ(results, std::vector<TransferResult>{code(TransferError::SourceChanged)});
    EXPECT_TRUE(dialogs.errors.empty());
    EXPECT_EQ(checkEntries(dst(), {}), "");
    for (std::size_t i = 1; i < sources.size(); ++i)
        EXPECT_EQ(checkFile(src(fileName(i)), sources[i]), "");
}

} // namespace
} // namespace pixbako
