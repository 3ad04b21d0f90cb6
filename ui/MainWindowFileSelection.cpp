// The file-selection tab: loading files into the thumbnail box, selecting them, view mode,
// thumbnail size and the sorting headers. While the box holds items a run takes exactly its
// selected files.
#include "components/FileDropTarget.h"
#include "components/ThumbnailBox.h"
#include "engine/datepattern/DateFormat.h"
#include "engine/run/ExtensionFilter.h"
#include "engine/shotdate/ShotDate.h"
#include "platform/CounterName.h"
#include "platform/DirectoryListing.h"
#include "platform/Paths.h"
#include "ui/MainWindow.h"
#include "ui/ProcessingNotice.h"
#include "ui/RadioGroup.h"
#include "ui_MainWindow.h"

#include <QDesktopServices>
#include <QFile>
#include <QLabel>
#include <QMouseEvent>
#include <QUrl>
#include <QVBoxLayout>

#include <filesystem>
#include <system_error>

namespace pixbako {
namespace {

const QString kGeneralHint = QStringLiteral("右クリックで追加選択 ダブルクリックで開く");
const QString kLoadPrompt = QStringLiteral("  読込みボタンを押してデータを読み込みます");

// The numbering file that runs leave in their destination folders is never listed.
bool isCounterFile(const std::string& name) {
    return name == kCounterFileName;
}

// The plain files directly in a folder, hidden ones included, in the listing's order.
std::vector<std::string> filesIn(const std::string& folder) {
    std::string base = folder;
    if (base.empty() || base.back() != '/')
        base += '/';
    std::vector<std::string> paths;
    const auto entries = listDirectory(base, "*.*");
    if (!entries)
        return paths;
    for (const DirectoryEntry& entry : *entries) {
        if (!entry.isDirectory && !isCounterFile(entry.name))
            paths.push_back(base + entry.name);
    }
    return paths;
}

QString loadingStatus(int k, int m) {
    return QStringLiteral("(%1/%2)処理中です").arg(k).arg(m);
}

QString loadedStatus(int n) {
    return QStringLiteral(" %1件読み込みました 取込むデータを選択してください").arg(n);
}

// Turns a left click on a static text into a call.
class ClickFilter final : public QObject {
public:
    ClickFilter(QWidget* target, std::function<void()> onClick)
        : QObject(target), onClick_(std::move(onClick)) {
        target->installEventFilter(this);
    }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonRelease) {
            auto* mouse = static_cast<QMouseEvent*>(event);
            auto* widget = static_cast<QWidget*>(watched);
            if (mouse->button() == Qt::LeftButton &&
                widget->rect().contains(mouse->position().toPoint()))
                onClick_();
        }
        return false;
    }

private:
    std::function<void()> onClick_;
};

} // namespace

void MainWindow::setUpFileSelection() {
    ThumbnailBox* box = ui->ThumbnailBox1;
    box->setDateTexts(setup_.dateTexts);
    box->setOmitted(true);
    box->setShowCaptions(true);
    box->setSorted(ThumbnailSortOrder::Caption);
    box->setSpacing(2);
    box->OnMouseUp = [this](ThumbnailBox&, Qt::MouseButton, Qt::KeyboardModifiers, QPoint) {
        showSelectionStatus();
    };
    box->OnMouseMove = [this](ThumbnailBox&, QPoint pos) { showThumbnailHint(pos); };
    box->OnDblClick = [this](ThumbnailBox&) { openThumbnailFile(); };

    auto* drop = new FileDropTarget(this);
    drop->setObjectName(QStringLiteral("DropDst4"));
    drop->OnFileDrop = [this](FileDropTarget&, const std::vector<std::string>& files, int, int) {
        dropOnThumbnails(files);
    };
    drop->setControl(box);

    connect(ui->BTNREADDATA, &QPushButton::clicked, this, &MainWindow::readFolderIntoBox);
    connect(ui->BTNTUIKA, &QPushButton::clicked, this, &MainWindow::addFolderToBox);
    connect(ui->BTNCLR, &QPushButton::clicked, this, &MainWindow::clearBox);
    connect(ui->BTNSELALL, &QPushButton::clicked, this, &MainWindow::selectAllInBox);
    connect(ui->BTNSELCLR, &QPushButton::clicked, this, &MainWindow::clearBoxSelection);
    connect(ui->RadioTHM, &RadioGroup::itemIndexChanged, this, &MainWindow::applyViewMode);
    connect(ui->TrackTHM, &QSlider::valueChanged, this, &MainWindow::showChosenThumbnailSize);
    connect(ui->BTNTHM, &QPushButton::clicked, this, [this] { rebuildThumbnails(true); });
    new ClickFilter(ui->TextA, [this] { sortByFileName(); });
    new ClickFilter(ui->TextB, [this] { sortByFolder(); });
    new ClickFilter(ui->TEXTC, [this] { sortByShotDate(); });
    applyViewMode();
}

