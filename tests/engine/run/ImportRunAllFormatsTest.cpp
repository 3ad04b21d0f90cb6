// The run reads the shot dates of RAW pictures and movies only when the all-formats option is on.
#include "engine/run/ImportRunFixture.h"

#include <filesystem>
#include <fstream>
#include <sstream>

namespace pixbako::test {
namespace {

std::string sample(const std::string& name) {
    std::ifstream file(std::string(PIXBAKO_SAMPLES_DIR) + "/" + name, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

TEST_F(ImportRunTest, RawAndMovieDatesNameTheFilesOnlyWithTheOption) {
    const struct {
        bool allFormats;
        Strings names;
    } cases[] = {
        {false, {"20050312_001.CR2", "20050313_002.AVI"}}, // file times
        {true, {"20030310_001.AVI", "20050803_002.CR2"}},  // the dates their cameras wrote
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.allFormats);
        std::filesystem::remove_all(out);
        writeTestFile(in + "/IMG_0001.CR2", sample("CanonRaw.cr2"), UnixTime{1'110'621'600, 0});
        writeTestFile(in + "/MVI_0002.AVI", sample("RIFF.avi"), UnixTime{1'110'708'000, 0});
        window.settings.allFormatDates = c.allFormats;
        window.settings.dateFolders = false;

        run.startOrStopRun(RunSender::Interactive);

        EXPECT_EQ(filesUnder(out), c.names);
    }
}

} // namespace
} // namespace pixbako::test
