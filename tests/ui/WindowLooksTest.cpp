// How the main window and its notices look and move: the processing notice, the status line,
// pattern lists, the processed-file list's scrolling, disabled fields, Qt's own texts, the Tab
// order, the texts of hints and the wizard, and the actions after a run.
#include "settings/SetupWizard.h"
#include "ui/ElidedLabel.h"
#include "ui/ProcessingNotice.h"
#include "ui/QtTranslations.h"
#include "ui/RunWindowAdapter.h"
#include "ui/UiTestSupport.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QImage>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QTextEdit>
#include <QTimer>
#include <QTranslator>
#include <QTreeView>

#include <filesystem>
#include <fstream>

namespace pixbako::test {
namespace {

namespace fs = std::filesystem;

void makeFiles(const fs::path& folder, int count) {
    fs::create_directories(folder);
    for (int i = 1; i <= count; ++i)
        std::ofstream(folder / ("IMG_" + std::to_string(1000 + i) + ".JPG")) << i;
}

TEST_F(WindowTest, ProcessingNoticeReadsClearlyWhileTheWindowIsDisabled) {
    const fs::path card = fs::path(temp.path()) / "DCIM";
    makeFiles(card, 3);
    find<QLineEdit>("ReadInEdit")->setText(QString::fromStdString(card.string()));
    bool seen = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        ProcessingNotice* notice = window->processingNotice();
        if (seen || window->isEnabled() || !notice || !notice->isVisible())
            return;
        seen = true;
        EXPECT_TRUE(notice->isEnabled());
        EXPECT_TRUE(notice->label->isEnabled());
        // An opaque button face behind the text: never see-through (black without a
        // compositor) nor painted grey as disabled.
        const QImage picture = notice->grab().toImage();
        EXPECT_EQ(picture.pixelColor(1, 1), notice->palette().color(QPalette::Button));
        EXPECT_EQ(notice->label->palette().color(QPalette::WindowText),
                  notice->palette().color(QPalette::Active, QPalette::WindowText));
    });
    watch.start(0);
    find<QPushButton>("BTNREADDATA")->click();
    EXPECT_TRUE(seen) << "the notice was never up while the window was disabled";
}

TEST_F(WindowTest, LongStatusTextIsCutAndTheProgressBarKeepsItsPlace) {
    auto* bar = find<QProgressBar>("ProgressBar1");
    auto* status = find<ElidedLabel>("STATUSTEXT");
    QApplication::processEvents();
    const QRect before = bar->geometry();
    const std::string longName(400, 'X');
    window->runWindow().setStatusText(longName + ".JPGを処理中です    (3/40)");
    window->layout()->activate();
    find("PanelStatus")->layout()->activate();
    QApplication::processEvents();
    EXPECT_EQ(bar->geometry(), before);
    EXPECT_EQ(bar->width(), 434);
    EXPECT_LE(bar->mapTo(window.get(), QPoint(bar->width(), 0)).x(), window->width());
    EXPECT_TRUE(status->shownText().endsWith(QChar(0x2026))) << status->shownText().toStdString();
    EXPECT_EQ(status->text().toStdString(), longName + ".JPGを処理中です    (3/40)");
}

// Each preset must show whole in the open list, while the field keeps its size.
void expectPopupShowsEveryItemWhole(QComboBox* combo) {
    SCOPED_TRACE(combo->objectName().toStdString());
    const int fieldWidth = combo->width();
    combo->showPopup();
    QAbstractItemView* list = combo->view();
    ASSERT_TRUE(list->isVisible());
    for (int row = 0; row < combo->count(); ++row) {
        const QModelIndex item = list->model()->index(row, 0);
        EXPECT_GE(list->viewport()->width(), list->sizeHintForIndex(item).width())
            << combo->itemText(row).toStdString();
    }
    combo->hidePopup();
    EXPECT_EQ(combo->width(), fieldWidth);
}

TEST_F(WindowTest, PatternListsOpenWideEnoughForTheirLongestPreset) {
    expectPopupShowsEveryItemWhole(find<QComboBox>("DDATEEdit"));
    expectPopupShowsEveryItemWhole(find<QComboBox>("FDATEEdit"));
    SetupWizard wizard(*window, japaneseDateTextSettings(), {}, window.get());
    wizard.show();
    for (const char* name : {"WIZADSTR", "WIZAFSTR"})
        expectPopupShowsEveryItemWhole(wizard.findChild<QComboBox*>(QLatin1String(name)));
}

