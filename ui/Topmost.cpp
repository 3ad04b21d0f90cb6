#include "ui/Topmost.h"

#include <QWidget>

namespace pixbako {

void setTopmost(QWidget* window, bool topmost) {
    if (isTopmost(window) == topmost)
        return;
    // Changing a window's flags hides it; one that was on the screen comes back in place.
    const bool shown = window->isVisible();
    const QRect geometry = window->geometry();
    window->setWindowFlag(Qt::WindowStaysOnTopHint, topmost);
    if (shown) {
        window->setGeometry(geometry);
        window->show();
    }
}

bool isTopmost(const QWidget* window) {
    return window->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
}

} // namespace pixbako
