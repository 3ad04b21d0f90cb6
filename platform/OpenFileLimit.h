#pragma once
// The process's limit of open descriptors (`ulimit -n`). Desktops and services often start
// programs with a soft limit far below the hard one (1024, or 128 under some service
// managers), while a run keeps several files open for every transfer in flight.

#include <cstddef>

namespace pixbako {

// Raises the soft limit to the hard one; every program entry calls it first. Changes nothing
// when that is refused.
void raiseOpenFileLimit();

// How many more descriptors this process may open now: the soft limit less those open.
std::size_t openFilesLeft();

} // namespace pixbako
