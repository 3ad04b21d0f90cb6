// The locale's date texts a run is given: shot dates are read and names formatted with them.
#include "engine/run/ImportRunFixture.h"

namespace pixbako::test {
namespace {

// Names used to come from one record shared by the whole program; a run formats with the one
// it was made with, and its "tt" gives the time stamp's "hhnnss" once the files are stamped.
TEST_F(ImportRunTest, NamesAreFormattedWithTheDateTextsTheRunWasGiven) {
    DateTextSettings english = japaneseDateTextSettings();
    english.shortMonthNames[2] = "Mar";
    english.longTimeForm = "h:mm:ss"; // the locale's, never seen by a run
    ImportRun englishRun(window, english);
    window.run = &englishRun;
    jpeg("IMG_0001.JPG", "2005:03:12 10:00:02");
    jpeg("IMG_0002.JPG", "2005:03:12 09:00:00");
    window.settings.folderDatePattern = "yyyy_mmm";
    window.settings.fileDatePattern = "yyyymmdd\"_\"tt";

    englishRun.startOrStopRun(RunSender::Interactive);

    std::vector<std::string> folders;
    std::vector<std::string> names;
    for (const PlannedFile& row : englishRun.list()) {
        folders.push_back(folderLevelsText(row.newFolderLevels));
        names.push_back(row.newName);
    }
    EXPECT_EQ(folders, (Strings{"2005_Mar", "2005_Mar"}));
    EXPECT_EQ(names, (Strings{"20050312_090000_001.JPG", "20050312_100002_002.JPG"}));
    EXPECT_EQ(filesUnder(out),
              (Strings{"2005_Mar/20050312_090000_001.JPG", "2005_Mar/20050312_100002_002.JPG"}));
}

} // namespace
} // namespace pixbako::test
