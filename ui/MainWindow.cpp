// The main window: construction, the layout details uic can't express, and the wiring of its
// parts and controls.
#include "ui/MainWindow.h"

#include "components/FileDropTarget.h"
#include "components/PopupWidth.h"
#include "components/ThumbnailBox.h"
#include "engine/run/RunAbort.h"
#include "ui/ClickSignal.h"
#include "ui/CompletionNotice.h"
#include "ui/CompletionSequence.h"
#include "ui/FileListModel.h"
#include "ui/FileSelectionPage.h"
#include "ui/FormatExpLines.h"
#include "ui/Pictures.h"
#include "ui/ProcessingNotice.h"
#include "ui/RadioGroup.h"
#include "ui/RunWindowAdapter.h"
#include "ui/dialogs/QtDialogs.h"
#include "ui/dialogs/QtTransferDialogs.h"
#include "ui_MainWindow.h"

#include <QFile>
#include <QHeaderView>
#include <QMenu>

#include <algorithm>

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

MainWindow::MainWindow(MainWindowSetup setup, QWidget* parent)
    : QMainWindow(parent), setup_(std::move(setup)), ui(std::make_unique<Ui::MainWindow>()),
      runWindow_(std::make_unique<RunWindowAdapter>(*this, *ui, setup_)), run_(*runWindow_) {
    ui->setupUi(this);
    if (!setup_.dialogs) {
        ownDialogs_ = std::make_unique<QtDialogs>(this, setup_.boxDisplay);
        setup_.dialogs = ownDialogs_.get();
    }
    if (!setup_.transferDialogs) {
        ownTransferDialogs_ = std::make_unique<QtTransferDialogs>(
            this, *setup_.dialogs, &run_.abortFlag(), setup_.boxDisplay);
        setup_.transferDialogs = ownTransferDialogs_.get();
    }
    setUpControls();
    bindOptions();
    setDetailedTabOrder();
    fileSelection_ = std::make_unique<FileSelectionPage>(
        *ui, *setup_.dialogs, extensionChoice_, setup_.dateTexts,
        [this](const QString& title, const QString& initialFolder) {
            return pickFolder(title, initialFolder);
        },
        setup_.openFile);
    completion_ = std::make_unique<CompletionSequence>(this, *setup_.dialogs, setup_.postRun,
                                                       setup_.boxDisplay, run_);
    wireParts();

    versionText_ = QStringLiteral(PIXBAKO_VERSION_TEXT);
    settings_ = std::make_unique<SettingsFile>(*this, setup_.iniPath);
    loadOptions(QStringLiteral("INI0"));
    // The enabling state must match the loaded values also where a loaded value equals the
    // design state, so that no assignment fired the reaction.
    updateProgramStart();
    updateProgramParameter();
    updateNameSamples();
    updateFolderNaming();
    updateRenaming();
    updateNumbering();
    updateFileTypeChoice();
    fileSelection_->applyStoredThumbnailSize();
    showTabReaction(ui->PageControl1->currentIndex());
    if (!setup_.arguments.isEmpty())
        runCommandLine();
    // Hints of the thumbnail box stand beside the mouse (DoShowHint).
    qApp->installEventFilter(&hintPlacement_);
}

MainWindow::~MainWindow() {
    qApp->removeEventFilter(&hintPlacement_);
}

