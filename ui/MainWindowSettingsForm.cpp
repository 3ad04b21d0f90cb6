// The window as the settings file and the run read it: the page shown, the thumbnail box's
// view, size and order, and the options of a run as the controls hold them.
#include "components/ThumbnailBox.h"
#include "ui/MainWindow.h"
#include "ui/RadioGroup.h"
#include "ui_MainWindow.h"

namespace pixbako {

int MainWindow::pageIndex() const {
    return ui->PageControl1->currentIndex();
}

void MainWindow::setPageIndex(int index) {
    ui->PageControl1->setCurrentIndex(index);
}

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

} // namespace pixbako
