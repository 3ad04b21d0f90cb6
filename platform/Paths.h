#pragma once
// Path texts and simple questions about the file system. Paths are byte strings: the bytes of
// a name found on disk are kept as they are, even when they are not valid UTF-8.
#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace pixbako {

// The absolute, normalised form of a path: relative paths start from the current folder,
// "." and ".." are resolved textually (".." at the root stays at the root) and runs of "/"
// become one. A trailing "/" is kept (except after "." or ".."). Empty when `path` is empty
// or the current folder can't be determined.
std::string fullPathName(std::string_view path);

// `path` with a "/" at its end; empty stays empty (an empty save folder must not become "/").
std::string withTrailingDelimiter(std::string_view path);

// A relative folder of the processed-file list, where "\" separates the folder levels, as a
// path on disk. A "\" byte never occurs inside a multi-byte UTF-8 character, so bytewise
// replacement is safe.
std::string folderLevelsToPath(std::string_view relative);

// `folder` and `name` with exactly one "/" between them; an empty folder gives `name`.
std::string joinPath(std::string_view folder, std::string_view name);

// A path cut at its last "/": the folder without that "/" (the root stays "/") and the name
// after it. A path without any "/" gets `noFolder` as its folder: "" keeps the text as given,
// "." names the current folder for opening it.
struct PathParts {
    std::string folder;
    std::string name;
};
PathParts splitPath(std::string_view path, std::string_view noFolder);

// The name after the last "/"; the whole path when it has none.
std::string fileNameOf(std::string_view path);

// The folder with its "/": everything up to and including the last "/"; empty when there is
// none.
std::string folderPartOf(std::string_view path);

// A folder, or a symbolic link to one.
bool isExistingFolder(const std::string& path);

// A file that is not a folder (after following symbolic links), like the Windows question.
bool fileExists(const std::string& path);

// Anything at all under that name, including a dangling symbolic link: the question to ask
// before writing to a name that must not replace anything.
bool pathExists(const std::string& path);

// What makes a file or folder the same one under different names (links, bind mounts).
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    auto operator<=>(const FileIdentity&) const = default;
};

// The identity of what `path` names, after following symbolic links; nullopt when it can't be
// examined.
std::optional<FileIdentity> fileIdentity(const std::string& path);

// Why a folder could not be created: the system's error number of the step that failed and
// the folder level it was creating (or the folder itself).
struct FolderCreateError {
    int errnum = 0;
    std::string folder;
};

// Creates the folder and every missing parent; true when the folder exists afterwards. On
// failure `error`, when given, tells which level failed and why.
bool createFolderWithParents(const std::string& path, FolderCreateError* error = nullptr);

// The Japanese text of a failed folder creation, lines separated by "\r\n": a first line, the
// folder and the system's error text.
std::string folderCreateErrorText(const FolderCreateError& error);

} // namespace pixbako
