#include "settings/SetupWizard.h"

#include "components/FolderPicker.h"
#include "components/PopupWidth.h"
#include "engine/naming/Names.h"
#include "platform/DateTime.h"
#include "ui_SetupWizard.h"

#include <QComboBox>
#include <QDateTime>
#include <QFileInfo>
#include <QRadioButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>

namespace pixbako {
namespace {

const QString kUiFont = QStringLiteral("Noto Sans CJK JP");
const QString kNextCaption = QStringLiteral("次へ >>");
const QString kFinishCaption = QStringLiteral("完了");

QFont pixelFont(int pixels, bool bold = false) {
    QFont font(kUiFont);
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

TDateTime currentDateTime() {
    const QDateTime now = QDateTime::currentDateTime();
    return encodeDateTime(now.date().year(), now.date().month(), now.date().day(),
                          now.time().hour(), now.time().minute(), now.time().second(),
                          now.time().msec())
        .value_or(0.0);
}

// A radio group of two items: item 0 is chosen when its button is checked.
int itemIndex(const QRadioButton* item0) {
    return item0->isChecked() ? 0 : 1;
}

// The two message pages: read-only, centred bold text on pale yellow, lines kept close so
// that six lines fit the page.
void fillMessagePage(QTextEdit* memo, const QStringList& lines) {
    memo->setFont(pixelFont(16, true));
    QPalette palette = memo->palette();
    palette.setColor(QPalette::Base, QColor(252, 254, 216));
    memo->setPalette(palette);
    memo->document()->setDocumentMargin(2);
    memo->setPlainText(lines.join(QLatin1Char('\n')));
    QTextCursor cursor(memo->document());
    cursor.select(QTextCursor::Document);
    QTextBlockFormat format;
    format.setAlignment(Qt::AlignHCenter);
    format.setLineHeight(20, QTextBlockFormat::FixedHeight);
    cursor.mergeBlockFormat(format);
}

} // namespace

SetupWizard::SetupWizard(IWizardHost& mainWindow, DateTextSettings dateTexts, PickFolder pickFolder,
                         QWidget* parent)
    : QDialog(parent), main_(mainWindow), dateTexts_(std::move(dateTexts)),
      pickFolder_(std::move(pickFolder)), ui(std::make_unique<Ui::SetupWizard>()) {
    ui->setupUi(this);
    setUpControls();
    connectControls();
    layOutPages();
}

SetupWizard::~SetupWizard() = default;

void SetupWizard::setUpControls() {
    // A fixed dialog border without title-bar buttons: the wizard ends through its own buttons.
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                   Qt::WindowTitleHint);
    setFixedSize(417, 189);
    setFont(pixelFont(12));
    folderPicker_ = new FolderPicker(this);
    folderPicker_->setObjectName(QStringLiteral("folderPicker_"));

    for (int page = 1; page < kPageCount - 1; ++page)
        findChild<QLabel*>(QStringLiteral("Heading%1").arg(page))->setFont(pixelFont(16, true));
    fillMessagePage(ui->WZ1,
                    {QStringLiteral("Pixbakoへようこそ！！"), QString(),
                     QStringLiteral("これから、Pixbakoの設定を始めます"),
                     QStringLiteral("デジカメを接続して、次へをクリックしてください"), QString(),
                     QStringLiteral("※キャンセルボタンでいつでも取り消しできます")});
    fillMessagePage(ui->Memo1, {QString(), QStringLiteral("設定が完了しました！"), QString(),
                                QStringLiteral("処理開始ボタンを押して"),
                                QStringLiteral("パソコンに取り込んで下さい。")});
    for (QLineEdit* sample : {ui->WIZADSAMPLE, ui->WIZAFSAMPLE}) {
        QPalette palette = sample->palette();
        palette.setColor(QPalette::Base, palette.color(QPalette::Button));
        sample->setPalette(palette);
    }

    // The same preset patterns as the main window's pattern lists.
    ui->WIZADSTR->addItems(main_.folderDatePatterns());
    ui->WIZAFSTR->addItems(main_.fileDatePatterns());
    widenPopupToItems(*ui->WIZADSTR);
    widenPopupToItems(*ui->WIZAFSTR);
    ui->WIZADSTR->setCurrentIndex(ui->WIZADSTR->count() > 1 ? 1 : -1);
    ui->WIZAFSTR->setCurrentIndex(ui->WIZAFSTR->count() > 0 ? 0 : -1);

