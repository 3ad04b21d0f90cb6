// The main window's enabling and warning rules, samples, tabs, protection, browsing, drops and
// resizing, driven through the controls as a user or the settings file would.
#include "engine/options/OptionsFile.h"
#include "platform/IniFile.h"
#include "ui/FormatExpLines.h"
#include "ui/RadioGroup.h"
#include "ui/UiTestSupport.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QGroupBox>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QSpinBox>
#include <QSplitter>
#include <QTabWidget>
#include <QTableView>
#include <QToolTip>
#include <QUrl>

#include <set>

namespace pixbako::test {
namespace {

using RulesTest = WindowTest;

const char* const kNumberingOffWarning = "連番をOFFにするとファイルが消失する場合があります\r\nREAD"
                                         "MEを良くお読みになり慎重に設定して下さい";
const char* const kSubfolderWarning =
    "サブフォルダをも読み込み対象にすると処理時間が長くなる場合があります\r\n\r\n"
    "      \u3000\u3000\u3000\u3000\u3000\u3000\u3000\u3000\u3000   よろしいですか";

void clickBox(QCheckBox* box) {
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
}

void pressSpace(QCheckBox* box) {
    box->setFocus();
    QTest::keyClick(box, Qt::Key_Space);
}

TEST_F(RulesTest, ProgramFieldsFollowRunChkBoxButParameterTextFollowsOnlyTheChoice) {
    auto* run = find<QCheckBox>("RunChkBox");
    auto* choice = find<RadioGroup>("RUNPARACHK2");
    struct Case {
        bool run;
        int choice;
        bool fieldsEnabled;
        bool parameterEnabled;
    };
    const Case cases[] = {{true, 2, true, true},
                          {false, 2, false, true},
                          {true, 1, true, false},
                          {false, 0, false, false},
                          {true, 2, true, true}};
    for (const Case& c : cases) {
        run->setChecked(c.run);
        choice->setItemIndex(c.choice);
        SCOPED_TRACE(testing::Message() << "run " << c.run << " choice " << c.choice);
        EXPECT_EQ(find("RunProcEdit")->isEnabled(), c.fieldsEnabled);
        EXPECT_EQ(find("RunProcButton")->isEnabled(), c.fieldsEnabled);
        EXPECT_EQ(choice->isEnabled(), c.fieldsEnabled);
        EXPECT_EQ(find("RUNPARACHKSTR")->isEnabled(), c.parameterEnabled);
    }
}

TEST_F(RulesTest, DisabledProgramFieldIsPaintedInButtonFace) {
    auto* field = find<QLineEdit>("RunProcEdit");
    find<QCheckBox>("RunChkBox")->setChecked(false);
    EXPECT_EQ(field->palette().color(QPalette::Base), QPalette().color(QPalette::Button));
    find<QCheckBox>("RunChkBox")->setChecked(true);
    EXPECT_EQ(field->palette().color(QPalette::Base), QPalette().color(QPalette::Base));
}

TEST_F(RulesTest, TypeButtonOnlyWithChosenTypes) {
    auto* types = find<RadioGroup>("TYPERADIO");
    for (int index : {1, 0, 1}) {
        types->setItemIndex(index);
        EXPECT_EQ(find("TYPESETBUTTON")->isEnabled(), index == 1);
    }
    // A click on the radio button does the same as the assignment.
    QTest::mouseClick(types->button(0), Qt::LeftButton, {}, QPoint(6, 6));
    EXPECT_EQ(types->itemIndex(), 0);
    EXPECT_FALSE(find("TYPESETBUTTON")->isEnabled());
}

TEST_F(RulesTest, NameFieldsFollowTheirBoxes) {
    auto* folders = find<QCheckBox>("DIRCHKBOX");
    auto* rename = find<QCheckBox>("ReNameChkBox");
    auto* numbering = find<QCheckBox>("FNUMCHK");
    struct Case {
        bool folders, rename, numbering;
    };
    for (const Case& c : {Case{false, true, true}, Case{true, false, true}, Case{true, true, false},
                          Case{false, false, false}, Case{true, true, true}}) {
        folders->setChecked(c.folders);
        rename->setChecked(c.rename);
        numbering->setChecked(c.numbering);
        SCOPED_TRACE(testing::Message() << c.folders << c.rename << c.numbering);
        for (const char* name :
             {"FolderFormatGroupBox", "DMAEEDIT", "DDATEEdit", "DATOEDIT", "DDATESample"})
            EXPECT_EQ(find(name)->isEnabled(), c.folders) << name;
        for (const char* name : {"FDATEGroupBox", "FMAEEdit", "FDATEEdit", "FATOEdit",
                                 "FDATESample", "FNUMCHK", "FTYPECombo"})
            EXPECT_EQ(find(name)->isEnabled(), c.rename) << name;
        for (const char* name : {"FNUMCombo", "StartEdit", "FAUTONUM"})
            EXPECT_EQ(find(name)->isEnabled(), c.rename && c.numbering) << name;
        // The boxes stand over the groups' edges and stay usable.
        EXPECT_TRUE(folders->isEnabled());
        EXPECT_TRUE(rename->isEnabled());
    }
}

TEST_F(RulesTest, SamplesShowStyleStartNumberAndNumberingSwitch) {
    find<QLineEdit>("FMAEEdit")->setText("P");
    find<QComboBox>("FDATEEdit")->setCurrentText("\"X\"");
    find<QLineEdit>("FATOEdit")->setText("_");
    find<QComboBox>("FNUMCombo")->setCurrentIndex(3); // (xxx)
    find<QSpinBox>("StartEdit")->setValue(7);
    EXPECT_EQ(find<QLineEdit>("FDATESample")->text(), "PX_(007)");

    find<QCheckBox>("FNUMCHK")->setChecked(false);
    EXPECT_EQ(find<QLineEdit>("FDATESample")->text(), "PX_");
    find<QCheckBox>("FNUMCHK")->setChecked(true);

    // A start number above the new style's highest becomes 1, not the highest.
    find<QSpinBox>("StartEdit")->setValue(120);
    find<QComboBox>("FNUMCombo")->setCurrentIndex(0); // xx
    EXPECT_EQ(find<QSpinBox>("StartEdit")->value(), 1);
    EXPECT_EQ(find<QSpinBox>("StartEdit")->maximum(), 99);
    EXPECT_EQ(find<QLineEdit>("FDATESample")->text(), "PX_01");

    find<QLineEdit>("DMAEEDIT")->setText("A");
    find<QComboBox>("DDATEEdit")->setCurrentText("\"-\"");
    find<QLineEdit>("DATOEDIT")->setText("B");
    EXPECT_EQ(find<QLineEdit>("DDATESample")->text(), "A-B");
}

TEST_F(RulesTest, ClearingNumberingWithTheMouseWarnsOnceAndTickingIsSilent) {
    auto* box = find<QCheckBox>("FNUMCHK");
    ASSERT_TRUE(box->isChecked());
    clickBox(box);
    EXPECT_FALSE(box->isChecked());
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, kNumberingOffWarning);
    EXPECT_EQ(dialogs.boxes[0].icon, BoxIcon::Warning);
    EXPECT_EQ(dialogs.boxes[0].buttons, BoxButtons::Ok);
    EXPECT_EQ(dialogs.beeps, std::vector<BeepKind>{BeepKind::Asterisk});

