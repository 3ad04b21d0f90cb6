// The main window as the import run's window: locking, list view, progress and the transfers
// with the window's dialogs.
#include "ui/RunWindowAdapter.h"

#include "components/ThumbnailBox.h"
#include "engine/post/LogFile.h"
#include "engine/run/RunAbort.h"
#include "platform/FileTime.h"
#include "ui/CompletionSequence.h"
#include "ui/FileListModel.h"
#include "ui/MainWindow.h"
#include "ui/dialogs/QtDialogs.h"
#include "ui_MainWindow.h"

#include <QApplication>
#include <QHeaderView>
#include <QScrollBar>
#include <QTableView>

#include <memory>

namespace pixbako {

RunWindowAdapter::RunWindowAdapter(MainWindow& window, Ui::MainWindow& form,
                                   const MainWindowSetup& setup)
    : window_(window), ui(&form), setup_(setup) {}

RunWindowAdapter::~RunWindowAdapter() = default;

void RunWindowAdapter::beep(BeepKind kind) {
    setup_.dialogs->beep(kind);
}

BoxAnswer RunWindowAdapter::messageBox(const std::string& text, BoxIcon icon, BoxButtons buttons) {
    return setup_.dialogs->messageBox(text, icon, buttons);
}

void RunWindowAdapter::processEvents() {
    QCoreApplication::processEvents();
}

void RunWindowAdapter::setStatusText(const std::string& text) {
    ui->STATUSTEXT->setText(QString::fromStdString(text));
}

void RunWindowAdapter::setProgressRange(int minimum, int maximum) {
    ui->ProgressBar1->setRange(minimum, maximum);
}

void RunWindowAdapter::setProgressPosition(int position) {
    ui->ProgressBar1->setValue(position);
}

void RunWindowAdapter::setListRedraw(bool on) {
    model_->setFrozen(!on);
    ui->StringGrid1->setUpdatesEnabled(on);
}

void RunWindowAdapter::repaintList() {
    model_->refresh();
    ui->StringGrid1->viewport()->update();
}

void RunWindowAdapter::showListRow(std::size_t row) {
    if (static_cast<int>(row) >= model_->rowCount())
        return;
    QTableView* grid = ui->StringGrid1;
    const int modelRow = static_cast<int>(row);
    const int rowHeight = grid->verticalHeader()->defaultSectionSize();
    const int visibleRows = std::max(1, grid->viewport()->height() / rowHeight);
    // Below the visible rows: scroll so that the row is the last fully visible one.
    if (modelRow + 1 > visibleRows && grid->rowAt(grid->viewport()->height() - 1) < modelRow)
        grid->verticalScrollBar()->setValue(modelRow + 1 - visibleRows);
    const QItemSelection cells(model_->index(modelRow, 0), model_->index(modelRow, 4));
    grid->selectionModel()->select(cells, QItemSelectionModel::ClearAndSelect);
}

std::size_t RunWindowAdapter::thumbnailCount() {
    return static_cast<std::size_t>(ui->ThumbnailBox1->count());
}

std::vector<std::string> RunWindowAdapter::thumbnailSelectedFiles() {
    return ui->ThumbnailBox1->selectedFiles();
}

std::string RunWindowAdapter::thumbnailFileName(std::size_t index) {
    return ui->ThumbnailBox1->item(static_cast<int>(index)).fileName;
}

void RunWindowAdapter::thumbnailDelete(std::size_t index) {
    ui->ThumbnailBox1->removeAt(static_cast<int>(index));
}

bool RunWindowAdapter::fileSelectionTabActive() {
    return ui->PageControl1->currentWidget() == ui->TabSheet3;
}

void RunWindowAdapter::activateFileSelectionTab() {
    ui->PageControl1->setCurrentWidget(ui->TabSheet3);
}

void RunWindowAdapter::saveSettings() {
    window_.saveSettings();
}

ImportSettings RunWindowAdapter::importSettings() {
    return window_.importSettings();
}

void RunWindowAdapter::enterRunningState() {
    ui->RunButton->setText(QStringLiteral("中止"));
    if (!waitCursor_) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        waitCursor_ = true;
    }
    ui->PageControl1->setEnabled(false);
    for (QMenu* menu : {ui->File1, ui->Help1, ui->N3})
        menu->menuAction()->setEnabled(false);
    ui->ExitButton->setEnabled(false);
}

void RunWindowAdapter::enterIdleState() {
    setListRedraw(true);
    repaintList();
    if (waitCursor_) {
        QApplication::restoreOverrideCursor();
        waitCursor_ = false;
    }
    const bool protectedSettings = ui->CHKHOGO->isChecked();
    ui->PageControl1->setEnabled(!protectedSettings);
    ui->N3->menuAction()->setEnabled(!protectedSettings);
    ui->File1->menuAction()->setEnabled(true);
    ui->Help1->menuAction()->setEnabled(true);
    ui->ExitButton->setEnabled(true);
    ui->ProgressBar1->setValue(0);
    ui->STATUSTEXT->clear();
    ui->RunButton->setText(QStringLiteral("処理実行"));
}

TransferResult RunWindowAdapter::shellFileOperation(const TransferRequest& request,
                                                    const RunAbortFlag& abort) {
    // The abort flag (an abort confirmed, the window closed) cancels a copy in progress.
    AbortAwareTransferDialogs dialogs(*setup_.transferDialogs, abort);
    return transferFile(request, dialogs);
}

TransferInFlight RunWindowAdapter::beginFileOperation(const TransferRequest& request,
                                                      const RunAbortFlag& abort) {
    // The dialogs must outlive the begin: the finish shows the row's error or warning. The
    // transfer keeps them alive through its onFinished handler.
    auto dialogs = std::make_shared<AbortAwareTransferDialogs>(*setup_.transferDialogs, abort);
    TransferInFlight transfer = beginTransfer(request, *dialogs);
    transfer.onFinished = [dialogs](TransferResult) {};
    return transfer;
}

void RunWindowAdapter::saveStoppedRunLog(const RunCompletion& completion) {
    window_.completionSequence().saveStoppedRunLog(completion);
}

void RunWindowAdapter::completionSequence(const RunCompletion& completion) {
    emit completed(completion);
}

void RunWindowAdapter::closeWindow() {
    window_.close();
}

} // namespace pixbako
