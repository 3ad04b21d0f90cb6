// The thumbnail box: layout numbers, where pictures are drawn, sorting and the placement of
// equal keys, every mouse selection rule, removal, and that painting decodes only the cached
// thumbnails of the cells on screen.
#include "components/ThumbnailBox.h"
#include "engine/thumbnail/RawTestFiles.h"
#include "engine/thumbnail/ThumbnailTestPictures.h"
#include "support/TempFolder.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHelpEvent>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <utime.h>

namespace pixbako {
namespace {

namespace fs = std::filesystem;

// Hands out solid pictures of a fixed size and counts what the box asks for.
class FakeSource final : public IThumbnailSource {
public:
    QSize pictureSize{120, 90};
    std::vector<std::string> built;
    std::vector<std::int64_t> reads;
    int deletions = 0;
    std::set<std::string> noPicture; // paths that give "Non Image"

    std::optional<std::int64_t> build(const std::string& path, int size) override {
        built.push_back(path);
        lastSize = size;
        if (noPicture.count(path))
            return std::nullopt;
        return static_cast<std::int64_t>(built.size()) * 1000;
    }
    QImage read(std::int64_t pos) override {
        reads.push_back(pos);
        QImage image(pictureSize, QImage::Format_RGB32);
        image.fill(Qt::red);
        return image;
    }
    void deleteCache() override { ++deletions; }
    void setCacheFolder(const QString&) override {}
    QString cacheFileName() const override { return {}; }
    int lastSize = 0;
};

class ThumbnailBoxTest : public ::testing::Test {
protected:
    TempFolder temp;
    std::unique_ptr<ThumbnailBox> box = std::make_unique<ThumbnailBox>();
    FakeSource* source = nullptr;

    void SetUp() override {
        auto fake = std::make_unique<FakeSource>();
        source = fake.get();
        box->setThumbnailSource(std::move(fake));
        box->show();
    }

    // A file in the temporary folder; `minute` sets its time stamp (and so its caption).
    std::string file(const std::string& name, int minute = 0) {
        const std::string path = temp.path() + "/" + name;
        fs::create_directories(fs::path(path).parent_path());
        std::ofstream(path) << name;
        utimbuf times{};
        times.actime = times.modtime = 1'600'000'000 + minute * 60;
        ::utime(path.c_str(), &times);
        return path;
    }

    void addFiles(int count) {
        for (int i = 0; i < count; ++i)
            box->addFile(file("F" + std::to_string(1000 + i) + ".JPG", i));
    }

    // Resizes the box so that its viewport gets exactly this size.
    void setViewport(int width, int height) {
        for (int attempt = 0; attempt < 3 && box->viewport()->size() != QSize(width, height);
             ++attempt) {
            QApplication::processEvents();
            const QSize extra = box->size() - box->viewport()->size();
            box->resize(width + extra.width(), height + extra.height());
            QApplication::processEvents();
        }
        ASSERT_EQ(box->viewport()->size(), QSize(width, height));
    }

    std::vector<std::string> names() const {
        std::vector<std::string> all;
        for (int i = 0; i < box->count(); ++i)
            all.push_back(fs::path(box->item(i).fileName).filename().string());
        return all;
    }

    std::vector<int> selected() const {
        std::vector<int> all;
        for (int i = 0; i < box->count(); ++i) {
            if (box->item(i).selected)
                all.push_back(i);
        }
        return all;
    }

    void click(QPoint cell, Qt::MouseButton button = Qt::LeftButton,
               Qt::KeyboardModifiers keys = Qt::NoModifier) {
        const QPoint at = box->cellRect(cell.x(), cell.y()).center();
        QTest::mouseClick(box->viewport(), button, keys, at);
    }

