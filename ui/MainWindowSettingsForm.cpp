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
    return static_cast<int>(ui->ThumbnailBox1->sortOrder());
}

// A stored number outside 0 to 3 names no key: the box stays unsorted.
void MainWindow::setSortType(int type) {
    ui->ThumbnailBox1->setSortOrder(type >= 0 && type <= 3 ? static_cast<ThumbnailSortOrder>(type)
                                                           : ThumbnailSortOrder::None);
}

bool MainWindow::sortUp() const {
    return ui->ThumbnailBox1->sortAscending();
}

void MainWindow::setSortUp(bool up) {
    ui->ThumbnailBox1->setSortAscending(up);
}

void MainWindow::saveSettings() {
    settings_->saveOnExit();
}

ImportSettings MainWindow::importSettings() {
    return options();
}

} // namespace pixbako
