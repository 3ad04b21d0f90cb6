#include "settings/FileTypesDialog.h"

#include "ui_FileTypesDialog.h"

#include <QCheckBox>
#include <QLineEdit>

namespace pixbako {
namespace {

// Each check box with the flag it stands for.
struct FlagBox {
    QCheckBox* Ui::FileTypesDialog::*box;
    bool ExtensionChoice::*flag;
};

constexpr FlagBox kFlagBoxes[] = {
    {&Ui::FileTypesDialog::CheckBoxJPG, &ExtensionChoice::JPG},
    {&Ui::FileTypesDialog::CheckBoxBMP, &ExtensionChoice::BMP},
    {&Ui::FileTypesDialog::CheckBoxGIF, &ExtensionChoice::GIF},
    {&Ui::FileTypesDialog::CheckBoxPNG, &ExtensionChoice::PNG},
    {&Ui::FileTypesDialog::CheckBoxTIF, &ExtensionChoice::TIF},
    {&Ui::FileTypesDialog::CheckBoxAVI, &ExtensionChoice::AVI},
    {&Ui::FileTypesDialog::CheckBoxMPG, &ExtensionChoice::MPG},
    {&Ui::FileTypesDialog::CheckBoxASF, &ExtensionChoice::ASF},
};

} // namespace

FileTypesDialog::FileTypesDialog(ExtensionChoice& choice, QWidget* parent)
    : QDialog(parent), choice_(choice), ui(std::make_unique<Ui::FileTypesDialog>()) {
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                   Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(263, 172);
    QFont font(QStringLiteral("Noto Sans CJK JP"));
    font.setPixelSize(12);
    setFont(font);
    connect(ui->OKBtn, &QPushButton::clicked, this, [this] {
        storeChoice();
        accept();
    });
    connect(ui->CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    showChoice();
}

FileTypesDialog::~FileTypesDialog() = default;

void FileTypesDialog::showChoice() {
    for (const FlagBox& entry : kFlagBoxes)
        (ui.get()->*entry.box)->setChecked(choice_.*entry.flag);
    ui->TYPEEDITBOX->setText(QString::fromStdString(choice_.freeList));
}

void FileTypesDialog::storeChoice() {
    for (const FlagBox& entry : kFlagBoxes)
        choice_.*entry.flag = (ui.get()->*entry.box)->isChecked();
    choice_.freeList = ui->TYPEEDITBOX->text().toStdString();
}

void FileTypesDialog::showEvent(QShowEvent* event) {
    showChoice();
    QDialog::showEvent(event);
}

} // namespace pixbako
