// The file-selection tab: loading with the type filter and the "PXBK" rule, additional loads,
// drops, clearing, selection and its status texts, hints, double-click, view mode, thumbnail
// size, sorting headers, the settings round trip, and a run that imports only the selection.
#include "ui/FileSelectionPage.h"
#include "components/ThumbnailBox.h"
#include "support/JpegBuilder.h"
#include "ui/RadioGroup.h"
#include "ui/UiTestSupport.h"

#include <QCheckBox>
#include <QDropEvent>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>
#include <QUrl>

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace pixbako::test {
namespace {

namespace fs = std::filesystem;

class FileSelectionTest : public WindowTest {
protected:
    fs::path card;
    std::vector<QString> opened;

    void SetUp() override {
        WindowTest::SetUp();
        card = fs::path(temp.path()) / "DCIM";
        fs::create_directories(card);
        find<QTabWidget>("PageControl1")->setCurrentIndex(2);
    }

    ThumbnailBox* box() { return find<ThumbnailBox>("ThumbnailBox1"); }
    QString status() { return find<QLabel>("STATUSTEXT")->text(); }
    void press(const char* button) { QTest::mouseClick(find<QPushButton>(button), Qt::LeftButton); }

    // A real JPEG picture, or a file of other bytes.
    fs::path picture(const fs::path& folder, const std::string& name, QSize size = {160, 120}) {
        fs::create_directories(folder);
        QImage image(size, QImage::Format_RGB32);
        image.fill(Qt::darkGreen);
        const fs::path path = folder / name;
        image.save(QString::fromStdString(path.string()), "JPG");
        return path;
    }
    fs::path other(const fs::path& folder, const std::string& name) {
        fs::create_directories(folder);
        std::ofstream(folder / name) << "bytes of " << name;
        return folder / name;
    }

    std::vector<std::string> names() {
        std::vector<std::string> all;
        for (int i = 0; i < box()->count(); ++i)
            all.push_back(fs::path(box()->item(i).fileName).filename().string());
        std::sort(all.begin(), all.end());
        return all;
    }

    void clickCell(QPoint cell, Qt::KeyboardModifiers keys = Qt::NoModifier) {
        QTest::mouseClick(box()->viewport(), Qt::LeftButton, keys,
                          box()->cellRect(cell.x(), cell.y()).center());
    }

    void loadCard() {
        find<QLineEdit>("ReadInEdit")->setText(QString::fromStdString(card.string()));
        press("BTNREADDATA");
    }
};

TEST_F(FileSelectionTest, LoadFiltersByTypeAndNeverListsTheCounterFile) {
    picture(card, "a.JPG");
    picture(card, "b.jpeg");
    other(card, "c.JPE");
    other(card, "d.png");
    other(card, "PXBK");
    other(card, "pxbk");
    other(card, ".hidden.jpg");
    fs::create_directories(card / "sub.jpg");
    window->extensionChoice() = ExtensionChoice{};
    window->extensionChoice().JPG = true;
    find<RadioGroup>("TYPERADIO")->setItemIndex(1);
    loadCard();
    EXPECT_EQ(names(), (std::vector<std::string>{".hidden.jpg", "a.JPG", "b.jpeg", "c.JPE"}));
    EXPECT_EQ(status(), " 4件読み込みました 取込むデータを選択してください");
    EXPECT_TRUE(window->isEnabled());
    EXPECT_FALSE(find("TForm4")->isVisible());
    // Every type, and loading again lists everything twice; the status counts this load.
    box()->clear();
    find<RadioGroup>("TYPERADIO")->setItemIndex(0);
    loadCard();
    loadCard();
    EXPECT_EQ(box()->count(), 12);
    EXPECT_EQ(status(), " 6件読み込みました 取込むデータを選択してください");
    const std::vector<std::string> listed = names();
    EXPECT_EQ(std::count(listed.begin(), listed.end(), "PXBK"), 0);
    EXPECT_EQ(std::count(listed.begin(), listed.end(), "pxbk"), 2);
    // A picture gets its thumbnail, other files "Non Image".
    for (int i = 0; i < box()->count(); ++i) {
        const std::string name = fs::path(box()->item(i).fileName).filename().string();
        EXPECT_EQ(box()->item(i).state, name == "a.JPG" || name == "b.jpeg" ? 1 : 0) << name;
    }
}

// While a load adds thumbnails the window is locked under the processing notice; its end
// unlocks it. The page reports both; the window's reaction must already have run.
TEST_F(FileSelectionTest, LoadLocksTheWindowUnderTheNoticeUntilItEnds) {
    picture(card, "a.jpg");
    picture(card, "b.jpg");
    struct Seen {
        bool busy, windowEnabled, noticeShown;
    };
    std::vector<Seen> seen;
    QObject::connect(&window->fileSelectionPage(), &FileSelectionPage::busyChanged, window.get(),
                     [&](bool busy) {
                         seen.push_back({busy, window->isEnabled(), find("TForm4")->isVisible()});
                     });
    loadCard();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_TRUE(seen[0].busy);
    EXPECT_FALSE(seen[0].windowEnabled);
    EXPECT_TRUE(seen[0].noticeShown);
    EXPECT_FALSE(seen[1].busy);
    EXPECT_TRUE(seen[1].windowEnabled);
    EXPECT_FALSE(seen[1].noticeShown);
    EXPECT_EQ(box()->count(), 2);
}

TEST_F(FileSelectionTest, LoadWithoutFolderWarnsAndMissingFolderLoadsNothing) {
    find<QLineEdit>("ReadInEdit")->setText("");
    press("BTNREADDATA");
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, "フォルダを指定して下さい");
    EXPECT_EQ(dialogs.boxes[0].icon, BoxIcon::Warning);
    EXPECT_EQ(dialogs.beeps, std::vector<BeepKind>{BeepKind::Asterisk});
    EXPECT_TRUE(window->isEnabled());
    find<QLineEdit>("ReadInEdit")->setText(QString::fromStdString(temp.path() + "/gone"));
    press("BTNREADDATA");
    EXPECT_EQ(status(), " 0件読み込みました 取込むデータを選択してください");
    EXPECT_EQ(box()->count(), 0);
}

TEST_F(FileSelectionTest, UnreadableShotDateEndsTheLoadAndKeepsWhatWasAdded) {
    picture(card, "1-good.jpg");
    writeTestFile((card / "2-bad.jpg").string(), cameraJpeg("not a date at all"));
    picture(card, "3-never.jpg");
    loadCard();
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].icon, BoxIcon::Error);
    EXPECT_NE(dialogs.boxes[0].text.find("not a date at all"), std::string::npos)
        << dialogs.boxes[0].text;
    EXPECT_EQ(names(), (std::vector<std::string>{"1-good.jpg", "2-bad.jpg"}));
    EXPECT_TRUE(window->isEnabled());
    EXPECT_FALSE(find("TForm4")->isVisible());
}

