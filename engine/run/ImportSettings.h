#pragma once
// The options of an import run as the main window's controls hold them; the run reads them
// once, at its start, after the settings have been saved. Each field names its control.
#include "engine/run/ExtensionChoice.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace pixbako {

struct ImportSettings {
    std::string readInFolder;           // ReadInEdit, as typed
    std::string saveFolder;             // SaveOutEdit, as typed (the run adds the delimiter)
    bool overwriteConfirmation = false; // OverWriteChkBox
    bool copy = false;                  // RedioButtonCOPY checked; otherwise move

    bool dateFolders = false;      // DIRCHKBOX
    std::string folderDatePattern; // DDATEEdit
    std::string folderPrefix;      // DMAEEDIT
    std::string folderSuffix;      // DATOEDIT

    bool rename = false;          // ReNameChkBox
    std::string fileDatePattern;  // FDATEEdit
    std::string filePrefix;       // FMAEEdit
    std::string middleText;       // FATOEdit
    bool numbering = true;        // FNUMCHK
    std::int64_t startNumber = 1; // StartEdit
    bool autoContinue = false;    // FAUTONUM
    int sequenceStyleIndex = -1;  // FNUMCombo item index (-1: no item)
    int extensionCase = 0;        // FTYPECombo: 0 as is, 1 lower case, 2 upper case

    int extensionMode = 0; // TYPERADIO: 0 all files, 1 chosen types
    ExtensionChoice extensions;
    bool includeSubfolders = false; // sUbdirchk1

    // Actions after a run.
    bool writeLog = false;        // LOGSAVECHKBOX
    bool openFolders = false;     // DirOpenChkBox
    bool autoExit = false;        // AutoExitChkBox
    bool startProgram = false;    // RunChkBox
    std::string programPath;      // RunProcEdit
    int programParameterMode = 0; // RUNPARACHK2: 0 none, 1 automatic, 2 given
    std::string programParameter; // RUNPARACHKSTR

    // Extended settings, all off unless chosen.
    bool allFormatDates = false;    // shot dates of RAW, HEIC and movies from their metadata
    bool keepShotsTogether = false; // files of one name (RAW+JPEG, sidecars) as one shot
    // Imports are recorded in the save folder's ledger, and files recorded there are skipped.
    bool ledger = false;

    bool operator==(const ImportSettings&) const = default;
};

// An empty or one-blank date pattern is saved (and shown) as "DDDDD", which formats as the
// empty text; the settings save before every run applies this to both date patterns.
inline std::string datePatternForSave(std::string_view pattern) {
    if (pattern.empty() || pattern == " ")
        return "DDDDD";
    return std::string(pattern);
}

} // namespace pixbako
