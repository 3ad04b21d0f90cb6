#include "platform/SmallTextFile.h"

#include "platform/IniFile.h"
#include "support/ControllingTerminal.h"
#include "support/TempFolder.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pixbako {
namespace {

constexpr off_t kGiB = off_t{1} << 30;

// A file of `size` bytes that occupies no disk space.
bool makeSparseFile(const std::string& path, off_t size) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    bool ok = ::ftruncate(fd, size) == 0;
    return ::close(fd) == 0 && ok;
}

TEST(SmallTextFile, ReadsUpToTheLimitAndRefusesOneByteMore) {
    TempFolder folder;
    struct Case {
        std::size_t size;
        int error;
    };
    const Case cases[] = {{0, 0}, {1, 0}, {9, 0}, {10, 0}, {11, EFBIG}, {200000, EFBIG}};
    for (const auto& c : cases) {
        const std::string path = folder.path() + "/f" + std::to_string(c.size);
        const std::string bytes(c.size, 'x');
        std::ofstream(path, std::ios::binary) << bytes;
        SmallTextFileRead read = readSmallTextFile(path, 10);
        EXPECT_EQ(read.error, c.error) << c.size;
        EXPECT_EQ(read.bytes, c.error == 0 ? bytes : "") << c.size;
    }
}

TEST(SmallTextFile, AnythingButAPlainFileIsAnError) {
    TempFolder folder;
    const std::string fifo = folder.path() + "/fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::filesystem::create_directory(folder.path() + "/dir");
    EXPECT_EQ(readSmallTextFile(folder.path() + "/missing").error, ENOENT);
    EXPECT_EQ(readSmallTextFile(folder.path() + "/dir").error, EISDIR);
    EXPECT_EQ(readSmallTextFile(fifo).error, EINVAL); // with no writer: must not block
}

TEST(SmallTextFile, TerminalUnderTheFileNameDoesNotBecomeTheControllingTerminal) {
    std::string report = test::controllingTerminalAfter([](const std::string& path) {
        IniFile ini(path, IniDialect::Profile);
        if (ini.loadStatus() != IniFile::LoadStatus::Failed)
            ::_exit(3);
    });
    if (report.rfind("SKIP:", 0) == 0)
        GTEST_SKIP() << report;
    EXPECT_EQ(report, "");
}

// A 1 GiB settings or counter file was read whole: seconds and gigabytes for every read.
TEST(SmallTextFile, GigabyteFileIsRefusedAfterReadingOnlyTheLimit) {
    TempFolder folder;
    const std::string path = folder.path() + "/PXBK";
    ASSERT_TRUE(makeSparseFile(path, kGiB));
    EXPECT_EQ(readSmallTextFile(path).error, EFBIG);

    IniFile ini(path, IniDialect::Profile);
    EXPECT_EQ(ini.loadStatus(), IniFile::LoadStatus::Failed);
    EXPECT_EQ(ini.loadError(), EFBIG);
    EXPECT_EQ(getPrivateProfileString("AUTONUM", "LASTNUM", "-", path), "-");
    // A file that couldn't be read is not replaced by one with only the written key.
    EXPECT_FALSE(writePrivateProfileString("AUTONUM", "LASTNUM", "1", path).ok);
    EXPECT_EQ(std::filesystem::file_size(path), static_cast<std::uintmax_t>(kGiB));

    // The limit itself is still read.
    ASSERT_TRUE(makeSparseFile(path, static_cast<off_t>(kSmallTextFileLimit)));
    EXPECT_EQ(IniFile(path, IniDialect::Profile).loadStatus(), IniFile::LoadStatus::Loaded);
}

} // namespace
} // namespace pixbako
