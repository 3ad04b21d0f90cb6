#include "settings/ExtendedSettingsDialog.h"

#include "ui_ExtendedSettingsDialog.h"

#include <QCheckBox>

namespace pixbako {

ExtendedSettingsDialog::ExtendedSettingsDialog(ExtendedSettings& settings, QWidget* parent)
    : QDialog(parent), settings_(settings), ui(std::make_unique<Ui::ExtendedSettingsDialog>()) {
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                   Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(size());
    QFont font(QStringLiteral("Noto Sans CJK JP"));
    font.setPixelSize(12);
    setFont(font);
    connect(ui->OKBtn, &QPushButton::clicked, this, [this] {
        storeSettings();
        accept();
    });
    connect(ui->CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    showSettings();
}

ExtendedSettingsDialog::~ExtendedSettingsDialog() = default;

void ExtendedSettingsDialog::showSettings() {
    ui->METADATESCHK->setChecked(settings_.allFormatDates);
    ui->BUNDLECHK->setChecked(settings_.keepShotsTogether);
    ui->LEDGERCHK->setChecked(settings_.ledger);
}

void ExtendedSettingsDialog::storeSettings() {
    settings_.allFormatDates = ui->METADATESCHK->isChecked();
    settings_.keepShotsTogether = ui->BUNDLECHK->isChecked();
    settings_.ledger = ui->LEDGERCHK->isChecked();
}

void ExtendedSettingsDialog::showEvent(QShowEvent* event) {
    showSettings();
    QDialog::showEvent(event);
}

} // namespace pixbako