TEST_F(FileSelectionTest, AdditionalLoadTakesEveryTypeFromThePickedFolder) {
    const fs::path extra = fs::path(temp.path()) / "extra";
    other(extra, "notes.txt");
    picture(extra, "x.jpg");
    other(extra, "PXBK");
    find<RadioGroup>("TYPERADIO")->setItemIndex(1);
    window->extensionChoice() = ExtensionChoice{};
    pickedFolder = "";
    press("BTNTUIKA");
    EXPECT_EQ(box()->count(), 0) << "cancelled";
    pickedFolder = QString::fromStdString(extra.string());
    press("BTNTUIKA");
    EXPECT_EQ(names(), (std::vector<std::string>{"notes.txt", "x.jpg"}));
    EXPECT_EQ(status(), " 2件読み込みました 取込むデータを選択してください");
    ASSERT_EQ(pickerTitles.size(), 2u);
    EXPECT_EQ(pickerTitles[1], "追加フォルダを指定");
    EXPECT_EQ(pickerInitialFolders[1], "") << "nothing chosen before";
    press("BTNTUIKA");
    EXPECT_EQ(pickerInitialFolders[2], pickedFolder) << "the last chosen folder";
}

TEST_F(FileSelectionTest, DropsAddFilesAndFolderContentsButNotTheCounterFile) {
    const fs::path dropped = fs::path(temp.path()) / "dropped";
    other(dropped, "one.txt");
    picture(dropped, "two.jpg");
    other(dropped, "PXBK");
    fs::create_directories(dropped / "deeper");
    other(dropped / "deeper", "not-this.txt");
    const fs::path single = picture(card, "single.jpg");
    const fs::path counter = other(card, "PXBK");
    window->fileSelectionPage().dropOnThumbnails(
        {dropped.string(), single.string(), counter.string(), (card / "gone.jpg").string()});
    EXPECT_EQ(names(), (std::vector<std::string>{"one.txt", "single.jpg", "two.jpg"}));
    EXPECT_EQ(status(), " 3件読み込みました 取込むデータを選択してください");
    EXPECT_TRUE(window->isEnabled());
    EXPECT_FALSE(find("TForm4")->isVisible());
}

TEST_F(FileSelectionTest, FilesDraggedOntoTheBoxAreLoaded) {
    const fs::path path = picture(card, "dragged.jpg");
    dropPaths(box()->viewport(), {QString::fromStdString(path.string())});
    EXPECT_EQ(names(), std::vector<std::string>{"dragged.jpg"});
    EXPECT_EQ(status(), " 1件読み込みました 取込むデータを選択してください");
}