// At start: the stored size without the notice, and the header marks.
void MainWindow::applyStoredThumbnailSize() {
    rebuildThumbnails(false);
    markSortHeader();
}

// --- the notice and the status ---

void MainWindow::showProcessingNotice(bool on) {
    // A window made without the program start's notices (tests, tools) makes its own.
    if (!form4_)
        form4_ = new ProcessingNotice(this);
    if (on)
        form4_->showNotice();
    else
        form4_->hide();
    setEnabled(!on);
}

void MainWindow::setSelectionStatus() {
    const auto n = ui->ThumbnailBox1->SelectedFiles().size();
    ui->STATUSTEXT->setText(QStringLiteral(" %1個のファイルを選択").arg(n));
}

// --- loading ---

void MainWindow::readFolderIntoBox() {
    const QString folder = ui->ReadInEdit->text();
    if (folder.isEmpty()) {
        beep(BeepKind::Asterisk);
        messageBox("フォルダを指定して下さい", BoxIcon::Warning, BoxButtons::Ok);
        showProcessingNotice(false);
        return;
    }
    loadFiles(QFile::encodeName(folder).toStdString(), true);
}

void MainWindow::addFolderToBox() {
    const QString folder = pickFolder(QStringLiteral("追加フォルダを指定"), extraFolder_);
    if (folder.isEmpty())
        return;
    extraFolder_ = folder;
    loadFiles(QFile::encodeName(folder).toStdString(), false);
}

// Adds the folder's files (with the run's type filter when `filtered`) one by one, letting the
// window paint each new thumbnail. An error while adding ends the load; what was added stays.
void MainWindow::loadFiles(const std::string& folder, bool filtered) {
    showProcessingNotice(true);
    std::vector<std::string> paths = filesIn(folder);
    if (filtered && ui->TYPERADIO->itemIndex() == 1) {
        const std::string list = extensionListText(extensionChoice_);
        std::erase_if(paths, [&list](const std::string& path) {
            return !extensionAccepted(fileNameOf(path), list);
        });
    }
    const int total = static_cast<int>(paths.size());
    ui->ProgressBar1->setRange(0, std::max(total, 1));
    int loaded = 0;
    ui->ThumbnailBox1->PrefetchThumbnails(paths);
    try {
        for (const std::string& path : paths) {
            ui->ProgressBar1->setValue(loaded);
            ui->STATUSTEXT->setText(loadingStatus(loaded + 1, total));
            ui->ThumbnailBox1->Add(path);
            ++loaded;
            QCoreApplication::processEvents();
        }
    } catch (const std::exception& error) {
        ui->ProgressBar1->setValue(0);
        showProcessingNotice(false);
        messageBox(error.what(), BoxIcon::Error, BoxButtons::Ok);
        return;
    }
    ui->ProgressBar1->setValue(0);
    ui->STATUSTEXT->setText(loadedStatus(loaded));
    showProcessingNotice(false);
}