    int th() const { return box->fontMetrics().height(); } // a line of text
};

TEST_F(ThumbnailBoxTest, LayoutNumbersInBothViewsAndDirections) {
    addFiles(7);
    const int cellHeight = 2 * 4 + 120 + th() + 4; // spacing 4, size 120, file names
    struct Case {
        const char* what;
        ThumbnailViewMode view;
        ScrollDirection direction;
        bool captions;
        QSize viewport;
        int columns, rows, columnWidth, rowHeight;
    };
    const Case cases[] = {
        {"vertical: cells widen to fill",
         ThumbnailViewMode::Thumbnails,
         ScrollDirection::Vertical,
         false,
         {400, 300},
         3,
         3,
         132,
         cellHeight},
        {"vertical: narrower than a cell",
         ThumbnailViewMode::Thumbnails,
         ScrollDirection::Vertical,
         false,
         {100, 300},
         1,
         7,
         96,
         cellHeight},
        {"vertical with captions",
         ThumbnailViewMode::Thumbnails,
         ScrollDirection::Vertical,
         true,
         {400, 300},
         3,
         3,
         132,
         cellHeight + th() + 4},
        {"horizontal: rows fill the height",
         ThumbnailViewMode::Thumbnails,
         ScrollDirection::Horizontal,
         false,
         {300, 4 + 2 * cellHeight + 10},
         4,
         2,
         128,
         cellHeight + 5},
        {"horizontal: lower than one cell",
         ThumbnailViewMode::Thumbnails,
         ScrollDirection::Horizontal,
         false,
         {300, cellHeight - 20},
         7,
         1,
         128,
         cellHeight - 24},
        {"list view with captions",
         ThumbnailViewMode::FileNames,
         ScrollDirection::Vertical,
         true,
         {400, 300},
         3,
         7,
         180,
         th() + 4},
        {"list view without captions",
         ThumbnailViewMode::FileNames,
         ScrollDirection::Vertical,
         false,
         {400, 300},
         2,
         7,
         180,
         th() + 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        box->setViewMode(c.view);
        box->setScrollDirection(c.direction);
        box->setShowCaptions(c.captions);
        setViewport(c.viewport.width(), c.viewport.height());
        EXPECT_EQ(box->columnCount(), c.columns);
        EXPECT_EQ(box->rowCount(), c.rows);
        EXPECT_EQ(box->defaultColumnWidth(), c.columnWidth);
        EXPECT_EQ(box->defaultRowHeight(), c.rowHeight);
        if (c.view == ThumbnailViewMode::FileNames) {
            EXPECT_EQ(box->columnWidth(1), c.captions ? 180 : 0);
        }
    }
}

TEST_F(ThumbnailBoxTest, LongNamesWidenCellsUnlessOmittedAndEmptyBoxKeepsOneCell) {
    setViewport(2000, 300);
    EXPECT_EQ(box->columnCount(), (2000 - 4) / 128);
    EXPECT_EQ(box->rowCount(), 1);
    const std::string longName = std::string(60, 'W') + ".JPG";
    box->addFile(file(longName));
    const int width = box->fontMetrics().horizontalAdvance(QString::fromStdString(longName));
    ASSERT_GT(width, 120);
    EXPECT_EQ(box->maxTextWidth(), width);
    EXPECT_EQ(box->columnCount(), (2000 - 4) / (width + 8));
    box->setOmitted(true);
    EXPECT_EQ(box->columnCount(), (2000 - 4) / 128);
    // Removing the item keeps the width; only clear() forgets it.
    box->removeAt(0);
    EXPECT_EQ(box->maxTextWidth(), width);
    box->clear();
    EXPECT_EQ(box->maxTextWidth(), 0);
}

TEST_F(ThumbnailBoxTest, ThumbnailIsCentredInItsCellAndMissingPictureShowsAFrame) {
    box->setPalette([] {
        QPalette palette;
        palette.setColor(QPalette::Base, Qt::white);
        return palette;
    }());
    source->noPicture.insert(temp.path() + "/B.txt");
    box->addFile(file("A.JPG"));
    box->addFile(file("B.txt"));
    setViewport(132, 600); // one column of width 128
    ASSERT_EQ(box->defaultColumnWidth(), 128);
    const QImage shot = box->viewport()->grab().toImage();
    // 120 × 90 in a cell of 128: x = 4, y = 4 + (120 - 90) / 2 = 19.
    EXPECT_EQ(shot.pixelColor(4, 19), QColor(Qt::red));
    EXPECT_EQ(shot.pixelColor(123, 108), QColor(Qt::red));
    EXPECT_NE(shot.pixelColor(3, 19), QColor(Qt::red));
    EXPECT_NE(shot.pixelColor(4, 18), QColor(Qt::red));
    EXPECT_NE(shot.pixelColor(124, 108), QColor(Qt::red));
    EXPECT_NE(shot.pixelColor(4, 109), QColor(Qt::red));
    // The second item has no picture: a black frame of side 120 at x = 4, y = top + 4.
    const int top = box->cellRect(0, 1).top();
    EXPECT_EQ(box->item(1).state, 0);
    EXPECT_EQ(shot.pixelColor(4, top + 4), QColor(Qt::black));
    EXPECT_EQ(shot.pixelColor(123, top + 123), QColor(Qt::black));
    EXPECT_EQ(shot.pixelColor(60, top + 4), QColor(Qt::black));
}

TEST_F(ThumbnailBoxTest, SortingIgnoresCaseAndEqualKeysKeepTheirOrder) {
    box->setSortOrder(ThumbnailSortOrder::FileName);
    for (const char* name : {"b.jpg", "B.jpg", "a.jpg", "C.jpg", "A.jpg"})
        box->addFile(file(name));
    // Case-insensitive (a byte order would put "B" and "C" before "a"); a new equal key lands
    // after the existing one.
    EXPECT_EQ(names(), (std::vector<std::string>{"a.jpg", "A.jpg", "b.jpg", "B.jpg", "C.jpg"}));
    box->setSortAscending(false);
    EXPECT_EQ(names(), (std::vector<std::string>{"C.jpg", "b.jpg", "B.jpg", "a.jpg", "A.jpg"}));
    box->addFile(file("sub/c.jpg"));
    EXPECT_EQ(names()[1], "c.jpg") << "descending: after the equal key";
    box->setSortOrder(ThumbnailSortOrder::FullName);
    box->setSortAscending(true);
    EXPECT_EQ(names().back(), "c.jpg") << "its folder \"sub/\" sorts after the files";
}

TEST_F(ThumbnailBoxTest, CaptionOrderWithEqualShotDates) {
    box->setSortOrder(ThumbnailSortOrder::Caption);
    box->addFile(file("late.jpg", 30));
    box->addFile(file("first.jpg", 10));
    box->addFile(file("same.jpg", 10));
    EXPECT_EQ(names(), (std::vector<std::string>{"first.jpg", "same.jpg", "late.jpg"}));
    EXPECT_TRUE(
        QRegularExpression(QStringLiteral("^\\d{4}/\\d\\d/\\d\\d\\(.\\) \\d\\d:\\d\\d:\\d\\d$"))
            .match(box->caption(0))
            .hasMatch())
        << box->caption(0).toStdString();
    box->setSortOrder(ThumbnailSortOrder::None);
    box->setCaption(2, box->caption(0));
    box->setSortOrder(ThumbnailSortOrder::Caption);
    EXPECT_EQ(names(), (std::vector<std::string>{"first.jpg", "same.jpg", "late.jpg"}));
}

TEST_F(ThumbnailBoxTest, PlainCtrlAndRightClicksFollowTheirRules) {
    addFiles(6);
    setViewport(400, 600); // 3 columns
    click({1, 0});
    EXPECT_EQ(selected(), std::vector<int>{1});
    EXPECT_EQ(box->currentItem(), &box->item(1));
    click({2, 1}, Qt::LeftButton, Qt::ControlModifier);
    EXPECT_EQ(selected(), (std::vector<int>{1, 5}));
    EXPECT_EQ(box->currentItem(), &box->item(1)) << "toggling another item keeps the current";
    EXPECT_EQ(box->anchorCell(), QPoint(2, 1));
    click({1, 0}, Qt::RightButton);
    EXPECT_EQ(selected(), std::vector<int>{5});
    EXPECT_EQ(box->currentItem(), nullptr) << "the current item was toggled off";
    click({0, 0}, Qt::RightButton, Qt::ShiftModifier);
    EXPECT_EQ(selected(), (std::vector<int>{0, 5})) << "right button with any keys toggles";
    click({0, 1});
    EXPECT_EQ(selected(), std::vector<int>{3});
    // Without multiSelect every click is a plain click.
    box->setMultiSelect(false);
    click({1, 1}, Qt::LeftButton, Qt::ControlModifier);
    EXPECT_EQ(selected(), std::vector<int>{4});
    click({0, 0}, Qt::LeftButton, Qt::ShiftModifier);
    EXPECT_EQ(selected(), std::vector<int>{0});
}

TEST_F(ThumbnailBoxTest, ShiftClicksSelectTheRectangleOfCells) {
    addFiles(10);
    setViewport(400, 800); // 3 columns, 4 rows
    click({2, 0});
    click({0, 2}, Qt::LeftButton, Qt::ShiftModifier);
    EXPECT_EQ(selected(), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(box->anchorCell(), QPoint(0, 0));
    // Shift alone drops the rest; cells beyond the last item are skipped.
    click({1, 3}, Qt::LeftButton, Qt::ShiftModifier);
    EXPECT_EQ(selected(), (std::vector<int>{0, 1, 3, 4, 6, 7, 9}));
    EXPECT_EQ(box->currentItem(), &box->item(9));
    // Shift + Ctrl adds a block to the selection.
    click({2, 2}, Qt::LeftButton, Qt::ControlModifier); // toggles 8 on, anchor (2, 2)
    click({2, 3}, Qt::LeftButton, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(selected(), (std::vector<int>{0, 1, 3, 4, 6, 7, 8, 9}));
    // List view: a run of rows.
    box->setViewMode(ThumbnailViewMode::FileNames);
    click({0, 2});
    click({0, 5}, Qt::LeftButton, Qt::ShiftModifier);
    EXPECT_EQ(selected(), (std::vector<int>{2, 3, 4, 5}));
}

TEST_F(ThumbnailBoxTest, ClicksThatChangeNoSelection) {
    addFiles(4);
    setViewport(400, 600);
    int mouseUps = 0;
    box->onMouseUp = [&](ThumbnailBox&, Qt::MouseButton, Qt::KeyboardModifiers, QPoint) {
        ++mouseUps;
    };
    click({0, 0});
    ASSERT_EQ(mouseUps, 1);
    // Press on one cell, release on another.
    QTest::mousePress(box->viewport(), Qt::LeftButton, {}, box->cellRect(1, 0).center());
    QTest::mouseRelease(box->viewport(), Qt::LeftButton, {}, box->cellRect(2, 0).center());
    EXPECT_EQ(selected(), std::vector<int>{0});
    // The middle button.
    click({1, 0}, Qt::MiddleButton);
    EXPECT_EQ(selected(), std::vector<int>{0});
    // Outside every cell: neither selection nor onMouseUp.
    const QPoint below(10, box->cellRect(0, 1).bottom() + 20);
    QTest::mouseClick(box->viewport(), Qt::LeftButton, {}, below);
    EXPECT_EQ(selected(), std::vector<int>{0});
    EXPECT_EQ(mouseUps, 1);
    // An empty cell after the last item is a cell: the selection goes, nothing is current.
    click({1, 1});
    EXPECT_TRUE(selected().empty());
    EXPECT_EQ(box->currentItem(), nullptr);
    EXPECT_EQ(mouseUps, 2);
    // Keys move the focus cell only.
    click({0, 0});
    QTest::keyClick(box.get(), Qt::Key_Right);
    QTest::keyClick(box.get(), Qt::Key_Down);
    EXPECT_EQ(box->focusCell(), QPoint(1, 1));
    EXPECT_EQ(selected(), std::vector<int>{0});
}

TEST_F(ThumbnailBoxTest, SelectAllAndClearSelection) {
    box->selectAll();
    box->clearSelection();
    EXPECT_EQ(box->currentItem(), nullptr);
    addFiles(3);
    box->selectAll();
    EXPECT_EQ(selected(), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(box->currentItem(), &box->item(2));
    EXPECT_EQ(box->selectedFiles().size(), 3u);
    box->setMultiSelect(false);
    EXPECT_TRUE(selected().empty());
    EXPECT_EQ(box->currentItem(), &box->item(2));
    box->selectAll();
    EXPECT_EQ(selected(), std::vector<int>{2});
    box->clearSelection();
    EXPECT_TRUE(box->selectedFiles().empty());
    EXPECT_EQ(box->currentItem(), nullptr);
}

TEST_F(ThumbnailBoxTest, RemovingTheCurrentItemMovesCurrentToTheNearestSelectedBefore) {
    struct Case {
        const char* what;
        int current;             // plain click
        std::vector<int> others; // Ctrl clicks
        int removed;
        int expected; // index of the current item after the removal, -1: none
    };
    const Case cases[] = {
        {"nearest selected before", 4, {1, 3}, 4, 3},
        {"wraps from the first to the last", 0, {3}, 0, 2},
        {"no other selected item", 2, {}, 2, -1},
        {"another item removed: current stays", 3, {1}, 0, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        box->clear();
        addFiles(5);
        setViewport(2000, 300); // one row: cell (i, 0) is item i
        click({c.current, 0});
        for (int i : c.others)
            click({i, 0}, Qt::LeftButton, Qt::ControlModifier);
        ASSERT_EQ(box->currentItem(), &box->item(c.current));
        box->removeAt(c.removed);
        EXPECT_EQ(box->indexOf(box->currentItem()), c.expected);
    }
    box->clear();
    addFiles(1);
    click({0, 0});
    const int deletions = source->deletions;
    box->removeAt(0);
    EXPECT_EQ(box->currentItem(), nullptr) << "the only item";
    EXPECT_EQ(source->deletions, deletions + 1) << "the cache file goes with the last item";
}

TEST_F(ThumbnailBoxTest, FolderAddsPlainVisibleFilesWithProgressAndAddedEvents) {
    file("pics/b.jpg");
    file("pics/a.txt");
    file("pics/.hidden.jpg");
    fs::create_directories(temp.path() + "/pics/sub");
    file("pics/sub/deep.jpg");
    box->addFile(file("kept.jpg"));
    std::vector<std::pair<int, int>> progress;
    std::vector<std::string> added;
    box->onProgress = [&](ThumbnailBox&, int k, int total) { progress.emplace_back(k, total); };
    box->onAdded = [&](ThumbnailBox&, int, const std::string& name) { added.push_back(name); };
    box->setFolder(QString::fromStdString(temp.path() + "/pics"));
    EXPECT_EQ(names(), (std::vector<std::string>{"kept.jpg", "a.txt", "b.jpg"}));
    EXPECT_EQ(progress, (std::vector<std::pair<int, int>>{{1, 2}, {2, 2}}));
    EXPECT_EQ(added,
              (std::vector<std::string>{temp.path() + "/pics/a.txt", temp.path() + "/pics/b.jpg"}));
    box->setFolder(QString::fromStdString(temp.path() + "/missing"));
    EXPECT_EQ(box->count(), 3);
}

TEST_F(ThumbnailBoxTest, HintRequestsOverTheCellsReachTheBox) {
    box->setToolTip(QStringLiteral("the box's own hint"));
    int seen = 0;
    struct Watch : QObject {
        int* seen;
        bool eventFilter(QObject*, QEvent* event) override {
            *seen += event->type() == QEvent::ToolTip;
            return false;
        }
    } watch;
    watch.seen = &seen;
    box->installEventFilter(&watch);
    QHelpEvent help(QEvent::ToolTip, QPoint(5, 5), box->viewport()->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(box->viewport(), &help);
    EXPECT_EQ(seen, 1);
}

TEST_F(ThumbnailBoxTest, PaintingDecodesOnlyCachedThumbnailsOfVisibleCells) {
    // Five thousand items of a few files (the box lists a file as often as it is added).
    box->setSortOrder(ThumbnailSortOrder::Caption);
    std::vector<std::string> files;
    for (int i = 0; i < 10; ++i)
        files.push_back(file("F" + std::to_string(i) + ".JPG", i));
    for (int i = 0; i < 5000; ++i)
        box->addFile(files[i % 10]);
    setViewport(400, 300);
    ASSERT_EQ(source->built.size(), 5000u);
    const int visible = box->columnCount() * (300 / box->defaultRowHeight() + 2);
    box->viewport()->grab();
    EXPECT_GT(source->reads.size(), 0u);
    EXPECT_LE(source->reads.size(), static_cast<std::size_t>(visible));
    // Scrolling down page by page reads each thumbnail about once and builds nothing.
    for (int v = 0; v <= box->verticalScrollBar()->maximum();
         v += box->verticalScrollBar()->pageStep()) {
        box->verticalScrollBar()->setValue(v);
        box->viewport()->grab();
    }
    EXPECT_EQ(source->built.size(), 5000u);
    EXPECT_LE(source->reads.size(), 5000u + 2 * visible);
}

TEST_F(ThumbnailBoxTest, NewThumbnailSizeRebuildsEveryThumbnail) {
    addFiles(10);
    const int deletions = source->deletions;
    box->setThumbnailSize(60);
    EXPECT_EQ(source->deletions, deletions + 1);
    EXPECT_EQ(source->built.size(), 20u);
    EXPECT_EQ(source->lastSize, 60);
    box->setRightAway(false);
    box->addFile(file("late.JPG"));
    EXPECT_EQ(box->item(box->count() - 1).state, 2) << "pending until RightAway";
    box->setRightAway(true);
    EXPECT_EQ(box->item(box->count() - 1).state, 1);
}

} // namespace
} // namespace pixbako

namespace pixbako {
namespace {

// The thumbnail builder behind a counter: how often painting asked for what.
class CountingSource final : public IThumbnailSource {
public:
    explicit CountingSource(const QString& folder) : inner_(folder) {}
    std::optional<std::int64_t> build(const std::string& path, int size) override {
        ++builds;
        return inner_.build(path, size);
    }
    QImage read(std::int64_t pos) override {
        ++reads;
        return inner_.read(pos);
    }
    void deleteCache() override { inner_.deleteCache(); }
    void setCacheFolder(const QString& folder) override { inner_.setCacheFolder(folder); }
    QString cacheFileName() const override { return inner_.cacheFileName(); }
    int builds = 0;
    int reads = 0;

private:
    BuilderSource inner_;
};

long residentKilobytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    }
    return -1;
}

// A measurement, not a test (run it by name with --gtest_also_run_disabled_tests): ten
// thousand real thumbnails in the box, then scrolling from top to bottom page by page.
TEST(ThumbnailBoxMeasure, DISABLED_TenThousandItemsScrollWithoutDecodingPictures) {
    TempFolder temp;
    std::vector<std::string> files;
    for (int i = 0; i < 100; ++i) {
        QImage image(1600, 1200, QImage::Format_RGB32);
        image.fill(QColor::fromHsv(i * 3, 200, 200));
        files.push_back(temp.path() + "/P" + std::to_string(i) + ".jpg");
        image.save(QString::fromStdString(files.back()), "JPG", 85);
    }
    ThumbnailBox box;
    auto counting = std::make_unique<CountingSource>(QString::fromStdString(temp.path()));
    CountingSource& source = *counting;
    box.setThumbnailSource(std::move(counting));
    box.setSortOrder(ThumbnailSortOrder::Caption);
    box.setShowCaptions(true);
    box.resize(760, 500);
    box.show();
    std::vector<std::string> paths;
    for (int i = 0; i < 10000; ++i)
        paths.push_back(files[i % files.size()]);
    QElapsedTimer timer;
    timer.start();
    box.prefetchThumbnails(paths);
    for (const std::string& path : paths)
        box.addFile(path);
    const qint64 addMs = timer.elapsed();
    const int builds = source.builds;
    timer.restart();
    int pages = 0;
    for (int v = 0;; v += box.verticalScrollBar()->pageStep(), ++pages) {
        box.verticalScrollBar()->setValue(v);
        box.viewport()->grab();
        if (v >= box.verticalScrollBar()->maximum())
            break;
    }
    const qint64 scrollMs = timer.elapsed();
    std::printf("add 10000: %lld ms; scroll %d pages: %lld ms; thumbnails read %d; "
                "pictures decoded while scrolling %d; resident %ld KB\n",
                static_cast<long long>(addMs), pages, static_cast<long long>(scrollMs),
                source.reads, source.builds - builds, residentKilobytes());
    EXPECT_EQ(source.builds, builds);
    EXPECT_LT(residentKilobytes(), 300 * 1024);
}

} // namespace
} // namespace pixbako

namespace pixbako {
namespace {

// With the real builder: switching all formats on gives the RAW file its thumbnail and leaves
// the JPEG's as it was; switching off makes the RAW file "Non Image" again.
TEST(ThumbnailBoxFormats, AllFormatsRebuildOnlyTheItemsTheyConcern) {
    TempFolder temp;
    ThumbnailBox box;
    box.setThumbnailSource(std::make_unique<BuilderSource>(QString::fromStdString(temp.path())));
    auto write = [&](const std::string& name, const std::string& bytes) {
        const std::string path = temp.path() + "/" + name;
        std::ofstream(path, std::ios::binary) << bytes;
        return box.addFile(path);
    };
    write("a.RW2", test::rw2Raw(test::pictureJpeg(320, 240)));
    write("b.JPG", test::pictureJpeg(320, 240));
    write("c.txt", "text");
    auto stateOf = [&](const char* name) {
        for (int i = 0; i < box.count(); ++i)
            if (fs::path(box.item(i).fileName).filename() == name)
                return box.item(i).state;
        return -1;
    };
    auto posOf = [&](const char* name) {
        for (int i = 0; i < box.count(); ++i)
            if (fs::path(box.item(i).fileName).filename() == name)
                return box.item(i).cachePos;
        return std::int64_t{-1};
    };
    EXPECT_EQ(stateOf("a.RW2"), 0);
    EXPECT_EQ(stateOf("b.JPG"), 1);
    const std::int64_t jpegPos = posOf("b.JPG");

    box.setAllFormats(true);
    EXPECT_EQ(stateOf("a.RW2"), 1);
    EXPECT_EQ(stateOf("b.JPG"), 1);
    EXPECT_EQ(posOf("b.JPG"), jpegPos);
    EXPECT_EQ(stateOf("c.txt"), 0);
    EXPECT_EQ(box.thumbnailSource().read(posOf("a.RW2")).size(), QSize(120, 90));

    box.setAllFormats(false);
    EXPECT_EQ(stateOf("a.RW2"), 0);
    EXPECT_EQ(stateOf("b.JPG"), 1);
}

// The caption of a RAW file added with all formats on is the date its camera wrote.
TEST(ThumbnailBoxFormats, CaptionOfARawFileIsItsOwnDateWithAllFormats) {
    const std::string sample = std::string(PIXBAKO_SAMPLES_DIR) + "/Nikon.nef";
    ThumbnailBox box;
    box.setAllFormats(true);
    box.addFile(sample);
    EXPECT_EQ(box.caption(0), QStringLiteral("2004/06/09(水) 16:02:35"));
}

} // namespace
} // namespace pixbako