    // Fields, lists and browse buttons are out of the Tab order; radio groups and the three
    // buttons are in it.
    for (QWidget* field : std::initializer_list<QWidget*>{
             ui->EDITIN, ui->EditSAVE, ui->BitBtn1, ui->BitBtn2, ui->WIZADMAE, ui->WIZADSTR,
             ui->WIZADATO, ui->WIZADSAMPLE, ui->WIZAFMAE, ui->WIZAFSTR, ui->WIZAFATO, ui->WIZAFNO,
             ui->WIZAFSAMPLE})
        field->setFocusPolicy(Qt::ClickFocus);
    ui->BitBtn1->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
    ui->BitBtn2->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));

    // Only Next and Back move between pages: the wheel must not scroll the box.
    ui->ScrollBox1->viewport()->installEventFilter(this);
    ui->ScrollBox1->installEventFilter(this);
}

// Every reaction of the wizard is connected here.
void SetupWizard::connectControls() {
    connect(ui->BTNNEXT, &QPushButton::clicked, this, &SetupWizard::nextPage);
    connect(ui->BTNBACK, &QPushButton::clicked, this, &SetupWizard::previousPage);
    connect(ui->BTNCAN, &QPushButton::clicked, this, &QDialog::reject);
    connect(ui->BitBtn1, &QPushButton::clicked, this, &SetupWizard::browseWizardReadInFolder);
    connect(ui->BitBtn2, &QPushButton::clicked, this, &SetupWizard::browseWizardSaveFolder);
    for (QLineEdit* field : {ui->WIZADMAE, ui->WIZADATO})
        connect(field, &QLineEdit::textChanged, this, &SetupWizard::updateFolderSample);
    connect(ui->WIZADSTR, &QComboBox::currentTextChanged, this, &SetupWizard::updateFolderSample);
    for (QLineEdit* field : {ui->WIZAFMAE, ui->WIZAFATO})
        connect(field, &QLineEdit::textChanged, this, &SetupWizard::updateFileSample);
    connect(ui->WIZAFSTR, &QComboBox::currentTextChanged, this, &SetupWizard::updateFileSample);
    connect(ui->WIZAFNO, &QComboBox::currentIndexChanged, this, &SetupWizard::updateFileSample);
}

void SetupWizard::layOutPages() {
    ui->ScrollBox1Contents->resize(ui->ScrollBox1Contents->width(), kPageCount * kPageHeight);
    for (int page = 0; page < kPageCount; ++page) {
        QWidget* sheet = findChild<QWidget*>(QStringLiteral("Page%1").arg(page));
        sheet->setGeometry(0, page * kPageHeight, sheet->width(), kPageHeight);
    }
    ui->ScrollBox1->verticalScrollBar()->setSingleStep(kPageHeight);
}

void SetupWizard::showEvent(QShowEvent* event) {
    if (!event->spontaneous())
        resetPages();
    QDialog::showEvent(event);
}

void SetupWizard::resetPages() {
    updateFolderSample();
    updateFileSample();
    ui->BTNBACK->setEnabled(false);
    setFinishing(false);
    ui->EditSAVE->clear();
    ui->EDITIN->clear();
    showPage(0);
    const Options options = main_.options();
    ui->EDITIN->setText(QString::fromStdString(options.readInFolder));
    ui->EditSAVE->setText(QString::fromStdString(options.saveFolder));
}

int SetupWizard::page() const {
    return ui->ScrollBox1->verticalScrollBar()->value() / kPageHeight;
}

void SetupWizard::showPage(int page) {
    ui->ScrollBox1->verticalScrollBar()->setValue(page * kPageHeight);
    // Only the page shown takes part in Tab and keyboard focus, so that focus can never move
    // to a control of another page and scroll the box there behind the page logic's back.
    for (int other = 0; other < kPageCount; ++other)
        findChild<QWidget*>(QStringLiteral("Page%1").arg(other))->setEnabled(other == page);
}

void SetupWizard::setFinishing(bool finishing) {
    finishing_ = finishing;
    ui->BTNNEXT->setText(finishing ? kFinishCaption : kNextCaption);
}

void SetupWizard::updateFolderSample() {
    ui->WIZADSAMPLE->setText(QString::fromStdString(folderSampleText(
        ui->WIZADMAE->text().toStdString(), ui->WIZADSTR->currentText().toStdString(),
        ui->WIZADATO->text().toStdString(), currentDateTime(), dateTexts_)));
}

void SetupWizard::updateFileSample() {
    const std::string named = folderSampleText(
        ui->WIZAFMAE->text().toStdString(), ui->WIZAFSTR->currentText().toStdString(),
        ui->WIZAFATO->text().toStdString(), currentDateTime(), dateTexts_);
    ui->WIZAFSAMPLE->setText(QString::fromStdString(named) + ui->WIZAFNO->currentText() +
                             QStringLiteral(".JPG"));
}

