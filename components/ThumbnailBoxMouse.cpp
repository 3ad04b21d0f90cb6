// The thumbnail box's mouse selection rules and keyboard focus moves.
#include "components/ThumbnailBox.h"

#include <QCoreApplication>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>

#include <algorithm>

namespace pixbako {

// --- mouse and keys ---

void ThumbnailBox::mousePressEvent(QMouseEvent* event) {
    pressCell_ = cellAt(event->position().toPoint());
    if (pressCell_.x() >= 0 && event->button() != Qt::MiddleButton) {
        focusCell_ = pressCell_;
        viewport()->update();
    }
    event->accept();
}

void ThumbnailBox::mouseDoubleClickEvent(QMouseEvent* event) {
    mousePressEvent(event);
    if (onDoubleClick)
        onDoubleClick(*this);
}

void ThumbnailBox::setSelected(ThumbnailItem& item, bool on) {
    item.selected = on;
}

// Selects every item of the block between two cells; the first becomes the new anchor.
void ThumbnailBox::selectBlock(QPoint from, QPoint to) {
    if (viewMode_ == ThumbnailViewMode::FileNames) {
        for (int row = from.y(); row <= to.y(); ++row) {
            if (row < count()) {
                items_[row]->selected = true;
                current_ = items_[row].get();
            }
        }
        return;
    }
    for (int row = from.y(); row <= to.y(); ++row) {
        for (int column = from.x(); column <= to.x(); ++column) {
            const int index = row * colCount_ + column;
            if (index < count()) {
                items_[index]->selected = true;
                current_ = items_[index].get();
            }
        }
    }
}

void ThumbnailBox::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    const QPoint cell = cellAt(pos);
    event->accept();
    if (pressCell_.x() < 0 || cell.x() < 0)
        return;
    const Qt::MouseButton button = event->button();
    const Qt::KeyboardModifiers keys = event->modifiers();
    if (cell != pressCell_ || (button != Qt::LeftButton && button != Qt::RightButton)) {
        viewport()->update();
        return;
    }
    const int index = itemIndexOfCell(cell);
    ThumbnailItem* item = index < count() ? items_[index].get() : nullptr;
    const bool shift = keys & Qt::ShiftModifier;
    const bool ctrl = keys & Qt::ControlModifier;
    const bool left = button == Qt::LeftButton;
    if (multiSelect_ && left && shift) {
        const QPoint from(std::min(anchorCell_.x(), cell.x()), std::min(anchorCell_.y(), cell.y()));
        const QPoint to(std::max(anchorCell_.x(), cell.x()), std::max(anchorCell_.y(), cell.y()));
        anchorCell_ = from;
        if (!ctrl) {
            for (auto& other : items_)
                other->selected = false;
            current_ = nullptr;
        }
        selectBlock(from, to);
    } else if (multiSelect_ && ((ctrl && left) || !left)) {
        if (item) {
            item->selected = !item->selected;
            if (item == current_ && !item->selected)
                current_ = nullptr;
        }
        anchorCell_ = cell;
    } else {
        for (auto& other : items_)
            other->selected = false;
        if (item) {
            item->selected = true;
            current_ = item;
        } else {
            current_ = nullptr;
        }
        anchorCell_ = cell;
    }
    viewport()->update();
    if (onMouseUp)
        onMouseUp(*this, button, keys, pos);
}

void ThumbnailBox::mouseMoveEvent(QMouseEvent* event) {
    if (onMouseMove)
        onMouseMove(*this, event->position().toPoint());
}

void ThumbnailBox::keyPressEvent(QKeyEvent* event) {
    QPoint cell = focusCell_;
    const int pageRows = std::max(1, viewport()->height() / std::max(1, defaultRowHeight_));
    switch (event->key()) {
    case Qt::Key_Left:
        cell.rx() -= 1;
        break;
    case Qt::Key_Right:
        cell.rx() += 1;
        break;
    case Qt::Key_Up:
        cell.ry() -= 1;
        break;
    case Qt::Key_Down:
        cell.ry() += 1;
        break;
    case Qt::Key_PageUp:
        cell.ry() -= pageRows;
        break;
    case Qt::Key_PageDown:
        cell.ry() += pageRows;
        break;
    case Qt::Key_Home:
        cell = {0, 0};
        break;
    case Qt::Key_End:
        cell = {colCount_ - 1, rowCount_ - 1};
        break;
    default:
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    cell.setX(std::clamp(cell.x(), 0, colCount_ - 1));
    cell.setY(std::clamp(cell.y(), 0, rowCount_ - 1));
    focusCell_ = cell;
    ensureCellVisible(cell);
    viewport()->update();
    event->accept();
}

// The box's hint belongs to the box, not to its viewport: tool-tip requests over the cells go
// to the box, where the window can place them.
bool ThumbnailBox::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        QHelpEvent forBox(QEvent::ToolTip, viewport()->mapTo(this, help->pos()), help->globalPos());
        return QCoreApplication::sendEvent(this, &forBox);
    }
    return QAbstractScrollArea::viewportEvent(event);
}

} // namespace pixbako
