#pragma once
// What a crash can leave behind of the program's own writers: a copy that never got its final
// name (the file transfer) and a replacement of the counter file that was never renamed (the
// atomic file writer), named as TemporaryName.h says. Such files are never pictures: a run
// never imports them, and a run that writes into a folder removes the stale ones there.
// Nothing else is ever deleted: a file is removed only when its name carries the check value
// of the program's own naming, so a name that merely looks alike is left alone (and so are
// the unchecked names of older versions).
#include <string>
#include <string_view>
#include <vector>

namespace pixbako {

// Names a run must never import: ".pixbako-*.tmp" and ".PXBK.tmp*", checked or not.
bool isTransferLeftoverName(std::string_view name);

// Removes from `folder` (not its sub-folders) the plain files of this user named exactly as
// the program's writers name their temporary files, check value included, and that no live
// writer still uses: a counter-file replacement whose process has ended, a transfer copy that
// no process holds open. Returns the names removed.
std::vector<std::string> removeStaleLeftovers(const std::string& folder);

} // namespace pixbako
