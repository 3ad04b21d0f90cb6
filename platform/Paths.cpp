#include "platform/Paths.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace pixbako {
namespace {

std::string currentFolder() {
    std::vector<char> buffer(PATH_MAX);
    while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE)
            return {};
        buffer.resize(buffer.size() * 2);
    }
    return std::string(buffer.data());
}

} // namespace

std::string fullPathName(std::string_view path) {
    if (path.empty())
        return {};
    std::string absolute;
    if (path.front() != '/') {
        absolute = currentFolder();
        if (absolute.empty())
            return {};
        absolute += '/';
    }
    absolute += path;

    std::vector<std::string_view> parts;
    std::string_view rest = absolute;
    while (!rest.empty()) {
        std::size_t slash = rest.find('/');
        std::string_view part = rest.substr(0, slash);
        rest = slash == std::string_view::npos ? std::string_view{} : rest.substr(slash + 1);
        if (part.empty() || part == ".")
            continue;
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
            continue;
        }
        parts.push_back(part);
    }
    std::string out;
    for (std::string_view part : parts) {
        out += '/';
        out += part;
    }
    if (out.empty() || absolute.back() == '/')
        out += '/';
    return out;
}

std::string withTrailingDelimiter(std::string_view path) {
    std::string out(path);
    if (!out.empty() && out.back() != '/')
        out += '/';
    return out;
}

std::string folderLevelsToPath(std::string_view relative) {
    std::string out(relative);
    for (char& c : out)
        if (c == '\\')
            c = '/';
    return out;
}

std::string joinPath(std::string_view folder, std::string_view name) {
    while (!name.empty() && name.front() == '/')
        name.remove_prefix(1);
    if (folder.empty())
        return std::string(name);
    std::string out = withTrailingDelimiter(folder);
    out += name;
    return out;
}

PathParts splitPath(std::string_view path, std::string_view noFolder) {
    const auto slash = path.rfind('/');
    if (slash == std::string_view::npos)
        return {std::string(noFolder), std::string(path)};
    return {slash == 0 ? std::string("/") : std::string(path.substr(0, slash)),
            std::string(path.substr(slash + 1))};
}

std::string fileNameOf(std::string_view path) {
    const auto slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string folderPartOf(std::string_view path) {
    const auto slash = path.rfind('/');
    return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash + 1));
}

bool isExistingFolder(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool fileExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool pathExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::lstat(path.c_str(), &st) == 0;
}

std::optional<FileIdentity> fileIdentity(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0)
        return std::nullopt;
    return FileIdentity{static_cast<std::uint64_t>(st.st_dev),
                        static_cast<std::uint64_t>(st.st_ino)};
}

bool createFolderWithParents(const std::string& path, FolderCreateError* error) {
    auto fail = [error](int errnum, const std::string& folder) {
        if (error)
            *error = {errnum, folder};
        return false;
    };
    std::string full = fullPathName(path);
    if (full.empty())
        return fail(ENOENT, path);
    if (isExistingFolder(full))
        return true;
    // Each level from the top. A level that exists already (or was made meanwhile by someone
    // else) is fine as long as it is a folder; the first level that can't be made is the cause
    // to report, with its own error: later levels would only add "no such file or directory".
    for (std::size_t slash = full.find('/', 1);; slash = full.find('/', slash + 1)) {
        std::string level = full.substr(0, slash);
        if (::mkdir(level.c_str(), 0777) != 0) {
            const int errnum = errno;
            if (!isExistingFolder(level))
                return fail(errnum, level);
        }
        if (slash == std::string::npos || slash + 1 >= full.size())
            break;
    }
    return isExistingFolder(full) || fail(ENOTDIR, full);
}

std::string folderCreateErrorText(const FolderCreateError& error) {
    std::string text = "フォルダを作成できませんでした\r\n";
    text += error.folder;
    text += "\r\nmkdir: ";
    text += std::strerror(error.errnum);
    return text;
}

} // namespace pixbako
