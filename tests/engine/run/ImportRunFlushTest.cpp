// A copy's new name reaches the disk only with its folder's flush. The run flushes every
// folder that it copied into, once, before it reports anything, however it ends; and a folder
// the disk refuses to flush is an error, never a completion. The flushes are watched (and
// refused) in a forked child.
#include "engine/run/ImportRunFixture.h"

#include "platform/FileTransferTestSupport.h"

#include <cerrno>

namespace pixbako::test {
namespace {

using transfer_test::FolderFlushWatch;
using transfer_test::inChild;

bool skipped(const std::string& report) {
    return report.rfind("SKIP:", 0) == 0;
}

TEST_F(ImportRunTest, CopiesAreFlushedOncePerFolderBeforeTheRunReportsHoweverItEnds) {
    struct Case {
        const char* what;
        std::function<void(FakeRunWindow&)> script;
        int flushes12; // of 2005_03_12, which gets two copies
        int flushes13; // of 2005_03_13, which gets the third
        bool completes;
    };
    const Case cases[] = {
        {"completed", [](FakeRunWindow&) {}, 1, 1, true},
        {"cancelled at the third file",
         [](FakeRunWindow& w) {
             w.onProgress = [](std::size_t transfer) { return transfer != 3; };
         },
         1, 0, false},
        {"window closed during the third copy",
         [](FakeRunWindow& w) {
             w.onProgress = [&w](std::size_t transfer) {
                 if (transfer == 3)
                     w.run->requestClose();
                 return true;
             };
         },
         1, 0, false},
    };
    window.settings.copy = true;
    // One copy in flight: the first two are finished before the third begins.
    run.setInFlightLimits({1, kBytesInFlight});
    jpeg("A.JPG", "2005:03:12 10:00:00");
    jpeg("B.JPG", "2005:03:12 11:00:00");
    jpeg("C.JPG", "2005:03:13 10:00:00");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string report = inChild([&]() -> std::string {
            FolderFlushWatch watch;
            if (!watch.start({}, 0))
                return "SKIP: no system call listener here";
            c.script(window);
            std::string atCompletion = "no completion";
            window.onCompletion = [&] {
                atCompletion = std::to_string(watch.count(out + "/2005_03_12")) + " " +
                               std::to_string(watch.count(out + "/2005_03_13"));
            };
            run.startOrStopRun(RunSender::Interactive);
            const std::string atEnd = std::to_string(watch.count(out + "/2005_03_12")) + " " +
                                      std::to_string(watch.count(out + "/2005_03_13"));
            return atEnd + ", " + atCompletion;
        });
        if (skipped(report))
            GTEST_SKIP() << report;
        const std::string counts = std::to_string(c.flushes12) + " " + std::to_string(c.flushes13);
        EXPECT_EQ(report, counts + ", " + (c.completes ? counts : "no completion"));
        std::filesystem::remove_all(out);
    }
}

TEST_F(ImportRunTest, FolderTheDiskRefusesToFlushIsAnErrorInsteadOfACompletion) {
    window.settings.copy = true;
    // One copy in flight: the first two are finished before the third begins.
    run.setInFlightLimits({1, kBytesInFlight});
    jpeg("A.JPG", "2005:03:12 10:00:00");
    jpeg("B.JPG", "2005:03:13 10:00:00");
    const std::string refused = out + "/2005_03_13";
    std::filesystem::create_directories(refused);

    std::string report = inChild([&]() -> std::string {
        FolderFlushWatch watch;
        if (!watch.start({refused}, EIO))
            return "SKIP: no system call listener here";
        run.startOrStopRun(RunSender::Interactive);
        std::string seen;
        for (const auto& box : window.boxes)
            seen += box.text + (box.icon == BoxIcon::Error ? " (error)" : " (other)") + "\n";
        seen += std::to_string(window.beeps.size()) + " beeps, " +
                std::to_string(window.count("complete")) + " completions, " +
                std::to_string(window.count("enterIdleState")) + " enterIdleState";
        return seen;
    });

    if (skipped(report))
        GTEST_SKIP() << report;
    EXPECT_EQ(report,
              "ファイルをコピーできません\r\n保存先のディスクへの書き込みを完了できません\r\n"
              "(EIO)\r\n" +
                  refused + " (error)\n1 beeps, 0 completions, 1 enterIdleState");
}

} // namespace
} // namespace pixbako::test