// Dropped files and the files directly inside dropped folders. The notice closes after the
// first dropped path; later paths load with the window enabled.
void MainWindow::dropOnThumbnails(const std::vector<std::string>& files) {
    ThumbnailBox* box = ui->ThumbnailBox1;
    const int total = static_cast<int>(files.size());
    showProcessingNotice(true);
    ui->ProgressBar1->setRange(0, std::max(total, 1));
    int added = 0;
    box->PrefetchThumbnails(files);
    try {
        for (int i = 0; i < total; ++i) {
            const std::string& path = files[i];
            std::error_code error;
            const auto status = std::filesystem::status(path, error);
            if (std::filesystem::is_regular_file(status) && !isCounterFile(fileNameOf(path))) {
                ui->ProgressBar1->setValue(i);
                ui->STATUSTEXT->setText(loadingStatus(i + 1, total));
                const int index = box->Add(path);
                box->SetCaption(index, QString::fromStdString(formatDatePattern(
                                           "YYYY/MM/DD(aaa) HH:MM:SS",
                                           EXIFDATE(path, setup_.dateTexts), setup_.dateTexts)));
                QCoreApplication::processEvents();
                ++added;
            } else if (std::filesystem::is_directory(status)) {
                const std::vector<std::string> inside = filesIn(path);
                box->PrefetchThumbnails(inside);
                for (const std::string& file : inside) {
                    ui->ProgressBar1->setValue(i);
                    ui->STATUSTEXT->setText(loadingStatus(i + 1, total));
                    box->Add(file);
                    QCoreApplication::processEvents();
                    ++added;
                }
            }
            ui->ProgressBar1->setValue(0);
            ui->STATUSTEXT->setText(loadedStatus(added));
            showProcessingNotice(false);
        }
    } catch (const std::exception& error) {
        ui->ProgressBar1->setValue(0);
        showProcessingNotice(false);
        messageBox(error.what(), BoxIcon::Error, BoxButtons::Ok);
    }
}

// --- list buttons and the mouse ---

void MainWindow::clearBox() {
    if (ui->ThumbnailBox1->Count() == 0)
        return;
    beep(BeepKind::Asterisk);
    if (messageBox("一覧表示をクリアします\r\nよろしいですか？", BoxIcon::Question,
                   BoxButtons::YesNo) != BoxAnswer::Yes)
        return;
    ui->ThumbnailBox1->Clear();
    ui->STATUSTEXT->setText(kLoadPrompt);
}

void MainWindow::selectAllInBox() {
    if (ui->ThumbnailBox1->Count() == 0)
        return;
    ui->ThumbnailBox1->SelectAll();
    setSelectionStatus();
}

void MainWindow::clearBoxSelection() {
    ui->ThumbnailBox1->ClearSelection();
    setSelectionStatus();
}

void MainWindow::showSelectionStatus() {
    setSelectionStatus();
}

// Over an item of the thumbnail view the hint names the file, its shot date and its size.
void MainWindow::showThumbnailHint(QPoint pos) {
    ThumbnailBox* box = ui->ThumbnailBox1;
    const QPoint cell = box->MouseToCell(pos);
    const int index = cell.y() * box->ColCount() + cell.x();
    if (cell.x() < 0 || index < 0 || index >= box->Count() ||
        box->ViewMode() != ThumbnailViewMode::Thumbnails) {
        box->setToolTip(kGeneralHint);
        return;
    }
    const ThumbnailItem& item = box->Items(index);
    std::error_code error;
    const auto size = std::filesystem::file_size(item.FileName, error);
    const qulonglong kilobytes = error ? 0 : size / 1024;
    box->setToolTip(QFile::decodeName(QByteArray::fromStdString(item.FileName)) +
                    QStringLiteral("\n撮影日: ") + item.Caption + QStringLiteral("\nサイズ: ") +
                    QString::number(kilobytes) + QStringLiteral(" KB"));
}

