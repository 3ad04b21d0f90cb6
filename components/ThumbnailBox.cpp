// The thumbnail box: items, properties, thumbnails and sorting.
#include "components/ThumbnailBox.h"

#include "engine/datepattern/DateFormat.h"
#include "engine/shotdate/ShotDate.h"
#include "platform/DirectoryListing.h"
#include "platform/Paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QScrollBar>

#include <algorithm>
#include <deque>
#include <filesystem>
#include <map>

namespace pixbako {
namespace {

const char* const kCaptionPattern = "YYYY/MM/DD(aaa) HH:MM:SS";
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
    return decodePath(fileNameOf(path));
}

QString folderPart(const std::string& path) {
    const std::string folder = folderPartOf(path);
    return folder.empty() ? QString() : decodePath(folder);
}

ThumbnailBox::ThumbnailBox(QWidget* parent)
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

ThumbnailBox::~ThumbnailBox() {
    source_->deleteCache();
}

void ThumbnailBox::setThumbnailSource(std::unique_ptr<IThumbnailSource> source) {
    source_->deleteCache();
    source_ = std::move(source);
    source_->setAllFormats(allFormats_);
    forgetPictures();
    for (auto& item : items_)
        item->state = 2;
    buildThumbnails();
    viewport()->update();
}

// --- properties ---

void ThumbnailBox::setFolder(const QString& folder) {
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
    prefetchThumbnails(paths);
    for (int k = 0; k < total; ++k) {
        addFile(paths[k]);
        if (onProgress)
            onProgress(*this, k + 1, total);
    }
}

void ThumbnailBox::setMultiSelect(bool on) {
    multiSelect_ = on;
    if (on)
        return;
    for (auto& item : items_) {
        item->selected = false;
        current_ = item.get();
    }
    viewport()->update();
}

void ThumbnailBox::setOmitted(bool on) {
    omitted_ = on;
    updateLayout();
}

void ThumbnailBox::setRightAway(bool on) {
    rightAway_ = on;
    if (on) {
        buildThumbnails();
        viewport()->update();
    }
}

void ThumbnailBox::setSelectedColor(const QColor& color) {
    selectedColor_ = color;
    viewport()->update();
}

void ThumbnailBox::setScrollDirection(ScrollDirection direction) {
    scrollBar_ = direction;
    applyScrollBarPolicies();
    updateLayout();
}

// The bar of the growth direction is always there, so that its coming and going never
// changes the number of columns (or rows) it depends on.
void ThumbnailBox::applyScrollBarPolicies() {
    const bool horizontal =
        viewMode_ == ThumbnailViewMode::Thumbnails && scrollBar_ == ScrollDirection::Horizontal;
    setHorizontalScrollBarPolicy(horizontal ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(horizontal ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOn);
}

void ThumbnailBox::setShowCaptions(bool on) {
    showCaptions_ = on;
    updateLayout();
}

void ThumbnailBox::setShowFileName(bool on) {
    showFileName_ = on;
    updateLayout();
}

void ThumbnailBox::setSortOrder(ThumbnailSortOrder type) {
    sorted_ = type;
    resort();
    viewport()->update();
    updateLayout();
}

void ThumbnailBox::setSortAscending(bool up) {
    sortUp_ = up;
    setSortOrder(sorted_);
    updateLayout();
}

void ThumbnailBox::setSpacing(int pixels) {
    spacing_ = pixels;
    updateLayout();
}

void ThumbnailBox::setCacheFolder(const QString& folder) {
    source_->setCacheFolder(folder);
    thumbnailFile_ = folder;
}

void ThumbnailBox::setThumbnailSize(int pixels) {
    thumbnailSize_ = pixels;
    source_->deleteCache();
    forgetPictures();
    std::vector<std::string> paths;
    for (auto& item : items_) {
        item->state = 2;
        paths.push_back(item->fileName);
    }
    prefetchThumbnails(std::move(paths));
    buildThumbnails();
    updateLayout();
}

void ThumbnailBox::setViewMode(ThumbnailViewMode mode) {
    viewMode_ = mode;
    applyScrollBarPolicies();
    updateLayout();
    viewport()->update();
}

// --- items ---

int ThumbnailBox::addFile(const std::string& fileName) {
    auto owned = std::make_unique<ThumbnailItem>();
    owned->fileName = fileName;
    ThumbnailItem& item = *owned;
    items_.push_back(std::move(owned));
    // An error ends addFile with the item in the list (as the last one), shown by the layout.
    try {
        item.caption = QString::fromStdString(formatDatePattern(
            kCaptionPattern, shotDateOf(fileName, dateTexts_, allFormats_), dateTexts_));
        buildThumbnails();
    } catch (...) {
        updateLayout();
        throw;
    }
    maxTextWidth_ =
        std::max(maxTextWidth_, fontMetrics().horizontalAdvance(fileNamePart(fileName)));
    const int index = placeNewItem(count() - 1);
    updateLayout();
    if (onAdded)
        onAdded(*this, index, fileName);
    return index;
}

void ThumbnailBox::clear() {
    items_.clear();
    current_ = nullptr;
    maxTextWidth_ = 0;
    source_->deleteCache();
    forgetPictures();
    updateLayout();
    viewport()->update();
}

void ThumbnailBox::removeAt(int index) {
    if (index < 0 || index >= count())
        return;
    if (items_[index].get() == current_)
        removeCurrentFor(index);
    items_.erase(items_.begin() + index);
    if (items_.empty()) {
        source_->deleteCache();
        forgetPictures();
    }
    updateLayout();
    viewport()->update();
}

// The removed item was current: the nearest selected item before it becomes current,
// searching backwards and wrapping round; none when no other item is selected.
void ThumbnailBox::removeCurrentFor(int index) {
    current_ = nullptr;
    const int n = count();
    for (int step = 1; step < n; ++step) {
        ThumbnailItem& other = *items_[(index - step + n) % n];
        if (other.selected) {
            current_ = &other;
            return;
        }
    }
}

void ThumbnailBox::prefetchThumbnails(std::vector<std::string> paths) {
    if (rightAway_)
        source_->prefetch(std::move(paths), thumbnailSize_);
}

void ThumbnailBox::registerFormat(const std::string& extension, PictureReader reader) {
    source_->registerFormat(extension, std::move(reader));
}

void ThumbnailBox::setAllFormats(bool on) {
    if (on == allFormats_)
        return;
    allFormats_ = on;
    source_->setAllFormats(on);
    for (auto& item : items_) {
        if (on && item->state == 0)
            item->state = 2;
        else if (!on && item->state == 1 && !source_->readsFile(item->fileName))
            item->state = 0;
    }
    buildThumbnails();
    viewport()->update();
}

int ThumbnailBox::indexOf(const ThumbnailItem* item) const {
    for (int i = 0; i < count(); ++i) {
        if (items_[i].get() == item)
            return i;
    }
    return -1;
}

const std::vector<std::string>& ThumbnailBox::selectedFiles() {
    selectedFiles_.clear();
    for (const auto& item : items_) {
        if (item->selected)
            selectedFiles_.push_back(item->fileName);
    }
    return selectedFiles_;
}

void ThumbnailBox::selectAll() {
    if (items_.empty())
        return;
    if (multiSelect_) {
        for (auto& item : items_)
            item->selected = true;
    } else {
        clearSelection();
        items_.back()->selected = true;
    }
    current_ = items_.back().get();
    viewport()->update();
}

void ThumbnailBox::clearSelection() {
    for (auto& item : items_)
        item->selected = false;
    current_ = nullptr;
    viewport()->update();
}

void ThumbnailBox::setCaption(int index, const QString& text) {
    item(index).caption = text;
    item(index).keyType = -1;
    const int width = fontMetrics().horizontalAdvance(text);
    if (width > maxTextWidth_) {
        maxTextWidth_ = width;
        updateLayout();
    }
    repaintItem(index);
}

// Builds every pending thumbnail. A file that is gone or holds no readable picture shows
// "Non Image"; only a cache file that can't be used stops the building (and its caller).
void ThumbnailBox::buildThumbnails() {
    if (!rightAway_)
        return;
    for (auto& owned : items_) {
        ThumbnailItem& item = *owned;
        if (item.state != 2)
            continue;
        std::error_code error;
        if (!std::filesystem::exists(item.fileName, error)) {
            item.state = 0;
            continue;
        }
        std::optional<std::int64_t> pos;
        try {
            pos = source_->build(item.fileName, thumbnailSize_);
        } catch (const ThumbnailCacheError&) {
            throw;
        } catch (const std::exception&) {
            pos.reset();
        }
        item.state = pos ? 1 : 0;
        item.cachePos = pos.value_or(0);
    }
}

// --- sorting ---

QString ThumbnailBox::sortKey(const ThumbnailItem& item) const {
    switch (sorted_) {
    case ThumbnailSortOrder::FileName:
        return fileNamePart(item.fileName);
    case ThumbnailSortOrder::FullName:
        return decodePath(item.fileName);
    case ThumbnailSortOrder::Caption:
        return item.caption;
    case ThumbnailSortOrder::None:
        break;
    }
    return {};
}

const QCollatorSortKey& ThumbnailBox::collationKey(const ThumbnailItem& item) const {
    if (item.keyType != static_cast<int>(sorted_) || !item.collationKey) {
        item.collationKey = collator_.sortKey(sortKey(item));
        item.keyType = static_cast<int>(sorted_);
    }
    return *item.collationKey;
}

// Sorts the keys, then takes for each sorted key the first remaining item whose key equals it
// (ignoring ASCII case): items with equal keys keep their relative order.
void ThumbnailBox::resort() {
    if (sorted_ == ThumbnailSortOrder::None || count() < 2)
        return;
    std::vector<QString> keys;
    keys.reserve(items_.size());
    std::map<QString, std::deque<std::unique_ptr<ThumbnailItem>>> byKey;
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
int ThumbnailBox::placeNewItem(int position) {
    if (sorted_ == ThumbnailSortOrder::None)
        return position;
    const QCollatorSortKey key = collationKey(*items_[position]);
    int p = position;
    for (int i = 0; i < count(); ++i) {
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

} // namespace pixbako
