// The main window's enabling and warning rules, the name samples, browsing and drops.
#include "components/FolderPicker.h"
#include "engine/naming/Names.h"
#include "ui/MainWindow.h"
#include "ui/RadioGroup.h"
#include "ui_MainWindow.h"

#include <QDateTime>
#include <QFileDialog>
#include <QFileInfo>

#include <limits>

namespace pixbako {
namespace {

TDateTime currentDateTime() {
    const QDateTime now = QDateTime::currentDateTime();
    const QDate date = now.date();
    const QTime time = now.time();
    return encodeDateTime(date.year(), date.month(), date.day(), time.hour(), time.minute(),
                          time.second(), time.msec())
        .value_or(0.0);
}

std::string text(const QLineEdit* field) {
    return field->text().toStdString();
}

std::string text(const QComboBox* pattern) {
    return pattern->currentText().toStdString();
}

} // namespace

// Enabled fields are painted in the window colour, disabled ones in the button-face colour,
// also when they are disabled with the whole window (a load or a run) rather than by a rule.
void MainWindow::enableField(QWidget* field, bool enabled) {
    field->setEnabled(enabled);
    QPalette palette = field->palette();
    const QColor buttonFace = QPalette().color(QPalette::Button);
    const QColor colour = enabled ? QPalette().color(QPalette::Base) : buttonFace;
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive})
        palette.setColor(group, QPalette::Base, colour);
    palette.setColor(QPalette::Disabled, QPalette::Base, buttonFace);
    field->setPalette(palette);
}

void MainWindow::updateProgramStart() {
    const bool on = ui->RunChkBox->isChecked();
    enableField(ui->RunProcEdit, on);
    ui->RunProcButton->setEnabled(on);
    ui->RUNPARACHK2->setEnabled(on);
}

void MainWindow::updateProgramParameter() {
    ui->RUNPARACHKSTR->setEnabled(ui->RUNPARACHK2->itemIndex() == 2);
}

void MainWindow::updateFileTypeChoice() {
    ui->TYPESETBUTTON->setEnabled(ui->TYPERADIO->itemIndex() == 1);
}

void MainWindow::updateNameSamples() {
    // Setting the start number below re-enters through its change signal.
    if (refreshing_)
        return;
    refreshing_ = true;
    const TDateTime now = currentDateTime();
    ui->DDATESample->setText(QString::fromStdString(folderSampleText(
        text(ui->DMAEEDIT), text(ui->DDATEEdit), text(ui->DATOEDIT), now, setup_.dateTexts)));

    const SequenceStyle style = sequenceStyleFor(ui->FNUMCombo->currentIndex());
    const std::int64_t highest = highestStartNumber(style);
    const std::int64_t start = adjustedStartNumber(ui->StartEdit->value(), style);
    // Without a style the highest start number is 0, which a spin field reads as no limit.
    ui->StartEdit->setMaximum(highest > 0 ? static_cast<int>(highest)
                                          : std::numeric_limits<int>::max());
    ui->StartEdit->setValue(static_cast<int>(start));

    FileNameFields fields{text(ui->FMAEEdit), text(ui->FDATEEdit), text(ui->FATOEdit),
                          ui->FNUMCHK->isChecked(), style};
    ui->FDATESample->setText(QString::fromStdString(
        fileSampleText(fields, ui->StartEdit->value(), now, setup_.dateTexts)));
    refreshing_ = false;
}

void MainWindow::updateFolderNaming() {
    const bool on = ui->DIRCHKBOX->isChecked();
    if (on)
        ui->FolderFormatGroupBox->setEnabled(true);
    for (QWidget* field :
         {static_cast<QWidget*>(ui->DMAEEDIT), static_cast<QWidget*>(ui->DDATEEdit),
          static_cast<QWidget*>(ui->DATOEDIT)})
        enableField(field, on);
    ui->DDATESample->setEnabled(on);
    if (on)
        updateNameSamples();
    else
        ui->FolderFormatGroupBox->setEnabled(false);
}

