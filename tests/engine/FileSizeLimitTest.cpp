// Programs started under a file-size limit (`ulimit -f`): a write past it raises SIGXFSZ,
// whose default action ends the program at once. Each program entry ignores the signal, so
// that such a write is an ordinary failed write.
#include "support/JpegBuilder.h"
#include "support/TempFolder.h"

#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace pixbako {
namespace {

TEST(FileSizeLimit, ProbeWhoseOutputGoesPastTheLimitIsNotKilled) {
    TempFolder folder;
    const std::string jpg = folder.path() + "/a.jpg";
    const std::string output = folder.path() + "/out.txt";
    test::writeTestFile(jpg, test::cameraJpeg("2004:05:06 12:34:56"));
    constexpr rlim_t kLimit = 8; // the probe's line is longer

    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // As a shell starts it: the signal at its default, whatever this test program did.
        ::signal(SIGXFSZ, SIG_DFL);
        struct rlimit limit = {kLimit, kLimit};
        int fd = ::open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0 || ::setrlimit(RLIMIT_FSIZE, &limit) != 0 || ::dup2(fd, STDOUT_FILENO) < 0)
            ::_exit(125);
        ::execl(PIXBAKO_PROBE_PATH, "pixbako-probe", jpg.c_str(), static_cast<char*>(nullptr));
        ::_exit(126);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);

    EXPECT_FALSE(WIFSIGNALED(status)) << "ended by " << ::strsignal(WTERMSIG(status));
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_LT(WEXITSTATUS(status), 125) << "the child could not start the probe";
    EXPECT_LE(std::filesystem::file_size(output), kLimit);
}

} // namespace
} // namespace pixbako
