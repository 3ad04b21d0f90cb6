#pragma once
// One file of an import run as the run plans, names and transfers it. A run keeps its files
// in a std::vector<PlannedFile>, in the order they are transferred; the window's list view
// shows them and the actions after the run read them.
//
// The text forms that the user sees and that files hold (the 14-digit time stamp, folder
// levels joined by "\") are made by the functions below, only where they are shown or written.
#include "engine/shotdate/ShotDate.h"
#include "platform/DateTime.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace pixbako {

// What became of a file's transfer; Pending until its transfer ended (also when it was
// abandoned by a stop). AlreadyImported: the save folder's ledger knows its bytes, so it was
// not transferred and stays where it is.
enum class FileOutcome { Pending, Transferred, Skipped, Failed, AlreadyImported };

// The new name shown and logged for a file imported before.
inline constexpr const char* kAlreadyImportedName = "取込済み";

struct PlannedFile {
    // The folder that held the file: with its trailing "/" when a folder was read in, without
    // it when the file was selected on the file-selection tab.
    std::string sourceFolder;
    std::string name;      // the file's name with its extension, as found
    std::string extension; // with its dot, case converted
    LocalDateTime shotDate;
    // The new folder's levels under the save folder; none: the save folder itself.
    std::vector<std::string> newFolderLevels;
    std::string newName; // given when the run names its files
    FileOutcome outcome = FileOutcome::Pending;
    // Files of one shot (kept together by the run's option) share this number and follow each
    // other in the list; every other file has a number of its own.
    std::size_t shot = 0;
    ShotDateSource shotDateSource = ShotDateSource::FileTime; // where the shot date came from

    bool operator==(const PlannedFile&) const = default;
};

// The time stamp: fourteen digits of year, month, day, hour (24-hour clock), minute and
// second. Files with the same stamp keep their order when the run sorts them.
std::string stampText(const LocalDateTime& date);

// The levels of a new folder with "\" between them, as the list view and the log show them.
std::string folderLevelsText(const std::vector<std::string>& levels);

// The levels of a folder name made by the date pattern, in which "\" separates levels. The
// empty name has none; every other name gives back its text through folderLevelsText.
std::vector<std::string> folderLevelsOf(std::string_view text);

// The levels as a relative path on the disk, "/" between them.
std::string folderLevelsPath(const std::vector<std::string>& levels);

} // namespace pixbako
