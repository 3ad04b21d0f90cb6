// The open-file limit: raised to the hard limit at start, and the count of descriptors left
// that bounds a run's transfers in flight.
#include "platform/OpenFileLimit.h"

#include "FileTransferTestSupport.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

namespace pixbako {
namespace {

using transfer_test::inChild;

TEST(OpenFileLimit, SoftLimitIsRaisedToTheHardOneAndDescriptorsLeftFollowIt) {
    const std::string report = inChild([]() -> std::string {
        rlimit limit{};
        ::getrlimit(RLIMIT_NOFILE, &limit);
        if (limit.rlim_max < 256)
            return "SKIP: hard limit too low here";
        limit.rlim_cur = 128;
        if (::setrlimit(RLIMIT_NOFILE, &limit) != 0)
            return "SKIP: can't lower the limit";
        std::string seen;
        const std::size_t left = openFilesLeft();
        const int fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
        if (openFilesLeft() != left - 1)
            seen += "an open descriptor is not counted\n";
        ::close(fd);
        raiseOpenFileLimit();
        rlimit raised{};
        ::getrlimit(RLIMIT_NOFILE, &raised);
        if (raised.rlim_cur != limit.rlim_max)
            seen += "soft limit " + std::to_string(raised.rlim_cur) + "\n";
        if (raised.rlim_cur != RLIM_INFINITY && openFilesLeft() != left + (raised.rlim_cur - 128))
            seen += "descriptors left don't follow the limit\n";
        return seen;
    });
    if (report.rfind("SKIP:", 0) == 0)
        GTEST_SKIP() << report;
    EXPECT_EQ(report, "");
}

} // namespace
} // namespace pixbako