TEST_F(FileSelectionTest, ClearAsksFirstAndSelectionButtonsReportTheCount) {
    press("BTNCLR");
    EXPECT_TRUE(dialogs.boxes.empty()) << "an empty list is not asked about";
    press("BTNSELALL");
    EXPECT_EQ(status(), "  読込みボタンを押してデータを読み込みます") << "empty: nothing happens";
    for (const char* name : {"1.jpg", "2.jpg", "3.jpg"})
        picture(card, name);
    loadCard();
    press("BTNSELALL");
    EXPECT_EQ(status(), " 3個のファイルを選択");
    press("BTNSELCLR");
    EXPECT_EQ(status(), " 0個のファイルを選択");
    dialogs.answers = {BoxAnswer::No};
    press("BTNCLR");
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, "一覧表示をクリアします\r\nよろしいですか？");
    EXPECT_EQ(dialogs.boxes[0].buttons, BoxButtons::YesNo);
    EXPECT_EQ(box()->count(), 3);
    press("BTNCLR");
    EXPECT_EQ(box()->count(), 0);
    EXPECT_EQ(status(), "  読込みボタンを押してデータを読み込みます");
    EXPECT_EQ(dialogs.beeps, (std::vector<BeepKind>{BeepKind::Asterisk, BeepKind::Asterisk}));
}

TEST_F(FileSelectionTest, MouseReleaseReportsSelectionAndHintNamesTheItem) {
    for (const char* name : {"1.jpg", "2.jpg", "3.jpg"})
        picture(card, name);
    std::ofstream(card / "3.jpg", std::ios::app) << std::string(5000, 'x');
    loadCard();
    clickCell({0, 0});
    EXPECT_EQ(status(), " 1個のファイルを選択");
    clickCell({1, 0}, Qt::ControlModifier);
    EXPECT_EQ(status(), " 2個のファイルを選択");
    // A click beside the cells leaves the status alone.
    find<QLabel>("STATUSTEXT")->setText("kept");
    QTest::mouseClick(box()->viewport(), Qt::LeftButton, {},
                      QPoint(5, box()->viewport()->height() - 3));
    EXPECT_EQ(status(), "kept");

    const int index = 2; // sorted by shot date; all equal, so in load order
    const ThumbnailItem& item = box()->item(index);
    const QPoint cell(index % box()->columnCount(), index / box()->columnCount());
    QTest::mouseMove(box()->viewport(), box()->cellRect(cell.x(), cell.y()).center());
    const auto size = fs::file_size(item.fileName) / 1024;
    EXPECT_EQ(box()->toolTip(), QString::fromStdString(item.fileName) + "\n撮影日: " +
                                    item.caption + "\nサイズ: " + QString::number(size) + " KB");
    const QPoint empty(3 % box()->columnCount(), 3 / box()->columnCount());
    QTest::mouseMove(box()->viewport(), box()->cellRect(empty.x(), empty.y()).center());
    EXPECT_EQ(box()->toolTip(), "右クリックで追加選択 ダブルクリックで開く");
    find<RadioGroup>("RadioTHM")->setItemIndex(0);
    EXPECT_EQ(box()->viewMode(), ThumbnailViewMode::FileNames);
    QTest::mouseMove(box()->viewport(), box()->cellRect(0, 0).center());
    EXPECT_EQ(box()->toolTip(), "右クリックで追加選択 ダブルクリックで開く") << "list view";
}

TEST_F(FileSelectionTest, DoubleClickOpensTheCurrentItem) {
    window.reset();
    MainWindowSetup setup;
    setup.iniPath = iniPath();
    setup.dialogs = &dialogs;
    setup.openFile = [this](const QString& path) { opened.push_back(path); };
    window = std::make_unique<MainWindow>(std::move(setup));
    window->show();
    find<QTabWidget>("PageControl1")->setCurrentIndex(2);
    const fs::path path = picture(card, "open-me.jpg");
    window->fileSelectionPage().openThumbnailFile();
    EXPECT_TRUE(opened.empty()) << "no item clicked yet";
    loadCard();
    // The platform sends a click, then the double click.
    clickCell({0, 0});
    QTest::mouseDClick(box()->viewport(), Qt::LeftButton, {}, box()->cellRect(0, 0).center());
    EXPECT_EQ(opened, std::vector<QString>{QString::fromStdString(path.string())});
}

TEST_F(FileSelectionTest, TrackBarAppliesOnlyWithTheButtonOnceItemsAreThere) {
    auto* track = find<QSlider>("TrackTHM");
    EXPECT_EQ(track->value(), 120);
    EXPECT_EQ(find<QLineEdit>("THMSIZE")->text(), "120");
    track->setValue(80);
    EXPECT_EQ(box()->thumbnailSize(), 80) << "an empty box takes it at once";
    picture(card, "wide.jpg", {400, 200});
    loadCard();
    ASSERT_EQ(box()->item(0).state, 1);
    track->setValue(60);
    EXPECT_EQ(find<QLineEdit>("THMSIZE")->text(), "60");
    EXPECT_EQ(box()->thumbnailSize(), 80);
    press("BTNTHM");
    EXPECT_EQ(box()->thumbnailSize(), 60);
    EXPECT_EQ(box()->thumbnailSource().read(box()->item(0).cachePos).size(), QSize(60, 30));
    EXPECT_TRUE(window->isEnabled());
}

