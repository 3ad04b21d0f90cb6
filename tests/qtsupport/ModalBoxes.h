#pragma once
// Answers real modal message boxes in tests without waiting for a user: schedule the answers
// first, then call the code that opens the boxes. A timer looks for the active modal
// QMessageBox while the box's own event loop runs, records what it shows and presses the
// scheduled button (or closes it like the close box for QMessageBox::NoButton).
#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <algorithm>
#include <deque>
#include <vector>

namespace pixbako::test {

struct SeenBox {
    QString title;
    QString text;
    Qt::TextFormat format;
    QMessageBox::Icon icon;
    QStringList buttons; // captions from left to right
    QWidget* parent;
};

class ModalBoxAnswerer {
public:
    ModalBoxAnswerer() {
        QObject::connect(&timer_, &QTimer::timeout, [this] { poll(); });
        timer_.start(1);
    }

    void answer(QMessageBox::StandardButton button) { answers_.push_back(button); }

    std::vector<SeenBox> seen;

private:
    void poll() {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible() || answers_.empty() || box->property("answered").toBool())
            return;
        box->setProperty("answered", true);
        const QList<QAbstractButton*> shown = box->buttons();
        std::vector<QAbstractButton*> buttons(shown.begin(), shown.end());
        std::sort(buttons.begin(), buttons.end(), [box](QAbstractButton* a, QAbstractButton* b) {
            return a->mapTo(box, QPoint()).x() < b->mapTo(box, QPoint()).x();
        });
        SeenBox record{box->windowTitle(), box->text(), box->textFormat(),
                       box->icon(),        {},          box->parentWidget()};
        for (QAbstractButton* b : buttons)
            record.buttons << b->text();
        seen.push_back(record);
        QMessageBox::StandardButton button = answers_.front();
        answers_.pop_front();
        if (button == QMessageBox::NoButton)
            box->close();
        else
            box->button(button)->click();
    }

    QTimer timer_;
    std::deque<QMessageBox::StandardButton> answers_;
};

} // namespace pixbako::test
