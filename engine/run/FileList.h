#pragma once
// The processed-file list: the import run's working table and its report. Row 0 holds the
// headings; every further row is one file of the run. The run fills it (plan, then names),
// the window shows it, and the post-run actions read it.
#include <array>
#include <cstddef>
#include <string>
#include <vector>

namespace pixbako {

enum FileListColumn : std::size_t {
    kOldNameColumn = 0,      // the file's name with its extension, as found
    kNewFolderColumn = 1,    // relative to the save folder; "\" separates folder levels
    kTimeStampColumn = 2,    // the shot date as 14 digits (hidden in the view)
    kNewNameColumn = 3,      // filled when names are given
    kExtensionColumn = 4,    // with its dot, case converted
    kSourceFolderColumn = 5, // the folder that held the file (hidden in the view)
};
inline constexpr std::size_t kFileListColumns = 6;

struct FileListRow {
    std::array<std::string, kFileListColumns> cells;

    std::string& operator[](std::size_t column) { return cells[column]; }
    const std::string& operator[](std::size_t column) const { return cells[column]; }
    bool operator==(const FileListRow&) const = default;
};

using FileList = std::vector<FileListRow>;

inline FileListRow fileListHeadings() {
    return {{"旧ファイル名", "新フォルダ名", "タイムスタンプ", "新ファイル名", "拡張子",
             "読込みフォルダ"}};
}

// A list holding only its heading row.
inline FileList emptyFileList() {
    return {fileListHeadings()};
}

// The number of file rows (the heading row not counted).
inline std::size_t fileRowCount(const FileList& list) {
    return list.empty() ? 0 : list.size() - 1;
}

// A cell; rows and columns beyond the list read as empty texts.
inline const std::string& cellText(const FileList& list, std::size_t row, std::size_t column) {
    static const std::string empty;
    if (row >= list.size() || column >= kFileListColumns)
        return empty;
    return list[row][column];
}

} // namespace pixbako