// Page 1 wants an existing read-in folder, page 3 any save folder; a refusal beeps, warns and
// stays on the page.
bool SetupWizard::folderFieldAccepted(int page) {
    const QString folder = page == 1 ? ui->EDITIN->text() : ui->EditSAVE->text();
    const bool accepted =
        page == 1 ? !folder.isEmpty() && QFileInfo(folder).isDir() : !folder.isEmpty();
    if (accepted)
        return true;
    main_.dialogs().beep(BeepKind::Asterisk);
    main_.dialogs().messageBox(page == 1 ? "読込みフォルダを指定して下さい"
                                         : "保存フォルダを指定して下さい",
                               BoxIcon::Warning, BoxButtons::Ok);
    return false;
}

void SetupWizard::nextPage() {
    // A closing result given at an earlier press takes effect now, after the page's action.
    const bool closes = finishing_;
    switch (page()) {
    case 0:
        ui->BTNBACK->setEnabled(true);
        showPage(1);
        break;
    case 1:
        if (folderFieldAccepted(1))
            showPage(2);
        break;
    case 2:
        showPage(3);
        break;
    case 3:
        if (folderFieldAccepted(3))
            showPage(4);
        break;
    case 4:
        showPage(itemIndex(ui->RADIODIR0) == 0 ? 5 : 6);
        break;
    case 5:
        showPage(6);
        break;
    case 6:
        if (itemIndex(ui->RADIOFILE0) == 0) {
            showPage(7);
        } else {
            setFinishing(true);
            showPage(8);
        }
        break;
    case 7:
        setFinishing(true);
        showPage(8);
        break;
    default:
        transfer();
        break;
    }
    if (closes)
        accept();
}

void SetupWizard::previousPage() {
    switch (page()) {
    case 0:
        break;
    case 1:
        ui->BTNBACK->setEnabled(false);
        showPage(0);
        break;
    case 6:
        showPage(itemIndex(ui->RADIODIR0) == 0 ? 5 : 4);
        break;
    case 8:
        setFinishing(false);
        showPage(itemIndex(ui->RADIOFILE0) == 0 ? 7 : 6);
        break;
    default:
        showPage(page() - 1);
        break;
    }
}

// On success the field takes the folder and the wizard moves on as if Next had been pressed.
void SetupWizard::browse(QLineEdit* field, const QString& title) {
    QString folder;
    if (pickFolder_) {
        folder = pickFolder_(title, field->text());
    } else {
        folderPicker_->initialFolder = field->text();
        folderPicker_->title = title;
        if (folderPicker_->exec())
            folder = folderPicker_->folder();
    }
    if (folder.isEmpty())
        return;
    field->setText(folder);
    nextPage();
}

void SetupWizard::browseWizardReadInFolder() {
    browse(ui->EDITIN, QStringLiteral("読込フォルダを指定"));
}

void SetupWizard::browseWizardSaveFolder() {
    browse(ui->EditSAVE, QStringLiteral("保存フォルダを指定"));
}

// The answers into the main window's options; options not named here keep their values.
void SetupWizard::transfer() {
    auto text = [](const auto* field) { return field->text().toStdString(); };
    Options o = main_.options();
    o.readInFolder = text(ui->EDITIN);
    o.saveFolder = text(ui->EditSAVE);
    o.copy = itemIndex(ui->RADIOCOPYM0) == 1;
    o.extensionMode = 0;
    o.overwriteConfirmation = false;
    if (itemIndex(ui->RADIODIR0) == 1) {
        o.dateFolders = false;
    } else {
        o.dateFolders = true;
        o.folderPrefix = text(ui->WIZADMAE);
        o.folderDatePattern = ui->WIZADSTR->currentText().toStdString();
        o.folderSuffix = text(ui->WIZADATO);
    }
    o.extensionCase = 0;
    if (itemIndex(ui->RADIOFILE0) == 1) {
        o.rename = false;
    } else {
        o.rename = true;
        o.filePrefix = text(ui->WIZAFMAE);
        o.fileDatePattern = ui->WIZAFSTR->currentText().toStdString();
        o.middleText = text(ui->WIZAFATO);
        o.numbering = true;
        o.sequenceStyleIndex = ui->WIZAFNO->currentIndex();
        o.startNumber = 1;
        o.autoContinue = true;
    }
    o.autoExit = false;
    o.openFolders = true;
    o.writeLog = false;
    o.startProgram = false;
    main_.applyWizardAnswers(o);
}

bool SetupWizard::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Wheel)
        return true;
    return QDialog::eventFilter(watched, event);
}

} // namespace pixbako
