// The main window's tabs, menus, protection, exit and close, size and overlays, mouse-release
// warnings and hint placement.
#include "ui/MainWindow.h"

#include "about/AboutDialog.h"
#include "settings/ExtendedSettingsDialog.h"
#include "settings/FileTypesDialog.h"
#include "settings/SetupWizard.h"
#include "ui_MainWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHeaderView>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QTableView>
#include <QToolTip>

namespace pixbako {
// --- tabs ---

void MainWindow::showTabReaction(int index) {
    if (currentTab_ == 0 && index != 0)
        hideEasyRunTab();
    currentTab_ = index;
    switch (index) {
    case 0:
        showEasyRunTab();
        break;
    case 1:
        showDetailedTab();
        break;
    case 2:
        showFileSelectionTab();
        break;
    default:
        break;
    }
}

void MainWindow::showEasyRunTab() {
    ui->LAB1->setText(ui->ReadInEdit->text());
    ui->LAB2->setText(ui->SaveOutEdit->text());
    ui->CHKHOGO->setVisible(true);
    ui->STATUSTEXT->setText(QStringLiteral("  ウィザードにより簡単に取り込めます"));
}

void MainWindow::hideEasyRunTab() {
    ui->CHKHOGO->setVisible(false);
}

void MainWindow::showDetailedTab() {
    ui->STATUSTEXT->setText(QStringLiteral("  Pixbakoの詳細設定を行います"));
}

void MainWindow::showFileSelectionTab() {
    ui->STATUSTEXT->setText(QStringLiteral("  読込みボタンを押してデータを読み込みます"));
}

// --- dialogs and menus ---

// A new wizard for every opening, so each starts from its design state.
void MainWindow::openSetupWizard() {
    if (setup_.openWizard) {
        setup_.openWizard();
        return;
    }
    SetupWizard wizard(*this, setup_.dateTexts, setup_.pickFolder, this);
    wizard.exec();
}

void MainWindow::openSetupWizardFromMenu() {
    ui->PageControl1->setCurrentIndex(0);
    openSetupWizard();
}

void MainWindow::openAboutDialog() {
    if (setup_.openAbout) {
        setup_.openAbout();
        return;
    }
    AboutDialog about(defaultAboutSetup(*setup_.dialogs), this);
    about.exec();
}

// A new dialog for every opening, so each starts from the stored settings.
void MainWindow::openExtendedSettingsDialog() {
    if (setup_.openExtendedSettings) {
        setup_.openExtendedSettings();
    } else {
        ExtendedSettingsDialog dialog(extendedSettings_, this);
        dialog.exec();
    }
    // The thumbnail box shows RAW, HEIC and movie pictures with the first option.
    ui->ThumbnailBox1->setAllFormats(extendedSettings_.allFormatDates);
}

void MainWindow::setExtensionDialog(FileTypesDialog* dialog) {
    fileTypesDialog_ = dialog;
}

void MainWindow::chooseFileTypes() {
    if (fileTypesDialog_)
        fileTypesDialog_->exec();
}

// Protection: no tab, no preset, no wizard and no extended setting can be used; running and
// exiting still can.
void MainWindow::applyProtection() {
    const bool locked = ui->CHKHOGO->isChecked();
    // A run keeps the tabs and presets locked until it ends, whatever happens to the box
    // meanwhile; its end applies the protection state.
    if (!run_.running()) {
        ui->PageControl1->setEnabled(!locked);
        ui->N3->menuAction()->setEnabled(!locked);
    }
    ui->N4->setEnabled(!locked);
    ui->ExtendedSettings1->setEnabled(!locked);
    ui->LabelHOGO->setVisible(locked);
    ui->HOGOIMG->setVisible(locked);
}

// --- exit ---

// The exit button and the menu's exit: the options are saved, then the window closes.
void MainWindow::exitProgram() {
    settings_->saveOnExit();
    close();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // A run is unwinding: it stops at its next check and then closes the window itself.
    if (!run_.requestClose()) {
        event->ignore();
        return;
    }
    // Closing destroys the window, and its destruction saves INI0.
    if (!closing_) {
        closing_ = true;
        settings_->saveOnExit();
    }
    event->accept();
}

// --- size, splitter and overlays ---

QRect MainWindow::workArea() const {
    return screen()->availableGeometry();
}

int MainWindow::panelHeight() const {
    return ui->Panel1->height();
}

void MainWindow::setPanelHeight(int height) {
    height = std::max(height, kPanelMinimumHeight);
    const int room = ui->Splitter1->height() - ui->Splitter1->handleWidth();
    ui->Splitter1->setSizes({height, std::max(0, room - height)});
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    fitToWindowSize();
}

// When the window has become lower than the settings panel and the list need, the panel goes
// back to its minimum and the list gets its room back.
void MainWindow::fitToWindowSize() {
    // The splitter keeps the list at its smallest height and takes the rest from the panel.
    const int smallestList =
        std::max(ui->PanelGrid->minimumHeight(), ui->PanelGrid->minimumSizeHint().height());
    const bool listSqueezed = ui->PanelGrid->height() <= smallestList;
    if (listSqueezed && ui->Panel1->height() > kPanelMinimumHeight)
        setPanelHeight(kPanelMinimumHeight);
}

// The run and exit buttons stand over the lower edge of the settings panel, on every tab; the
// protection box stands over the upper right of the tab area.
void MainWindow::placeOverlays() {
    QWidget* panel = ui->Panel1;
    const int bottom = panel->height() - 3 - 6;
    const int right = panel->width() - 3 - 8;
    ui->ExitButton->move(right - ui->ExitButton->width(), bottom - ui->ExitButton->height());
    ui->RunButton->move(ui->ExitButton->x() - 8 - ui->RunButton->width(),
                        bottom - ui->RunButton->height());
    const QPoint panelTopRight = panel->geometry().topRight();
    ui->CHKHOGO->adjustSize();
    ui->CHKHOGO->move(panelTopRight.x() - ui->CHKHOGO->width() - 8, panelTopRight.y() + 5);
}

// The list shows whole rows only: its height leaves out what would be part of a row, so that a
// scroll to the end shows the last row in full without cutting the top row in half (a view
// scrolled by whole rows aligns its last row with the bottom edge).
void MainWindow::fitListToWholeRows() {
    QTableView* grid = ui->StringGrid1;
    const int rowHeight = grid->verticalHeader()->defaultSectionSize();
    const int header = grid->horizontalHeader()->isHidden()
                           ? 0
                           : qBound(grid->horizontalHeader()->minimumHeight(),
                                    grid->horizontalHeader()->sizeHint().height(),
                                    grid->horizontalHeader()->maximumHeight());
    const int around = 2 * grid->frameWidth() + header;
    const int room = ui->PanelGrid->contentsRect().height();
    const int rows = std::max(0, (room - around) / rowHeight);
    // Never below the list's own smallest size, which the resizing rule compares with.
    grid->setMaximumHeight(std::max(around + rows * rowHeight, grid->minimumSizeHint().height()));
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::Resize:
        if (watched == ui->Panel1 || watched == ui->centralwidget)
            placeOverlays();
        if (watched == ui->PanelGrid)
            fitListToWholeRows();
        break;
    case QEvent::Move:
        if (watched == ui->Panel1)
            placeOverlays();
        break;
    case QEvent::MouseButtonRelease:
        if (watched == ui->FNUMCHK || watched == ui->sUbdirchk1) {
            auto* box = static_cast<QCheckBox*>(watched);
            auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() != Qt::LeftButton)
                break;
            // The box takes the release first (and toggles); the warning looks at the result.
            const bool over = box->rect().contains(mouse->position().toPoint());
            static_cast<QObject*>(box)->event(event);
            if (over && box == ui->FNUMCHK)
                warnIfNumberingOff();
            else if (over)
                confirmSubfolders();
            return true;
        }
        break;
    case QEvent::MouseButtonDblClick:
        if (watched == ui->READINEDIT2) {
            browseReadInFolder();
            return true;
        }
        break;
    default:
        break;
    }
    return QMainWindow::eventFilter(watched, event);
}

// The application's hint reaction: the thumbnail box's hint stands 5 pixels right of and 20
// pixels below the mouse; every other hint keeps the platform's placement.
bool HintPlacement::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::ToolTip || !watched->isWidgetType() ||
        watched->objectName() != QLatin1String("ThumbnailBox1"))
        return false;
    auto* control = static_cast<QWidget*>(watched);
    const auto* help = static_cast<QHelpEvent*>(event);
    const QPoint corner = control->mapToGlobal(help->pos() + QPoint(5, 20));
    QToolTip::showText(corner, control->toolTip(), control);
    // Qt sets its tip a cursor's height below the point it is given. Put the tip's corner on
    // the point itself, unless Qt had to move the tip back onto the screen.
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->inherits("QTipLabel") && window->isVisible() && window->x() >= corner.x() &&
            window->y() >= corner.y())
            window->move(corner);
    }
    return true;
}

} // namespace pixbako