void MainWindow::openThumbnailFile() {
    const ThumbnailItem* item = ui->ThumbnailBox1->CurrentItem();
    if (!item)
        return;
    const QString path = QFile::decodeName(QByteArray::fromStdString(item->FileName));
    if (setup_.openFile)
        setup_.openFile(path);
    else
        QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

// --- view mode, size and sorting ---

void MainWindow::applyViewMode() {
    ui->ThumbnailBox1->setViewMode(ui->RadioTHM->itemIndex() == 0 ? ThumbnailViewMode::FileNames
                                                                  : ThumbnailViewMode::Thumbnails);
}

void MainWindow::showChosenThumbnailSize() {
    ui->THMSIZE->setText(QString::number(ui->TrackTHM->value()));
    if (ui->ThumbnailBox1->Count() == 0)
        ui->ThumbnailBox1->setThumbnailSize(ui->TrackTHM->value());
}

// From the button the rebuild runs under the notice; from elsewhere (the start) without.
void MainWindow::rebuildThumbnails(bool underNotice) {
    if (underNotice) {
        showProcessingNotice(true);
        QCoreApplication::processEvents();
    }
    try {
        ui->ThumbnailBox1->setThumbnailSize(ui->TrackTHM->value());
    } catch (const std::exception& error) {
        showProcessingNotice(false);
        messageBox(error.what(), BoxIcon::Error, BoxButtons::Ok);
        return;
    }
    if (underNotice)
        showProcessingNotice(false);
}

namespace {

void sortBy(ThumbnailBox& box, ThumbnailSortOrder key) {
    if (box.Sorted() == key) {
        box.setSortUP(!box.SortUP());
    } else {
        box.setSorted(key);
        box.setSortUP(true);
    }
}

} // namespace

void MainWindow::sortByFileName() {
    sortBy(*ui->ThumbnailBox1, ThumbnailSortOrder::FileName);
    markSortHeader();
}

void MainWindow::sortByFolder() {
    sortBy(*ui->ThumbnailBox1, ThumbnailSortOrder::FullName);
    markSortHeader();
}

void MainWindow::sortByShotDate() {
    sortBy(*ui->ThumbnailBox1, ThumbnailSortOrder::Caption);
    markSortHeader();
}

// The active key's header carries the direction mark in place of its last blank.
void MainWindow::markSortHeader() {
    const ThumbnailSortOrder key = ui->ThumbnailBox1->Sorted();
    if (key == ThumbnailSortOrder::None)
        return;
    const QString mark = ui->ThumbnailBox1->SortUP() ? QStringLiteral("▲") : QStringLiteral("▼");
    const auto header = [&](const QString& name, ThumbnailSortOrder own) {
        return QStringLiteral("　　") + name + QStringLiteral("　") +
               (key == own ? mark : QStringLiteral("　"));
    };
    ui->TextA->setText(header(QStringLiteral("ファイル名"), ThumbnailSortOrder::FileName));
    ui->TextB->setText(header(QStringLiteral("フォルダ名"), ThumbnailSortOrder::FullName));
    ui->TEXTC->setText(header(QStringLiteral("撮影日時"), ThumbnailSortOrder::Caption));
}

// --- what the settings file and the run use ---

int MainWindow::thumbnailMode() const {
    return ui->RadioTHM->itemIndex();
}

void MainWindow::setThumbnailMode(int mode) {
    ui->RadioTHM->setItemIndex(mode == 0 ? 0 : 1);
}

int MainWindow::thumbnailSize() const {
    return ui->TrackTHM->value();
}

void MainWindow::setThumbnailSize(int size) {
    ui->TrackTHM->setValue(size); // the track bar keeps it within 20 to 120
}

int MainWindow::sortType() const {
    return static_cast<int>(ui->ThumbnailBox1->Sorted());
}

// A stored number outside 0 to 3 names no key: the box stays unsorted.
void MainWindow::setSortType(int type) {
    ui->ThumbnailBox1->setSorted(type >= 0 && type <= 3 ? static_cast<ThumbnailSortOrder>(type)
                                                        : ThumbnailSortOrder::None);
}

bool MainWindow::sortUp() const {
    return ui->ThumbnailBox1->SortUP();
}

void MainWindow::setSortUp(bool up) {
    ui->ThumbnailBox1->setSortUP(up);
}

std::size_t MainWindow::thumbnailCount() {
    return static_cast<std::size_t>(ui->ThumbnailBox1->Count());
}

std::vector<std::string> MainWindow::thumbnailSelectedFiles() {
    return ui->ThumbnailBox1->SelectedFiles();
}

std::string MainWindow::thumbnailFileName(std::size_t index) {
    return ui->ThumbnailBox1->Items(static_cast<int>(index)).FileName;
}

void MainWindow::thumbnailDelete(std::size_t index) {
    ui->ThumbnailBox1->Delete(static_cast<int>(index));
}

} // namespace pixbako
