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

class QtDialogs final : public IDialogs {
public:
    explicit QtDialogs(QWidget* parent) : parent_(parent) {}

    void beep(BeepKind kind) override;
    BoxAnswer messageBox(const std::string& text, BoxIcon icon, BoxButtons buttons) override;

private:
    QWidget* parent_;
};

// The box messageBox shows, ready for exec(); parts of it for tests and other windows.
void prepareMessageBox(QMessageBox& box, const std::string& text, BoxIcon icon, BoxButtons buttons);
// The engine's answer for the button that closed the box; null (closed otherwise): the safe one.
BoxAnswer boxAnswer(const QMessageBox& box, BoxButtons buttons);
// A message text for a box: UTF-8, "\r\n" (and a lone "\r") made a line break.
QString boxText(const std::string& text);

} // namespace pixbako