void MainWindow::setUpControls() {
    setWindowIcon(programIcon());
    setFont(pixelFont(kUiFont, 12));
    ui->MainMenu1->setFont(font());
    resize(kDesignWidth, kDesignHeight);

    // The separators carry their names too (the first of each menu), wherever items are added.
    const auto firstSeparator = [](QMenu* menu) {
        const QList<QAction*> items = menu->actions();
        return *std::find_if(items.begin(), items.end(),
                             [](QAction* a) { return a->isSeparator(); });
    };
    firstSeparator(ui->File1)->setObjectName(QStringLiteral("N1"));
    firstSeparator(ui->N3)->setObjectName(QStringLiteral("N9"));

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

    for (QComboBox* pattern : {ui->DDATEEdit, ui->FDATEEdit})
        widenPopupToItems(*pattern);

    // Sequence style: no item until the settings are loaded.
    ui->FNUMCombo->setCurrentIndex(-1);
    ui->DDATEEdit->setEditText(QStringLiteral("yyyy_mm_dd"));
    ui->FDATEEdit->setEditText(QString());

    // The processed-file list: a model over the run's list, fixed 14-pixel rows.
    auto* model = new FileListModel(run_.list(), this);
    runWindow_->setListModel(model);
    QTableView* grid = ui->StringGrid1;
    grid->setModel(model);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    grid->setWordWrap(false);
    // Whole rows scroll, so the top row is never cut and the row count of a page is exact.
    grid->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
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
    grid->setColumnHidden(FileListModel::TimeStampColumn, true);
    grid->setColumnHidden(FileListModel::SourceFolderColumn, true);

    ui->PanelGrid->setMinimumHeight(0);
    grid->setMinimumHeight(0);
    // The list's height is cut to whole rows (fitListToWholeRows); aligned to the top, it does
    // not bound the panel's height, so the splitter can still give the panel more room.
    ui->PanelGridLayout->setAlignment(grid, Qt::AlignTop);
    ui->Splitter1->setStretchFactor(0, 0);
    ui->Splitter1->setStretchFactor(1, 1);

    ui->ProgressBar1->setRange(0, 100);
    ui->CHKHOGO->setVisible(false);
    ui->CHKHOGO->raise();
    ui->RunButton->raise();
    ui->ExitButton->raise();
    ui->Panel1->installEventFilter(this);
    ui->PanelGrid->installEventFilter(this);
    ui->centralwidget->installEventFilter(this);
    ui->FNUMCHK->installEventFilter(this);
    ui->sUbdirchk1->installEventFilter(this);
    ui->READINEDIT2->installEventFilter(this);
}

// Tab walks the detailed tab in reading order: the left column group by group, then the right
// one, then the run and exit buttons. A check box standing over a group's edge comes before the
// group's fields; the token list and the folder sample take no focus by Tab.
void MainWindow::setDetailedTabOrder() {
    static const char* const order[] = {
        "sUbdirchk1",      "ReadInEdit",   "ReadInButton",  "RedioButtonCOPY", "RedioButtonMOVE",
        "TYPERADIO0",      "TYPERADIO1",   "TYPESETBUTTON", "DirOpenChkBox",   "AutoExitChkBox",
        "LOGSAVECHKBOX",   "RunChkBox",    "RunProcEdit",   "RunProcButton",   "RUNPARACHK20",
        "RUNPARACHK21",    "RUNPARACHK22", "RUNPARACHKSTR", "SaveOutEdit",     "SaveOutButton",
        "OverWriteChkBox", "DIRCHKBOX",    "DMAEEDIT",      "DDATEEdit",       "DATOEDIT",
        "ReNameChkBox",    "FMAEEdit",     "FDATEEdit",     "FATOEdit",        "FNUMCHK",
        "FNUMCombo",       "StartEdit",    "FAUTONUM",      "FTYPECombo",      "RunButton",
        "ExitButton"};
    QWidget* previous = nullptr;
    for (const char* name : order) {
        QWidget* next = findChild<QWidget*>(QLatin1String(name));
        if (!next)
            continue;
        if (previous)
            setTabOrder(previous, next);
        previous = next;
    }
}

