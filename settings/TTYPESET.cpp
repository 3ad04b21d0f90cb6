#include "settings/TTYPESET.h"

#include "ui_TTYPESET.h"

#include <QCheckBox>
#include <QLineEdit>

namespace pixbako {
namespace {

// Each check box with the flag it stands for.
struct FlagBox {
    QCheckBox* Ui::TTYPESET::*box;
    bool ExtensionChoice::*flag;
};

constexpr FlagBox kFlagBoxes[] = {
    {&Ui::TTYPESET::CheckBoxJPG, &ExtensionChoice::JPG},
    {&Ui::TTYPESET::CheckBoxBMP, &ExtensionChoice::BMP},
    {&Ui::TTYPESET::CheckBoxGIF, &ExtensionChoice::GIF},
    {&Ui::TTYPESET::CheckBoxPNG, &ExtensionChoice::PNG},
    {&Ui::TTYPESET::CheckBoxTIF, &ExtensionChoice::TIF},
    {&Ui::TTYPESET::CheckBoxAVI, &ExtensionChoice::AVI},
    {&Ui::TTYPESET::CheckBoxMPG, &ExtensionChoice::MPG},
    {&Ui::TTYPESET::CheckBoxASF, &ExtensionChoice::ASF},
};

} // namespace

TTYPESET::TTYPESET(ExtensionChoice& choice, QWidget* parent)
    : QDialog(parent), choice_(choice), ui(std::make_unique<Ui::TTYPESET>()) {
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                   Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(263, 172);
    QFont font(QStringLiteral("Noto Sans CJK JP"));
    font.setPixelSize(12);
    setFont(font);
    connect(ui->OKBtn, &QPushButton::clicked, this, [this] {
        OKBtnClick();
        accept();
    });
    connect(ui->CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    FormCreate();
}

TTYPESET::~TTYPESET() = default;

void TTYPESET::FormCreate() {
    for (const FlagBox& entry : kFlagBoxes)
        (ui.get()->*entry.box)->setChecked(choice_.*entry.flag);
    ui->TYPEEDITBOX->setText(QString::fromStdString(choice_.freeList));
}

void TTYPESET::OKBtnClick() {
    for (const FlagBox& entry : kFlagBoxes)
        choice_.*entry.flag = (ui.get()->*entry.box)->isChecked();
    choice_.freeList = ui->TYPEEDITBOX->text().toStdString();
}

void TTYPESET::showEvent(QShowEvent* event) {
    FormCreate();
    QDialog::showEvent(event);
}

} // namespace pixbako
