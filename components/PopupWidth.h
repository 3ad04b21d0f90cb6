#pragma once
// Drop-down lists whose items are longer than their field: the open list grows to show its
// longest item whole, while the field keeps its size. The width follows later changes of the
// list's font and style; call again after the items change.
class QComboBox;

namespace pixbako {

void widenPopupToItems(QComboBox& combo);

} // namespace pixbako
