// The one binding of the options to the window's controls.
#include "components/ThumbnailBox.h"
#include "ui/MainWindow.h"
#include "ui/RadioGroup.h"
#include "ui_MainWindow.h"

namespace pixbako {

void MainWindow::bindOptions() {
    OptionsBinding& b = options_;
    b.bind("READ", ui->ReadInEdit);
    b.bind("WRITE", ui->SaveOutEdit);
    b.bind("OVERW", ui->OverWriteChkBox);
    b.bind("DIROPEN", ui->DirOpenChkBox);
    b.bind("AUTOQUIT", ui->AutoExitChkBox);
    // Two radio buttons of one group: checking one clears the other.
    b.bind(
        "MODE", [this] { return OptionValue(ui->RedioButtonCOPY->isChecked()); },
        [this](const OptionValue& copy) {
            (OptionsBinding::numberOf(copy) ? ui->RedioButtonCOPY : ui->RedioButtonMOVE)
                ->setChecked(true);
        });
    b.bind("RENAME", ui->ReNameChkBox);
    b.bind("FMAE", ui->FMAEEdit);
    b.bind("FDATE", ui->FDATEEdit);
    b.bind("FATO", ui->FATOEdit);
    b.bind("FNUM", ui->FNUMCombo);
    b.bind("FTYPEC", ui->FTYPECombo);
    b.bind("DDATE", ui->DDATEEdit);
    b.bind("DMAE", ui->DMAEEDIT);
    b.bind("DATO", ui->DATOEDIT);
    b.bind("DIRCHKBOX", ui->DIRCHKBOX);
    b.bind("RUNF", ui->RunChkBox);
    b.bindItemIndex("RUNPARA2", ui->RUNPARACHK2);
    b.bind("RUNPARASTR", ui->RUNPARACHKSTR);
    b.bind("FNUMF", ui->FNUMCHK);
    b.bind("FAUTONUMF", ui->FAUTONUM);
    b.bind("LOGF", ui->LOGSAVECHKBOX);
    b.bind("RUNNAME", ui->RunProcEdit);
    b.bind("START", ui->StartEdit);
    b.bindItemIndex("TYPEF", ui->TYPERADIO);
    b.bindExtensions(extensionChoice_);
    b.bind(
        "THMMODE", [this] { return OptionValue(std::int64_t{thumbnailMode()}); },
        [this](const OptionValue& mode) { setThumbnailMode(OptionsBinding::numberOf(mode)); });
    b.bind(
        "THMSIZE", [this] { return OptionValue(std::int64_t{thumbnailSize()}); },
        [this](const OptionValue& size) { setThumbnailSize(OptionsBinding::numberOf(size)); });
    b.bind("HOGOF", ui->CHKHOGO);
    b.bind(
        "SORTTYPE", [this] { return OptionValue(std::int64_t{sortType()}); },
        [this](const OptionValue& type) { setSortType(OptionsBinding::numberOf(type)); });
    b.bind(
        "SORTUP", [this] { return OptionValue(sortUp()); },
        [this](const OptionValue& up) { setSortUp(OptionsBinding::numberOf(up) != 0); });
    b.bind("SUBDIR", ui->sUbdirchk1);
    // The thumbnail box shows the pictures of RAW, HEIC and movie files with this option.
    b.bind(
        "METADATES", [this] { return OptionValue(extendedSettings_.allFormatDates); },
        [this](const OptionValue& on) {
            extendedSettings_.allFormatDates = OptionsBinding::numberOf(on) != 0;
            ui->ThumbnailBox1->setAllFormats(extendedSettings_.allFormatDates);
        });
    b.bindFlag("BUNDLE", extendedSettings_.keepShotsTogether);
    b.bindFlag("LEDGER", extendedSettings_.ledger);
}

void MainWindow::applyWizardAnswers(const Options& options) {
    applyOptions(options);
    ui->LAB1->setText(ui->ReadInEdit->text());
    ui->LAB2->setText(ui->SaveOutEdit->text());
    updateNameSamples();
}

namespace {
QStringList itemsOf(const QComboBox& list) {
    QStringList items;
    for (int item = 0; item < list.count(); ++item)
        items << list.itemText(item);
    return items;
}
} // namespace

QStringList MainWindow::folderDatePatterns() const {
    return itemsOf(*ui->DDATEEdit);
}

QStringList MainWindow::fileDatePatterns() const {
    return itemsOf(*ui->FDATEEdit);
}

} // namespace pixbako