TEST_F(WindowTest, ListFollowsTheRunAndEndsOnWholeRows) {
    const fs::path card = fs::path(temp.path()) / "DCIM";
    const fs::path target = fs::path(temp.path()) / "out";
    makeFiles(card, 40);
    fs::create_directories(target);
    find<QLineEdit>("ReadInEdit")->setText(QString::fromStdString(card.string()));
    find<QLineEdit>("SaveOutEdit")->setText(QString::fromStdString(target.string()));
    find<QCheckBox>("DIRCHKBOX")->setChecked(false);
    find<QCheckBox>("ReNameChkBox")->setChecked(false);
    QTableView* grid = window->fileListView();
    auto wholeRowShown = [grid](int row) {
        const QRect cell = grid->visualRect(grid->model()->index(row, 0));
        return cell.isValid() && cell.top() >= 0 && cell.bottom() < grid->viewport()->height();
    };
    int rowsSelected = 0;
    QObject::connect(grid->selectionModel(), &QItemSelectionModel::selectionChanged, grid,
                     [&](const QItemSelection& selected) {
                         if (selected.isEmpty())
                             return;
                         ++rowsSelected;
                         EXPECT_TRUE(wholeRowShown(selected.indexes().first().row()))
                             << "row " << selected.indexes().first().row();
                     });
    QTest::mouseClick(find<QPushButton>("RunButton"), Qt::LeftButton);
    QApplication::processEvents();
    EXPECT_GE(rowsSelected, 40);
    ASSERT_EQ(grid->model()->rowCount(), 40);
    EXPECT_TRUE(wholeRowShown(39));
    // The top row is whole too.
    const int top = grid->rowAt(0);
    EXPECT_EQ(grid->visualRect(grid->model()->index(top, 0)).top(), 0) << "row " << top;
}

TEST_F(WindowTest, FixedTextFieldsLookDisabledWhenTheWholeWindowIs) {
    find<QCheckBox>("DIRCHKBOX")->setChecked(true);
    find<QCheckBox>("ReNameChkBox")->setChecked(true);
    find<QCheckBox>("FNUMCHK")->setChecked(true);
    find<QCheckBox>("RunChkBox")->setChecked(true);
    const char* const fields[] = {"DMAEEDIT", "DDATEEdit", "DATOEDIT",  "FMAEEdit",   "FDATEEdit",
                                  "FATOEdit", "FNUMCombo", "StartEdit", "RunProcEdit"};
    const QColor window_ = QPalette().color(QPalette::Base);
    const QColor buttonFace = QPalette().color(QPalette::Button);
    ASSERT_NE(window_, buttonFace);
    for (const char* name : fields)
        EXPECT_EQ(find(name)->palette().color(QPalette::Base), window_) << name;
    window->setEnabled(false);
    for (const char* name : fields)
        EXPECT_EQ(find(name)->palette().color(QPalette::Base), buttonFace) << name;
    window->setEnabled(true);
    for (const char* name : fields)
        EXPECT_EQ(find(name)->palette().color(QPalette::Base), window_) << name;
}

TEST(QtTexts, FolderPickerSpeaksJapanese) {
    ASSERT_TRUE(installQtTranslations(*QCoreApplication::instance()));
    {
        QFileDialog dialog;
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setFileMode(QFileDialog::Directory);
        auto* files = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
        ASSERT_NE(files, nullptr);
        QAbstractItemModel* model = files->model();
        for (int column = 0; column < model->columnCount(); ++column) {
            const QString heading = model->headerData(column, Qt::Horizontal).toString();
            EXPECT_NE(heading, QString::fromLatin1(heading.toLatin1())) << column;
        }
        auto* types = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        ASSERT_NE(types, nullptr);
        EXPECT_NE(types->currentText(), QStringLiteral("Directories"));
    }
    for (QTranslator* translator : QCoreApplication::instance()->findChildren<QTranslator*>()) {
        QCoreApplication::removeTranslator(translator);
        delete translator;
    }
}

TEST_F(WindowTest, TabWalksTheDetailedTabInReadingOrder) {
    const std::vector<std::string> expected = {
        "sUbdirchk1",      "ReadInEdit",   "ReadInButton",  "RedioButtonCOPY", "RedioButtonMOVE",
        "TYPERADIO0",      "TYPERADIO1",   "TYPESETBUTTON", "DirOpenChkBox",   "AutoExitChkBox",
        "LOGSAVECHKBOX",   "RunChkBox",    "RunProcEdit",   "RunProcButton",   "RUNPARACHK20",
        "RUNPARACHK21",    "RUNPARACHK22", "RUNPARACHKSTR", "SaveOutEdit",     "SaveOutButton",
        "OverWriteChkBox", "DIRCHKBOX",    "DMAEEDIT",      "DDATEEdit",       "DATOEDIT",
        "ReNameChkBox",    "FMAEEdit",     "FDATEEdit",     "FATOEdit",        "FNUMCHK",
        "FNUMCombo",       "StartEdit",    "FAUTONUM",      "FTYPECombo",      "RunButton",
        "ExitButton"};
    QWidget* tab = find("TabSheet2");
    std::vector<std::string> walked;
    QWidget* start = find("sUbdirchk1");
    QWidget* widget = start;
    do {
        const bool onTab = tab->isAncestorOf(widget) || widget->objectName() == "RunButton" ||
                           widget->objectName() == "ExitButton";
        if (onTab && (widget->focusPolicy() & Qt::TabFocus) && !widget->focusProxy() &&
            !widget->objectName().isEmpty() && !widget->objectName().startsWith("qt_"))
            walked.push_back(widget->objectName().toStdString());
        widget = widget->nextInFocusChain();
    } while (widget != start);
    EXPECT_EQ(walked, expected);
}

