// Runs started from the main window on real temporary folders, the abort request, closing the
// window during a run, the overwrite question and the settings file of a first start.
#include "ui/FileListModel.h"
#include "ui/RadioGroup.h"
#include "ui/UiTestSupport.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace pixbako::test {
namespace {

namespace fs = std::filesystem;

std::string readAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeAll(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

class RunTest : public WindowTest {
protected:
    fs::path card, target;

    void SetUp() override {
        WindowTest::SetUp();
        card = fs::path(temp.path()) / "DCIM";
        target = fs::path(temp.path()) / "写真";
        fs::create_directories(card);
        fs::create_directories(target);
        for (const char* name : {"IMG_0001.JPG", "IMG_0002.JPG", "IMG_0003.JPG"})
            writeAll(card / name, std::string("bytes of ") + name);
        // Plain names into the save folder itself, so the test knows where files land.
        find<QLineEdit>("ReadInEdit")->setText(QString::fromStdString(card.string()));
        find<QLineEdit>("SaveOutEdit")->setText(QString::fromStdString(target.string()));
        find<QCheckBox>("DIRCHKBOX")->setChecked(false);
        find<QCheckBox>("ReNameChkBox")->setChecked(false);
        find<QCheckBox>("OverWriteChkBox")->setChecked(false);
    }

    QPushButton* runButton() { return find<QPushButton>("RunButton"); }
    void pressRun() { QTest::mouseClick(runButton(), Qt::LeftButton); }

    void expectIdle() {
        EXPECT_EQ(runButton()->text(), "処理実行");
        EXPECT_TRUE(find("PageControl1")->isEnabled());
        EXPECT_TRUE(find("ExitButton")->isEnabled());
        EXPECT_TRUE(find<QMenu>("File1")->menuAction()->isEnabled());
        EXPECT_TRUE(find<QLabel>("STATUSTEXT")->text().isEmpty());
        EXPECT_EQ(find<QProgressBar>("ProgressBar1")->value(), 0);
        EXPECT_FALSE(window->importRun().running());
    }

    int filesIn(const fs::path& folder) {
        int count = 0;
        for (const auto& entry : fs::directory_iterator(folder))
            count += entry.is_regular_file() && entry.path().filename() != "PXBK";
        return count;
    }
};

TEST_F(RunTest, RunButtonCopiesAndMovesEveryFileAndListsIt) {
    for (bool move : {false, true}) {
        SCOPED_TRACE(move ? "move" : "copy");
        fs::remove_all(target);
        fs::create_directories(target);
        find<QRadioButton>(move ? "RedioButtonMOVE" : "RedioButtonCOPY")->setChecked(true);
        pressRun();
        for (const char* name : {"IMG_0001.JPG", "IMG_0002.JPG", "IMG_0003.JPG"}) {
            EXPECT_EQ(readAll(target / name), std::string("bytes of ") + name);
            EXPECT_EQ(fs::exists(card / name), !move);
        }
        EXPECT_TRUE(dialogs.boxes.empty()) << dialogs.texts().front();
        expectIdle();
        QTableView* grid = window->fileListView();
        ASSERT_EQ(grid->model()->rowCount(), 3);
        EXPECT_EQ(grid->model()->index(2, 0).data().toString(), "IMG_0003.JPG");
        EXPECT_EQ(grid->model()->index(2, 3).data().toString(), "IMG_0003.JPG");
        // The last file's row is the selected one.
        EXPECT_TRUE(grid->selectionModel()->isSelected(grid->model()->index(2, 0)));
        EXPECT_TRUE(grid->selectionModel()->isSelected(grid->model()->index(2, 4)));
        EXPECT_FALSE(grid->selectionModel()->isSelected(grid->model()->index(1, 0)));
    }
}

TEST_F(RunTest, RunMenuItemRunsLikeTheButtonAndIsLockedDuringTheRun) {
    bool menusLocked = false;
    QTimer::singleShot(0, window.get(), [&] {
        menusLocked = !find<QMenu>("File1")->menuAction()->isEnabled() &&
                      !find<QMenu>("Help1")->menuAction()->isEnabled() &&
                      !find<QMenu>("N3")->menuAction()->isEnabled() &&
                      !find("ExitButton")->isEnabled() && !find("PageControl1")->isEnabled() &&
                      runButton()->text() == "中止";
    });
    find<QAction>("EXEC1")->trigger();
    EXPECT_TRUE(menusLocked);
    EXPECT_EQ(filesIn(target), 3);
    expectIdle();
}

TEST_F(RunTest, RenamedRunNumbersFilesInDateFolders) {
    find<QCheckBox>("DIRCHKBOX")->setChecked(true);
    find<QComboBox>("DDATEEdit")->setCurrentText("\"day\"");
    find<QCheckBox>("ReNameChkBox")->setChecked(true);
    find<QComboBox>("FDATEEdit")->setCurrentText("\"P\"");
    find<QLineEdit>("FMAEEdit")->clear();
    find<QLineEdit>("FATOEdit")->setText("_");
    find<QComboBox>("FNUMCombo")->setCurrentIndex(1); // xxx
    find<QSpinBox>("StartEdit")->setValue(5);
    find<QCheckBox>("FAUTONUM")->setChecked(false);
    pressRun();
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_TRUE(fs::exists(target / "day" / "P_005.JPG"));
    EXPECT_TRUE(fs::exists(target / "day" / "P_007.JPG"));
}

TEST_F(RunTest, AutoExitClosesTheWindowOnceTheRunHasEnded) {
    find<QCheckBox>("AutoExitChkBox")->setChecked(true);
    pressRun();
    EXPECT_EQ(filesIn(target), 3);
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(window->importRun().running());
    EXPECT_FALSE(window->endRequested()); // only a command-line run sets the end request
}

TEST_F(RunTest, EmptySaveFolderStopsWithItsWarning) {
    find<QLineEdit>("SaveOutEdit")->clear();
    pressRun();
    ASSERT_EQ(dialogs.texts(), std::vector<std::string>{"保存フォルダを指定して下さい"});
    EXPECT_EQ(dialogs.beeps, std::vector<BeepKind>{BeepKind::Asterisk});
    EXPECT_EQ(filesIn(target), 0);
    expectIdle();
}

TEST_F(RunTest, AbortRequestNoGoesOnAndYesStopsBeforeAnyTransfer) {
    for (BoxAnswer answer : {BoxAnswer::No, BoxAnswer::Yes}) {
        SCOPED_TRACE(answer == BoxAnswer::Yes ? "Yes" : "No");
        fs::remove_all(target);
        fs::create_directories(target);
        dialogs.boxes.clear();
        dialogs.answers = {answer};
        // The second press arrives while the run lets events through.
        QTimer::singleShot(0, runButton(), [this] { runButton()->click(); });
        pressRun();
        ASSERT_EQ(dialogs.boxes.size(), 1u);
        EXPECT_EQ(dialogs.boxes[0].text, "中断しますか");
        EXPECT_EQ(dialogs.boxes[0].buttons, BoxButtons::YesNo);
        EXPECT_EQ(filesIn(target), answer == BoxAnswer::Yes ? 0 : 3);
        EXPECT_EQ(filesIn(card), 3);
        expectIdle();
    }
}

TEST_F(RunTest, ClosingTheWindowDuringTransfersStopsThenClosesWithNothingHalfWritten) {
    find<QRadioButton>("RedioButtonMOVE")->setChecked(true);
    auto* progress = find<QProgressBar>("ProgressBar1");
    QObject::connect(progress, &QProgressBar::valueChanged, window.get(), [this](int value) {
        if (value == 2)
            window->close();
    });
    pressRun();
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(fs::exists(target / "IMG_0001.JPG"));
    EXPECT_FALSE(fs::exists(card / "IMG_0001.JPG"));
    for (const char* name : {"IMG_0002.JPG", "IMG_0003.JPG"}) {
        EXPECT_EQ(readAll(card / name), std::string("bytes of ") + name);
        EXPECT_FALSE(fs::exists(target / name));
    }
    EXPECT_EQ(filesIn(target), 1); // no temporary file left behind
    EXPECT_TRUE(dialogs.boxes.empty());
    // The close saved the settings.
    EXPECT_NE(readAll(iniPath().toStdString()).find("[INI0]"), std::string::npos);
}

TEST_F(RunTest, OverwriteQuestionNoSkipsYesReplacesCancelStops) {
    find<QCheckBox>("OverWriteChkBox")->setChecked(true);
    struct Case {
        BoxAnswer answer;
        bool replaced;
        const char* stopMessage;
    };
    const Case cases[] = {
        {BoxAnswer::No, false, nullptr},
        {BoxAnswer::Yes, true, nullptr},
        {BoxAnswer::Cancel, false, "処理を中断しました\r\n0件のファイルを処理しました"},
    };
    for (const Case& c : cases) {
        fs::remove_all(target);
        fs::create_directories(target);
        writeAll(target / "IMG_0001.JPG", "older file");
        dialogs.boxes.clear();
        dialogs.answers = {c.answer};
        pressRun();
        ASSERT_FALSE(dialogs.boxes.empty());
        EXPECT_EQ(dialogs.boxes[0].buttons, BoxButtons::YesNoCancel);
        EXPECT_NE(dialogs.boxes[0].text.find("IMG_0001.JPG"), std::string::npos);
        EXPECT_EQ(readAll(target / "IMG_0001.JPG"),
                  c.replaced ? "bytes of IMG_0001.JPG" : "older file");
        EXPECT_EQ(readAll(card / "IMG_0001.JPG"), "bytes of IMG_0001.JPG");
        if (c.stopMessage) {
            EXPECT_EQ(dialogs.boxes.back().text, c.stopMessage);
            EXPECT_FALSE(fs::exists(target / "IMG_0002.JPG"));
        } else {
            EXPECT_EQ(dialogs.boxes.size(), 1u);
            EXPECT_TRUE(fs::exists(target / "IMG_0003.JPG"));
        }
        expectIdle();
    }
}

TEST_F(RunTest, ProtectedSettingsStayLockedAfterARun) {
    find<QTabWidget>("PageControl1")->setCurrentIndex(0);
    find<QCheckBox>("CHKHOGO")->setChecked(true);
    pressRun();
    EXPECT_EQ(filesIn(target), 3);
    EXPECT_FALSE(find("PageControl1")->isEnabled());
    EXPECT_FALSE(find<QMenu>("N3")->menuAction()->isEnabled());
    EXPECT_TRUE(find<QMenu>("File1")->menuAction()->isEnabled());
}

TEST_F(RunTest, ClearingProtectionDuringARunKeepsTheWindowLockedUntilItEnds) {
    find<QTabWidget>("PageControl1")->setCurrentIndex(0);
    auto* protection = find<QCheckBox>("CHKHOGO");
    protection->setChecked(true);
    bool lockedMeanwhile = false;
    QTimer::singleShot(0, protection, [&] {
        protection->setChecked(false);
        lockedMeanwhile =
            !find("PageControl1")->isEnabled() && !find<QMenu>("N3")->menuAction()->isEnabled();
    });
    pressRun();
    EXPECT_TRUE(lockedMeanwhile);
    EXPECT_EQ(filesIn(target), 3);
    expectIdle();
    EXPECT_TRUE(find<QMenu>("N3")->menuAction()->isEnabled());
}

TEST_F(WindowTest, FirstStartThenExitWritesINI0InTableOrderAndForm) {
    EXPECT_TRUE(QFile::exists(iniPath()));
    QTest::mouseClick(find("ExitButton"), Qt::LeftButton);
    EXPECT_FALSE(window->isVisible());
    std::vector<std::string> lines;
    std::ifstream in(iniPath().toStdString(), std::ios::binary);
    for (std::string line; std::getline(in, line);) {
        ASSERT_FALSE(line.empty());
        ASSERT_EQ(line.back(), '\r'); // CRLF line ends
        line.pop_back();
        if (!line.empty())
            lines.push_back(line.substr(0, line.find('=')));
    }
    const std::vector<std::string> expected = {
        "[INI0]",      "READ",        "WRITE",       "OVERW",       "DIROPEN",     "AUTOQUIT",
        "MODE",        "RENAME",      "FMAE",        "FDATE",       "FATO",        "FNUM",
        "FTYPEC",      "DDATE",       "DMAE",        "DATO",        "DIRCHKBOX",   "FNUM1",
        "FNUM2",       "FNUM3",       "RUNF",        "RUNPARA2",    "RUNPARASTR",  "FNUMF",
        "FAUTONUMF",   "LOGF",        "RUNNAME",     "START",       "TYPEF",       "READTYPEJPG",
        "READTYPEBMP", "READTYPEGIF", "READTYPEPNG", "READTYPEAVI", "READTYPEMPG", "READTYPEASF",
        "READTYPETIF", "READTYPE",    "VER",         "THMMODE",     "THMSIZE",     "HOGOF",
        "SORTTYPE",    "SORTUP",      "SUBDIR",      "PAGENO",      "[Form]",      "WindowState",
        "PANELHI",     "Top",         "Left",        "Width",       "Height"};
    EXPECT_EQ(lines, expected);
}

TEST_F(WindowTest, SettingsSurviveBetweenStartsThroughEveryKindOfControl) {
    find<QLineEdit>("ReadInEdit")->setText("/media/カード");
    find<QComboBox>("DDATEEdit")->setCurrentText("yyyy\"年\"mm");
    find<QComboBox>("FNUMCombo")->setCurrentIndex(8);
    find<QSpinBox>("StartEdit")->setValue(42);
    find<RadioGroup>("RUNPARACHK2")->setItemIndex(2);
    find<RadioGroup>("TYPERADIO")->setItemIndex(1);
    find<QRadioButton>("RedioButtonMOVE")->setChecked(true);
    find<QCheckBox>("sUbdirchk1")->setChecked(true);
    find<QTabWidget>("PageControl1")->setCurrentIndex(2);
    window->resize(MainWindow::kDesignWidth, 800);
    QCoreApplication::processEvents();
    window->setPanelHeight(500);
    QCoreApplication::processEvents();
    find<QAction>("Exit1")->trigger();
    ASSERT_FALSE(window->isVisible());

    createWindow();
    EXPECT_EQ(find<QLineEdit>("ReadInEdit")->text(), "/media/カード");
    EXPECT_EQ(find<QLineEdit>("READINEDIT2")->text(), "/media/カード");
    EXPECT_EQ(find<QComboBox>("DDATEEdit")->currentText(), "yyyy\"年\"mm");
    EXPECT_EQ(find<QComboBox>("FNUMCombo")->currentIndex(), 8);
    EXPECT_EQ(find<QSpinBox>("StartEdit")->value(), 42);
    EXPECT_EQ(find<RadioGroup>("RUNPARACHK2")->itemIndex(), 2);
    EXPECT_TRUE(find("RUNPARACHKSTR")->isEnabled());
    EXPECT_TRUE(find("TYPESETBUTTON")->isEnabled());
    EXPECT_TRUE(find<QRadioButton>("RedioButtonMOVE")->isChecked());
    EXPECT_TRUE(find<QCheckBox>("sUbdirchk1")->isChecked());
    EXPECT_EQ(find<QTabWidget>("PageControl1")->currentIndex(), 2);
    EXPECT_EQ(window->height(), 800);
    EXPECT_EQ(window->panelHeight(), 500);
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(WindowTest, StartWithLoadedSwitchesOffEnablesExactlyAsTheyDemand) {
    window.reset();
    writeAll(iniPath().toStdString(), "[INI0]\r\nDIRCHKBOX=0\r\nRENAME=0\r\nRUNF=0\r\n"
                                      "RUNPARA2=2\r\nTYPEF=1\r\nFNUM=0\r\nSTART=150\r\n");
    createWindow();
    for (const char* name : {"DMAEEDIT", "DDATEEdit", "FMAEEdit", "FNUMCombo", "StartEdit",
                             "RunProcEdit", "RunProcButton", "RUNPARACHK2"})
        EXPECT_FALSE(find(name)->isEnabled()) << name;
    EXPECT_TRUE(find("RUNPARACHKSTR")->isEnabled());
    EXPECT_TRUE(find("TYPESETBUTTON")->isEnabled());
    // The style came first and limits the spin field; a larger stored start number is held at
    // the style's highest.
    EXPECT_EQ(find<QSpinBox>("StartEdit")->value(), 99);
    EXPECT_EQ(find<QLineEdit>("READINEDIT2")->text(), "");
}

TEST_F(WindowTest, ProtectedStartOpensOnEasyRunLocked) {
    find<QTabWidget>("PageControl1")->setCurrentIndex(0);
    find<QCheckBox>("CHKHOGO")->setChecked(true);
    find<QTabWidget>("PageControl1")->setCurrentIndex(1); // only possible before the lock
    QTest::mouseClick(find("ExitButton"), Qt::LeftButton);
    createWindow();
    EXPECT_EQ(find<QTabWidget>("PageControl1")->currentIndex(), 0);
    EXPECT_TRUE(find<QCheckBox>("CHKHOGO")->isVisible());
    EXPECT_FALSE(find("PageControl1")->isEnabled());
    EXPECT_FALSE(find<QAction>("N4")->isEnabled());
    EXPECT_TRUE(find("LabelHOGO")->isVisible());
}

TEST(FileListModel, ReadsNothingWhileFrozenAndShowsAHundredThousandRowsOnRefresh) {
    std::vector<PlannedFile> list;
    FileListModel model(list);
    EXPECT_EQ(model.rowCount(), 0);
    model.setFrozen(true);
    list.resize(100'000);
    for (std::size_t row = 0; row < list.size(); ++row)
        list[row].name = "IMG_" + std::to_string(row + 1) + ".JPG";
    EXPECT_EQ(model.rowCount(), 0);
    model.refresh();
    model.setFrozen(true);
    EXPECT_EQ(model.rowCount(), 100'000);
    EXPECT_FALSE(model.index(99'999, 0).data().isValid());
    model.setFrozen(false);
    EXPECT_EQ(model.index(99'999, 0).data().toString(), "IMG_100000.JPG");
    EXPECT_EQ(model.headerData(3, Qt::Horizontal, Qt::DisplayRole).toString(), "新ファイル名");
    list.resize(2);
    model.refresh();
    EXPECT_EQ(model.rowCount(), 2);
}

TEST(FileListModel, ShowsEveryColumnInItsTextFormUnderItsHeading) {
    PlannedFile row;
    row.sourceFolder = "/media/card/DCIM/";
    row.name = "IMG_0001.JPG";
    row.extension = ".jpg";
    row.shotDate = {2005, 3, 12, 9, 5, 7, 999};
    row.newFolderLevels = {"2005年", "03月"};
    row.newName = "P_001.jpg";
    const std::vector<PlannedFile> list{row};
    FileListModel model(list);
    const QStringList headings = {"旧ファイル名", "新フォルダ名", "タイムスタンプ",
                                  "新ファイル名", "拡張子",       "読込みフォルダ"};
    const QStringList cells = {"IMG_0001.JPG", "2005年\\03月", "20050312090507",
                               "P_001.jpg",    ".jpg",         "/media/card/DCIM/"};
    ASSERT_EQ(model.columnCount(), headings.size());
    for (int column = 0; column < model.columnCount(); ++column) {
        EXPECT_EQ(model.headerData(column, Qt::Horizontal, Qt::DisplayRole).toString(),
                  headings[column]);
        EXPECT_EQ(model.index(0, column).data().toString(), cells[column]) << column;
    }
}

} // namespace
} // namespace pixbako::test
