// The thumbnail box's grid: layout of the cells in both views and directions, and painting.
#include "components/ThumbnailBox.h"

#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>

namespace pixbako {
namespace {

const QString kLoading = QStringLiteral("読込中");
const QString kNonImage = QStringLiteral("Non Image");
constexpr int kListColumnWidth = 180;

} // namespace

// --- layout ---

int ThumbnailBox::textHeight() const {
    // The height of a line of text in the box's font (what a line of "ABCDEFG" takes).
    return fontMetrics().height();
}

void ThumbnailBox::updateLayout() {
    const int th = textHeight();
    const QSize client = viewport()->size();
    if (viewMode_ == ThumbnailViewMode::Thumbnails) {
        const int cw = 2 * spacing_ + (omitted_ || maxTextWidth_ <= thumbnailSize_ ? thumbnailSize_
                                                                                   : maxTextWidth_);
        int ch = 2 * spacing_ + thumbnailSize_;
        if (showFileName_)
            ch += th + spacing_;
        if (showCaptions_)
            ch += th + spacing_;
        if (scrollBar_ == ScrollDirection::Vertical) {
            colCount_ = std::max(1, (client.width() - 4) / cw);
            rowCount_ = std::max(1, count() / colCount_ + (count() % colCount_ ? 1 : 0));
            defaultColWidth_ = std::max(1, (client.width() - 4) / colCount_);
            defaultRowHeight_ = ch;
        } else {
            rowCount_ = std::max(1, (client.height() - 4) / ch);
            colCount_ = std::max(1, count() / rowCount_ + (count() % rowCount_ ? 1 : 0));
            defaultColWidth_ = cw;
            defaultRowHeight_ = std::max(1, (client.height() - 4) / rowCount_);
        }
    } else {
        colCount_ = showCaptions_ ? 3 : 2;
        rowCount_ = std::max(1, count());
        if (maxTextWidth_ > 0)
            defaultColWidth_ = kListColumnWidth;
        defaultRowHeight_ = th + spacing_;
    }
    focusCell_.setX(std::min(focusCell_.x(), colCount_ - 1));
    focusCell_.setY(std::min(focusCell_.y(), rowCount_ - 1));
    updateScrollBars();
    viewport()->update();
}

int ThumbnailBox::columnWidth(int column) const {
    if (viewMode_ == ThumbnailViewMode::FileNames && column == 1 && !showCaptions_)
        return 0;
    return defaultColWidth_;
}

int ThumbnailBox::columnLeft(int column) const {
    int left = 0;
    if (viewMode_ == ThumbnailViewMode::FileNames) {
        for (int c = 0; c < column; ++c)
            left += columnWidth(c);
        return left;
    }
    return column * defaultColWidth_;
}

void ThumbnailBox::updateScrollBars() {
    const int width = columnLeft(colCount_);
    const int height = rowCount_ * defaultRowHeight_;
    const QSize client = viewport()->size();
    horizontalScrollBar()->setRange(0, std::max(0, width - client.width()));
    horizontalScrollBar()->setPageStep(client.width());
    horizontalScrollBar()->setSingleStep(std::max(1, defaultColWidth_));
    verticalScrollBar()->setRange(0, std::max(0, height - client.height()));
    verticalScrollBar()->setPageStep(client.height());
    verticalScrollBar()->setSingleStep(std::max(1, defaultRowHeight_));
}

QRect ThumbnailBox::cellRect(int column, int row) const {
    return QRect(columnLeft(column) - horizontalScrollBar()->value(),
                 row * defaultRowHeight_ - verticalScrollBar()->value(), columnWidth(column),
                 defaultRowHeight_);
}

QPoint ThumbnailBox::cellAt(QPoint pos) const {
    const int x = pos.x() + horizontalScrollBar()->value();
    const int y = pos.y() + verticalScrollBar()->value();
    if (pos.x() < 0 || pos.y() < 0 || x < 0 || y < 0 || defaultRowHeight_ <= 0)
        return {-1, -1};
    const int row = y / defaultRowHeight_;
    if (row >= rowCount_)
        return {-1, -1};
    for (int column = 0; column < colCount_; ++column) {
        const int left = columnLeft(column);
        if (x >= left && x < left + columnWidth(column))
            return {column, row};
        if (viewMode_ == ThumbnailViewMode::Thumbnails && column == 0)
            return x / defaultColWidth_ < colCount_ ? QPoint(x / defaultColWidth_, row)
                                                    : QPoint(-1, -1);
    }
    return {-1, -1};
}

int ThumbnailBox::itemIndexOfCell(QPoint cell) const {
    return viewMode_ == ThumbnailViewMode::Thumbnails ? cell.y() * colCount_ + cell.x() : cell.y();
}

void ThumbnailBox::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    updateLayout();
}