    clickBox(box);
    EXPECT_TRUE(box->isChecked());
    EXPECT_EQ(dialogs.boxes.size(), 1u);
}

TEST_F(RulesTest, SubfolderWarningAbortClearsAndYesKeeps) {
    auto* box = find<QCheckBox>("sUbdirchk1");
    box->setChecked(false);
    dialogs.answers = {BoxAnswer::Abort};
    clickBox(box);
    EXPECT_FALSE(box->isChecked());
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, kSubfolderWarning);
    EXPECT_EQ(dialogs.boxes[0].buttons, BoxButtons::YesAbort);
    EXPECT_EQ(dialogs.boxes[0].icon, BoxIcon::Warning);

    dialogs.answers = {BoxAnswer::Yes};
    clickBox(box);
    EXPECT_TRUE(box->isChecked());
    clickBox(box); // clearing asks nothing
    EXPECT_FALSE(box->isChecked());
    EXPECT_EQ(dialogs.boxes.size(), 2u);
}

TEST_F(RulesTest, KeyboardAndProgramChangesShowNoWarning) {
    auto* numbering = find<QCheckBox>("FNUMCHK");
    auto* subfolders = find<QCheckBox>("sUbdirchk1");
    subfolders->setChecked(false);
    pressSpace(numbering);
    pressSpace(subfolders);
    EXPECT_FALSE(numbering->isChecked());
    EXPECT_TRUE(subfolders->isChecked());
    numbering->setChecked(true);
    numbering->setChecked(false);
    subfolders->setChecked(false);
    subfolders->setChecked(true);
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_TRUE(dialogs.beeps.empty());
}

