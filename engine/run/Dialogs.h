#pragma once
// What the engine needs of a window to talk to the user: modal message boxes and beeps.
// The main window implements it with Qt; tests fake it and record every call.
#include <string>

namespace pixbako {

// Information, error, warning and question sounds.
enum class BeepKind { Asterisk, Hand, Exclamation, Question };

enum class BoxIcon { Warning, Error, Information, Question };
// OkCancel: confirmations (presets); YesAbort: the warning before reading sub-folders.
enum class BoxButtons { Ok, YesNo, YesNoCancel, OkCancel, YesAbort };
enum class BoxAnswer { Ok, Yes, No, Cancel, Abort };

class IDialogs {
public:
    virtual ~IDialogs() = default;
    virtual void beep(BeepKind kind) = 0;
    // Text is UTF-8; "\r\n" is a line break.
    virtual BoxAnswer messageBox(const std::string& text, BoxIcon icon, BoxButtons buttons) = 0;
};

} // namespace pixbako
