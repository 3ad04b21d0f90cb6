#pragma once
// The program's message boxes and beeps on the screen: the engine's dialogs interface over
// QMessageBox. Boxes are modal over the window given as parent, titled "Pixbako", show their
// text as plain text ("\r\n" starts a new line; a file name such as "<b>.jpg" stays as it is),
// carry the engine's buttons in the engine's order with Japanese captions, and answer the
// safe choice when closed with Escape or the close box (No, Cancel or Abort).
#include "engine/run/Dialogs.h"

#include <QMessageBox>
#include <QString>

#include <string>

class QWidget;

namespace pixbako {

// Where boxes go. With no screen to show them on (the offscreen platform, as when Pixbako runs
// from a script, cron or a udev rule) nobody could answer a modal box and the process would
// never end: a box is then written to standard error and given its safe answer instead.
enum class BoxDisplay {
    Automatic,     // standard error on the offscreen platform, else the screen
    Screen,        // always a modal box (tests of the boxes themselves)
    StandardError, // always standard error
};
bool boxesGoToStandardError(BoxDisplay display);

// Whether a box may wait for its answer now: not without a screen, and not once a termination
// signal came. The program is ending then, and only the boxes already open when the signal
// came are closed for it; a box opened later would wait until the process is killed. Such a
// box is written to standard error and given its unattended answer.
bool boxesMayWait(BoxDisplay display);

// The answer a box gets when nobody can see it: the one that replaces, stops and deletes
// nothing. OK to a message, No to a question (so No to replacing a file, and to stopping a
// run), Cancel to a confirmation, Abort to the sub-folder warning.
BoxAnswer unattendedAnswer(BoxButtons buttons);

// Writes "Pixbako: " and the box text (one line per line of the text) to standard error.
void writeBoxToStandardError(const std::string& text);

class QtDialogs final : public IDialogs {
public:
    explicit QtDialogs(QWidget* parent, BoxDisplay display = BoxDisplay::Automatic)
        : parent_(parent), display_(display) {}

    void beep(BeepKind kind) override;
    BoxAnswer messageBox(const std::string& text, BoxIcon icon, BoxButtons buttons) override;

private:
    QWidget* parent_;
    BoxDisplay display_;
};

// The box messageBox shows, ready for exec(); parts of it for tests and other windows.
void prepareMessageBox(QMessageBox& box, const std::string& text, BoxIcon icon, BoxButtons buttons);
// The engine's answer for the button that closed the box; null (closed otherwise): the safe one.
BoxAnswer boxAnswer(const QMessageBox& box, BoxButtons buttons);
// A message text for a box: UTF-8, "\r\n" (and a lone "\r") made a line break.
QString boxText(const std::string& text);

} // namespace pixbako