void MainWindow::updateRenaming() {
    const bool on = ui->ReNameChkBox->isChecked();
    if (on)
        ui->FDATEGroupBox->setEnabled(true);
    for (QWidget* field :
         {static_cast<QWidget*>(ui->FMAEEdit), static_cast<QWidget*>(ui->FDATEEdit),
          static_cast<QWidget*>(ui->FATOEdit), static_cast<QWidget*>(ui->FTYPECombo)})
        enableField(field, on);
    ui->FDATESample->setEnabled(on);
    ui->FNUMCHK->setEnabled(on);
    const bool numbering = on && ui->FNUMCHK->isChecked();
    enableField(ui->FNUMCombo, numbering);
    enableField(ui->StartEdit, numbering);
    ui->FAUTONUM->setEnabled(numbering);
    if (on)
        updateNameSamples();
    else
        ui->FDATEGroupBox->setEnabled(false);
}

void MainWindow::updateNumbering() {
    const bool numbering = ui->FNUMCHK->isChecked() && ui->ReNameChkBox->isChecked();
    enableField(ui->FNUMCombo, numbering);
    enableField(ui->StartEdit, numbering);
    ui->FAUTONUM->setEnabled(numbering);
    updateNameSamples();
}

// Switching numbering off can let files of the same name replace each other.
void MainWindow::warnIfNumberingOff() {
    if (ui->FNUMCHK->isChecked())
        return;
    beep(BeepKind::Asterisk);
    messageBox("連番をOFFにするとファイルが消失する場合があります\r\n"
               "READMEを良くお読みになり慎重に設定して下さい",
               BoxIcon::Warning, BoxButtons::Ok);
}

void MainWindow::confirmSubfolders() {
    if (!ui->sUbdirchk1->isChecked())
        return;
    const BoxAnswer answer =
        messageBox("サブフォルダをも読み込み対象にすると処理時間が長くなる場合があります\r\n\r\n"
                   "      　　　　　　　　　   よろしいですか",
                   BoxIcon::Warning, BoxButtons::YesAbort);
    if (answer != BoxAnswer::Yes)
        ui->sUbdirchk1->setChecked(false);
}

// --- browsing ---

QString MainWindow::pickFolder(const QString& title, const QString& initialFolder) {
    if (setup_.pickFolder)
        return setup_.pickFolder(title, initialFolder);
    FolderPicker browse(this);
    browse.title = title;
    browse.initialFolder = initialFolder;
    return browse.exec() ? browse.folder() : QString();
}

void MainWindow::browseReadInFolder() {
    const QString folder = pickFolder(QStringLiteral("読込フォルダを指定"), ui->ReadInEdit->text());
    if (folder.isEmpty())
        return;
    ui->ReadInEdit->setText(folder);
    ui->READINEDIT2->setText(folder);
}

void MainWindow::browseSaveFolder() {
    const QString folder =
        pickFolder(QStringLiteral("保存フォルダを指定"), ui->SaveOutEdit->text());
    if (!folder.isEmpty())
        ui->SaveOutEdit->setText(folder);
}

void MainWindow::browseProgram() {
    QString file;
    if (setup_.pickProgram) {
        file = setup_.pickProgram();
    } else {
        file = QFileDialog::getOpenFileName(
            this, QString(), QString(),
            QStringLiteral("実行ファイル (*.EXE *.COM *.exe *.com);;全てのファイル (*)"));
    }
    if (!file.isEmpty())
        ui->RunProcEdit->setText(QFileInfo(file).absoluteFilePath());
}

void MainWindow::copyReadInFolderToSelectionTab() {
    ui->READINEDIT2->setText(ui->ReadInEdit->text());
}

// --- drops: only the first path counts ---

void MainWindow::dropOnReadInFolder(const QStringList& files) {
    if (!files.isEmpty() && QFileInfo(files.first()).isDir())
        ui->ReadInEdit->setText(files.first());
}

void MainWindow::dropOnSaveFolder(const QStringList& files) {
    if (!files.isEmpty() && QFileInfo(files.first()).isDir())
        ui->SaveOutEdit->setText(files.first());
}

void MainWindow::dropOnProgram(const QStringList& files) {
    if (!files.isEmpty() && QFileInfo(files.first()).isFile())
        ui->RunProcEdit->setText(files.first());
}

// --- the window's own boxes ---

void MainWindow::beep(BeepKind kind) {
    setup_.dialogs->beep(kind);
}

BoxAnswer MainWindow::messageBox(const std::string& text, BoxIcon icon, BoxButtons buttons) {
    return setup_.dialogs->messageBox(text, icon, buttons);
}

// --- settings file ---

void MainWindow::loadOptions(const QString& section) {
    settings_->loadOptions(section);
}

void MainWindow::saveOptions(const QString& section) {
    settings_->saveOptions(section);
}

} // namespace pixbako