TEST_F(FileSelectionTest, HeadersSortAndCarryTheDirectionMark) {
    auto* a = find<QLabel>("TextA");
    auto* b = find<QLabel>("TextB");
    auto* c = find<QLabel>("TEXTC");
    // The stored default: by shot date, ascending.
    EXPECT_EQ(c->text(), "　　撮影日時　▲");
    QTest::mouseClick(c, Qt::LeftButton);
    EXPECT_EQ(box()->sortOrder(), ThumbnailSortOrder::Caption);
    EXPECT_FALSE(box()->sortAscending());
    EXPECT_EQ(c->text(), "　　撮影日時　▼");
    QTest::mouseClick(a, Qt::LeftButton);
    EXPECT_EQ(box()->sortOrder(), ThumbnailSortOrder::FileName);
    EXPECT_TRUE(box()->sortAscending());
    EXPECT_EQ(a->text(), "　　ファイル名　▲");
    EXPECT_EQ(b->text(), "　　フォルダ名　　");
    EXPECT_EQ(c->text(), "　　撮影日時　　");
    QTest::mouseClick(b, Qt::LeftButton);
    EXPECT_EQ(b->text(), "　　フォルダ名　▲");
    EXPECT_EQ(a->text(), "　　ファイル名　　");
    QTest::mouseClick(c, Qt::LeftButton);
    QTest::mouseClick(c, Qt::LeftButton);
    EXPECT_EQ(c->text(), "　　撮影日時　▼");
    EXPECT_EQ(b->text(), "　　フォルダ名　　");
}

TEST_F(FileSelectionTest, TabSettingsSurviveARestart) {
    find<RadioGroup>("RadioTHM")->setItemIndex(0);
    find<QSlider>("TrackTHM")->setValue(64);
    QTest::mouseClick(find<QLabel>("TextA"), Qt::LeftButton);
    QTest::mouseClick(find<QLabel>("TextA"), Qt::LeftButton);
    window->close();
    window.reset();
    createWindow();
    EXPECT_EQ(find<RadioGroup>("RadioTHM")->itemIndex(), 0);
    EXPECT_EQ(box()->viewMode(), ThumbnailViewMode::FileNames);
    EXPECT_EQ(find<QSlider>("TrackTHM")->value(), 64);
    EXPECT_EQ(box()->thumbnailSize(), 64);
    EXPECT_EQ(box()->sortOrder(), ThumbnailSortOrder::FileName);
    EXPECT_FALSE(box()->sortAscending());
    EXPECT_EQ(find<QLabel>("TextA")->text(), "　　ファイル名　▼");
}

TEST_F(FileSelectionTest, RunImportsOnlyTheSelectedFilesAndDropsMovedOnesFromTheBox) {
    const fs::path target = fs::path(temp.path()) / "saved";
    fs::create_directories(target);
    for (const char* name : {"IMG_1.jpg", "IMG_2.jpg", "IMG_3.jpg", "IMG_4.jpg"})
        picture(card, name);
    QTest::mouseClick(find<QLabel>("TextA"), Qt::LeftButton); // by file name
    loadCard();
    ASSERT_EQ(box()->count(), 4);
    find<QLineEdit>("SaveOutEdit")->setText(QString::fromStdString(target.string()));
    find<QCheckBox>("DIRCHKBOX")->setChecked(false);
    find<QCheckBox>("ReNameChkBox")->setChecked(false);
    find<QRadioButton>("RedioButtonMOVE")->setChecked(true);
    clickCell({1, 0});
    clickCell({3, 0}, Qt::ControlModifier);
    ASSERT_EQ(box()->selectedFiles().size(), 2u);
    QTest::mouseClick(find<QPushButton>("RunButton"), Qt::LeftButton);
    EXPECT_TRUE(fs::exists(target / "IMG_2.jpg"));
    EXPECT_TRUE(fs::exists(target / "IMG_4.jpg"));
    EXPECT_FALSE(fs::exists(target / "IMG_1.jpg"));
    EXPECT_TRUE(fs::exists(card / "IMG_1.jpg"));
    EXPECT_TRUE(fs::exists(card / "IMG_3.jpg"));
    EXPECT_EQ(names(), (std::vector<std::string>{"IMG_1.jpg", "IMG_3.jpg"}));
}

} // namespace
} // namespace pixbako::test
