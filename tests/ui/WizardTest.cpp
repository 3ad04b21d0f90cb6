// The setup wizard over a real main window: page movement forward and back with its skips, the
// folder checks, browsing, the samples, cancelling, and the answers written into the window
// (and from there into a run).
#include "about/AboutDialog.h"
#include "settings/SetupWizard.h"
#include "ui/RadioGroup.h"
#include "ui/UiTestSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QTimer>
#include <QWheelEvent>

#include <filesystem>
#include <fstream>
#include <map>

namespace pixbako::test {
namespace {

namespace fs = std::filesystem;

// Every value the user can change in the main window (not in its dialogs), one control a line.
std::string windowState(QWidget& window) {
    std::map<QString, QVariant> state;
    for (QWidget* w : window.findChildren<QWidget*>()) {
        if (w->objectName().isEmpty() || w->window() != &window)
            continue;
        if (auto* edit = qobject_cast<QLineEdit*>(w))
            state[w->objectName()] = edit->text();
        else if (auto* check = qobject_cast<QAbstractButton*>(w); check && check->isCheckable())
            state[w->objectName()] = check->isChecked();
        else if (auto* combo = qobject_cast<QComboBox*>(w))
            state[w->objectName()] =
                combo->currentText() + "|" + QString::number(combo->currentIndex());
        else if (auto* spin = qobject_cast<QSpinBox*>(w))
            state[w->objectName()] = spin->value();
        else if (auto* group = qobject_cast<RadioGroup*>(w))
            state[w->objectName()] = group->itemIndex();
    }
    std::string lines;
    for (const auto& [name, value] : state)
        lines += (name + "=" + value.toString() + "\n").toStdString();
    return lines;
}

class WizardTest : public WindowTest {
protected:
    fs::path card, target;
    std::unique_ptr<SetupWizard> wizard;

    void SetUp() override {
        WindowTest::SetUp();
        card = fs::path(temp.path()) / "DCIM";
        target = fs::path(temp.path()) / "写真";
        fs::create_directories(card);
        find<QLineEdit>("ReadInEdit")->setText(QString::fromStdString(card.string()));
        find<QLineEdit>("SaveOutEdit")->setText(QString::fromStdString(target.string()));
    }

    void open() {
        wizard = std::make_unique<SetupWizard>(
            *window, japaneseDateTextSettings(),
            [this](const QString& title, const QString& initial) {
                pickerTitles.push_back(title);
                pickerInitialFolders.push_back(initial);
                return pickedFolder;
            },
            window.get());
        wizard->show();
    }

