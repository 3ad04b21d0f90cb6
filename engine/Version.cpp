#include "engine/Version.h"

namespace pixbako {
std::string versionText() { return PIXBAKO_VERSION_TEXT; }
} // namespace pixbako
