#pragma once
// The name of the counter file that a run keeps in every destination folder. The platform
// layer needs it too: a crash can leave a half-written replacement of it behind.
#include <string_view>

namespace pixbako {

inline constexpr std::string_view kCounterFileName = "PXBK";

} // namespace pixbako
