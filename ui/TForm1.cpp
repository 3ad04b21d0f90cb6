// The main window: construction, layout details uic can't express, signal wiring, tabs,
// menus, protection, resizing, hints and the exit command.
#include "ui/TForm1.h"

#include "components/DropDst.h"
#include "engine/run/RunAbort.h"
#include "ui/FileListModel.h"
#include "ui/FormatExpLines.h"
#include "ui/Pictures.h"
#include "ui/TXPRadioGroup.h"
#include "ui/dialogs/QtDialogs.h"
#include "ui/dialogs/QtTransferDialogs.h"
#include "ui_TForm1.h"

#include <QCloseEvent>
#include <QFile>
#include <QHeaderView>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QProgressDialog> // QtTransferDialogs.h needs the complete type
#include <QScreen>
#include <QToolTip>

namespace pixbako {
namespace {

const QString kUiFont = QStringLiteral("Noto Sans CJK JP");
const QString kMonoFont = QStringLiteral("Noto Sans Mono CJK JP");

QFont pixelFont(const QString& family, int pixels, bool bold = false) {
    QFont font(family);
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

} // namespace

bool& programEndRequest() {
    static bool request = false;
    return request;
}

TForm1::TForm1(TForm1Setup setup, QWidget* parent)
    : QMainWindow(parent), setup_(std::move(setup)), ui(std::make_unique<Ui::TForm1>()) {
    ui->setupUi(this);
    if (!setup_.dialogs) {
        ownDialogs_ = std::make_unique<QtDialogs>(this);
        setup_.dialogs = ownDialogs_.get();
    }
    if (!setup_.transferDialogs) {
        ownTransferDialogs_ = std::make_unique<QtTransferDialogs>(this, *setup_.dialogs,
                                                                  [] { return runAbortFlag(); });
        setup_.transferDialogs = ownTransferDialogs_.get();
    }
    setUpControls();
    connectControls();
    connectDropTargets();
    setUpFileSelection();

    programEndRequest() = false;
    versionText_ = QStringLiteral(PIXBAKO_VERSION_TEXT);
    settings_ = std::make_unique<SettingsFile>(*this, setup_.iniPath);
    LOADINI(QStringLiteral("INI0"));
    // The enabling state must match the loaded values also where a loaded value equals the
    // design state, so that no assignment fired the reaction.
    RunChkBoxClick();
    RUNPARACHK2Click();
    FNUMComboChange();
    DIRCHKBOXClick();
    ReNameChkBoxClick();
    FNUMCHKClick();
    TYPERADIOClick();
    applyStoredThumbnailSize();
    showTabReaction(ui->PageControl1->currentIndex());
    // Hints of the thumbnail box stand beside the mouse; see eventFilter.
    qApp->installEventFilter(this);
}

TForm1::~TForm1() {
    qApp->removeEventFilter(this);
}

void TForm1::setUpControls() {
    setWindowIcon(programIcon());
    setFont(pixelFont(kUiFont, 12));
    ui->MainMenu1->setFont(font());
    resize(kDesignWidth, kDesignHeight);

    // The separators carry their names too.
    ui->File1->actions().at(2)->setObjectName(QStringLiteral("N1"));
    ui->N3->actions().at(5)->setObjectName(QStringLiteral("N9"));

    const QFont large = pixelFont(kUiFont, 19);
    for (QWidget* child : ui->TabSheet1->findChildren<QWidget*>())
        child->setFont(large);
    ui->LabelHOGO->setFont(pixelFont(kUiFont, 40));
    ui->LabelHOGO->setStyleSheet(QStringLiteral("color: #ff0000;"));
    ui->RunButton->setFont(pixelFont(kUiFont, 16, true));
    ui->Image2->setPixmap(arrowDownPicture(40));
    ui->HOGOIMG->setPixmap(lockPicture(48));
    ui->BTNWIZA->setIcon(QIcon(wizardPicture(32)));
    for (QLineEdit* field : {ui->LAB1, ui->LAB2}) {
        QPalette palette = field->palette();
        palette.setColor(QPalette::Base, palette.color(QPalette::Button));
        field->setPalette(palette);
    }
    for (QLineEdit* sample : {ui->DDATESample, ui->FDATESample}) {
        QPalette palette = sample->palette();
        palette.setColor(QPalette::Base, palette.color(QPalette::Button));
        sample->setPalette(palette);
    }

    ui->FormatExp->setFont(pixelFont(kMonoFont, 12));
    for (const std::string& line : formatExpLines())
        ui->FormatExp->addItem(QString::fromStdString(line));

    // Sequence style: no item until the settings are loaded.
    ui->FNUMCombo->setCurrentIndex(-1);
    ui->DDATEEdit->setEditText(QStringLiteral("yyyy_mm_dd"));
    ui->FDATEEdit->setEditText(QString());

    // The processed-file list: a model over the run's list, fixed 14-pixel rows.
    model_ = new FileListModel(run_.list(), this);
    QTableView* grid = ui->StringGrid1;
    grid->setModel(model_);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    grid->setWordWrap(false);
    grid->setTabKeyNavigation(false);
    grid->verticalHeader()->hide();
    grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid->verticalHeader()->setMinimumSectionSize(1);
    grid->verticalHeader()->setDefaultSectionSize(14);
    grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    grid->horizontalHeader()->setMinimumSectionSize(1);
    grid->horizontalHeader()->setHighlightSections(false);
    grid->setPalette([grid] {
        QPalette palette = grid->palette();
        palette.setColor(QPalette::Base, Qt::white);
        return palette;
    }());
    const int widths[] = {223, 134, 2, 659, 3, 60};
    for (int column = 0; column < 6; ++column)
        grid->setColumnWidth(column, widths[column]);
    grid->setColumnHidden(kTimeStampColumn, true);
    grid->setColumnHidden(kSourceFolderColumn, true);

    ui->PanelGrid->setMinimumHeight(0);
    grid->setMinimumHeight(0);
    ui->Splitter1->setStretchFactor(0, 0);
    ui->Splitter1->setStretchFactor(1, 1);

    ui->ProgressBar1->setRange(0, 100);
    ui->CHKHOGO->setVisible(false);
    ui->CHKHOGO->raise();
    ui->RunButton->raise();
    ui->ExitButton->raise();
    ui->Panel1->installEventFilter(this);
    ui->centralwidget->installEventFilter(this);
    ui->FNUMCHK->installEventFilter(this);
    ui->sUbdirchk1->installEventFilter(this);
    ui->READINEDIT2->installEventFilter(this);
}

// Every reaction of the window is connected here.
void TForm1::connectControls() {
    connect(ui->RunButton, &QPushButton::clicked, this, [this] { RunButtonClick(); });
    connect(ui->EXEC1, &QAction::triggered, this, [this] { RunButtonClick(); });
    connect(ui->ExitButton, &QPushButton::clicked, this,
            [this] { ExitButtonClick(ui->ExitButton); });
    connect(ui->Exit1, &QAction::triggered, this, [this] { ExitButtonClick(ui->Exit1); });

    connect(ui->RunChkBox, &QCheckBox::toggled, this, &TForm1::RunChkBoxClick);
    connect(ui->RUNPARACHK2, &TXPRadioGroup::itemIndexChanged, this, &TForm1::RUNPARACHK2Click);
    connect(ui->TYPERADIO, &TXPRadioGroup::itemIndexChanged, this, &TForm1::TYPERADIOClick);
    connect(ui->DIRCHKBOX, &QCheckBox::toggled, this, &TForm1::DIRCHKBOXClick);
    connect(ui->ReNameChkBox, &QCheckBox::toggled, this, &TForm1::ReNameChkBoxClick);
    connect(ui->FNUMCHK, &QCheckBox::toggled, this, &TForm1::FNUMCHKClick);
    connect(ui->CHKHOGO, &QCheckBox::toggled, this, &TForm1::CHKHOGOClick);

    for (QLineEdit* field : {ui->DMAEEDIT, ui->DATOEDIT, ui->FMAEEdit, ui->FATOEdit})
        connect(field, &QLineEdit::textChanged, this, &TForm1::FNUMComboChange);
    for (QComboBox* pattern : {ui->DDATEEdit, ui->FDATEEdit})
        connect(pattern, &QComboBox::currentTextChanged, this, &TForm1::FNUMComboChange);
    connect(ui->FNUMCombo, &QComboBox::currentIndexChanged, this, &TForm1::FNUMComboChange);
    connect(ui->StartEdit, &QSpinBox::valueChanged, this, &TForm1::FNUMComboChange);

    connect(ui->ReadInEdit, &QLineEdit::textChanged, this, &TForm1::ReadInEditChange);
    connect(ui->ReadInButton, &QPushButton::clicked, this, &TForm1::ReadInButtonClick);
    connect(ui->SaveOutButton, &QPushButton::clicked, this, &TForm1::SaveOutButtonClick);
    connect(ui->RunProcButton, &QPushButton::clicked, this, &TForm1::RunProcButtonClick);

    connect(ui->PageControl1, &QTabWidget::currentChanged, this, &TForm1::showTabReaction);
    connect(ui->BTNWIZA, &QPushButton::clicked, this, &TForm1::BTNWIZAClick);
    connect(ui->N4, &QAction::triggered, this, &TForm1::N4Click);
    connect(ui->About1, &QAction::triggered, this, &TForm1::About1Click);
    for (QAction* preset : ui->N3->actions()) {
        if (!preset->isSeparator())
            connect(preset, &QAction::triggered, this,
                    [this, preset] { settings_->POPMENUClick(preset->objectName()); });
    }
}

// The read-in group, the save group and the program field take folders and files dropped from
// a file manager.
void TForm1::connectDropTargets() {
    const std::pair<QWidget*, void (TForm1::*)(const QStringList&)> targets[] = {
        {ui->ReadInGroupbox, &TForm1::DropDst1FileDrop},
        {ui->SaveOutGroupBox, &TForm1::DropDst2FileDrop},
        {ui->RunProcEdit, &TForm1::DropDst3FileDrop},
    };
    int number = 1;
    for (const auto& [control, reaction] : targets) {
        auto* drop = new TDropDst(this);
        drop->setObjectName(QStringLiteral("DropDst%1").arg(number++));
        drop->OnFileDrop = [this, reaction](TDropDst&, const std::vector<std::string>& files, int,
                                            int) {
            QStringList paths;
            for (const std::string& file : files)
                paths << QFile::decodeName(QByteArray::fromStdString(file));
            (this->*reaction)(paths);
        };
        drop->setControl(control);
    }
}

QTableView* TForm1::fileListView() const {
    return ui->StringGrid1;
}

// --- tabs ---

void TForm1::showTabReaction(int index) {
    if (currentTab_ == 0 && index != 0)
        TabSheet1Hide();
    currentTab_ = index;
    switch (index) {
    case 0:
        TabSheet1Show();
        break;
    case 1:
        TabSheet2Show();
        break;
    case 2:
        TabSheet3Show();
        break;
    default:
        break;
    }
}

void TForm1::TabSheet1Show() {
    ui->LAB1->setText(ui->ReadInEdit->text());
    ui->LAB2->setText(ui->SaveOutEdit->text());
    ui->CHKHOGO->setVisible(true);
    ui->STATUSTEXT->setText(QStringLiteral("  ウィザードにより簡単に取り込めます"));
}

void TForm1::TabSheet1Hide() {
    ui->CHKHOGO->setVisible(false);
}

void TForm1::TabSheet2Show() {
    ui->STATUSTEXT->setText(QStringLiteral("  Pixbakoの詳細設定を行います"));
}

void TForm1::TabSheet3Show() {
    ui->STATUSTEXT->setText(QStringLiteral("  読込みボタンを押してデータを読み込みます"));
}

// --- dialogs and menus ---

void TForm1::BTNWIZAClick() {
    if (setup_.openWizard)
        setup_.openWizard();
}

void TForm1::N4Click() {
    ui->PageControl1->setCurrentIndex(0);
    BTNWIZAClick();
}

void TForm1::About1Click() {
    if (setup_.openAbout)
        setup_.openAbout();
}

// Protection: no tab, no preset and no wizard can be used; running and exiting still can.
void TForm1::CHKHOGOClick() {
    const bool locked = ui->CHKHOGO->isChecked();
    ui->PageControl1->setEnabled(!locked);
    ui->N3->menuAction()->setEnabled(!locked);
    ui->N4->setEnabled(!locked);
    ui->LabelHOGO->setVisible(locked);
    ui->HOGOIMG->setVisible(locked);
}

// --- exit ---

void TForm1::ExitButtonClick(QObject* sender) {
    settings_->saveOnExit();
    if (sender == ui->ExitButton || sender == ui->Exit1)
        close();
}

void TForm1::closeEvent(QCloseEvent* event) {
    // A run is unwinding: it stops at its next check and then closes the window itself.
    if (!run_.requestClose()) {
        event->ignore();
        return;
    }
    // Closing destroys the window, and its destruction saves INI0.
    if (!closing_) {
        closing_ = true;
        ExitButtonClick(this);
    }
    event->accept();
}

// --- size, splitter and overlays ---

QRect TForm1::workArea() const {
    return screen()->availableGeometry();
}

int TForm1::panelHeight() const {
    return ui->Panel1->height();
}

void TForm1::setPanelHeight(int height) {
    height = std::max(height, kPanelMinimumHeight);
    const int room = ui->Splitter1->height() - ui->Splitter1->handleWidth();
    ui->Splitter1->setSizes({height, std::max(0, room - height)});
}

void TForm1::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    FormResize();
}

// When the window has become lower than the settings panel and the list need, the panel goes
// back to its minimum and the list gets its room back.
void TForm1::FormResize() {
    // The splitter keeps the list at its smallest height and takes the rest from the panel.
    const int smallestList =
        std::max(ui->PanelGrid->minimumHeight(), ui->PanelGrid->minimumSizeHint().height());
    const bool listSqueezed = ui->PanelGrid->height() <= smallestList;
    if (listSqueezed && ui->Panel1->height() > kPanelMinimumHeight)
        setPanelHeight(kPanelMinimumHeight);
}

// The run and exit buttons stand over the lower edge of the settings panel, on every tab; the
// protection box stands over the upper right of the tab area.
void TForm1::placeOverlays() {
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

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::Resize:
        if (watched == ui->Panel1 || watched == ui->centralwidget)
            placeOverlays();
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
                FNUMCHKMouseUp();
            else if (over)
                sUbdirchk1MouseUp();
            return true;
        }
        break;
    case QEvent::MouseButtonDblClick:
        if (watched == ui->READINEDIT2) {
            ReadInButtonClick();
            return true;
        }
        break;
    case QEvent::ToolTip:
        if (watched->isWidgetType() && watched->objectName() == QLatin1String("ThumbnailBox1")) {
            showHintBesideMouse(static_cast<QWidget*>(watched), event);
            return true;
        }
        break;
    default:
        break;
    }
    return QMainWindow::eventFilter(watched, event);
}

// The thumbnail box's hint stands 5 pixels right of and 20 pixels below the mouse.
void TForm1::showHintBesideMouse(QWidget* control, QEvent* event) {
    const auto* help = static_cast<QHelpEvent*>(event);
    const QPoint at = control->mapToGlobal(help->pos() + QPoint(5, 20));
    QToolTip::showText(at, control->toolTip(), control);
}

} // namespace pixbako