TEST_F(RulesTest, ReleaseOutsideTheBoxNeitherTogglesNorWarns) {
    auto* box = find<QCheckBox>("FNUMCHK");
    QTest::mousePress(box, Qt::LeftButton, {}, QPoint(8, 8));
    QTest::mouseRelease(box, Qt::LeftButton, {}, QPoint(-40, -40));
    EXPECT_TRUE(box->isChecked());
    box->setChecked(false);
    QTest::mousePress(box, Qt::LeftButton, {}, QPoint(8, 8));
    QTest::mouseRelease(box, Qt::LeftButton, {}, QPoint(-40, -40));
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(RulesTest, TabsSetStatusTextsAndShowProtectionBoxOnlyOnEasyRun) {
    auto* tabs = find<QTabWidget>("PageControl1");
    auto* status = find<QLabel>("STATUSTEXT");
    auto* protection = find<QCheckBox>("CHKHOGO");
    find<QLineEdit>("ReadInEdit")->setText("/media/card");
    find<QLineEdit>("SaveOutEdit")->setText("/home/me/写真");
    struct Case {
        int tab;
        const char* status;
        bool protectionVisible;
    };
    for (const Case& c : {Case{0, "  ウィザードにより簡単に取り込めます", true},
                          Case{1, "  Pixbakoの詳細設定を行います", false},
                          Case{2, "  読込みボタンを押してデータを読み込みます", false},
                          Case{0, "  ウィザードにより簡単に取り込めます", true}}) {
        tabs->setCurrentIndex(c.tab);
        EXPECT_EQ(status->text(), QString::fromUtf8(c.status));
        EXPECT_EQ(protection->isVisible(), c.protectionVisible) << c.tab;
    }
    EXPECT_EQ(find<QLineEdit>("LAB1")->text(), "/media/card");
    EXPECT_EQ(find<QLineEdit>("LAB2")->text(), "/home/me/写真");
}

TEST_F(RulesTest, WizardFromTheMenuFirstSwitchesToEasyRun) {
    auto* tabs = find<QTabWidget>("PageControl1");
    tabs->setCurrentIndex(2);
    find<QAction>("N4")->trigger();
    EXPECT_EQ(tabs->currentIndex(), 0);
    EXPECT_EQ(wizardOpened, 1);
    find<QAction>("About1")->trigger();
    EXPECT_EQ(aboutOpened, 1);
}

TEST_F(RulesTest, ProtectionLocksTabsPresetsWizardAndExtendedSettingsButNotRunAndExit) {
    auto* protection = find<QCheckBox>("CHKHOGO");
    find<QTabWidget>("PageControl1")->setCurrentIndex(0);
    for (bool on : {true, false}) {
        protection->setChecked(on);
        EXPECT_EQ(find("PageControl1")->isEnabled(), !on);
        EXPECT_EQ(find<QMenu>("N3")->menuAction()->isEnabled(), !on);
        EXPECT_EQ(find<QAction>("N4")->isEnabled(), !on);
        EXPECT_EQ(find<QAction>("ExtendedSettings1")->isEnabled(), !on);
        EXPECT_EQ(find("LabelHOGO")->isVisible(), on);
        EXPECT_EQ(find("HOGOIMG")->isVisible(), on);
        EXPECT_TRUE(find("RunButton")->isEnabled());
        EXPECT_TRUE(find("ExitButton")->isEnabled());
        EXPECT_TRUE(find<QAction>("EXEC1")->isEnabled());
        EXPECT_TRUE(find<QAction>("Exit1")->isEnabled());
    }
}

TEST_F(RulesTest, BrowsingFillsTheFieldsAndCancelKeepsThem) {
    auto* readIn = find<QLineEdit>("ReadInEdit");
    readIn->setText("/old");
    pickedFolder = "/media/card/DCIM";
    QTest::mouseClick(find("ReadInButton"), Qt::LeftButton);
    EXPECT_EQ(pickerTitles.back(), "読込フォルダを指定");
    EXPECT_EQ(pickerInitialFolders.back(), "/old");
    EXPECT_EQ(readIn->text(), "/media/card/DCIM");
    EXPECT_EQ(find<QLineEdit>("READINEDIT2")->text(), "/media/card/DCIM");

    pickedFolder.clear();
    QTest::mouseClick(find("ReadInButton"), Qt::LeftButton);
    EXPECT_EQ(readIn->text(), "/media/card/DCIM");

    pickedFolder = "/home/me/写真";
    QTest::mouseClick(find("SaveOutButton"), Qt::LeftButton);
    EXPECT_EQ(pickerTitles.back(), "保存フォルダを指定");
    EXPECT_EQ(find<QLineEdit>("SaveOutEdit")->text(), "/home/me/写真");
    EXPECT_EQ(readIn->text(), "/media/card/DCIM");

    // A double click on the file-selection tab's folder opens the read-in picker as well.
    find<QTabWidget>("PageControl1")->setCurrentIndex(2);
    pickedFolder = "/media/other";
    QTest::mouseDClick(find("READINEDIT2"), Qt::LeftButton);
    EXPECT_EQ(readIn->text(), "/media/other");
}

TEST_F(RulesTest, DropsTakeOnlyTheFirstPathOfTheRightKind) {
    const QString base = QString::fromStdString(temp.path());
    const QString folderA = base + "/写真 A", folderB = base + "/B%20c";
    const QString file = base + "/viewer";
    QDir().mkpath(folderA);
    QDir().mkpath(folderB);
    QFile(file).open(QIODevice::WriteOnly);
    auto* readIn = find<QLineEdit>("ReadInEdit");
    auto* saveOut = find<QLineEdit>("SaveOutEdit");
    auto* program = find<QLineEdit>("RunProcEdit");
    find<QCheckBox>("RunChkBox")->setChecked(true);

    dropPaths(find("ReadInGroupbox"), {folderA, folderB, file});
    EXPECT_EQ(readIn->text(), folderA);
    EXPECT_EQ(find<QLineEdit>("READINEDIT2")->text(), folderA);
    dropPaths(find("ReadInGroupbox"), {file, folderB});
    EXPECT_EQ(readIn->text(), folderA);
    // A drop on the field inside the group counts for the group.
    dropPaths(readIn, {folderB});
    EXPECT_EQ(readIn->text(), folderB);

    dropPaths(find("SaveOutGroupBox"), {folderB, folderA});
    EXPECT_EQ(saveOut->text(), folderB);
    dropPaths(find("SaveOutGroupBox"), {file});
    EXPECT_EQ(saveOut->text(), folderB);

    dropPaths(program, {folderA});
    EXPECT_EQ(program->text(), "");
    dropPaths(program, {file, folderA});
    EXPECT_EQ(program->text(), file);
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(RulesTest, ShrinkingTheWindowPutsTheEnlargedPanelBackToItsMinimum) {
    window->resize(MainWindow::kDesignWidth, 900);
    QCoreApplication::processEvents();
    window->setPanelHeight(700);
    QCoreApplication::processEvents();
    EXPECT_EQ(window->panelHeight(), 700);
    window->resize(MainWindow::kDesignWidth, 750);
    QCoreApplication::processEvents();
    EXPECT_EQ(window->panelHeight(), MainWindow::kPanelMinimumHeight);
    EXPECT_GT(find("PanelGrid")->height(), 0);
}

// Options as the settings file writes them, for readable failures.
std::string optionsText(const Options& options) {
    IniFile ini(IniDialect::Settings);
    writeOptions(ini, "INI0", options, "");
    return ini.text();
}

// An option that no control shows would be saved as its default, losing what the user set.
TEST_F(RulesTest, EveryOptionHasItsControl) {
    EXPECT_TRUE(window->unboundOptions().empty());
    Options changed = window->options();
    changed.readInFolder = "/media/カード";
    changed.copy = !changed.copy;
    changed.startNumber = 77;
    changed.extensions.freeList = "RAW";
    window->applyOptions(changed);
    EXPECT_EQ(find<QLineEdit>("ReadInEdit")->text(), "/media/カード");
    EXPECT_EQ(window->options(), changed);

    // Numbers outside the controls' ranges: a run without a window must make of them what the
    // controls make.
    for (int number : {-7, -1, 0, 1, 2, 3, 4, 11, 150, 1000, 5000}) {
        Options odd = changed;
        odd.sequenceStyleIndex = odd.extensionCase = odd.extensionMode = number;
        odd.programParameterMode = odd.thumbnailMode = odd.thumbnailSize = odd.sortType = number;
        odd.startNumber = number;
        window->applyOptions(odd);
        EXPECT_EQ(optionsText(window->options()), optionsText(withinControlRanges(odd))) << number;
    }
}

TEST_F(RulesTest, WindowHasDesignSizesAndListColumns) {
    EXPECT_EQ(window->minimumSize(), QSize(746, 555));
    EXPECT_GE(find("Panel1")->height(), 421);
    EXPECT_EQ(find("PanelStatus")->height(), 20);
    EXPECT_EQ(find("ProgressBar1")->width(), 434);
    auto* grid = window->fileListView();
    const int widths[] = {223, 134, 2, 659, 3, 60};
    for (int column = 0; column < 6; ++column) {
        EXPECT_EQ(grid->isColumnHidden(column), column == 2 || column == 5) << column;
        if (column != 2 && column != 5) {
            EXPECT_EQ(grid->columnWidth(column), widths[column]) << column;
        }
    }
    EXPECT_EQ(grid->focusPolicy(), Qt::ClickFocus); // a click, never the Tab key
    EXPECT_EQ(find<QComboBox>("DDATEEdit")->count(), 19);
    EXPECT_EQ(find<QComboBox>("FDATEEdit")->count(), 23);
    EXPECT_EQ(find<QComboBox>("FNUMCombo")->count(), 11);
    EXPECT_EQ(find<QListWidget>("FormatExp")->count(), 24);
}

// Where the tip window of a tool-tip request at `pos` of `control` appears.
QPoint tipPosition(QWidget* control, QPoint pos) {
    QHelpEvent help(QEvent::ToolTip, pos, control->mapToGlobal(pos));
    QCoreApplication::sendEvent(control, &help);
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top->inherits("QTipLabel") && top->isVisible())
            return top->pos();
    return {-1, -1};
}

TEST_F(RulesTest, ThumbnailHintStandsBesideTheMouseOthersKeepTheirPlace) {
    find<QTabWidget>("PageControl1")->setCurrentIndex(2);
    auto* page = find("TabSheet3");
    auto* thumbnails = new QLabel(page);
    thumbnails->setObjectName("ThumbnailBox1");
    thumbnails->setToolTip("IMG_0001.JPG");
    thumbnails->setGeometry(10, 60, 200, 100);
    auto* other = new QLabel(page);
    other->setToolTip("other");
    other->setGeometry(10, 60, 200, 100);
    thumbnails->show();
    other->show();
    const QPoint mouse(20, 10);
    const QPoint platform = tipPosition(other, mouse);
    QToolTip::hideText();
    const QPoint beside = tipPosition(thumbnails, mouse);
    EXPECT_EQ(QToolTip::text(), "IMG_0001.JPG");
    // Exactly there: Qt's own offset below the cursor does not come on top.
    EXPECT_EQ(beside, thumbnails->mapToGlobal(mouse + QPoint(5, 20)));
    EXPECT_NE(platform, other->mapToGlobal(mouse + QPoint(5, 20)));
    QToolTip::hideText();
}

TEST_F(RulesTest, TabKeyNeverLandsOnTheListTheTokensOrTheSamples) {
    window->activateWindow();
    QApplication::setActiveWindow(window.get());
    find("ReadInEdit")->setFocus();
    std::set<QString> reached;
    for (int press = 0; press < 80; ++press) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        reached.insert(QApplication::focusWidget()->objectName());
    }
    EXPECT_TRUE(reached.count("SaveOutEdit")); // the walk does go round the fields
    for (const char* name : {"StringGrid1", "FormatExp", "DDATESample", "FDATESample"})
        EXPECT_FALSE(reached.count(name)) << name;
}

TEST(FormatExpLines, TokensArePaddedToTenColumnsCountingDoubleByteCharactersTwice) {
    const std::vector<std::string> lines = formatExpLines();
    ASSERT_EQ(lines.size(), 24u);
    EXPECT_EQ(lines[0], "\"\"で囲む  任意の文字列");
    EXPECT_EQ(lines[1], "gg        元号");
    EXPECT_EQ(lines[21], "a/p       a/p ");
    EXPECT_EQ(lines[23], "\\         フォルダ区切り記号");
    EXPECT_EQ(padToColumns("ｶﾅ", 4), "ｶﾅ  "); // half-width katakana takes one column
    EXPECT_EQ(padToColumns("dddddddddddd", 10), "dddddddddddd");
}

} // namespace
} // namespace pixbako::test
