#pragma once
// Keeps a window above all others, or lets it go back among them, without moving, resizing or
// hiding it: a window that is on the screen stays there.
class QWidget;

namespace pixbako {

void setTopmost(QWidget* window, bool topmost);
bool isTopmost(const QWidget* window);

} // namespace pixbako