void ThumbnailBox::scrollContentsBy(int, int) {
    viewport()->update();
}

void ThumbnailBox::ensureCellVisible(QPoint cell) {
    const QRect rect = cellRect(cell.x(), cell.y());
    const QRect client = viewport()->rect();
    if (rect.left() < 0)
        horizontalScrollBar()->setValue(horizontalScrollBar()->value() + rect.left());
    else if (rect.right() > client.right())
        horizontalScrollBar()->setValue(horizontalScrollBar()->value() + rect.right() -
                                        client.right());
    if (rect.top() < 0)
        verticalScrollBar()->setValue(verticalScrollBar()->value() + rect.top());
    else if (rect.bottom() > client.bottom())
        verticalScrollBar()->setValue(verticalScrollBar()->value() + rect.bottom() -
                                      client.bottom());
}

// --- painting ---

void ThumbnailBox::forgetPictures() {
    pictures_.clear();
}

void ThumbnailBox::paintEvent(QPaintEvent* event) {
    if (!layoutDone_) {
        layoutDone_ = true;
        updateLayout();
    }
    QPainter painter(viewport());
    painter.setFont(font());
    const QRect dirty = event->rect();
    const int x0 = horizontalScrollBar()->value();
    const int y0 = verticalScrollBar()->value();
    const int firstRow = std::max(0, (y0 + dirty.top()) / std::max(1, defaultRowHeight_));
    const int lastRow =
        std::min(rowCount_ - 1, (y0 + dirty.bottom()) / std::max(1, defaultRowHeight_));
    int firstColumn = 0;
    int lastColumn = colCount_ - 1;
    if (viewMode_ == ThumbnailViewMode::Thumbnails && defaultColWidth_ > 0) {
        firstColumn = std::max(0, (x0 + dirty.left()) / defaultColWidth_);
        lastColumn = std::min(colCount_ - 1, (x0 + dirty.right()) / defaultColWidth_);
    }
    for (int row = firstRow; row <= lastRow; ++row) {
        for (int column = firstColumn; column <= lastColumn; ++column) {
            const QRect rect = cellRect(column, row);
            if (rect.width() > 0 && rect.intersects(dirty))
                drawCell(painter, column, row, rect);
        }
    }
}

void ThumbnailBox::drawCell(QPainter& painter, int column, int row, const QRect& rect) {
    const int index = itemIndexOfCell({column, row});
    const ThumbnailItem* item = index < count() ? items_[index].get() : nullptr;
    const bool selected = item && item->selected;
    painter.fillRect(rect, selected ? selectedColor_ : palette().color(QPalette::Base));
    if (hasFocus() && QPoint(column, row) == focusCell_) {
        QPen dotted(palette().color(QPalette::Text), 1, Qt::DotLine);
        painter.setPen(dotted);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(rect.adjusted(0, 0, -1, -1));
    }
    if (!item)
        return;
    painter.setPen(palette().color(selected ? QPalette::HighlightedText : QPalette::Text));
    if (viewMode_ == ThumbnailViewMode::Thumbnails)
        drawThumbnailCell(painter, *item, rect, selected);
    else
        drawListCell(painter, *item, column, rect);
}

