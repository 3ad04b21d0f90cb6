#pragma once
// ThumbnailBox shows a list of files as a grid of thumbnails with captions, or as a plain
// list of names, and lets the user select files with the mouse:
//
//     auto* box = new ThumbnailBox(parent);
//     box->setSortOrder(ThumbnailSortOrder::Caption);
//     box->addFile("/media/card/DCIM/IMG_0001.JPG"); // caption: the shot date
//     ... box->selectedFiles() ...
//
// Items are kept in display order: in thumbnail view item i sits at column i mod columnCount,
// row i div columnCount; in list view item i is row i. Each picture gets one small JPEG
// thumbnail, built once (when rightAway) by the thumbnail source and kept in its cache file;
// painting decodes only the cached thumbnails of the cells on screen.
//
// The grid is drawn by the box itself (a scroll area over cells of one default width and
// height; list view gives its middle column its own width). Mouse selection follows the
// grid's cells: plain, Ctrl, right-button, Shift and Shift+Ctrl block clicks; keys only move
// the focus cell. Owners hear of events through the On... members.
#include "components/ThumbnailSource.h"
#include "engine/datepattern/DateFormat.h"

#include <QAbstractScrollArea>
#include <QCache>
#include <QCollator>
#include <QColor>
#include <QPoint>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace pixbako {

enum class ThumbnailSortOrder { None, FileName, FullName, Caption };
enum class ThumbnailViewMode { FileNames, Thumbnails };
enum class ScrollDirection { Horizontal, Vertical };

// One file of the box.
struct ThumbnailItem {
    std::string fileName; // full path, the bytes of the name on disk
    QString caption;      // the shot date unless replaced with setCaption
    bool selected = false;
    int state = 2;             // 2 not built yet, 1 cached at cachePos, 0 no picture
    std::int64_t cachePos = 0; // offset of the thumbnail in the cache file

    // The box's collation key of the item's sort key, for the sort type it was made for
    // (-1: none); setCaption forgets it.
    mutable int keyType = -1;
    mutable std::optional<QCollatorSortKey> collationKey;
};

class ThumbnailBox : public QAbstractScrollArea {
    Q_OBJECT
public:
    using TAddedEvent =
        std::function<void(ThumbnailBox& sender, int index, const std::string& fileName)>;
    using TProgressEvent = std::function<void(ThumbnailBox& sender, int addIndex, int total)>;
    using TMouseEvent = std::function<void(ThumbnailBox& sender, Qt::MouseButton button,
                                           Qt::KeyboardModifiers keys, QPoint pos)>;
    using TMoveEvent = std::function<void(ThumbnailBox& sender, QPoint pos)>;
    using TNotifyEvent = std::function<void(ThumbnailBox& sender)>;

    explicit ThumbnailBox(QWidget* parent = nullptr);
    ~ThumbnailBox() override;

    // The locale's texts of the captions (weekday names) and of the shot dates read for them.
    void setDateTexts(DateTextSettings texts) { dateTexts_ = std::move(texts); }

    // The source of thumbnails; the box starts with the thumbnail builder, cache file in the
    // working folder.
    void setThumbnailSource(std::unique_ptr<IThumbnailSource> source);
    IThumbnailSource& thumbnailSource() { return *source_; }

    // --- properties ---
    QString folder() const { return folder_; }
    void setFolder(const QString& folder); // adds every plain file of the folder
    bool multiSelect() const { return multiSelect_; }
    void setMultiSelect(bool on);
    bool omitted() const { return omitted_; }
    void setOmitted(bool on);
    bool rightAway() const { return rightAway_; }
    void setRightAway(bool on);
    QColor selectedColor() const { return selectedColor_; }
    void setSelectedColor(const QColor& color);
    ScrollDirection scrollDirection() const { return scrollBar_; }
    void setScrollDirection(ScrollDirection direction);
    bool showCaptions() const { return showCaptions_; }
    void setShowCaptions(bool on);
    bool showFileName() const { return showFileName_; }
    void setShowFileName(bool on);
    ThumbnailSortOrder sortOrder() const { return sorted_; }
    void setSortOrder(ThumbnailSortOrder type);
    bool sortAscending() const { return sortUp_; }
    void setSortAscending(bool up);
    int spacing() const { return spacing_; }
    void setSpacing(int pixels);
    QString cacheFolder() const { return thumbnailFile_; }
    void setCacheFolder(const QString& folder); // moves the cache file
    int thumbnailSize() const { return thumbnailSize_; }
    void setThumbnailSize(int pixels); // rebuilds every thumbnail
    ThumbnailViewMode viewMode() const { return viewMode_; }
    void setViewMode(ThumbnailViewMode mode);

    TAddedEvent onAdded;
    TProgressEvent onProgress;
    TMouseEvent onMouseUp; // only for a press and release inside cells
    TMoveEvent onMouseMove;
    TNotifyEvent onDoubleClick;

