// The thumbnail box: items, sorting, layout, painting and mouse selection.
#include "components/ThumbnailBox.h"

#include "engine/datepattern/DateFormat.h"
#include "engine/shotdate/ShotDate.h"
#include "platform/DirectoryListing.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <deque>
#include <filesystem>
#include <map>

namespace pixbako {
namespace {

const char* const kCaptionPattern = "YYYY/MM/DD(aaa) HH:MM:SS";
const QString kLoading = QStringLiteral("読込中");
const QString kNonImage = QStringLiteral("Non Image");
constexpr int kListColumnWidth = 180;
constexpr int kPicturesKept = 600; // decoded thumbnails kept for repainting

QString decodePath(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

// Equal length and equal ignoring the case of ASCII letters.
QString asciiFolded(const QString& text) {
    QString folded = text;
    for (QChar& c : folded) {
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            c = QChar(c.unicode() + ('a' - 'A'));
    }
    return folded;
}

} // namespace

QString fileNamePart(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return decodePath(slash == std::string::npos ? path : path.substr(slash + 1));
}

QString folderPart(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? QString() : decodePath(path.substr(0, slash + 1));
}

TThumbnailBox::TThumbnailBox(QWidget* parent)
    : QAbstractScrollArea(parent), source_(std::make_unique<BuilderSource>()),
      pictures_(kPicturesKept) {
    // The C locale means no preference; the program is written for Japanese systems.
    if (QLocale().language() == QLocale::C)
        collator_.setLocale(QLocale(QLocale::Japanese, QLocale::Japan));
    collator_.setCaseSensitivity(Qt::CaseInsensitive);
    selectedColor_ = palette().color(QPalette::Highlight);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setMouseTracking(true);
    viewport()->setAutoFillBackground(true);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
}

TThumbnailBox::~TThumbnailBox() {
    source_->deleteCache();
}

void TThumbnailBox::setThumbnailSource(std::unique_ptr<IThumbnailSource> source) {
    source_->deleteCache();
    source_ = std::move(source);
    forgetPictures();
    for (auto& item : items_)
        item->State = 2;
    BuildThumbnails();
    viewport()->update();
}

// --- properties ---

void TThumbnailBox::setFolder(const QString& folder) {
    folder_ = folder;
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        return;
    std::vector<std::string> paths;
    QByteArray base = QFile::encodeName(folder);
    if (!base.endsWith('/'))
        base += '/';
    // Plain files only: no folders, no hidden files; the listing's name order.
    const auto entries = listDirectory(base.toStdString(), "*.*");
    for (const DirectoryEntry& entry : entries.value_or(std::vector<DirectoryEntry>{})) {
        if (entry.isDirectory || entry.isHidden || entry.isSystem)
            continue;
        paths.push_back(base.toStdString() + entry.name);
    }
    const int total = static_cast<int>(paths.size());
    for (int k = 0; k < total; ++k) {
        Add(paths[k]);
        if (OnProgress)
            OnProgress(*this, k + 1, total);
    }
}

void TThumbnailBox::setMultiSelect(bool on) {
    multiSelect_ = on;
    if (on)
        return;
    for (auto& item : items_) {
        item->Selected = false;
        current_ = item.get();
    }
    viewport()->update();
}

void TThumbnailBox::setOmitted(bool on) {
    omitted_ = on;
    UpdateLayout();
}

void TThumbnailBox::setRightAway(bool on) {
    rightAway_ = on;
    if (on) {
        BuildThumbnails();
        viewport()->update();
    }
}

void TThumbnailBox::setSelectedColor(const QColor& color) {
    selectedColor_ = color;
    viewport()->update();
}

void TThumbnailBox::setScrollBar(TScrollDirection direction) {
    scrollBar_ = direction;
    applyScrollBarPolicies();
    UpdateLayout();
}

// The bar of the growth direction is always there, so that its coming and going never
// changes the number of columns (or rows) it depends on.
void TThumbnailBox::applyScrollBarPolicies() {
    const bool horizontal =
        viewMode_ == TViewMode::vmThumbnail && scrollBar_ == TScrollDirection::sdHorizontal;
    setHorizontalScrollBarPolicy(horizontal ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(horizontal ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOn);
}

void TThumbnailBox::setShowCaptions(bool on) {
    showCaptions_ = on;
    UpdateLayout();
}

void TThumbnailBox::setShowFileName(bool on) {
    showFileName_ = on;
    UpdateLayout();
}

void TThumbnailBox::setSorted(TSortType type) {
    sorted_ = type;
    resort();
    viewport()->update();
    UpdateLayout();
}

void TThumbnailBox::setSortUP(bool up) {
    sortUp_ = up;
    setSorted(sorted_);
    UpdateLayout();
}

void TThumbnailBox::setSpacing(int pixels) {
    spacing_ = pixels;
    UpdateLayout();
}

void TThumbnailBox::setThumbnailFile(const QString& folder) {
    source_->setCacheFolder(folder);
    thumbnailFile_ = folder;
}

void TThumbnailBox::setThumbnailSize(int pixels) {
    thumbnailSize_ = pixels;
    source_->deleteCache();
    forgetPictures();
    for (auto& item : items_)
        item->State = 2;
    BuildThumbnails();
    UpdateLayout();
}

void TThumbnailBox::setViewMode(TViewMode mode) {
    viewMode_ = mode;
    applyScrollBarPolicies();
    UpdateLayout();
    viewport()->update();
}

// --- items ---

int TThumbnailBox::Add(const std::string& fileName) {
    auto owned = std::make_unique<TFileItem>();
    owned->FileName = fileName;
    TFileItem& item = *owned;
    items_.push_back(std::move(owned));
    // An error ends Add with the item in the list (as the last one), shown by the layout.
    try {
        item.Caption = QString::fromStdString(FormatDateText(kCaptionPattern, EXIFDATE(fileName)));
        BuildThumbnails();
    } catch (...) {
        UpdateLayout();
        throw;
    }
    maxTextWidth_ =
        std::max(maxTextWidth_, fontMetrics().horizontalAdvance(fileNamePart(fileName)));
    const int index = placeNewItem(Count() - 1);
    UpdateLayout();
    if (OnAdded)
        OnAdded(*this, index, fileName);
    return index;
}

void TThumbnailBox::Clear() {
    items_.clear();
    current_ = nullptr;
    maxTextWidth_ = 0;
    source_->deleteCache();
    forgetPictures();
    UpdateLayout();
    viewport()->update();
}

void TThumbnailBox::Delete(int index) {
    if (index < 0 || index >= Count())
        return;
    if (items_[index].get() == current_)
        removeCurrentFor(index);
    items_.erase(items_.begin() + index);
    if (items_.empty()) {
        source_->deleteCache();
        forgetPictures();
    }
    UpdateLayout();
    viewport()->update();
}

// The removed item was current: the nearest selected item before it becomes current,
// searching backwards and wrapping round; none when no other item is selected.
void TThumbnailBox::removeCurrentFor(int index) {
    current_ = nullptr;
    const int n = Count();
    for (int step = 1; step < n; ++step) {
        TFileItem& other = *items_[(index - step + n) % n];
        if (other.Selected) {
            current_ = &other;
            return;
        }
    }
}

void TThumbnailBox::RegisterFormat(const std::string& extension, PictureReader reader) {
    source_->registerFormat(extension, std::move(reader));
}

int TThumbnailBox::IndexOf(const TFileItem* item) const {
    for (int i = 0; i < Count(); ++i) {
        if (items_[i].get() == item)
            return i;
    }
    return -1;
}

const std::vector<std::string>& TThumbnailBox::SelectedFiles() {
    selectedFiles_.clear();
    for (const auto& item : items_) {
        if (item->Selected)
            selectedFiles_.push_back(item->FileName);
    }
    return selectedFiles_;
}

void TThumbnailBox::SelectAll() {
    if (items_.empty())
        return;
    if (multiSelect_) {
        for (auto& item : items_)
            item->Selected = true;
    } else {
        ClearSelection();
        items_.back()->Selected = true;
    }
    current_ = items_.back().get();
    viewport()->update();
}

void TThumbnailBox::ClearSelection() {
    for (auto& item : items_)
        item->Selected = false;
    current_ = nullptr;
    viewport()->update();
}

void TThumbnailBox::SetCaption(int index, const QString& text) {
    Items(index).Caption = text;
    Items(index).keyType = -1;
    const int width = fontMetrics().horizontalAdvance(text);
    if (width > maxTextWidth_) {
        maxTextWidth_ = width;
        UpdateLayout();
    }
    repaintItem(index);
}

// Builds every pending thumbnail. A file that is gone or holds no readable picture shows
// "Non Image"; only a cache file that can't be used stops the building (and its caller).
void TThumbnailBox::BuildThumbnails() {
    if (!rightAway_)
        return;
    for (auto& owned : items_) {
        TFileItem& item = *owned;
        if (item.State != 2)
            continue;
        std::error_code error;
        if (!std::filesystem::exists(item.FileName, error)) {
            item.State = 0;
            continue;
        }
        std::optional<std::int64_t> pos;
        try {
            pos = source_->build(item.FileName, thumbnailSize_);
        } catch (const ThumbnailCacheError&) {
            throw;
        } catch (const std::exception&) {
            pos.reset();
        }
        item.State = pos ? 1 : 0;
        item.CachePos = pos.value_or(0);
    }
}

// --- sorting ---

QString TThumbnailBox::sortKey(const TFileItem& item) const {
    switch (sorted_) {
    case TSortType::stFileName:
        return fileNamePart(item.FileName);
    case TSortType::stFullName:
        return decodePath(item.FileName);
    case TSortType::stCaption:
        return item.Caption;
    case TSortType::stNone:
        break;
    }
    return {};
}

const QCollatorSortKey& TThumbnailBox::collationKey(const TFileItem& item) const {
    if (item.keyType != static_cast<int>(sorted_) || !item.collationKey) {
        item.collationKey = collator_.sortKey(sortKey(item));
        item.keyType = static_cast<int>(sorted_);
    }
    return *item.collationKey;
}

// Sorts the keys, then takes for each sorted key the first remaining item whose key equals it
// (ignoring ASCII case): items with equal keys keep their relative order.
void TThumbnailBox::resort() {
    if (sorted_ == TSortType::stNone || Count() < 2)
        return;
    std::vector<QString> keys;
    keys.reserve(items_.size());
    std::map<QString, std::deque<std::unique_ptr<TFileItem>>> byKey;
    std::vector<QCollatorSortKey> sortKeys;
    std::vector<std::size_t> order(items_.size());
    for (std::size_t i = 0; i < items_.size(); ++i) {
        keys.push_back(sortKey(*items_[i]));
        sortKeys.push_back(collationKey(*items_[i]));
        order[i] = i;
    }
    for (auto& item : items_)
        byKey[asciiFolded(sortKey(*item))].push_back(std::move(item));
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        const int d = sortKeys[a].compare(sortKeys[b]);
        return sortUp_ ? d < 0 : d > 0;
    });
    for (std::size_t i = 0; i < order.size(); ++i) {
        auto& queue = byKey[asciiFolded(keys[order[i]])];
        items_[i] = std::move(queue.front());
        queue.pop_front();
    }
}

// The new item starts at `position` (the end) and moves in front of the first item whose key
// is greater (ascending) or smaller (descending): after every equal key.
int TThumbnailBox::placeNewItem(int position) {
    if (sorted_ == TSortType::stNone)
        return position;
    const QCollatorSortKey key = collationKey(*items_[position]);
    int p = position;
    for (int i = 0; i < Count(); ++i) {
        if (i == p)
            continue;
        const int d = collationKey(*items_[i]).compare(key);
        const bool move =
            sortUp_ ? (d < 0 && p < i) || (d > 0 && i < p) : (d > 0 && p < i) || (d < 0 && i < p);
        if (!move)
            continue;
        auto item = std::move(items_[p]);
        items_.erase(items_.begin() + p);
        items_.insert(items_.begin() + i, std::move(item));
        p = i;
    }
    return p;
}

// --- layout ---

int TThumbnailBox::textHeight() const {
    return fontMetrics().boundingRect(QStringLiteral("ABCDEFG")).height();
}

void TThumbnailBox::UpdateLayout() {
    const int th = textHeight();
    const QSize client = viewport()->size();
    if (viewMode_ == TViewMode::vmThumbnail) {
        const int cw = 2 * spacing_ + (omitted_ || maxTextWidth_ <= thumbnailSize_ ? thumbnailSize_
                                                                                   : maxTextWidth_);
        int ch = 2 * spacing_ + thumbnailSize_;
        if (showFileName_)
            ch += th + spacing_;
        if (showCaptions_)
            ch += th + spacing_;
        if (scrollBar_ == TScrollDirection::sdVertical) {
            colCount_ = std::max(1, (client.width() - 4) / cw);
            rowCount_ = std::max(1, Count() / colCount_ + (Count() % colCount_ ? 1 : 0));
            defaultColWidth_ = std::max(1, (client.width() - 4) / colCount_);
            defaultRowHeight_ = ch;
        } else {
            rowCount_ = std::max(1, (client.height() - 4) / ch);
            colCount_ = std::max(1, Count() / rowCount_ + (Count() % rowCount_ ? 1 : 0));
            defaultColWidth_ = cw;
            defaultRowHeight_ = std::max(1, (client.height() - 4) / rowCount_);
        }
    } else {
        colCount_ = showCaptions_ ? 3 : 2;
        rowCount_ = std::max(1, Count());
        if (maxTextWidth_ > 0)
            defaultColWidth_ = kListColumnWidth;
        defaultRowHeight_ = th + spacing_;
    }
    focusCell_.setX(std::min(focusCell_.x(), colCount_ - 1));
    focusCell_.setY(std::min(focusCell_.y(), rowCount_ - 1));
    updateScrollBars();
    viewport()->update();
}

int TThumbnailBox::ColWidth(int column) const {
    if (viewMode_ == TViewMode::vmFileName && column == 1 && !showCaptions_)
        return 0;
    return defaultColWidth_;
}

int TThumbnailBox::columnLeft(int column) const {
    int left = 0;
    if (viewMode_ == TViewMode::vmFileName) {
        for (int c = 0; c < column; ++c)
            left += ColWidth(c);
        return left;
    }
    return column * defaultColWidth_;
}

void TThumbnailBox::updateScrollBars() {
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

QRect TThumbnailBox::CellRect(int column, int row) const {
    return QRect(columnLeft(column) - horizontalScrollBar()->value(),
                 row * defaultRowHeight_ - verticalScrollBar()->value(), ColWidth(column),
                 defaultRowHeight_);
}

QPoint TThumbnailBox::MouseToCell(QPoint pos) const {
    const int x = pos.x() + horizontalScrollBar()->value();
    const int y = pos.y() + verticalScrollBar()->value();
    if (pos.x() < 0 || pos.y() < 0 || x < 0 || y < 0 || defaultRowHeight_ <= 0)
        return {-1, -1};
    const int row = y / defaultRowHeight_;
    if (row >= rowCount_)
        return {-1, -1};
    for (int column = 0; column < colCount_; ++column) {
        const int left = columnLeft(column);
        if (x >= left && x < left + ColWidth(column))
            return {column, row};
        if (viewMode_ == TViewMode::vmThumbnail && column == 0)
            return x / defaultColWidth_ < colCount_ ? QPoint(x / defaultColWidth_, row)
                                                    : QPoint(-1, -1);
    }
    return {-1, -1};
}

int TThumbnailBox::ItemIndexOfCell(QPoint cell) const {
    return viewMode_ == TViewMode::vmThumbnail ? cell.y() * colCount_ + cell.x() : cell.y();
}

void TThumbnailBox::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateLayout();
}

void TThumbnailBox::scrollContentsBy(int, int) {
    viewport()->update();
}

void TThumbnailBox::ensureCellVisible(QPoint cell) {
    const QRect rect = CellRect(cell.x(), cell.y());
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

void TThumbnailBox::forgetPictures() {
    pictures_.clear();
}

void TThumbnailBox::paintEvent(QPaintEvent* event) {
    if (!layoutDone_) {
        layoutDone_ = true;
        UpdateLayout();
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
    if (viewMode_ == TViewMode::vmThumbnail && defaultColWidth_ > 0) {
        firstColumn = std::max(0, (x0 + dirty.left()) / defaultColWidth_);
        lastColumn = std::min(colCount_ - 1, (x0 + dirty.right()) / defaultColWidth_);
    }
    for (int row = firstRow; row <= lastRow; ++row) {
        for (int column = firstColumn; column <= lastColumn; ++column) {
            const QRect rect = CellRect(column, row);
            if (rect.width() > 0 && rect.intersects(dirty))
                drawCell(painter, column, row, rect);
        }
    }
}

void TThumbnailBox::drawCell(QPainter& painter, int column, int row, const QRect& rect) {
    const int index = ItemIndexOfCell({column, row});
    const TFileItem* item = index < Count() ? items_[index].get() : nullptr;
    const bool selected = item && item->Selected;
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
    if (viewMode_ == TViewMode::vmThumbnail)
        drawThumbnailCell(painter, *item, rect, selected);
    else
        drawListCell(painter, *item, column, rect);
}

void TThumbnailBox::drawThumbnailCell(QPainter& painter, const TFileItem& item, const QRect& rect,
                                      bool selected) {
    const int left = rect.left();
    const int top = rect.top();
    const int width = rect.width();
    QImage* picture = nullptr;
    if (item.State == 1) {
        picture = pictures_.object(item.CachePos);
        if (!picture) {
            auto decodedImage = std::make_unique<QImage>(source_->read(item.CachePos));
            ++decoded_;
            picture = decodedImage.get();
            pictures_.insert(item.CachePos, decodedImage.release());
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
        const QString text = item.State == 2 ? kLoading : kNonImage;
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
        drawLine(fileNamePart(item.FileName));
    if (showCaptions_)
        drawLine(item.Caption);
}

void TThumbnailBox::drawListCell(QPainter& painter, const TFileItem& item, int column,
                                 const QRect& rect) {
    QString text;
    if (column == 0)
        text = fileNamePart(item.FileName);
    else if (column == 1)
        text = folderPart(item.FileName);
    else
        text = item.Caption;
    const QPen textPen = painter.pen();
    painter.setPen(QPen(palette().color(QPalette::Disabled, QPalette::Text), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect.left(), rect.top(), kListColumnWidth, rect.height() - 1);
    painter.setPen(textPen);
    painter.drawText(QRect(rect.left() + spacing_, rect.top() + spacing_ / 2,
                           kListColumnWidth - spacing_, rect.height()),
                     Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
}

void TThumbnailBox::repaintItem(int index) {
    if (viewMode_ == TViewMode::vmThumbnail) {
        viewport()->update(CellRect(index % colCount_, index / colCount_));
    } else {
        viewport()->update(
            QRect(0, CellRect(0, index).top(), viewport()->width(), defaultRowHeight_));
    }
}

// --- mouse and keys ---

void TThumbnailBox::mousePressEvent(QMouseEvent* event) {
    pressCell_ = MouseToCell(event->position().toPoint());
    if (pressCell_.x() >= 0 && event->button() != Qt::MiddleButton) {
        focusCell_ = pressCell_;
        viewport()->update();
    }
    event->accept();
}

void TThumbnailBox::mouseDoubleClickEvent(QMouseEvent* event) {
    mousePressEvent(event);
    if (OnDblClick)
        OnDblClick(*this);
}

void TThumbnailBox::setSelected(TFileItem& item, bool on) {
    item.Selected = on;
}

// Selects every item of the block between two cells; the first becomes the new anchor.
void TThumbnailBox::selectBlock(QPoint from, QPoint to) {
    if (viewMode_ == TViewMode::vmFileName) {
        for (int row = from.y(); row <= to.y(); ++row) {
            if (row < Count()) {
                items_[row]->Selected = true;
                current_ = items_[row].get();
            }
        }
        return;
    }
    for (int row = from.y(); row <= to.y(); ++row) {
        for (int column = from.x(); column <= to.x(); ++column) {
            const int index = row * colCount_ + column;
            if (index < Count()) {
                items_[index]->Selected = true;
                current_ = items_[index].get();
            }
        }
    }
}

void TThumbnailBox::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    const QPoint cell = MouseToCell(pos);
    event->accept();
    if (pressCell_.x() < 0 || cell.x() < 0)
        return;
    const Qt::MouseButton button = event->button();
    const Qt::KeyboardModifiers keys = event->modifiers();
    if (cell != pressCell_ || (button != Qt::LeftButton && button != Qt::RightButton)) {
        viewport()->update();
        return;
    }
    const int index = ItemIndexOfCell(cell);
    TFileItem* item = index < Count() ? items_[index].get() : nullptr;
    const bool shift = keys & Qt::ShiftModifier;
    const bool ctrl = keys & Qt::ControlModifier;
    const bool left = button == Qt::LeftButton;
    if (multiSelect_ && left && shift) {
        const QPoint from(std::min(anchorCell_.x(), cell.x()), std::min(anchorCell_.y(), cell.y()));
        const QPoint to(std::max(anchorCell_.x(), cell.x()), std::max(anchorCell_.y(), cell.y()));
        anchorCell_ = from;
        if (!ctrl) {
            for (auto& other : items_)
                other->Selected = false;
            current_ = nullptr;
        }
        selectBlock(from, to);
    } else if (multiSelect_ && ((ctrl && left) || !left)) {
        if (item) {
            item->Selected = !item->Selected;
            if (item == current_ && !item->Selected)
                current_ = nullptr;
        }
        anchorCell_ = cell;
    } else {
        for (auto& other : items_)
            other->Selected = false;
        if (item) {
            item->Selected = true;
            current_ = item;
        } else {
            current_ = nullptr;
        }
        anchorCell_ = cell;
    }
    viewport()->update();
    if (OnMouseUp)
        OnMouseUp(*this, button, keys, pos);
}

void TThumbnailBox::mouseMoveEvent(QMouseEvent* event) {
    if (OnMouseMove)
        OnMouseMove(*this, event->position().toPoint());
}

void TThumbnailBox::keyPressEvent(QKeyEvent* event) {
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
bool TThumbnailBox::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        QHelpEvent forBox(QEvent::ToolTip, viewport()->mapTo(this, help->pos()), help->globalPos());
        return QCoreApplication::sendEvent(this, &forBox);
    }
    return QAbstractScrollArea::viewportEvent(event);
}

} // namespace pixbako
