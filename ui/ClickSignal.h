#pragma once
// Gives a widget without a click signal (a static text) one: a left click, released over the
// widget, emits clicked(). The watcher lives as the widget's child.
#include <QEvent>
#include <QMouseEvent>
#include <QObject>
#include <QWidget>

namespace pixbako {

class ClickSignal final : public QObject {
    Q_OBJECT

public:
    explicit ClickSignal(QWidget* target) : QObject(target) { target->installEventFilter(this); }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonRelease) {
            auto* mouse = static_cast<QMouseEvent*>(event);
            auto* widget = static_cast<QWidget*>(watched);
            if (mouse->button() == Qt::LeftButton &&
                widget->rect().contains(mouse->position().toPoint()))
                emit clicked();
        }
        return false;
    }

signals:
    void clicked();
};

} // namespace pixbako
