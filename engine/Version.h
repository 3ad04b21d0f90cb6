#pragma once
#include <string>

namespace pixbako {
// The program's version as four dotted numbers, compiled in from the build.
std::string versionText();
} // namespace pixbako