// Every connection between the controls, the window and its parts is made here. The drop
// targets are numbered in the order they are made.
void MainWindow::wireParts() {
    // --- the window's own reactions ---
    connect(ui->RunButton, &QPushButton::clicked, this, [this] { startOrStopRun(); });
    connect(ui->EXEC1, &QAction::triggered, this, [this] { startOrStopRun(); });
    connect(ui->ExitButton, &QPushButton::clicked, this, &MainWindow::exitProgram);
    connect(ui->Exit1, &QAction::triggered, this, &MainWindow::exitProgram);

    connect(ui->RunChkBox, &QCheckBox::toggled, this, &MainWindow::updateProgramStart);
    connect(ui->RUNPARACHK2, &RadioGroup::itemIndexChanged, this,
            &MainWindow::updateProgramParameter);
    connect(ui->TYPERADIO, &RadioGroup::itemIndexChanged, this, &MainWindow::updateFileTypeChoice);
    connect(ui->DIRCHKBOX, &QCheckBox::toggled, this, &MainWindow::updateFolderNaming);
    connect(ui->ReNameChkBox, &QCheckBox::toggled, this, &MainWindow::updateRenaming);
    connect(ui->FNUMCHK, &QCheckBox::toggled, this, &MainWindow::updateNumbering);
    connect(ui->CHKHOGO, &QCheckBox::toggled, this, &MainWindow::applyProtection);

    for (QLineEdit* field : {ui->DMAEEDIT, ui->DATOEDIT, ui->FMAEEdit, ui->FATOEdit})
        connect(field, &QLineEdit::textChanged, this, &MainWindow::updateNameSamples);
    for (QComboBox* pattern : {ui->DDATEEdit, ui->FDATEEdit})
        connect(pattern, &QComboBox::currentTextChanged, this, &MainWindow::updateNameSamples);
    connect(ui->FNUMCombo, &QComboBox::currentIndexChanged, this, &MainWindow::updateNameSamples);
    connect(ui->StartEdit, &QSpinBox::valueChanged, this, &MainWindow::updateNameSamples);

    connect(ui->ReadInEdit, &QLineEdit::textChanged, this,
            &MainWindow::copyReadInFolderToSelectionTab);
    connect(ui->ReadInButton, &QPushButton::clicked, this, &MainWindow::browseReadInFolder);
    connect(ui->SaveOutButton, &QPushButton::clicked, this, &MainWindow::browseSaveFolder);
    connect(ui->RunProcButton, &QPushButton::clicked, this, &MainWindow::browseProgram);

    connect(ui->PageControl1, &QTabWidget::currentChanged, this, &MainWindow::showTabReaction);
    connect(ui->BTNWIZA, &QPushButton::clicked, this, &MainWindow::openSetupWizard);
    connect(ui->N4, &QAction::triggered, this, &MainWindow::openSetupWizardFromMenu);
    connect(ui->About1, &QAction::triggered, this, &MainWindow::openAboutDialog);
    connect(ui->TYPESETBUTTON, &QPushButton::clicked, this, &MainWindow::chooseFileTypes);
    connect(ui->ExtendedSettings1, &QAction::triggered, this,
            &MainWindow::openExtendedSettingsDialog);
    connect(ui->CheckCard1, &QAction::triggered, this, &MainWindow::checkCard);
    // The preset items of the settings menu are known by their names (LOAD_INIn, SAVE_INIn).
    for (QAction* preset : ui->N3->actions()) {
        if (preset->objectName().contains(QLatin1String("_INI")))
            connect(preset, &QAction::triggered, this,
                    [this, preset] { settings_->applyPresetMenuItem(preset->objectName()); });
    }

    // --- drops: the read-in group, the save group and the program field take folders and files
    // dropped from a file manager ---
    const std::pair<QWidget*, void (MainWindow::*)(const QStringList&)> targets[] = {
        {ui->ReadInGroupbox, &MainWindow::dropOnReadInFolder},
        {ui->SaveOutGroupBox, &MainWindow::dropOnSaveFolder},
        {ui->RunProcEdit, &MainWindow::dropOnProgram},
    };
    int number = 1;
    for (const auto& [control, reaction] : targets) {
        auto* drop = new FileDropTarget(this);
        drop->setObjectName(QStringLiteral("DropDst%1").arg(number++));
        drop->onFileDrop = [this, reaction](FileDropTarget&, const std::vector<std::string>& files,
                                            int, int) {
            QStringList paths;
            for (const std::string& file : files)
                paths << QFile::decodeName(QByteArray::fromStdString(file));
            (this->*reaction)(paths);
        };
        drop->setControl(control);
    }

    // --- the file-selection page: the thumbnail box, its buttons, view and size controls and
    // sorting headers drive it; its loads lock the window under the processing notice ---
    FileSelectionPage* page = fileSelection_.get();
    ThumbnailBox* box = ui->ThumbnailBox1;
    box->onMouseUp = [page](ThumbnailBox&, Qt::MouseButton, Qt::KeyboardModifiers, QPoint) {
        page->showSelectionStatus();
    };
    box->onMouseMove = [page](ThumbnailBox&, QPoint pos) { page->showThumbnailHint(pos); };
    box->onDoubleClick = [page](ThumbnailBox&) { page->openThumbnailFile(); };

    auto* drop = new FileDropTarget(this);
    drop->setObjectName(QStringLiteral("DropDst4"));
    drop->onFileDrop = [page](FileDropTarget&, const std::vector<std::string>& files, int, int) {
        page->dropOnThumbnails(files);
    };
    drop->setControl(box);

    connect(ui->BTNREADDATA, &QPushButton::clicked, page, &FileSelectionPage::readFolderIntoBox);
    connect(ui->BTNTUIKA, &QPushButton::clicked, page, &FileSelectionPage::addFolderToBox);
    connect(ui->BTNCLR, &QPushButton::clicked, page, &FileSelectionPage::clearBox);
    connect(ui->BTNSELALL, &QPushButton::clicked, page, &FileSelectionPage::selectAllInBox);
    connect(ui->BTNSELCLR, &QPushButton::clicked, page, &FileSelectionPage::clearBoxSelection);
    connect(ui->RadioTHM, &RadioGroup::itemIndexChanged, page, &FileSelectionPage::applyViewMode);
    connect(ui->TrackTHM, &QSlider::valueChanged, page,
            &FileSelectionPage::showChosenThumbnailSize);
    connect(ui->BTNTHM, &QPushButton::clicked, page, [page] { page->rebuildThumbnails(true); });
    connect(new ClickSignal(ui->TextA), &ClickSignal::clicked, page,
            &FileSelectionPage::sortByFileName);
    connect(new ClickSignal(ui->TextB), &ClickSignal::clicked, page,
            &FileSelectionPage::sortByFolder);
    connect(new ClickSignal(ui->TEXTC), &ClickSignal::clicked, page,
            &FileSelectionPage::sortByShotDate);
    connect(page, &FileSelectionPage::busyChanged, this, &MainWindow::showProcessingNotice);

    // --- the run: its end goes on to the actions after it, whose auto exit comes back to the
    // window ---
    connect(runWindow_.get(), &RunWindowAdapter::completed, completion_.get(),
            &CompletionSequence::run);
    connect(completion_.get(), &CompletionSequence::endingRunFailed, this,
            [this] { failed_ = true; });
    connect(completion_.get(), &CompletionSequence::closeRequested, this, [this] { close(); });
    connect(completion_.get(), &CompletionSequence::endRequested, this,
            [this] { endRequested_ = true; });
}

void MainWindow::startOrStopRun(RunSender sender) {
    run_.startOrStopRun(sender);
}

void MainWindow::setNotices(ProcessingNotice* processing, CompletionNotice* completion) {
    processingNotice_ = processing;
    completion_->setNotice(completion);
}

CompletionNotice* MainWindow::completionNotice() const {
    return completion_->notice();
}

void MainWindow::showPendingCompletionNotice() {
    completion_->showPendingNotice();
}

void MainWindow::showProcessingNotice(bool on) {
    // A window made without the program start's notices (tests, tools) makes its own.
    if (!processingNotice_)
        processingNotice_ = new ProcessingNotice(this);
    if (on)
        processingNotice_->showNotice();
    else
        processingNotice_->hide();
    setEnabled(!on);
}

QTableView* MainWindow::fileListView() const {
    return ui->StringGrid1;
}

} // namespace pixbako
