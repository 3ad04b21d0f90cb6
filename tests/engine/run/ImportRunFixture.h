#pragma once
// Shared set-up of the import-run tests: a read-in folder and a save folder in a fresh
// temporary folder, a fake window whose settings point at them, and small helpers to make
// pictures and to look at what a run left on disk.
//
// The everyday import moves from a card to a disk, another file system. With
// PIXBAKO_TEST_CARD_ROOT naming a folder on another file system (ctest runs these tests a
// second time with /dev/shm), the read-in folder lies there; a test skips, saying so, where
// that folder is on the save folder's file system.
#include "engine/run/ImportRun.h"
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
#include <memory>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace pixbako::test {

// The columns of the processed-file list as the window shows them.
enum class Column { OldName, NewFolder, TimeStamp, NewName, Extension, SourceFolder };

inline std::string cell(const PlannedFile& row, Column column) {
    switch (column) {
    case Column::OldName:
        return row.name;
    case Column::NewFolder:
        return folderLevelsText(row.newFolderLevels);
    case Column::TimeStamp:
        return stampText(row.shotDate);
    case Column::NewName:
        return row.newName;
    case Column::Extension:
        return row.extension;
    case Column::SourceFolder:
        return row.sourceFolder;
    }
    return {};
}

class ImportRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        in = tmp.path() + "/in";
        if (const char* root = std::getenv("PIXBAKO_TEST_CARD_ROOT"); root && *root) {
            card_ = std::make_unique<TempFolder>(root);
            if (card_->path().empty() || sameDevice(card_->path(), tmp.path()))
                GTEST_SKIP() << root << " is not another file system than " << tmp.path();
            in = card_->path() + "/in";
        }
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

    static bool sameDevice(const std::string& a, const std::string& b) {
        struct stat sa {};
        struct stat sb {};
        return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev;
    }

    // A fresh folder on another file system than the save folder (tmpfs), for a card that a
    // move has to copy from; empty where /dev/shm is no other file system here.
    std::string otherDiskFolder() {
        otherDisk_.push_back(std::make_unique<TempFolder>("/dev/shm"));
        const std::string& path = otherDisk_.back()->path();
        return path.empty() || sameDevice(path, tmp.path()) ? std::string() : path;
    }

    // One column of every row.
    std::vector<std::string> column(Column c) const {
        std::vector<std::string> cells;
        for (const PlannedFile& row : run.list())
            cells.push_back(cell(row, c));
        return cells;
    }

    TempFolder tmp;
    std::string in;
    std::string out;
    FakeRunWindow window;
    ImportRun run{window};

private:
    std::unique_ptr<TempFolder> card_;
    std::vector<std::unique_ptr<TempFolder>> otherDisk_;
    // Non-EXIF files take their date from the file time in local time.
    ScopedTimeZone zone_{"UTC"};
};

using Strings = std::vector<std::string>;

} // namespace pixbako::test
