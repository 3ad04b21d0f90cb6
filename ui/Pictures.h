#pragma once
// The window's small pictures, drawn by the program itself: the arrow between the two folders
// of the easy-run tab, the wizard button's wand, the protection lock and the program icon.
#include <QIcon>
#include <QPixmap>

namespace pixbako {

QPixmap arrowDownPicture(int size);
QPixmap wizardPicture(int size);
QPixmap lockPicture(int size);
QIcon programIcon();

} // namespace pixbako
