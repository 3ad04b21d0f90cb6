// Runs over the files chosen in the thumbnail box: no scan, no filter, no sorting.
#include "engine/run/ImportRunFixture.h"

#include "engine/run/CounterFile.h"

namespace pixbako::test {
namespace {

TEST_F(ImportRunTest, SelectionModeTakesTheSelectedFilesInBoxOrder) {
    std::string a = jpeg("a.JPG", "2005:03:12 12:00:00");
    std::string b = jpeg("b.JPG", "2005:03:12 09:00:00"); // earlier, but keeps its place
    std::string thm = plain("c.THM");
    std::string kept = jpeg("d.JPG", "2005:03:12 08:00:00");
    std::string counter = plain("PXBK"); // never imported, in this mode either
    window.thumbnails = {a, b, thm, kept, counter};
    window.selected = {true, true, true, false, true};
    window.page = 1; // the box decides the mode, whatever tab is active
    window.settings.readInFolder = tmp.path() + "/not scanned";
    window.settings.extensionMode = 1; // chosen types don't apply to chosen files
    window.settings.extensions.JPG = true;
    window.settings.dateFolders = false;

    run.startOrStopRun(RunSender::Interactive);

    EXPECT_EQ(column(Column::OldName), (Strings{"a.JPG", "b.JPG", "c.THM"}));
    EXPECT_EQ(column(Column::NewName),
              (Strings{"20050312_001.JPG", "20050312_002.JPG", "20050312_003.THM"}));
    EXPECT_EQ(column(Column::SourceFolder), (Strings{in, in, in}));
    EXPECT_EQ(window.transfers[0].source, a);
    EXPECT_EQ(filesUnder(in), (Strings{"PXBK", "d.JPG"}));
    // Moved files are gone from the box; the others stay.
    EXPECT_EQ(window.thumbnails, (Strings{kept, counter}));
    EXPECT_EQ(window.selected, (std::vector<bool>{false, true}));
}

TEST_F(ImportRunTest, SelectionModeGroupsAFolderThatComesBackAsANewGroup) {
    struct Case {
        bool autoContinue;
        Strings names;
    };
    const Case cases[] = {
        {true, {"20050312_001.JPG", "20050313_001.JPG", "20050312_002.JPG"}},
        {false, {"20050312_001.JPG", "20050313_001.JPG", "20050312_001.JPG"}},
    };
    for (const auto& c : cases) {
        TempFolder folder;
        FakeRunWindow w;
        w.settings = window.settings;
        w.settings.saveFolder = folder.path() + "/out";
        w.settings.autoContinue = c.autoContinue;
        w.settings.copy = true;
        std::string source = folder.path() + "/card";
        std::filesystem::create_directory(source);
        w.thumbnails = {jpeg("1.JPG", "2005:03:12 10:00:00", source),
                        jpeg("2.JPG", "2005:03:13 10:00:00", source),
                        jpeg("3.JPG", "2005:03:12 11:00:00", source)};
        w.selected = {true, true, true};
        ImportRun probe(w);
        probe.startOrStopRun(RunSender::Interactive);

        Strings names;
        for (std::size_t r = 0; r < probe.list().size(); ++r)
            names.push_back(cell(probe.list()[r], Column::NewName));
        EXPECT_EQ(names, c.names) << c.autoContinue;
        // Without auto-continue the third file meets the first one's name: the run never
        // replaces a file it has written, so that copy fails and is reported.
        EXPECT_EQ(w.transferErrors.size(), c.autoContinue ? 0u : 1u);
        const std::string counter = w.settings.saveFolder + "/2005_03_12/PXBK";
        EXPECT_EQ(readCounterFile(counter).record.lastNumber, c.autoContinue ? 2 : 0);
        EXPECT_EQ(w.thumbnails.size(), 3u) << "copies leave the box as it was";
    }
}

} // namespace
} // namespace pixbako::test
