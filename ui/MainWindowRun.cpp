// The main window as the import run's window (IRunWindow): options, locking, list view,
// progress and the transfers with the window's dialogs.
#include "engine/post/LogFile.h"
#include "engine/run/RunAbort.h"
#include "platform/FileTime.h"
#include "ui/FileListModel.h"
#include "ui/MainWindow.h"
#include "ui/RadioGroup.h"
#include "ui/dialogs/QtDialogs.h"
#include "ui_MainWindow.h"

#include <QApplication>
#include <QScrollBar>

#include <memory>

namespace pixbako {

void MainWindow::startOrStopRun(RunSender sender) {
    run_.startOrStopRun(sender);
}

void MainWindow::beep(BeepKind kind) {
    setup_.dialogs->beep(kind);
}

BoxAnswer MainWindow::messageBox(const std::string& text, BoxIcon icon, BoxButtons buttons) {
    return setup_.dialogs->messageBox(text, icon, buttons);
}

void MainWindow::processEvents() {
    QCoreApplication::processEvents();
}

void MainWindow::setStatusText(const std::string& text) {
    ui->STATUSTEXT->setText(QString::fromStdString(text));
}

void MainWindow::setProgressRange(int minimum, int maximum) {
    ui->ProgressBar1->setRange(minimum, maximum);
}

void MainWindow::setProgressPosition(int position) {
    ui->ProgressBar1->setValue(position);
}

void MainWindow::setListRedraw(bool on) {
    model_->setFrozen(!on);
    ui->StringGrid1->setUpdatesEnabled(on);
}

void MainWindow::repaintList() {
    model_->refresh();
    ui->StringGrid1->viewport()->update();
}

void MainWindow::showListRow(std::size_t row) {
    if (row == 0 || static_cast<int>(row) > model_->rowCount())
        return;
    QTableView* grid = ui->StringGrid1;
    const int modelRow = static_cast<int>(row) - 1;
    const int rowHeight = grid->verticalHeader()->defaultSectionSize();
    const int visibleRows = std::max(1, grid->viewport()->height() / rowHeight);
    // Below the visible rows: scroll so that the row is the last fully visible one.
    if (static_cast<int>(row) > visibleRows &&
        grid->rowAt(grid->viewport()->height() - 1) < modelRow)
        grid->verticalScrollBar()->setValue(static_cast<int>(row) - visibleRows);
    const QItemSelection cells(model_->index(modelRow, 0), model_->index(modelRow, 4));
    grid->selectionModel()->select(cells, QItemSelectionModel::ClearAndSelect);
}

bool MainWindow::fileSelectionTabActive() {
    return ui->PageControl1->currentWidget() == ui->TabSheet3;
}

int MainWindow::pageIndex() const {
    return ui->PageControl1->currentIndex();
}

void MainWindow::setPageIndex(int index) {
    ui->PageControl1->setCurrentIndex(index);
}

void MainWindow::activateFileSelectionTab() {
    ui->PageControl1->setCurrentWidget(ui->TabSheet3);
}

void MainWindow::saveSettings() {
    settings_->saveOnExit();
}

ImportSettings MainWindow::importSettings() {
    ImportSettings s;
    s.readInFolder = ui->ReadInEdit->text().toStdString();
    s.saveFolder = ui->SaveOutEdit->text().toStdString();
    s.overwriteConfirmation = ui->OverWriteChkBox->isChecked();
    s.copy = ui->RedioButtonCOPY->isChecked();
    s.dateFolders = ui->DIRCHKBOX->isChecked();
    s.folderDatePattern = ui->DDATEEdit->currentText().toStdString();
    s.folderPrefix = ui->DMAEEDIT->text().toStdString();
    s.folderSuffix = ui->DATOEDIT->text().toStdString();
    s.rename = ui->ReNameChkBox->isChecked();
    s.fileDatePattern = ui->FDATEEdit->currentText().toStdString();
    s.filePrefix = ui->FMAEEdit->text().toStdString();
    s.middleText = ui->FATOEdit->text().toStdString();
    s.numbering = ui->FNUMCHK->isChecked();
    s.startNumber = ui->StartEdit->value();
    s.autoContinue = ui->FAUTONUM->isChecked();
    s.sequenceStyleIndex = ui->FNUMCombo->currentIndex();
    s.extensionCase = ui->FTYPECombo->currentIndex();
    s.extensionMode = ui->TYPERADIO->itemIndex();
    s.extensions = extensionChoice_;
    s.includeSubfolders = ui->sUbdirchk1->isChecked();
    s.writeLog = ui->LOGSAVECHKBOX->isChecked();
    s.openFolders = ui->DirOpenChkBox->isChecked();
    s.autoExit = ui->AutoExitChkBox->isChecked();
    s.startProgram = ui->RunChkBox->isChecked();
    s.programPath = ui->RunProcEdit->text().toStdString();
    s.programParameterMode = ui->RUNPARACHK2->itemIndex();
    s.programParameter = ui->RUNPARACHKSTR->text().toStdString();
    return s;
}

void MainWindow::enterRunningState() {
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

void MainWindow::enterIdleState() {
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

int MainWindow::shellFileOperation(const TransferRequest& request, const RunAbortFlag& abort) {
    // The abort flag (an abort confirmed, the window closed) cancels a copy in progress.
    AbortAwareTransferDialogs dialogs(*setup_.transferDialogs, abort);
    return transferFile(request, dialogs);
}

TransferInFlight MainWindow::beginFileOperation(const TransferRequest& request,
                                                const RunAbortFlag& abort) {
    // The dialogs must outlive the begin: the finish shows the row's error or warning. The
    // transfer keeps them alive through its onFinished handler.
    auto dialogs = std::make_shared<AbortAwareTransferDialogs>(*setup_.transferDialogs, abort);
    TransferInFlight transfer = beginTransfer(request, *dialogs);
    transfer.onFinished = [dialogs](int) {};
    return transfer;
}

// The program is ending: a box would hold it up, so a failure goes to standard error.
void MainWindow::saveStoppedRunLog(const RunCompletion& completion) {
    const TDateTime now = setup_.postRun.now ? setup_.postRun.now() : localNow();
    const LogFileResult result =
        writeLogFile(completion.saveFolder, completion.settings.readInFolder, completion.list, now);
    if (!result.ok)
        writeBoxToStandardError("ログファイルを保存できませんでした\r\n" + result.path +
                                "\r\n\r\n" + result.reason);
}

void MainWindow::closeWindow() {
    close();
}

} // namespace pixbako
