// The file-selection tab: loading files into the thumbnail box, selecting them, view mode,
// thumbnail size and the sorting headers.
#include "ui/FileSelectionPage.h"

#include "components/ThumbnailBox.h"
#include "engine/datepattern/DateFormat.h"
#include "engine/run/ExtensionFilter.h"
#include "engine/shotdate/ShotDate.h"
#include "platform/CounterName.h"
#include "platform/DirectoryListing.h"
#include "platform/Paths.h"
#include "ui/RadioGroup.h"
#include "ui_MainWindow.h"

#include <QDesktopServices>
#include <QFile>
#include <QUrl>

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

} // namespace

FileSelectionPage::FileSelectionPage(Ui::MainWindow& form, IDialogs& dialogs,
                                     const ExtensionChoice& extensions, DateTextSettings dateTexts,
                                     PickFolder pickFolder, OpenFile openFile, QObject* parent)
    : QObject(parent), ui(&form), dateTexts_(std::move(dateTexts)), dialogs_(dialogs),
      extensionChoice_(extensions), pickFolder_(std::move(pickFolder)),
      openFile_(std::move(openFile)) {
    ThumbnailBox* box = ui->ThumbnailBox1;
    box->setDateTexts(dateTexts_);
    box->setOmitted(true);
    box->setShowCaptions(true);
    box->setSortOrder(ThumbnailSortOrder::Caption);
    box->setSpacing(2);
    applyViewMode();
}

void FileSelectionPage::applyStoredThumbnailSize() {
    rebuildThumbnails(false);
    markSortHeader();
}

// --- the status ---

void FileSelectionPage::setSelectionStatus() {
    const auto n = ui->ThumbnailBox1->selectedFiles().size();
    ui->STATUSTEXT->setText(QStringLiteral(" %1個のファイルを選択").arg(n));
}

// --- loading ---

void FileSelectionPage::readFolderIntoBox() {
    const QString folder = ui->ReadInEdit->text();
    if (folder.isEmpty()) {
        dialogs_.beep(BeepKind::Asterisk);
        dialogs_.messageBox("フォルダを指定して下さい", BoxIcon::Warning, BoxButtons::Ok);
        emit busyChanged(false);
        return;
    }
    loadFiles(QFile::encodeName(folder).toStdString(), true);
}

void FileSelectionPage::addFolderToBox() {
    const QString folder = pickFolder_(QStringLiteral("追加フォルダを指定"), extraFolder_);
    if (folder.isEmpty())
        return;
    extraFolder_ = folder;
    loadFiles(QFile::encodeName(folder).toStdString(), false);
}

// Adds the folder's files (with the run's type filter when `filtered`) one by one, letting the
// window paint each new thumbnail. An error while adding ends the load; what was added stays.
void FileSelectionPage::loadFiles(const std::string& folder, bool filtered) {
    emit busyChanged(true);
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
    ui->ThumbnailBox1->prefetchThumbnails(paths);
    try {
        for (const std::string& path : paths) {
            ui->ProgressBar1->setValue(loaded);
            ui->STATUSTEXT->setText(loadingStatus(loaded + 1, total));
            ui->ThumbnailBox1->addFile(path);
            ++loaded;
            QCoreApplication::processEvents();
        }
    } catch (const std::exception& error) {
        ui->ProgressBar1->setValue(0);
        emit busyChanged(false);
        dialogs_.messageBox(error.what(), BoxIcon::Error, BoxButtons::Ok);
        return;
    }
    ui->ProgressBar1->setValue(0);
    ui->STATUSTEXT->setText(loadedStatus(loaded));
    emit busyChanged(false);
}

// Dropped files and the files directly inside dropped folders. The notice closes after the
// first dropped path; later paths load with the window enabled.
void FileSelectionPage::dropOnThumbnails(const std::vector<std::string>& files) {
    ThumbnailBox* box = ui->ThumbnailBox1;
    const int total = static_cast<int>(files.size());
    emit busyChanged(true);
    ui->ProgressBar1->setRange(0, std::max(total, 1));
    int added = 0;
    box->prefetchThumbnails(files);
    try {
        for (int i = 0; i < total; ++i) {
            const std::string& path = files[i];
            std::error_code error;
            const auto status = std::filesystem::status(path, error);
            if (std::filesystem::is_regular_file(status) && !isCounterFile(fileNameOf(path))) {
                ui->ProgressBar1->setValue(i);
                ui->STATUSTEXT->setText(loadingStatus(i + 1, total));
                const int index = box->addFile(path);
                box->setCaption(index,
                                QString::fromStdString(formatDatePattern(
                                    "YYYY/MM/DD(aaa) HH:MM:SS",
                                    shotDateOf(path, dateTexts_, box->allFormats()), dateTexts_)));
                QCoreApplication::processEvents();
                ++added;
            } else if (std::filesystem::is_directory(status)) {
                const std::vector<std::string> inside = filesIn(path);
                box->prefetchThumbnails(inside);
                for (const std::string& file : inside) {
                    ui->ProgressBar1->setValue(i);
                    ui->STATUSTEXT->setText(loadingStatus(i + 1, total));
                    box->addFile(file);
                    QCoreApplication::processEvents();
                    ++added;
                }
            }
            ui->ProgressBar1->setValue(0);
            ui->STATUSTEXT->setText(loadedStatus(added));
            emit busyChanged(false);
        }
    } catch (const std::exception& error) {
        ui->ProgressBar1->setValue(0);
        emit busyChanged(false);
        dialogs_.messageBox(error.what(), BoxIcon::Error, BoxButtons::Ok);
    }
}

