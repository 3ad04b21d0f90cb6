#pragma once
// A framed group of radio buttons that is read and set as one value: the index of the chosen
// item (-1: none). The items are laid out in `columns` columns, filled row by row.
//
// Setting itemIndex by program emits itemIndexChanged just as a click does, so a reaction
// connected to it runs whichever way the choice changed.
#include <QButtonGroup>
#include <QGroupBox>
#include <QStringList>

class QGridLayout;

namespace pixbako {

class RadioGroup : public QGroupBox {
    Q_OBJECT
    Q_PROPERTY(QStringList items READ items WRITE setItems)
    Q_PROPERTY(int columns READ columns WRITE setColumns)
    Q_PROPERTY(int itemIndex READ itemIndex WRITE setItemIndex NOTIFY itemIndexChanged USER true)

public:
    explicit RadioGroup(QWidget* parent = nullptr);

    QStringList items() const { return items_; }
    void setItems(const QStringList& items);
    int columns() const { return columns_; }
    void setColumns(int columns);
    int itemIndex() const;
    void setItemIndex(int index);

    // The radio button of item i, for tests and hints; nullptr outside the list.
    QAbstractButton* button(int index) const;

signals:
    void itemIndexChanged(int index);

private:
    void rebuild();

    QStringList items_;
    int columns_ = 1;
    QButtonGroup group_;
    QGridLayout* layout_;
};

} // namespace pixbako

using pixbako::RadioGroup; // uic names the class without its namespace