void ThumbnailBox::drawThumbnailCell(QPainter& painter, const ThumbnailItem& item,
                                     const QRect& rect, bool selected) {
    const int left = rect.left();
    const int top = rect.top();
    const int width = rect.width();
    QImage* picture = nullptr;
    if (item.state == 1) {
        picture = pictures_.object(item.cachePos);
        if (!picture) {
            auto decodedImage = std::make_unique<QImage>(source_->read(item.cachePos));
            ++decoded_;
            picture = decodedImage.get();
            pictures_.insert(item.cachePos, decodedImage.release());
        }
    }
    if (picture) {
        painter.drawImage(left + (width - picture->width()) / 2,
                          top + spacing_ + (thumbnailSize_ - picture->height()) / 2, *picture);
    } else {
        painter.save();
        painter.setPen(Qt::black);
        painter.setBrush(palette().color(QPalette::Base));
        painter.drawRect(left + (width - thumbnailSize_) / 2, top + spacing_, thumbnailSize_ - 1,
                         thumbnailSize_ - 1);
        painter.setPen(palette().color(QPalette::Text));
        const QString text = item.state == 2 ? kLoading : kNonImage;
        const QFontMetrics metrics = painter.fontMetrics();
        const int textWidth = metrics.horizontalAdvance(text);
        const int textTop = top + spacing_ + (thumbnailSize_ - metrics.height()) / 2;
        painter.drawText(
            QRect(left + (width - textWidth) / 2, textTop, textWidth, metrics.height()),
            Qt::AlignLeft | Qt::AlignTop, text);
        painter.restore();
    }
    painter.setPen(palette().color(selected ? QPalette::HighlightedText : QPalette::Text));
    const int th = painter.fontMetrics().height();
    int y = top + thumbnailSize_ + spacing_;
    const auto drawLine = [&](const QString& text) {
        if (omitted_) {
            const QRect box(left + spacing_, y, width - 2 * spacing_, rect.bottom() - y + 1);
            const QString cut = painter.fontMetrics().elidedText(text, Qt::ElideRight, box.width());
            painter.drawText(box, Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine, cut);
        } else {
            const int textWidth = painter.fontMetrics().horizontalAdvance(text);
            painter.drawText(QRect(left + (width - textWidth) / 2, y, textWidth, th),
                             Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
        }
        y += th + spacing_;
    };
    if (showFileName_)
        drawLine(fileNamePart(item.fileName));
    if (showCaptions_)
        drawLine(item.caption);
}

void ThumbnailBox::drawListCell(QPainter& painter, const ThumbnailItem& item, int column,
                                const QRect& rect) {
    QString text;
    if (column == 0)
        text = fileNamePart(item.fileName);
    else if (column == 1)
        text = folderPart(item.fileName);
    else
        text = item.caption;
    const QPen textPen = painter.pen();
    painter.setPen(QPen(palette().color(QPalette::Disabled, QPalette::Text), 1));
    painter.setBrush(Qt::NoBrush);
    // A frame 180 pixels wide, the cell's height high (a 1-pixel pen draws one more).
    painter.drawRect(rect.left(), rect.top(), kListColumnWidth - 1, rect.height() - 1);
    painter.setPen(textPen);
    painter.drawText(QRect(rect.left() + spacing_, rect.top() + spacing_ / 2,
                           kListColumnWidth - spacing_, rect.height()),
                     Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
}

void ThumbnailBox::repaintItem(int index) {
    if (viewMode_ == ThumbnailViewMode::Thumbnails) {
        viewport()->update(cellRect(index % colCount_, index / colCount_));
    } else {
        viewport()->update(
            QRect(0, cellRect(0, index).top(), viewport()->width(), defaultRowHeight_));
    }
}

} // namespace pixbako
