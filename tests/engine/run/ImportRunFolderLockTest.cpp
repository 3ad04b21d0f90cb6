// Two runs into one folder at the same time (two windows, or a command-line run beside the
// window) must never both continue from the same counter: the second run stops before it
// touches a counter file or a picture, and a folder held by a process that was killed is free.
#include "engine/run/ImportRunFixture.h"

#include "engine/run/CounterFile.h"
#include "platform/FileTransferTestSupport.h"
#include "platform/FolderLock.h"
#include "support/RunningProgram.h"

#include <csignal>
#include <memory>
#include <sys/wait.h>
#include <unistd.h>

namespace pixbako::test {
namespace {

// Another process that holds the lock of some folders until it is killed with SIGKILL.
class LockHolder {
public:
    explicit LockHolder(const std::vector<std::string>& folders) {
        int ready[2];
        if (::pipe(ready) != 0)
            return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(ready[0]);
            FolderLocks locks = lockFolders(folders);
            const char mark = locks.busy ? 'b' : 'r';
            [[maybe_unused]] auto put = ::write(ready[1], &mark, 1);
            for (;;)
                ::pause();
        }
        ::close(ready[1]);
        char mark = 0;
        if (pid_ > 0 && ::read(ready[0], &mark, 1) == 1)
            holding_ = mark == 'r';
        ::close(ready[0]);
    }
    ~LockHolder() { kill(); }
    LockHolder(const LockHolder&) = delete;
    LockHolder& operator=(const LockHolder&) = delete;

    bool holding() const { return holding_; }
    // kill -9: nothing of the holder runs any more, no clean-up of its own.
    void kill() {
        if (pid_ <= 0)
            return;
        ::kill(pid_, SIGKILL);
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
    }

private:
    pid_t pid_ = -1;
    bool holding_ = false;
};

std::string inUseText(const std::string& folder) {
    return "保存先のフォルダは別の処理で使用中です\r\n" + folder + "\r\n処理を中止します";
}

TEST_F(ImportRunTest, FolderHeldByAnotherProcessStopsTheRunUntilThatProcessIsKilled) {
    ImportSettings& s = window.settings;
    s.autoContinue = true;
    jpeg("A.JPG", "2005:03:12 10:00:00");
    jpeg("B.JPG", "2005:03:13 10:00:00");
    const std::string held = out + "/2005_03_13";
    std::filesystem::create_directories(held);
    const std::string counter = held + "/PXBK";
    ASSERT_TRUE(writeCounterFile(counter, {2, 1, "yyyymmdd", "", "_"}).ok);
    const std::string counterBefore = readBytes(counter);
    LockHolder holder({held});
    ASSERT_TRUE(holder.holding());

    run.startOrStopRun(RunSender::Interactive);

    EXPECT_EQ(window.boxTexts(), Strings{inUseText(held)});
    ASSERT_EQ(window.boxes.size(), 1u);
    EXPECT_EQ(window.boxes[0].icon, BoxIcon::Error);
    EXPECT_EQ(window.beeps, std::vector<BeepKind>{BeepKind::Hand});
    EXPECT_TRUE(window.transfers.empty());
    EXPECT_EQ(filesUnder(in), (Strings{"A.JPG", "B.JPG"}));
    EXPECT_EQ(readBytes(counter), counterBefore);
    EXPECT_FALSE(std::filesystem::exists(out + "/2005_03_12/PXBK"))
        << "no counter of the run is written, not even for a folder that was free";
    EXPECT_EQ(window.count("enterIdleState"), 1);
    EXPECT_EQ(window.count("complete"), 0);
    EXPECT_FALSE(run.running());

    holder.kill();
    window.boxes.clear();
    window.beeps.clear();
    run.startOrStopRun(RunSender::Interactive);

    EXPECT_TRUE(window.boxes.empty());
    EXPECT_EQ(column(Column::NewName), (Strings{"20050312_001.JPG", "20050313_003.JPG"}));
    EXPECT_EQ(window.transferResults, (std::vector<TransferResult>{kDone, kDone}));
    EXPECT_EQ(window.count("complete"), 1);
}

// A run that waits in a dialog holds its folders: a second process's run into the same save
// folder, or into one of the first run's date folders as its own save folder, stops at once.
// Once the first run has ended, the folders are free again.
TEST_F(ImportRunTest, RunWaitingInADialogKeepsASecondProcessOutOfItsFolders) {
    struct Case {
        const char* what;
        std::string saveFolder;
        bool dateFolders;
        std::string heldFolder; // as the message names it
    };
    const Case cases[] = {
        {"same save folder", out, true, out + "/2005_03_12"},
        {"a date folder of the first run as save folder", out + "/2005_03_12", false,
         out + "/2005_03_12"},
    };
    window.settings.autoContinue = true;
    const std::string otherCard = tmp.path() + "/card2";
    std::filesystem::create_directories(otherCard);
    const std::string counter = out + "/2005_03_12/PXBK";

    int number = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        jpeg("X.JPG", "2005:03:12 09:00:00", otherCard);
        jpeg("A" + std::to_string(number++) + ".JPG", "2005:03:12 10:00:00");
        const std::int64_t before = readCounterFile(counter).record.lastNumber;
        auto secondRun = [&]() -> std::string {
            FakeRunWindow w;
            w.settings = window.settings;
            w.settings.readInFolder = otherCard;
            w.settings.saveFolder = c.saveFolder;
            w.settings.dateFolders = c.dateFolders;
            ImportRun second(w);
            second.startOrStopRun(RunSender::Interactive);
            std::string report;
            for (const auto& text : w.boxTexts())
                report += text + "|";
            return report + std::to_string(w.transfers.size()) + " transfers";
        };
        std::string whileHeld;
        window.onTransfer = [&](const TransferRequest&,
                                std::size_t) -> std::optional<TransferResult> {
            whileHeld = transfer_test::inChild(secondRun);
            return std::nullopt;
        };

        run.startOrStopRun(RunSender::Interactive);

        EXPECT_EQ(whileHeld, inUseText(c.heldFolder) + "|0 transfers");
        EXPECT_EQ(filesUnder(otherCard), Strings{"X.JPG"});
        EXPECT_EQ(readCounterFile(counter).record.lastNumber, before + 1);

        window.onTransfer = nullptr;
        EXPECT_EQ(secondRun(), "1 transfers") << "free once the first run has ended";
        EXPECT_EQ(readCounterFile(counter).record.lastNumber, before + 2);
    }
}

// Programs started while the run holds its folders (from a transfer, or as the run
// completes) go on running after it; the folders are free all the same.
TEST_F(ImportRunTest, ProgramsStartedDuringTheRunDoNotKeepItsFoldersLocked) {
    jpeg("A.JPG", "2005:03:12 10:00:00");
    std::vector<std::unique_ptr<RunningProgram>> programs;
    auto start = [&] {
        programs.push_back(std::make_unique<RunningProgram>());
        ASSERT_TRUE(programs.back()->started());
    };
    window.onTransfer = [&](const TransferRequest&, std::size_t) -> std::optional<TransferResult> {
        start();
        return std::nullopt;
    };
    window.onCompletion = start;

    run.startOrStopRun(RunSender::Interactive);

    ASSERT_EQ(window.count("complete"), 1);
    EXPECT_EQ(programs.size(), 2u);
    const std::string folder = out + "/2005_03_12";
    EXPECT_EQ(lockFolders({out, folder}).busy, std::nullopt);
}

} // namespace
} // namespace pixbako::test
