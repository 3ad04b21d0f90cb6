#include "ui/Pictures.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace pixbako {
namespace {

// Draws on a 48 x 48 design grid, scaled to the requested size.
template <typename Draw> QPixmap picture(int size, Draw draw) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 48.0, size / 48.0);
    draw(painter);
    return pixmap;
}

} // namespace

QPixmap arrowDownPicture(int size) {
    return picture(size, [](QPainter& p) {
        QPainterPath arrow;
        arrow.moveTo(17, 4);
        arrow.lineTo(31, 4);
        arrow.lineTo(31, 24);
        arrow.lineTo(42, 24);
        arrow.lineTo(24, 44);
        arrow.lineTo(6, 24);
        arrow.lineTo(17, 24);
        arrow.closeSubpath();
        p.setPen(QPen(QColor(0x1d, 0x5a, 0x9c), 2));
        p.setBrush(QColor(0x3c, 0x8d, 0xde));
        p.drawPath(arrow);
    });
}

QPixmap wizardPicture(int size) {
    return picture(size, [](QPainter& p) {
        p.setPen(QPen(QColor(0x4a, 0x30, 0x18), 1.5));
        p.setBrush(QColor(0x7a, 0x52, 0x30));
        p.drawPolygon(QPolygonF({{6, 42}, {32, 16}, {36, 20}, {10, 46}}));
        p.setBrush(Qt::white);
        p.drawPolygon(QPolygonF({{32, 16}, {36, 12}, {40, 16}, {36, 20}}));
        auto star = [&p](double x, double y, double r) {
            QPolygonF points;
            for (int i = 0; i < 8; ++i) {
                const double radius = i % 2 ? r / 3 : r;
                const double angle = i * 3.14159265 / 4;
                points << QPointF(x + radius * std::sin(angle), y - radius * std::cos(angle));
            }
            p.drawPolygon(points);
        };
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0xf6, 0xc4, 0x00));
        star(17, 11, 9);
        star(38, 31, 6);
    });
}

QPixmap lockPicture(int size) {
    return picture(size, [](QPainter& p) {
        p.setPen(QPen(QColor(0x8a, 0x10, 0x10), 4));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(15, 6, 18, 20), 0, 180 * 16);
        p.drawLine(QPointF(15, 16), QPointF(15, 22));
        p.drawLine(QPointF(33, 16), QPointF(33, 22));
        p.setPen(QPen(QColor(0x8a, 0x10, 0x10), 2));
        p.setBrush(QColor(0xd4, 0x20, 0x20));
        p.drawRoundedRect(QRectF(9, 21, 30, 23), 3, 3);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(24, 31), 3.5, 3.5);
        p.drawRect(QRectF(22.5, 32, 3, 7));
    });
}

QIcon programIcon() {
    QIcon icon;
    for (int size : {16, 32, 48}) {
        icon.addPixmap(picture(size, [](QPainter& p) {
            p.setPen(QPen(QColor(0x26, 0x3f, 0x63), 2));
            p.setBrush(QColor(0x4a, 0x6f, 0xa5));
            p.drawRoundedRect(QRectF(4, 12, 40, 30), 4, 4);
            p.setBrush(QColor(0x26, 0x3f, 0x63));
            p.drawRoundedRect(QRectF(16, 7, 16, 7), 2, 2);
            p.setBrush(QColor(0xdf, 0xe8, 0xf5));
            p.drawEllipse(QPointF(24, 27), 10, 10);
            p.setBrush(QColor(0x26, 0x3f, 0x63));
            p.drawEllipse(QPointF(24, 27), 5, 5);
        }));
    }
    return icon;
}

} // namespace pixbako
