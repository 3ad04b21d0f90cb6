#pragma once
// The names the program's writers give their temporary files, and the test that a name is one
// of them. Each name carries a check value computed from the rest of it, so a file that only
// looks like a temporary (".pixbako-backup.tmp", a copy renamed by hand) is never taken for
// one: the clean-up of leftovers deletes nothing whose name lacks a matching check.
//
//     ".pixbako-Ab3xZ9-5f3a9c21.tmp"   a transfer's copy before it gets its final name
//     ".PXBK.tmp4711-0-0c1d2e3f"       a replacement of "PXBK" by the atomic file writer
//                                      (process 4711, its first such file)
//
// Names of older versions, without the check, are recognised by neither function.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace pixbako {

// ".pixbako-" + six letters or digits chosen by the six random bytes + "-" + check + ".tmp".
std::string transferTemporaryName(std::span<const unsigned char, 6> random);
bool isTransferTemporaryName(std::string_view name);

// "." + target + ".tmp" + process id + "-" + serial + "-" + check: beside the file `target`
// (a name without folder) that it will replace.
std::string writerTemporaryName(std::string_view target, std::uint64_t processId,
                                std::uint64_t serial);
// The process id in a name that writerTemporaryName gives for `target`; nullopt for any other
// name, a look-alike whose check doesn't match included.
std::optional<std::uint64_t> writerTemporaryProcess(std::string_view name, std::string_view target);

} // namespace pixbako
