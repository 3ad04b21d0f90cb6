#pragma once
// A fresh folder under $TMPDIR (or /tmp, or a given folder) for one test, removed with everything
// in it at the end, also when a test left a sub-folder without permissions.
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace pixbako {

class TempFolder {
public:
    // Under `base`, when given.
    explicit TempFolder(const std::string& base = {}) {
        const char* tmpdir = std::getenv("TMPDIR");
        std::string root = !base.empty() ? base : tmpdir && *tmpdir ? tmpdir : "/tmp";
        std::string pattern = root + "/pixbako-XXXXXX";
        if (char* made = ::mkdtemp(pattern.data()))
            path_ = made;
    }
    ~TempFolder() {
        if (path_.empty())
            return;
        std::error_code ec;
        namespace fs = std::filesystem;
        for (auto it = fs::recursive_directory_iterator(
                 path_, fs::directory_options::skip_permission_denied, ec);
             !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
            if (it->is_directory(ec) && !it->is_symlink(ec))
                fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
        }
        fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(path_, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return path_; }

private:
    std::string path_;
};

} // namespace pixbako