// --- list buttons and the mouse ---

void FileSelectionPage::clearBox() {
    if (ui->ThumbnailBox1->count() == 0)
        return;
    dialogs_.beep(BeepKind::Asterisk);
    if (dialogs_.messageBox("一覧表示をクリアします\r\nよろしいですか？", BoxIcon::Question,
                            BoxButtons::YesNo) != BoxAnswer::Yes)
        return;
    ui->ThumbnailBox1->clear();
    ui->STATUSTEXT->setText(kLoadPrompt);
}

void FileSelectionPage::selectAllInBox() {
    if (ui->ThumbnailBox1->count() == 0)
        return;
    ui->ThumbnailBox1->selectAll();
    setSelectionStatus();
}

void FileSelectionPage::clearBoxSelection() {
    ui->ThumbnailBox1->clearSelection();
    setSelectionStatus();
}

void FileSelectionPage::showSelectionStatus() {
    setSelectionStatus();
}

// Over an item of the thumbnail view the hint names the file, its shot date and its size.
void FileSelectionPage::showThumbnailHint(QPoint pos) {
    ThumbnailBox* box = ui->ThumbnailBox1;
    const QPoint cell = box->cellAt(pos);
    const int index = cell.y() * box->columnCount() + cell.x();
    if (cell.x() < 0 || index < 0 || index >= box->count() ||
        box->viewMode() != ThumbnailViewMode::Thumbnails) {
        box->setToolTip(kGeneralHint);
        return;
    }
    const ThumbnailItem& item = box->item(index);
    std::error_code error;
    const auto size = std::filesystem::file_size(item.fileName, error);
    const qulonglong kilobytes = error ? 0 : size / 1024;
    box->setToolTip(QFile::decodeName(QByteArray::fromStdString(item.fileName)) +
                    QStringLiteral("\n撮影日: ") + item.caption + QStringLiteral("\nサイズ: ") +
                    QString::number(kilobytes) + QStringLiteral(" KB"));
}

void FileSelectionPage::openThumbnailFile() {
    const ThumbnailItem* item = ui->ThumbnailBox1->currentItem();
    if (!item)
        return;
    const QString path = QFile::decodeName(QByteArray::fromStdString(item->fileName));
    if (openFile_)
        openFile_(path);
    else
        QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

// --- view mode, size and sorting ---

void FileSelectionPage::applyViewMode() {
    ui->ThumbnailBox1->setViewMode(ui->RadioTHM->itemIndex() == 0 ? ThumbnailViewMode::FileNames
                                                                  : ThumbnailViewMode::Thumbnails);
}

void FileSelectionPage::showChosenThumbnailSize() {
    ui->THMSIZE->setText(QString::number(ui->TrackTHM->value()));
    if (ui->ThumbnailBox1->count() == 0)
        ui->ThumbnailBox1->setThumbnailSize(ui->TrackTHM->value());
}

// From the button the rebuild runs under the notice; from elsewhere (the start) without.
void FileSelectionPage::rebuildThumbnails(bool underNotice) {
    if (underNotice) {
        emit busyChanged(true);
        QCoreApplication::processEvents();
    }
    try {
        ui->ThumbnailBox1->setThumbnailSize(ui->TrackTHM->value());
    } catch (const std::exception& error) {
        emit busyChanged(false);
        dialogs_.messageBox(error.what(), BoxIcon::Error, BoxButtons::Ok);
        return;
    }
    if (underNotice)
        emit busyChanged(false);
}

namespace {

void sortBy(ThumbnailBox& box, ThumbnailSortOrder key) {
    if (box.sortOrder() == key) {
        box.setSortAscending(!box.sortAscending());
    } else {
        box.setSortOrder(key);
        box.setSortAscending(true);
    }
}

} // namespace

void FileSelectionPage::sortByFileName() {
    sortBy(*ui->ThumbnailBox1, ThumbnailSortOrder::FileName);
    markSortHeader();
}

void FileSelectionPage::sortByFolder() {
    sortBy(*ui->ThumbnailBox1, ThumbnailSortOrder::FullName);
    markSortHeader();
}

void FileSelectionPage::sortByShotDate() {
    sortBy(*ui->ThumbnailBox1, ThumbnailSortOrder::Caption);
    markSortHeader();
}

// The active key's header carries the direction mark in place of its last blank.
void FileSelectionPage::markSortHeader() {
    const ThumbnailSortOrder key = ui->ThumbnailBox1->sortOrder();
    if (key == ThumbnailSortOrder::None)
        return;
    const QString mark =
        ui->ThumbnailBox1->sortAscending() ? QStringLiteral("▲") : QStringLiteral("▼");
    const auto header = [&](const QString& name, ThumbnailSortOrder own) {
        return QStringLiteral("　　") + name + QStringLiteral("　") +
               (key == own ? mark : QStringLiteral("　"));
    };
    ui->TextA->setText(header(QStringLiteral("ファイル名"), ThumbnailSortOrder::FileName));
    ui->TextB->setText(header(QStringLiteral("フォルダ名"), ThumbnailSortOrder::FullName));
    ui->TEXTC->setText(header(QStringLiteral("撮影日時"), ThumbnailSortOrder::Caption));
}

} // namespace pixbako