TEST_F(WindowTest, HintsAndWelcomeAreSpelledRight) {
    EXPECT_EQ(find("DATOEDIT")->toolTip(), "フォルダ名の末尾につける文字列");
    EXPECT_EQ(find("FATOEdit")->toolTip(), "ファイル名の中間につける文字列");
    EXPECT_EQ(
        find("RunChkBox")->toolTip(),
        "プログラム終了後に別のプログラムを起動します (保存フォルダをパラメータとして渡します)");
    // Every bracket a hint opens is closed again.
    for (QWidget* control : window->findChildren<QWidget*>()) {
        const QString hint = control->toolTip();
        EXPECT_EQ(hint.count('(') + hint.count(QChar(0xFF08)),
                  hint.count(')') + hint.count(QChar(0xFF09)))
            << control->objectName().toStdString() << ": " << hint.toStdString();
    }
    SetupWizard wizard(*window, japaneseDateTextSettings(), {}, window.get());
    const QString welcome = wizard.findChild<QTextEdit*>(QStringLiteral("WZ1"))->toPlainText();
    EXPECT_TRUE(welcome.contains("Pixbakoへようこそ！！")) << welcome.toStdString();
}

// The numbering fields are switched by the renaming box itself, not only through their group.
TEST_F(WindowTest, NumberingFieldsFollowTheRenamingBox) {
    auto* rename = find<QCheckBox>("ReNameChkBox");
    auto* numbering = find<QCheckBox>("FNUMCHK");
    QWidget* group = find("FDATEGroupBox");
    for (bool numberingOn : {true, false}) {
        SCOPED_TRACE(numberingOn ? "numbering on" : "numbering off");
        rename->setChecked(false);
        numbering->setChecked(numberingOn);
        for (const char* name : {"FNUMCombo", "StartEdit", "FAUTONUM"})
            EXPECT_FALSE(find(name)->isEnabledTo(group)) << name;
        rename->setChecked(true);
        for (const char* name : {"FNUMCombo", "StartEdit", "FAUTONUM"})
            EXPECT_EQ(find(name)->isEnabledTo(group), numberingOn) << name;
    }
}

// A main window with the actions after a run recorded instead of done.
class AfterRunTest : public ::testing::Test {
protected:
    TempFolder temp;
    FakeDialogs dialogs;
    std::unique_ptr<MainWindow> window;
    fs::path card = fs::path(temp.path()) / "DCIM";
    fs::path save = fs::path(temp.path()) / "save";
    std::vector<std::string> logsWhenFoldersOpened;

    void SetUp() override {
        makeFiles(card, 2);
        fs::create_directories(save);
        MainWindowSetup setup;
        setup.iniPath = QString::fromStdString(temp.path() + "/pixbako.INI");
        setup.dialogs = &dialogs;
        setup.postRun.openFolder = [this](const QString&) {
            for (const auto& entry : fs::directory_iterator(save))
                if (entry.path().extension() == ".LOG")
                    logsWhenFoldersOpened.push_back(entry.path().filename().string());
        };
        setup.postRun.startProgram = [](const QString&, const QStringList&) { return true; };
        window = std::make_unique<MainWindow>(std::move(setup));
        window->show();
        window->findChild<QLineEdit*>("ReadInEdit")->setText(QString::fromStdString(card.string()));
        window->findChild<QLineEdit*>("SaveOutEdit")
            ->setText(QString::fromStdString(save.string()));
        window->findChild<QCheckBox*>("DIRCHKBOX")->setChecked(false);
        window->findChild<QCheckBox*>("ReNameChkBox")->setChecked(false);
    }

    void check(const char* name, bool on) { window->findChild<QCheckBox*>(name)->setChecked(on); }
};

TEST_F(AfterRunTest, LogIsWrittenBeforeTheFoldersOpen) {
    check("LOGSAVECHKBOX", true);
    check("DirOpenChkBox", true);
    window->startOrStopRun();
    EXPECT_EQ(logsWhenFoldersOpened.size(), 1u);
}

TEST_F(AfterRunTest, AutoExitAfterAFileLeftBehindFailsTheExitStatus) {
    check("AutoExitChkBox", true);
    check("OverWriteChkBox", true);
    std::ofstream(save / "IMG_1001.JPG") << "taken";
    dialogs.answers = {BoxAnswer::No}; // keep the file already there
    window->startOrStopRun();
    EXPECT_EQ(window->exitStatus(), 1);
}

} // namespace
} // namespace pixbako::test
