#include "components/PopupWidth.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QEvent>
#include <QScrollBar>
#include <QStyle>

namespace pixbako {
namespace {

void fitList(QComboBox& combo) {
    QAbstractItemView* list = combo.view();
    // The delegate's width of the widest item, with its padding; the frame and the scroll bar
    // come on top.
    const int items = list->sizeHintForColumn(0);
    const int scrollBar = list->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, list);
    list->setMinimumWidth(items + 2 * list->frameWidth() + scrollBar);
}

// Measures again when the list's font or style may have changed: a font set on a window
// reaches its controls only as they are polished.
class ListWidthKeeper final : public QObject {
public:
    explicit ListWidthKeeper(QComboBox& combo) : QObject(&combo), combo_(combo) {
        combo.installEventFilter(this);
        combo.view()->installEventFilter(this);
    }
    bool eventFilter(QObject*, QEvent* event) override {
        switch (event->type()) {
        case QEvent::FontChange:
        case QEvent::StyleChange:
        case QEvent::Polish:
        case QEvent::Show:
            fitList(combo_);
            break;
        default:
            break;
        }
        return false;
    }

private:
    QComboBox& combo_;
};

} // namespace

void widenPopupToItems(QComboBox& combo) {
    if (!combo.findChild<ListWidthKeeper*>(QString(), Qt::FindDirectChildrenOnly))
        new ListWidthKeeper(combo);
    fitList(combo);
}

} // namespace pixbako
