#pragma once
// A write past the process's file-size limit (`ulimit -f`) raises SIGXFSZ, whose default
// action ends the program on the spot, with a half-written temporary file left behind. Ignored,
// the same write fails with EFBIG: the ordinary "file too large" error of that one file.

namespace pixbako {

// Sets SIGXFSZ to be ignored in this process (and in programs it starts). Every program entry
// calls it first; the file transfer calls it again before it writes, so that no caller can
// forget it.
void ignoreFileSizeSignal();

} // namespace pixbako
