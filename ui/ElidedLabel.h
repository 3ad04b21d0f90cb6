#pragma once
// A one-line label that never asks for more room than it is given: a text longer than the
// label ends in "…" instead of widening the label and pushing its neighbours aside. text()
// keeps the whole text.
#include <QLabel>

namespace pixbako {

class ElidedLabel : public QLabel {
    Q_OBJECT

public:
    explicit ElidedLabel(QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    // The text as painted at the present width.
    QString shownText() const;

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace pixbako

using pixbako::ElidedLabel; // uic names the class without its namespace
