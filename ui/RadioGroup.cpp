#include "ui/RadioGroup.h"

#include <QGridLayout>
#include <QRadioButton>

namespace pixbako {

RadioGroup::RadioGroup(QWidget* parent) : QGroupBox(parent), layout_(new QGridLayout(this)) {
    layout_->setContentsMargins(6, 2, 6, 2);
    layout_->setVerticalSpacing(0);
    layout_->setHorizontalSpacing(4);
    group_.setExclusive(true);
    connect(&group_, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked)
            emit itemIndexChanged(id);
    });
}

void RadioGroup::setItems(const QStringList& items) {
    items_ = items;
    rebuild();
}

void RadioGroup::setColumns(int columns) {
    columns_ = std::max(1, columns);
    rebuild();
}

int RadioGroup::itemIndex() const {
    return group_.checkedId();
}

void RadioGroup::setItemIndex(int index) {
    if (index == itemIndex())
        return;
    if (QAbstractButton* chosen = group_.button(index)) {
        chosen->setChecked(true);
        return;
    }
    // No item (or an index beyond the list): clear the choice. An exclusive group keeps one
    // button checked, so drop the exclusivity for the moment.
    if (QAbstractButton* current = group_.checkedButton()) {
        group_.setExclusive(false);
        current->setChecked(false);
        group_.setExclusive(true);
        emit itemIndexChanged(-1);
    }
}

QAbstractButton* RadioGroup::button(int index) const {
    return group_.button(index);
}

void RadioGroup::rebuild() {
    const int chosen = itemIndex();
    for (QAbstractButton* old : group_.buttons()) {
        group_.removeButton(old);
        delete old;
    }
    for (int i = 0; i < items_.size(); ++i) {
        auto* radio = new QRadioButton(items_[i], this);
        radio->setObjectName(objectName() + QString::number(i));
        group_.addButton(radio, i);
        layout_->addWidget(radio, i / columns_, i % columns_);
    }
    if (QAbstractButton* again = group_.button(chosen))
        again->setChecked(true);
}

} // namespace pixbako