    template <typename T = QWidget> T* w(const char* name) {
        T* widget = wizard->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    void next() { QTest::mouseClick(w<QPushButton>("BTNNEXT"), Qt::LeftButton); }
    void back() { QTest::mouseClick(w<QPushButton>("BTNBACK"), Qt::LeftButton); }
    QString nextCaption() { return w<QPushButton>("BTNNEXT")->text(); }
    void goTo(int page) {
        while (wizard->page() < page && wizard->isVisible()) {
            const int before = wizard->page();
            next();
            ASSERT_NE(wizard->page(), before) << "stuck on page " << before;
        }
        ASSERT_EQ(wizard->page(), page);
    }
};

TEST_F(WizardTest, DesignAnswersSetTheEasyPathOnTheMainWindow) {
    // Start from the opposite of every value the wizard sets.
    find<QRadioButton>("RedioButtonCOPY")->setChecked(true);
    find<RadioGroup>("TYPERADIO")->setItemIndex(1);
    find<QCheckBox>("OverWriteChkBox")->setChecked(true);
    find<QCheckBox>("DIRCHKBOX")->setChecked(false);
    find<QLineEdit>("DMAEEDIT")->setText("x");
    find<QLineEdit>("DATOEDIT")->setText("y");
    find<QCheckBox>("ReNameChkBox")->setChecked(false);
    find<QLineEdit>("FMAEEdit")->setText("IMG");
    find<QCheckBox>("FNUMCHK")->setChecked(false);
    find<QComboBox>("FNUMCombo")->setCurrentIndex(9);
    find<QSpinBox>("StartEdit")->setValue(77);
    find<QCheckBox>("FAUTONUM")->setChecked(false);
    find<QComboBox>("FTYPECombo")->setCurrentIndex(2);
    find<QCheckBox>("AutoExitChkBox")->setChecked(true);
    find<QCheckBox>("DirOpenChkBox")->setChecked(false);
    find<QCheckBox>("LOGSAVECHKBOX")->setChecked(true);
    find<QCheckBox>("RunChkBox")->setChecked(true);
    find<QCheckBox>("sUbdirchk1")->setChecked(true);
    window->extensionChoice().GIF = true;

    open();
    EXPECT_EQ(wizard->windowTitle(), "Pixbakoウィザード");
    EXPECT_FALSE(w("BTNBACK")->isEnabled());
    EXPECT_EQ(w<QLineEdit>("EDITIN")->text().toStdString(), card.string());
    EXPECT_EQ(w<QLineEdit>("EditSAVE")->text().toStdString(), target.string());
    goTo(8);
    // Reaching the last page only shows the closing text; "完了" there closes.
    EXPECT_TRUE(wizard->isVisible());
    EXPECT_EQ(nextCaption(), "完了");
    EXPECT_FALSE(find<QCheckBox>("DIRCHKBOX")->isChecked());
    next();
    EXPECT_FALSE(wizard->isVisible());
    EXPECT_EQ(wizard->result(), QDialog::Accepted);

    EXPECT_EQ(find<QLineEdit>("ReadInEdit")->text().toStdString(), card.string());
    EXPECT_EQ(find<QLineEdit>("LAB1")->text().toStdString(), card.string());
    EXPECT_EQ(find<QLineEdit>("LAB2")->text().toStdString(), target.string());
    EXPECT_TRUE(find<QRadioButton>("RedioButtonMOVE")->isChecked());
    EXPECT_EQ(find<RadioGroup>("TYPERADIO")->itemIndex(), 0);
    EXPECT_FALSE(find("TYPESETBUTTON")->isEnabled());
    EXPECT_FALSE(find<QCheckBox>("OverWriteChkBox")->isChecked());
    EXPECT_TRUE(find<QCheckBox>("DIRCHKBOX")->isChecked());
    EXPECT_EQ(find<QComboBox>("DDATEEdit")->currentText(), "yyyy-mm-dd\"(\"aaa\")\"");
    EXPECT_EQ(find<QLineEdit>("DMAEEDIT")->text(), "");
    EXPECT_EQ(find<QLineEdit>("DATOEDIT")->text(), "");
    EXPECT_TRUE(find<QCheckBox>("ReNameChkBox")->isChecked());
    EXPECT_EQ(find<QComboBox>("FDATEEdit")->currentText(), "yyyy-mm-dd");
    EXPECT_EQ(find<QLineEdit>("FMAEEdit")->text(), "");
    EXPECT_EQ(find<QLineEdit>("FATOEdit")->text(), "No");
    EXPECT_TRUE(find<QCheckBox>("FNUMCHK")->isChecked());
    EXPECT_EQ(find<QComboBox>("FNUMCombo")->currentIndex(), 3);
    EXPECT_EQ(find<QSpinBox>("StartEdit")->value(), 1);
    EXPECT_TRUE(find<QCheckBox>("FAUTONUM")->isChecked());
    EXPECT_EQ(find<QComboBox>("FTYPECombo")->currentIndex(), 0);
    EXPECT_FALSE(find<QCheckBox>("AutoExitChkBox")->isChecked());
    EXPECT_TRUE(find<QCheckBox>("DirOpenChkBox")->isChecked());
    EXPECT_FALSE(find<QCheckBox>("LOGSAVECHKBOX")->isChecked());
    EXPECT_FALSE(find<QCheckBox>("RunChkBox")->isChecked());
    EXPECT_FALSE(find("RunProcEdit")->isEnabled());
    // Not the wizard's business.
    EXPECT_TRUE(find<QCheckBox>("sUbdirchk1")->isChecked());
    EXPECT_TRUE(window->extensionChoice().GIF);
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(WizardTest, NoDateFoldersSkipsTheFolderPatternPageBothWays) {
    find<QLineEdit>("DMAEEDIT")->setText("keep");
    open();
    goTo(4);
    w<QRadioButton>("RADIODIR1")->setChecked(true);
    next();
    EXPECT_EQ(wizard->page(), 6);
    back();
    EXPECT_EQ(wizard->page(), 4);
    next();
    goTo(8);
    next();
    EXPECT_FALSE(find<QCheckBox>("DIRCHKBOX")->isChecked());
    EXPECT_EQ(find<QLineEdit>("DMAEEDIT")->text(), "keep");
}

TEST_F(WizardTest, KeepingTheNamesGoesStraightToTheEndAndBackResetsTheButton) {
    find<QComboBox>("FNUMCombo")->setCurrentIndex(6);
    find<QLineEdit>("FATOEdit")->setText("keep");
    find<QComboBox>("FTYPECombo")->setCurrentIndex(1);
    open();
    goTo(6);
    w<QRadioButton>("RADIOFILE1")->setChecked(true);
    next();
    EXPECT_EQ(wizard->page(), 8);
    EXPECT_EQ(nextCaption(), "完了");
    back();
    EXPECT_EQ(wizard->page(), 6);
    EXPECT_EQ(nextCaption(), "次へ >>");
    // Back took the closing result away: Next on page 6 must not close.
    next();
    EXPECT_TRUE(wizard->isVisible());
    EXPECT_EQ(wizard->page(), 8);
    next();
    EXPECT_FALSE(wizard->isVisible());
    EXPECT_FALSE(find<QCheckBox>("ReNameChkBox")->isChecked());
    EXPECT_EQ(find<QComboBox>("FTYPECombo")->currentIndex(), 0);
    EXPECT_EQ(find<QComboBox>("FNUMCombo")->currentIndex(), 6);
    EXPECT_EQ(find<QLineEdit>("FATOEdit")->text(), "keep");
}

TEST_F(WizardTest, BackFromEveryPageReturnsToTheOneBefore) {
    for (int page = 1; page <= 8; ++page) {
        SCOPED_TRACE(page);
        open();
        goTo(page);
        back();
        EXPECT_EQ(wizard->page(), page - 1);
        EXPECT_EQ(w("BTNBACK")->isEnabled(), page > 1);
        EXPECT_EQ(nextCaption(), page - 1 == 8 ? "完了" : "次へ >>");
        // And forward again lands where it was, without closing.
        next();
        EXPECT_EQ(wizard->page(), page);
        EXPECT_TRUE(wizard->isVisible());
    }
    // Back on page 0 is disabled and does nothing.
    open();
    wizard->previousPage();
    EXPECT_EQ(wizard->page(), 0);
}

TEST_F(WizardTest, FolderPagesRefuseWhatTheyMustWithBeepAndWarning) {
    struct Case {
        const char* what;
        int page;
        std::string folder; // into the page's field
        bool accepted;
        const char* warning;
    };
    const std::string missing = temp.path() + "/no such folder";
    const std::string file = temp.path() + "/a file";
    std::ofstream(file) << "x";
    const Case cases[] = {
        {"empty read-in folder", 1, "", false, "読込みフォルダを指定して下さい"},
        {"missing read-in folder", 1, missing, false, "読込みフォルダを指定して下さい"},
        {"a file as read-in folder", 1, file, false, "読込みフォルダを指定して下さい"},
        {"existing read-in folder", 1, card.string(), true, nullptr},
        {"empty save folder", 3, "", false, "保存フォルダを指定して下さい"},
        {"missing save folder", 3, missing, true, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        dialogs.boxes.clear();
        dialogs.beeps.clear();
        open();
        goTo(c.page);
        w<QLineEdit>(c.page == 1 ? "EDITIN" : "EditSAVE")
            ->setText(QString::fromStdString(c.folder));
        next();
        EXPECT_EQ(wizard->page(), c.accepted ? c.page + 1 : c.page);
        if (c.accepted) {
            EXPECT_TRUE(dialogs.boxes.empty());
            EXPECT_TRUE(dialogs.beeps.empty());
        } else {
            ASSERT_EQ(dialogs.boxes.size(), 1u);
            EXPECT_EQ(dialogs.boxes[0].text, c.warning);
            EXPECT_EQ(dialogs.boxes[0].icon, BoxIcon::Warning);
            EXPECT_EQ(dialogs.boxes[0].buttons, BoxButtons::Ok);
            EXPECT_EQ(dialogs.beeps, std::vector<BeepKind>{BeepKind::Asterisk});
        }
    }
}

TEST_F(WizardTest, CancelOrEscapeOnAnyPageLeavesTheMainWindowUnchanged) {
    find<QRadioButton>("RedioButtonCOPY")->setChecked(true);
    find<QCheckBox>("ReNameChkBox")->setChecked(false);
    const auto before = windowState(*window);
    const ExtensionChoice choice = window->extensionChoice();
    for (int page = 0; page <= 8; ++page) {
        for (bool escape : {false, true}) {
            SCOPED_TRACE(std::to_string(page) + (escape ? " Escape" : " Cancel"));
            open();
            goTo(page);
            w<QRadioButton>("RADIOCOPYM1")->setChecked(true);
            w<QLineEdit>("WIZAFMAE")->setText("changed");
            w<QLineEdit>("EditSAVE")->setText("/elsewhere");
            if (escape)
                QTest::keyClick(wizard.get(), Qt::Key_Escape);
            else
                QTest::mouseClick(w<QPushButton>("BTNCAN"), Qt::LeftButton);
            EXPECT_FALSE(wizard->isVisible());
            EXPECT_EQ(wizard->result(), QDialog::Rejected);
            EXPECT_EQ(windowState(*window), before);
            EXPECT_EQ(window->extensionChoice(), choice);
        }
    }
}

TEST_F(WizardTest, BrowsingMovesOnByItselfAndCancellingStays) {
    const std::string other = temp.path() + "/other card";
    fs::create_directories(other);
    open();
    goTo(1);
    pickedFolder.clear();
    QTest::mouseClick(w<QPushButton>("BitBtn1"), Qt::LeftButton);
    EXPECT_EQ(wizard->page(), 1);
    EXPECT_EQ(w<QLineEdit>("EDITIN")->text().toStdString(), card.string());
    pickedFolder = QString::fromStdString(other);
    QTest::mouseClick(w<QPushButton>("BitBtn1"), Qt::LeftButton);
    EXPECT_EQ(wizard->page(), 2);
    EXPECT_EQ(w<QLineEdit>("EDITIN")->text(), pickedFolder);
    next();
    pickedFolder = "/new save folder";
    QTest::mouseClick(w<QPushButton>("BitBtn2"), Qt::LeftButton);
    EXPECT_EQ(wizard->page(), 4);
    ASSERT_EQ(pickerTitles.size(), 3u);
    EXPECT_EQ(pickerTitles[0], "読込フォルダを指定");
    EXPECT_EQ(pickerTitles[2], "保存フォルダを指定");
    EXPECT_EQ(pickerInitialFolders[1].toStdString(), card.string());
    EXPECT_EQ(pickerInitialFolders[2].toStdString(), target.string());
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(WizardTest, SamplesShowFixedTextsPatternAndTheStyleItself) {
    open();
    w<QComboBox>("WIZADSTR")->setCurrentText("\"day\"");
    w<QLineEdit>("WIZADMAE")->setText("<");
    w<QLineEdit>("WIZADATO")->setText(">");
    EXPECT_EQ(w<QLineEdit>("WIZADSAMPLE")->text(), "<day>");
    w<QComboBox>("WIZAFSTR")->setCurrentText("\"P\"");
    w<QLineEdit>("WIZAFMAE")->setText("a");
    EXPECT_EQ(w<QLineEdit>("WIZAFSAMPLE")->text(), "aPNo(xxx).JPG");
    w<QComboBox>("WIZAFNO")->setCurrentIndex(4);
    EXPECT_EQ(w<QLineEdit>("WIZAFSAMPLE")->text(), "aPNo[xx].JPG");
    // The pattern lists are the main window's.
    EXPECT_EQ(w<QComboBox>("WIZADSTR")->count(), find<QComboBox>("DDATEEdit")->count());
    EXPECT_EQ(w<QComboBox>("WIZAFSTR")->count(), find<QComboBox>("FDATEEdit")->count());
    EXPECT_EQ(w<QComboBox>("WIZAFNO")->count(), 8);
}

// Only Next and Back move between pages: neither the Tab key nor the mouse wheel may scroll
// the box to a page whose checks were never passed.
TEST_F(WizardTest, TabAndWheelNeverShowAnotherPage) {
    open();
    QApplication::setActiveWindow(wizard.get());
    for (int page : {0, 1, 2, 4, 6}) {
        SCOPED_TRACE(page);
        goTo(page);
        for (int press = 0; press < 12; ++press) {
            QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget()
                                                        : wizard.get(),
                            Qt::Key_Tab);
            EXPECT_EQ(wizard->page(), page);
        }
        QWidget* viewport = w<QScrollArea>("ScrollBox1")->viewport();
        QWheelEvent wheel(QPointF(50, 50), viewport->mapToGlobal(QPointF(50, 50)), QPoint(),
                          QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(viewport, &wheel);
        EXPECT_EQ(wizard->page(), page);
    }
}

// The wizard as the main window opens it: its own window, modal, gone afterwards.
class WizardFromWindowTest : public WizardTest {
protected:
    void SetUp() override {
        MainWindowSetup setup;
        setup.iniPath = iniPath();
        setup.dialogs = &dialogs;
        window = std::make_unique<MainWindow>(std::move(setup));
        window->show();
        card = fs::path(temp.path()) / "DCIM";
        target = fs::path(temp.path()) / "写真";
        fs::create_directories(card);
        for (const char* name : {"IMG_0001.JPG", "IMG_0002.JPG"})
            std::ofstream(card / name) << name;
        find<QLineEdit>("ReadInEdit")->setText(QString::fromStdString(card.string()));
        find<QLineEdit>("SaveOutEdit")->setText(QString::fromStdString(target.string()));
    }
};

TEST_F(WizardFromWindowTest, SquareBracketStyleReachesTheSampleAndTheRun) {
    find<QComboBox>("FNUMCombo")->setCurrentIndex(3); // (xxx)
    bool seen = false;
    QTimer::singleShot(0, window.get(), [&] {
        auto* modal = qobject_cast<SetupWizard*>(QApplication::activeModalWidget());
        ASSERT_NE(modal, nullptr);
        seen = true;
        auto* nextButton = modal->findChild<QPushButton*>("BTNNEXT");
        while (modal->page() < 4)
            nextButton->click();
        modal->findChild<QRadioButton*>("RADIODIR1")->setChecked(true);
        while (modal->page() < 7)
            nextButton->click();
        modal->findChild<QComboBox*>("WIZAFSTR")->setCurrentText("\"P\"");
        modal->findChild<QComboBox*>("WIZAFNO")->setCurrentIndex(4); // [xx]
        nextButton->click();
        nextButton->click();
    });
    find<QPushButton>("BTNWIZA")->click();
    EXPECT_TRUE(seen);
    EXPECT_EQ(window->findChildren<SetupWizard*>().size(), 0);
    EXPECT_EQ(find<QLineEdit>("FDATESample")->text(), "PNo[01]");

    // The new folder is not opened by a test.
    find<QCheckBox>("DirOpenChkBox")->setChecked(false);
    QTest::mouseClick(find<QPushButton>("RunButton"), Qt::LeftButton);
    EXPECT_TRUE(dialogs.boxes.empty()) << dialogs.texts().front();
    EXPECT_TRUE(fs::exists(target / "PNo[01].JPG"));
    EXPECT_TRUE(fs::exists(target / "PNo[02].JPG"));
    EXPECT_FALSE(fs::exists(card / "IMG_0001.JPG")); // moved
}

TEST_F(WizardFromWindowTest, MenuItemSwitchesToTheEasyRunTabBeforeTheWizard) {
    find<QTabWidget>("PageControl1")->setCurrentIndex(2);
    int tabSeen = -1;
    QTimer::singleShot(0, window.get(), [&] {
        tabSeen = find<QTabWidget>("PageControl1")->currentIndex();
        if (auto* modal = qobject_cast<SetupWizard*>(QApplication::activeModalWidget()))
            modal->reject();
    });
    find<QAction>("N4")->trigger();
    EXPECT_EQ(tabSeen, 0);
}

using AboutFromWindowTest = WizardFromWindowTest;

TEST_F(AboutFromWindowTest, HelpMenuOpensTheAboutDialogModallyAndDestroysItAfterwards) {
    QString version;
    QTimer::singleShot(0, window.get(), [&] {
        auto* about = qobject_cast<AboutDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(about, nullptr);
        version = about->currentVersion();
        about->accept();
    });
    find<QAction>("About1")->trigger();
    EXPECT_EQ(version, "2.1.0");
    EXPECT_TRUE(window->findChildren<AboutDialog*>().empty());
}

} // namespace
} // namespace pixbako::test
