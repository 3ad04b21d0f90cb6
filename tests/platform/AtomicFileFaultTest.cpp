// The atomic file writer under system calls that fail as a broken or failing disk makes them
// fail: the target keeps its old content and no temporary file stays behind.
#include "platform/AtomicFile.h"
#include "platform/Leftovers.h"

#include "FileTransferTestSupport.h"

#include <gtest/gtest.h>
#include <pthread.h>

namespace pixbako {
namespace {

using namespace transfer_test;

// One atomic write of "new" over `target` with system calls refused. Runs on a thread of its
// own: a filter binds only the thread that sets it, so the child's report still gets out. A
// plain thread function, because the sanitizers test memory by writing it to a pipe, which a
// refused write() defeats: no virtual call (std::thread's) may follow the filter.
struct RefusedWrite {
    std::vector<Refusal> refusals;
    std::string target;
    std::string failedStep;
    int expectedError;
    std::string report;

    static void* run(void* self) {
        auto* job = static_cast<RefusedWrite*>(self);
        if (!refuseSystemCalls(job->refusals)) {
            job->report = "SKIP: no system call filter here";
            return nullptr;
        }
        AtomicWriteResult result = writeFileAtomically(job->target, "new");
        if (result.ok || result.error != job->expectedError ||
            result.message.rfind(job->failedStep + ": ", 0) != 0)
            job->report = "ok " + std::to_string(result.ok) + ", error " +
                          std::to_string(result.error) + ", message '" + result.message + "'\n";
        return nullptr;
    }
};

class AtomicFileFaultTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.ok());
        ASSERT_TRUE(writeFile(target, "old"));
    }
    // The findings of a refused write in a child, or "SKIP: ..." when the machine allows no
    // system call filter.
    std::string writeRefused(const std::vector<Refusal>& refusals, const std::string& failedStep,
                             int expectedError) {
        return inChild([&]() -> std::string {
            ::alarm(3); // a writer that spins ends here, as a failure
            RefusedWrite job{refusals, target, failedStep, expectedError, {}};
            pthread_t writer;
            if (::pthread_create(&writer, nullptr, &RefusedWrite::run, &job) != 0)
                return "pthread_create failed\n";
            ::pthread_join(writer, nullptr);
            return job.report;
        });
    }
    void expectOldContentOnly(const std::string& report) {
        if (report.rfind("SKIP:", 0) == 0)
            GTEST_SKIP() << report;
        EXPECT_EQ(report, "");
        EXPECT_TRUE(sameBytes(target, "old"));
        EXPECT_EQ(entriesOf(folder.path()), std::vector<std::string>{"PXBK"});
    }

    ScratchFolder folder{std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp"};
    std::string target = folder / "PXBK";
};

// write() answering 0 (a broken FUSE file system can) made the writer loop forever.
TEST_F(AtomicFileFaultTest, WriteThatWritesNothingIsAnErrorNotAnEndlessLoop) {
    expectOldContentOnly(writeRefused({{SYS_write, 0}}, "write", EIO));
}

// Nothing shows whether the new content was flushed before the rename, except a crash; but a
// failing flush must fail the write and leave the old content in place.
TEST_F(AtomicFileFaultTest, RefusedFlushFailsTheWriteAndKeepsTheOldContent) {
    expectOldContentOnly(writeRefused({{SYS_fsync, EIO}, {SYS_fdatasync, EIO}}, "fsync", EIO));
}

// A writer that can neither rename nor remove its temporary file leaves it as a crash would;
// once the writer has ended, the clean-up of leftovers knows it for the program's own.
TEST_F(AtomicFileFaultTest, TemporaryLeftByAWriterThatEndedIsRemovedByTheCleanUp) {
    const std::string report = writeRefused(
        {
#ifdef SYS_rename
            {SYS_rename, EIO},
#endif
#ifdef SYS_unlink
            {SYS_unlink, EIO},
#endif
            {SYS_renameat, EIO},
            {SYS_renameat2, EIO},
            {SYS_unlinkat, EIO}},
        "rename", EIO);
    if (report.rfind("SKIP:", 0) == 0)
        GTEST_SKIP() << report;
    EXPECT_EQ(report, "");
    const std::vector<std::string> left = entriesOf(folder.path());
    ASSERT_EQ(left.size(), 2u); // sorted: the temporary's leading dot comes first
    EXPECT_EQ(left[1], "PXBK");
    EXPECT_EQ(removeStaleLeftovers(folder.path()), std::vector<std::string>{left[0]});
    EXPECT_EQ(entriesOf(folder.path()), std::vector<std::string>{"PXBK"});
    EXPECT_TRUE(sameBytes(target, "old"));
}

} // namespace
} // namespace pixbako
