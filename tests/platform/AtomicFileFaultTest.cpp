// The atomic file writer under system calls that fail as a broken or failing disk makes them
// fail: the target keeps its old content and no temporary file stays behind.
#include "platform/AtomicFile.h"

#include "FileTransferTestSupport.h"

#include <gtest/gtest.h>
#include <thread>

namespace pixbako {
namespace {

using namespace transfer_test;

class AtomicFileFaultTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.ok());
        ASSERT_TRUE(writeFile(target, "old"));
    }
    // Writes "new" over the target with the given system calls refused, in a child; its
    // findings, or "SKIP: ..." when the machine allows no system call filter.
    std::string writeRefused(const std::vector<Refusal>& refusals, const std::string& failedStep,
                             int expectedError) {
        return inChild([&]() -> std::string {
            ::alarm(3); // a writer that spins ends here, as a failure
            std::string report;
            // A filter binds only the thread that sets it: the child's report still gets out.
            std::thread writer([&] {
                if (!refuseSystemCalls(refusals)) {
                    report = "SKIP: no system call filter here";
                    return;
                }
                AtomicWriteResult result = writeFileAtomically(target, "new");
                if (result.ok || result.error != expectedError ||
                    result.message.rfind(failedStep + ": ", 0) != 0)
                    report = "ok " + std::to_string(result.ok) + ", error " +
                             std::to_string(result.error) + ", message '" + result.message + "'\n";
            });
            writer.join();
            return report;
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

} // namespace
} // namespace pixbako
