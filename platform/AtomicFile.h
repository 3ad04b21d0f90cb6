#pragma once
// Whole-file replacement that a crash can't leave half done: the new bytes go into a temporary
// file beside the target, are flushed to the disk, and then take the target's name in one
// rename. At every moment the target holds either its old content or the new one.
#include <string>
#include <string_view>

namespace pixbako {

struct AtomicWriteResult {
    bool ok = false;
    int error = 0;       // errno of the step that failed
    std::string message; // "step: reason", for an error box
};

// Replaces (or creates) `path` with `bytes`. The file keeps the permission bits of the file it
// replaces; a new file gets 0666 less the umask. A symbolic link at `path` is replaced by a
// plain file rather than followed. On failure the temporary file is removed and `path` is
// untouched, except when only the final flush of the folder failed: the new content is then in
// place, but a crash could still bring the old one back.
AtomicWriteResult writeFileAtomically(const std::string& path, std::string_view bytes);

} // namespace pixbako