    // --- operations ---
    // Appends the file, builds its thumbnail, moves it to its sorted place; returns its index.
    // An unreadable shot date ends addFile with ShotDateError after the item was appended with an
    // empty caption.
    int addFile(const std::string& fileName);
    void clear();
    void removeAt(int index);
    int count() const { return static_cast<int>(items_.size()); }
    ThumbnailItem& item(int index) { return *items_.at(index); }
    const ThumbnailItem& item(int index) const { return *items_.at(index); }
    // The paths of the selected items in item order; the list is the box's and refilled on
    // every call.
    const std::vector<std::string>& selectedFiles();
    void selectAll();
    void clearSelection();
    QString caption(int index) const { return item(index).caption; }
    void setCaption(int index, const QString& text);
    int columnCount() const { return colCount_; }
    int rowCount() const { return rowCount_; }
    void buildThumbnails();
    // The files about to be added, in their order: their thumbnails may be made ahead on
    // other cores (when rightAway); what the box shows does not change.
    void prefetchThumbnails(std::vector<std::string> paths);
    void registerFormat(const std::string& extension, PictureReader reader);
    // Whether RAW files, HEIC pictures and movies get thumbnails too (their embedded previews,
    // the picture, one frame); off, they show "Non Image" like every file the table can't read.
    // The main window sets it from the import option that reads those formats' shot dates.
    // A change rebuilds only the items it concerns: those showing "Non Image" are tried again
    // when it is switched on, those the table no longer reads become "Non Image" when off.
    void setAllFormats(bool on);
    bool allFormats() const { return allFormats_; }
    void updateLayout();
    ThumbnailItem* currentItem() const { return current_; }
    int indexOf(const ThumbnailItem* item) const; // -1 when not an item of the box

    // --- the grid ---
    // The cell (column, row) under a point of the viewport; (-1, -1) outside every cell.
    QPoint cellAt(QPoint pos) const;
    // A cell's rectangle in viewport coordinates (it may lie outside the visible part).
    QRect cellRect(int column, int row) const;
    int itemIndexOfCell(QPoint cell) const; // as the drawing numbers cells; may be >= count()
    int defaultColumnWidth() const { return defaultColWidth_; }
    int defaultRowHeight() const { return defaultRowHeight_; }
    int columnWidth(int column) const;
    QPoint focusCell() const { return focusCell_; }
    QPoint anchorCell() const { return anchorCell_; }
    QPoint pressCell() const { return pressCell_; }
    int maxTextWidth() const { return maxTextWidth_; }
    bool layoutDone() const { return layoutDone_; }
    // How many thumbnails painting has decoded from the cache file so far.
    std::int64_t decodedThumbnails() const { return decoded_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    bool viewportEvent(QEvent* event) override;

private:
    QString sortKey(const ThumbnailItem& item) const;
    const QCollatorSortKey& collationKey(const ThumbnailItem& item) const;
    void resort();
    int placeNewItem(int position);
    void selectBlock(QPoint from, QPoint to);
    void setSelected(ThumbnailItem& item, bool on);
    void repaintItem(int index);
    void removeCurrentFor(int index);
    void updateScrollBars();
    void applyScrollBarPolicies();
    void ensureCellVisible(QPoint cell);
    int columnLeft(int column) const;
    int textHeight() const;
    void drawCell(class QPainter& painter, int column, int row, const QRect& rect);
    void drawThumbnailCell(QPainter& painter, const ThumbnailItem& item, const QRect& rect,
                           bool selected);
    void drawListCell(QPainter& painter, const ThumbnailItem& item, int column, const QRect& rect);
    void forgetPictures();

    std::vector<std::unique_ptr<ThumbnailItem>> items_;
    std::vector<std::string> selectedFiles_;
    std::unique_ptr<IThumbnailSource> source_;
    DateTextSettings dateTexts_ = japaneseDateTextSettings();
    QCache<std::int64_t, QImage> pictures_; // decoded thumbnails of recently painted cells
    QCollator collator_;
    ThumbnailItem* current_ = nullptr;

    QString folder_;
    bool multiSelect_ = true;
    bool omitted_ = false;
    bool rightAway_ = true;
    QColor selectedColor_;
    ScrollDirection scrollBar_ = ScrollDirection::Vertical;
    bool showCaptions_ = false;
    bool showFileName_ = true;
    ThumbnailSortOrder sorted_ = ThumbnailSortOrder::None;
    bool sortUp_ = true;
    int spacing_ = 4;
    QString thumbnailFile_;
    int thumbnailSize_ = 120;
    bool allFormats_ = false;
    ThumbnailViewMode viewMode_ = ThumbnailViewMode::Thumbnails;

    int colCount_ = 1;
    int rowCount_ = 1;
    int defaultColWidth_ = 64;
    int defaultRowHeight_ = 24;
    QPoint focusCell_{0, 0};
    QPoint anchorCell_{0, 0};
    QPoint pressCell_{0, 0};
    int maxTextWidth_ = 0;
    bool layoutDone_ = false;
    std::int64_t decoded_ = 0;
};

// The file-name part of a path (after the last "/").
QString fileNamePart(const std::string& path);
// The folder part of a path, up to and including the last "/".
QString folderPart(const std::string& path);

} // namespace pixbako
using pixbako::ThumbnailBox; // uic names the class without its namespace
