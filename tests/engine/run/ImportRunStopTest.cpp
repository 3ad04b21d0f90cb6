// Stops that come while rows are in flight (a confirmed abort, a termination signal) and a
// process short of descriptors: the rows in flight are settled before the window is idle,
// nothing is shown after the stop, nothing is left half done.
#include "engine/run/ImportRunFixture.h"

#include "platform/FileTransferTestSupport.h"
#include "platform/OpenFileLimit.h"
#include "platform/TerminationSignals.h"

#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace pixbako::test {
namespace {

using transfer_test::inChild;
using transfer_test::kSanitizersNeedDescriptors;

bool skipped(const std::string& report) {
    return report.rfind("SKIP:", 0) == 0;
}

bool hasTemporary(const Strings& files) {
    return std::any_of(files.begin(), files.end(), [](const std::string& file) {
        return file.find(".pixbako-") != std::string::npos;
    });
}

// A card on another disk, moved in selection mode: A on its own day, B and C on one day with
// one name (numbering off), so that C fails when it is finished. Two rows in flight at most:
// A is finished (moved) before C begins, and the stop comes while B and C are in flight.
TEST_F(ImportRunTest, ConfirmedStopWithRowsInFlightSettlesThemBeforeTheWindowGoesIdle) {
    const std::string card = otherDiskFolder();
    if (card.empty())
        GTEST_SKIP() << "/dev/shm is not another file system here";
    std::vector<std::string> files;
    files.push_back(jpeg("A.JPG", "2005:03:11 10:00:00", card));
    for (const char* name : {"B.JPG", "C.JPG", "D.JPG", "E.JPG"})
        files.push_back(jpeg(name, std::string("2005:03:12 10:00:0") + name[0], card));
    ImportSettings& s = window.settings;
    s.numbering = false;
    s.overwriteConfirmation = false;
    window.thumbnails = files;
    window.selected.assign(files.size(), true);
    run.setInFlightLimits({2, kBytesInFlight});
    bool pressed = false;
    window.onProcessEvents = [&pressed](FakeRunWindow& w) {
        if (w.transfers.size() == 3 && !pressed) {
            pressed = true;
            w.run->startOrStopRun(RunSender::Interactive); // answered Yes
            w.run->startOrStopRun(RunSender::Interactive); // a second press asks no more
        }
    };

    Strings savedWhenIdle;
    window.onExecEND = [&] { savedWhenIdle = filesUnder(out); };

    run.startOrStopRun(RunSender::Interactive);

    ASSERT_TRUE(pressed);
    EXPECT_EQ(savedWhenIdle, Strings{"2005_03_11/20050311_.JPG"})
        << "the rows in flight are settled before the window is idle";
    EXPECT_EQ(window.boxTexts(), Strings{"中断しますか"}) << "no box after the stop's question";
    EXPECT_TRUE(window.transferErrors.empty());
    EXPECT_EQ(window.transferResults, std::vector<TransferResult>{kDone})
        << "B and C are abandoned";
    EXPECT_EQ(filesUnder(out), Strings{"2005_03_11/20050311_.JPG"}) << "no temporary file";
    EXPECT_EQ(filesUnder(card), (Strings{"B.JPG", "C.JPG", "D.JPG", "E.JPG"}));
    EXPECT_EQ(window.thumbnails, Strings(files.begin() + 1, files.end()))
        << "the moved file has left the box, the others stay";
    EXPECT_EQ(window.count("enterIdleState"), 1);
    EXPECT_EQ(window.timeline.back(), "enterIdleState")
        << "nothing happens after the window is idle";
    EXPECT_EQ(window.count("complete"), 0);
    EXPECT_FALSE(run.running());
}

// SIGTERM (as from a service manager) in the middle of the copies: the stop path without a
// question, the log of the rows finished, no further run. Runs in a child, whose handlers and
// signal stay there.
TEST_F(ImportRunTest, TerminationSignalStopsTheRunAsAConfirmedStopDoes) {
    window.settings.copy = true;
    window.settings.writeLog = true;
    for (const char* name : {"A.JPG", "B.JPG", "C.JPG", "D.JPG", "E.JPG"})
        jpeg(name, std::string("2005:03:12 10:00:0") + name[0]);
    const std::string sourcesBefore = readBytes(in + "/C.JPG");
    run.setInFlightLimits({2, kBytesInFlight});

    const std::string report = inChild([&]() -> std::string {
        if (!installTerminationHandlers())
            return "SKIP: no signal handlers here";
        window.onProcessEvents = [](FakeRunWindow& w) {
            if (w.transfers.size() == 3 && terminationSignal() == 0)
                ::kill(::getpid(), SIGTERM);
        };
        run.startOrStopRun(RunSender::Interactive);
        std::string seen;
        for (const auto& box : window.boxes)
            seen += "box " + box.text + "\n";
        seen += "results " + std::to_string(window.transferResults.size()) + ", logs";
        for (std::size_t rows : window.stoppedRunLogs)
            seen += " " + std::to_string(rows);
        seen += ", enterIdleState " + std::to_string(window.count("enterIdleState"));
        seen += ", complete " + std::to_string(window.count("complete"));
        seen += ", last " + window.timeline.back();
        run.startOrStopRun(RunSender::Interactive); // no run starts after the signal
        seen += ", then enterRunningState " + std::to_string(window.count("enterRunningState"));
        return seen;
    });

    if (skipped(report))
        GTEST_SKIP() << report;
    // The first row was finished to make room for the third, in whose copy the signal came;
    // the second with it when their flushes ended together (as one batch does).
    const std::string finishedRows = report.substr(0, report.find(','));
    const std::size_t rows = finishedRows == "results 2" ? 2 : 1;
    const std::string n = std::to_string(rows);
    EXPECT_EQ(report, "results " + n + ", logs " + n +
                          ", enterIdleState 1, complete 0, last enterIdleState, then "
                          "enterRunningState 1");
    Strings named = {"2005_03_12/20050312_001.JPG", "2005_03_12/20050312_002.JPG"};
    named.resize(rows);
    EXPECT_EQ(filesUnder(out), named) << "no temporary file";
    EXPECT_EQ(filesUnder(in).size(), 5u);
    EXPECT_EQ(readBytes(in + "/C.JPG"), sourcesBefore);
}

// A signal that comes while the last row's error box is up finds no row left to check: the run
// must still end as a stopped one, with its log and without the completion sequence (no
// folders opened, no program started, no notice that nobody will close).
TEST_F(ImportRunTest, TerminationSignalDuringTheLastRowsErrorBoxStillStopsTheRun) {
    window.settings.copy = true;
    window.settings.writeLog = true;
    for (const char* name : {"A.JPG", "B.JPG", "C.JPG"})
        jpeg(name, std::string("2005:03:12 10:00:0") + name[0]);

    const std::string report = inChild([&]() -> std::string {
        if (!installTerminationHandlers())
            return "SKIP: no signal handlers here";
        // The last source is gone when its turn comes: its transfer shows an error box.
        window.onTransfer = [](const TransferRequest& request,
                               std::size_t number) -> std::optional<TransferResult> {
            if (number == 3)
                std::filesystem::remove(request.source);
            return std::nullopt;
        };
        window.onBox = [](const std::string&) {
            if (terminationSignal() == 0)
                ::kill(::getpid(), SIGTERM);
        };
        run.startOrStopRun(RunSender::Interactive);
        std::string seen = "errors " + std::to_string(window.transferErrors.size()) + ", logs";
        for (std::size_t rows : window.stoppedRunLogs)
            seen += " " + std::to_string(rows);
        seen += ", complete " + std::to_string(window.count("complete"));
        seen += ", reached end " + std::to_string(run.lastReport().reachedEnd);
        seen += ", last " + window.timeline.back();
        return seen;
    });

    if (skipped(report))
        GTEST_SKIP() << report;
    EXPECT_EQ(report, "errors 1, logs 3, complete 0, reached end 0, last enterIdleState");
    EXPECT_EQ(filesUnder(out),
              (Strings{"2005_03_12/20050312_001.JPG", "2005_03_12/20050312_002.JPG"}));
}

// Each transfer in flight holds a few descriptors. Under a low limit every file still arrives,
// and running out of descriptors is never shown as the card's or the disk's fault.
TEST_F(ImportRunTest, FewDescriptorsLeftFailNoFileAndBlameNeitherCardNorDisk) {
    if (kSanitizersNeedDescriptors)
        GTEST_SKIP() << "the sanitizers need descriptors of their own";
    constexpr int kFiles = 40;
    window.settings.copy = true;
    window.settings.dateFolders = false;
    for (int i = 0; i < kFiles; ++i)
        plain("F" + std::to_string(100 + i) + ".JPG", 1'110'621'600 + i);
    struct Case {
        const char* what;
        std::size_t freeAtStart; // descriptors left when the run starts
        long usedUpWhenBegun;    // when this many transfers have begun (-1: never), only
        std::size_t leftThen;    // this many descriptors are left
        bool allArrive;
    };
    const Case cases[] = {
        {"a low limit from the start", 60, -1, 0, true},
        {"descriptors used up with rows in flight", 200, 2, 1, true},
        {"no descriptor left at all", 200, 0, 0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove_all(out);
        const std::string report = inChild([&]() -> std::string {
            rlimit limit{};
            ::getrlimit(RLIMIT_NOFILE, &limit);
            limit.rlim_cur = std::min<rlim_t>(limit.rlim_max, 1024);
            ::setrlimit(RLIMIT_NOFILE, &limit);
            limit.rlim_cur = (1024 - openFilesLeft()) + c.freeAtStart;
            if (::setrlimit(RLIMIT_NOFILE, &limit) != 0)
                return "SKIP: can't lower the descriptor limit";
            bool usedUp = false;
            window.onProcessEvents = [&](FakeRunWindow& w) {
                // Only in the transfer stage, which sets the progress range.
                if (usedUp || w.progressMaximum <= 0 ||
                    static_cast<long>(w.transfers.size()) != c.usedUpWhenBegun)
                    return;
                usedUp = true;
                while (openFilesLeft() > c.leftThen)
                    if (::open("/dev/null", O_RDONLY | O_CLOEXEC) < 0)
                        break;
            };
            run.startOrStopRun(RunSender::Interactive);
            std::string seen = std::to_string(window.transferErrors.size()) + " errors";
            // Within the limit no begin has to be tried twice.
            if (c.usedUpWhenBegun < 0)
                seen += ", " + std::to_string(window.transfers.size()) + " begins";
            for (const std::string& text : window.transferErrors)
                if (text.find("元のファイルを読み込めません") != std::string::npos ||
                    text.find("保存先に書き込めません") != std::string::npos)
                    return "blamed the card or the disk: " + text;
                else if (text.find("同時に開けるファイルの数の上限に達しました") ==
                         std::string::npos)
                    return "another text: " + text;
            return seen;
        });
        if (skipped(report))
            GTEST_SKIP() << report;
        if (c.allArrive) {
            EXPECT_EQ(report, c.usedUpWhenBegun < 0 ? "0 errors, 40 begins" : "0 errors");
            EXPECT_EQ(filesUnder(out).size(), static_cast<std::size_t>(kFiles));
        } else {
            EXPECT_EQ(report.rfind("blamed", 0), std::string::npos) << report;
            EXPECT_NE(report, "0 errors");
            EXPECT_FALSE(hasTemporary(filesUnder(out)));
        }
        EXPECT_EQ(filesUnder(in).size(), static_cast<std::size_t>(kFiles));
    }
}

} // namespace
} // namespace pixbako::test
