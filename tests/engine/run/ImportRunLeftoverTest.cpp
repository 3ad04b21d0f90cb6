// What a crashed run left behind: never imported from the card, removed from the folders a
// run writes into; and the report that the program's exit status comes from.
#include "engine/run/ImportRunFixture.h"

#include "platform/TemporaryName.h"

#include <sys/wait.h>
#include <unistd.h>

namespace pixbako::test {
namespace {

pid_t endedProcess() {
    pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    ::waitpid(child, nullptr, 0);
    return child;
}

TEST_F(ImportRunTest, CrashLeftoversOnTheCardAreNeverImported) {
    window.settings.dateFolders = false;
    window.settings.rename = false;
    jpeg("A.JPG", "2005:03:12 10:00:00");
    plain(".pixbako-Ab3xZ9.tmp");
    plain(".PXBK.tmp123-0");
    run.startOrStopRun(RunSender::Interactive);
    EXPECT_EQ(column(Column::OldName), Strings{"A.JPG"});
    // They stay where they are: a run reading from a folder deletes nothing there.
    EXPECT_EQ(filesUnder(in), (Strings{".PXBK.tmp123-0", ".pixbako-Ab3xZ9.tmp"}));
}

TEST_F(ImportRunTest, StaleLeftoversInTheDestinationAreRemovedOthersKept) {
    jpeg("A.JPG", "2005:03:12 10:00:00");
    const std::string dateFolder = out + "/2005_03_12";
    std::filesystem::create_directories(dateFolder);
    const unsigned char random[6] = {1, 2, 3, 4, 5, 6};
    const auto dead = static_cast<std::uint64_t>(endedProcess());
    for (const std::string& name :
         Strings{transferTemporaryName(random), writerTemporaryName("PXBK", dead, 1), "other.tmp",
                 ".pixbako-x.tmp.bak", ".pixbako-backup.tmp"})
        writeTestFile(dateFolder + "/" + name, "old");
    run.startOrStopRun(RunSender::Interactive);
    EXPECT_EQ(filesUnder(out),
              (Strings{"2005_03_12/.pixbako-backup.tmp", "2005_03_12/.pixbako-x.tmp.bak",
                       "2005_03_12/20050312_001.JPG", "2005_03_12/other.tmp"}));
}

TEST_F(ImportRunTest, ReportSaysWhetherEveryFileWasTransferred) {
    window.settings.dateFolders = false;
    window.settings.rename = false;
    window.settings.overwriteConfirmation = true;
    jpeg("A.JPG", "2005:03:12 10:00:00");
    jpeg("B.JPG", "2005:03:12 10:00:01");
    run.startOrStopRun(RunSender::Interactive);
    EXPECT_TRUE(run.lastReport().reachedEnd);
    EXPECT_TRUE(run.lastReport().allTransferred());

    // Copies of the same files again: declining one replacement leaves it untransferred.
    window.settings.copy = true;
    jpeg("A.JPG", "2005:03:12 10:00:00");
    jpeg("B.JPG", "2005:03:12 10:00:01");
    window.overwriteAnswers = {OverwriteAnswer::No, OverwriteAnswer::Yes};
    run.startOrStopRun(RunSender::Interactive);
    EXPECT_TRUE(run.lastReport().reachedEnd);
    EXPECT_EQ(run.lastReport().failedTransfers, 1u);
    EXPECT_FALSE(run.lastReport().allTransferred());

    // A stopped run never reached its end.
    window.settings.saveFolder.clear();
    run.startOrStopRun(RunSender::Interactive);
    EXPECT_FALSE(run.lastReport().reachedEnd);
    EXPECT_FALSE(run.lastReport().allTransferred());
}

} // namespace
} // namespace pixbako::test
