#pragma once
// The owner of an open directory stream (DIR*): closes it when it goes. A stream made from a
// descriptor takes that descriptor over, so the UniqueFd gives it up only when the stream
// exists.
#include "platform/UniqueFd.h"

#include <dirent.h>
#include <memory>

namespace pixbako {

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};

class UniqueDir {
public:
    UniqueDir() = default;
    explicit UniqueDir(DIR* dir) : dir_(dir) {}

    // Opens the folder by name; an empty owner (errno set) when it can't.
    static UniqueDir open(const char* folder) { return UniqueDir(::opendir(folder)); }
    // Reads the folder behind `fd`; on success the stream owns the descriptor.
    static UniqueDir adopt(UniqueFd& fd) {
        UniqueDir dir(::fdopendir(fd.get()));
        if (dir)
            fd.release();
        return dir;
    }

    DIR* get() const { return dir_.get(); }
    explicit operator bool() const { return dir_ != nullptr; }
    // The next entry, or nullptr at the end (or on a read error).
    dirent* next() const { return ::readdir(dir_.get()); }

private:
    std::unique_ptr<DIR, DirCloser> dir_;
};

} // namespace pixbako
