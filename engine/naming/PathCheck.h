#pragma once
// The forbidden-character check of names and paths, with its own error message.
#include "engine/run/Dialogs.h"

#include <string>
#include <string_view>

namespace pixbako {

// The forbidden characters in list order; a mode checks a tail of this list.
inline constexpr std::string_view kForbiddenNameChars = R"(\:?/;*"<>|)";

// Modes as the run uses them.
inline constexpr int kCheckFileName = 1;   // all ten characters
inline constexpr int kCheckFolderName = 2; // all but "\", which separates folder levels
inline constexpr int kCheckFullPath = 3;   // a full path on this system, see forbiddenCharsFor

// The characters a mode forbids. Mode m checks list positions m to 10 (a mode below 1 checks
// all, above 10 none), except mode 3: a full path here uses "/" as delimiter and may hold ":",
// while "\" is no delimiter, so mode 3 forbids `\?;*"<>|`.
std::string_view forbiddenCharsFor(int mode);

// The first forbidden character of text as a character (never a byte inside a multi-byte
// character); 0 when there is none.
char firstForbiddenChar(std::string_view text, int mode);

// The error message, which lists all ten characters whatever the mode.
std::string pathchkMessage(std::string_view text);

// True when text holds none of the characters the mode forbids; otherwise sounds the error
// beep, shows the message in an error box with OK, and returns false.
bool pathchk(std::string_view text, int mode, IDialogs& dialogs);

} // namespace pixbako
