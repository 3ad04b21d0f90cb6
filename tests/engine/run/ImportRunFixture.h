#pragma once
// Shared set-up of the import-run tests: a read-in folder and a save folder in a fresh
// temporary folder, a fake window whose settings point at them, and small helpers to make
// pictures and to look at what a run left on disk.
#include "engine/run/ImportRun.h"
#include "engine/run/RunAbort.h"
#include "support/FakeRunWindow.h"
#include "support/JpegBuilder.h"
#include "support/TempFolder.h"
#include "support/TestFiles.h"

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

namespace pixbako::test {

class ImportRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        runAbortFlag() = false;

        in = tmp.path() + "/in";
        out = tmp.path() + "/out";
        std::filesystem::create_directory(in);
        window.run = &run;
        ImportSettings& s = window.settings;
        s.readInFolder = in;
        s.saveFolder = out;
        s.dateFolders = true;
        s.folderDatePattern = "yyyy_mm_dd";
        s.rename = true;
        s.fileDatePattern = "yyyymmdd";
        s.middleText = "_";
        s.numbering = true;
        s.sequenceStyleIndex = 1; // "xxx"
        s.startNumber = 1;
    }
    void TearDown() override { runAbortFlag() = false; }

    // A camera picture with DateTimeOriginal "yyyy:mm:dd hh:nn:ss".
    std::string jpeg(const std::string& name, const std::string& date,
                     const std::string& folder = {}) {
        std::string path = (folder.empty() ? in : folder) + "/" + name;
        writeTestFile(path, cameraJpeg(date));
        return path;
    }
    // A file without EXIF data; its shot date is its last-write time (UTC here).
    std::string plain(const std::string& name, std::int64_t unixSeconds = 1'110'621'600,
                      const std::string& folder = {}) {
        std::string path = (folder.empty() ? in : folder) + "/" + name;
        writeTestFile(path, "not a picture " + name, UnixTime{unixSeconds, 0});
        return path;
    }

    // Every file below a folder as a sorted relative path.
    static std::vector<std::string> filesUnder(const std::string& folder) {
        std::vector<std::string> files;
        std::error_code ec;
        for (auto it = std::filesystem::recursive_directory_iterator(folder, ec);
             !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
            if (it->is_regular_file())
                files.push_back(std::filesystem::relative(it->path(), folder).string());
        std::sort(files.begin(), files.end());
        return files;
    }

    static std::string readBytes(const std::string& path) { return readFileBytes(path); }

    // One column of rows 1..n.
    std::vector<std::string> column(std::size_t c) const {
        std::vector<std::string> cells;
        for (std::size_t r = 1; r < run.list().size(); ++r)
            cells.push_back(run.list()[r][c]);
        return cells;
    }

    TempFolder tmp;
    std::string in;
    std::string out;
    FakeRunWindow window;
    ImportRun run{window};

private:
    // Non-EXIF files take their date from the file time in local time.
    ScopedTimeZone zone_{"UTC"};
};

using Strings = std::vector<std::string>;

} // namespace pixbako::test
