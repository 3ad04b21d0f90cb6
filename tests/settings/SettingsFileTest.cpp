#include "SettingsFormStub.h"
#include "SettingsTestSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <gtest/gtest.h>

namespace pixbako::test {
namespace {

// Every option at its default, in the order a save writes the keys, then the window.
const std::string kFirstSave = "[INI0]\n"
                               "READ=\n"
                               "WRITE=\n"
                               "OVERW=1\n"
                               "DIROPEN=0\n"
                               "AUTOQUIT=0\n"
                               "MODE=1\n"
                               "RENAME=1\n"
                               "FMAE=\n"
                               "FDATE=\"yyyy-mm-dd \"\n"
                               "FATO=\" №\"\n"
                               "FNUM=3\n"
                               "FTYPEC=0\n"
                               "DDATE=yyyy-mm-dd\"(\"aaa\")\"\n"
                               "DMAE=\n"
                               "DATO=\n"
                               "DIRCHKBOX=1\n"
                               "FNUM1=(\n"
                               "FNUM2=3\n"
                               "FNUM3=)\n"
                               "RUNF=0\n"
                               "RUNPARA2=1\n"
                               "RUNPARASTR=\n"
                               "FNUMF=1\n"
                               "FAUTONUMF=1\n"
                               "LOGF=0\n"
                               "RUNNAME=\n"
                               "START=1\n"
                               "TYPEF=0\n"
                               "READTYPEJPG=0\n"
                               "READTYPEBMP=0\n"
                               "READTYPEGIF=0\n"
                               "READTYPEPNG=0\n"
                               "READTYPEAVI=0\n"
                               "READTYPEMPG=0\n"
                               "READTYPEASF=0\n"
                               "READTYPETIF=0\n"
                               "READTYPE=\n"
                               "VER=2.1.0.0\n"
                               "THMMODE=1\n"
                               "THMSIZE=120\n"
                               "HOGOF=0\n"
                               "SORTTYPE=3\n"
                               "SORTUP=1\n"
                               "SUBDIR=0\n"
                               "PAGENO=1\n"
                               "\n"
                               "[Form]\n"
                               "WindowState=0\n"
                               "PANELHI=421\n"
                               "Top=60\n"
                               "Left=110\n"
                               "Width=746\n"
                               "Height=555\n"
                               "\n";

TEST(SettingsFile, FirstStartCreatesAnEmptyFileAndExitWritesEveryKeyInTableOrder) {
    IniInTempFolder ini;
    StubForm form;
    SettingsFile settings(form, ini.qpath);
    settings.loadOptions("INI0");
    EXPECT_EQ(ini.bytes(), "");
    EXPECT_TRUE(form.find<QRadioButton>("RedioButtonCOPY")->isChecked());
    EXPECT_EQ(form.find<QComboBox>("FDATEEdit")->currentText(), "yyyy-mm-dd ");
    EXPECT_EQ(form.page, 1);
    EXPECT_EQ(form.window.pos(), QPoint(110, 60));

    settings.saveOnExit();
    EXPECT_EQ(ini.bytes(), settingsBytes(kFirstSave)); // CP932 and CRLF
    EXPECT_TRUE(form.recorder.boxes.empty());
    // Saved through a temporary file that took the settings file's name.
    EXPECT_EQ(QDir(QString::fromStdString(ini.folder.path()))
                  .entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden),
              QStringList{"pixbako.INI"});
}

// Sets every option away from its default, through the controls the user would use.
void setEveryOption(StubForm& form) {
    form.find<QLineEdit>("ReadInEdit")->setText("/media/カード");
    form.find<QLineEdit>("SaveOutEdit")->setText("/home/写真");
    form.find<QLineEdit>("FMAEEdit")->setText("旅行");
    form.find<QLineEdit>("FATOEdit")->setText("_");
    form.find<QLineEdit>("DMAEEDIT")->setText("d-");
    form.find<QLineEdit>("DATOEDIT")->setText("-e");
    form.find<QLineEdit>("RunProcEdit")->setText("/usr/bin/viewer");
    form.find<QLineEdit>("RUNPARACHKSTR")->setText("--open");
    form.find<QComboBox>("DDATEEdit")->setCurrentText("yy_mm");
    form.find<QComboBox>("FDATEEdit")->setCurrentText("hh_nn_ss");
    form.find<QComboBox>("FNUMCombo")->setCurrentIndex(6); // "-xx-"
    form.find<QComboBox>("FTYPECombo")->setCurrentIndex(2);
    for (const char* name : {"OverWriteChkBox", "ReNameChkBox", "DIRCHKBOX", "FNUMCHK", "FAUTONUM"})
        form.find<QCheckBox>(name)->setChecked(false);
    for (const char* name :
         {"DirOpenChkBox", "AutoExitChkBox", "RunChkBox", "LOGSAVECHKBOX", "sUbdirchk1"})
        form.find<QCheckBox>(name)->setChecked(true);
    form.find<QRadioButton>("RedioButtonMOVE")->setChecked(true);
    form.find<QSpinBox>("StartEdit")->setValue(42);
    form.find<StubRadioGroup>("TYPERADIO")->setItemIndex(1);
    form.find<StubRadioGroup>("RUNPARACHK2")->setItemIndex(2);
    form.extensions = {true, false, true, false, true, false, true, false, "RAW,CRW"};
    form.thumbMode = 0;
    form.thumbSize = 64;
    form.sort = 1;
    form.up = false;
    form.allFormatDates = true;
    form.keepShotsTogether = true;
}

// What the user sees of the options, to compare two windows.
std::vector<QString> optionState(StubForm& form) {
    std::vector<QString> state;
    for (auto* edit : form.window.findChildren<QLineEdit*>(Qt::FindDirectChildrenOnly))
        state.push_back(edit->objectName() + "=" + edit->text());
    for (auto* combo : form.window.findChildren<QComboBox*>())
        state.push_back(combo->objectName() + "=" + combo->currentText());
    for (auto* box : form.window.findChildren<QCheckBox*>())
        state.push_back(box->objectName() + "=" + QString::number(box->isChecked()));
    for (auto* radio : form.window.findChildren<QRadioButton*>())
        state.push_back(radio->objectName() + "=" + QString::number(radio->isChecked()));
    for (auto* group : form.window.findChildren<StubRadioGroup*>())
        state.push_back(group->objectName() + "=" + QString::number(group->itemIndex()));
    state.push_back("START=" + form.find<QSpinBox>("StartEdit")->text());
    const auto& e = form.extensions;
    state.push_back(QString("types=%1%2%3%4%5%6%7%8 ")
                        .arg(e.JPG)
                        .arg(e.BMP)
                        .arg(e.GIF)
                        .arg(e.PNG)
                        .arg(e.TIF)
                        .arg(e.AVI)
                        .arg(e.MPG)
                        .arg(e.ASF) +
                    QString::fromStdString(e.freeList));
    state.push_back(QString("thumbs=%1 %2 %3 %4")
                        .arg(form.thumbMode)
                        .arg(form.thumbSize)
                        .arg(form.sort)
                        .arg(form.up));
    state.push_back(QString("extended=%1 %2").arg(form.allFormatDates).arg(form.keepShotsTogether));
    return state;
}

TEST(SettingsFile, EveryOptionSurvivesSaveAndLoadThroughItsOwnControl) {
    IniInTempFolder ini;
    StubForm saved;
    setEveryOption(saved);
    SettingsFile(saved, ini.qpath).saveOptions("INI3");
    std::string text = ini.text();
    EXPECT_NE(text.find("FNUM1=-\r\nFNUM2=2\r\nFNUM3=-\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("MODE=0\r\n"), std::string::npos);
    EXPECT_EQ(text.find("[Form]"), std::string::npos); // a preset holds no window placement

    StubForm loaded;
    int toggles = 0;
    QObject::connect(loaded.find<QCheckBox>("DirOpenChkBox"), &QCheckBox::toggled,
                     [&](bool) { ++toggles; });
    SettingsFile(loaded, ini.qpath).loadOptions("INI3");
    EXPECT_EQ(optionState(loaded), optionState(saved));
    EXPECT_EQ(toggles, 1); // assigning runs the control's own reaction
}

TEST(SettingsFile, OlderLayoutLosesTheQuotesOfItsTextKeysOnly) {
    struct Case {
        const char* version; // nullptr: no VER key
        const char* expectedRead;
    };
    const Case cases[] = {
        {"", "/media/card"},
        {"\"2.0\"", "/media/card"},
        {"2.1.0.0", "\"/media/card\""},
        {nullptr, "\"/media/card\""}, // a missing VER means the running version
    };
    for (const auto& c : cases) {
        IniInTempFolder ini;
        std::string text = "[INI0]\nREAD=\"/media/card\"\nFMAE=\"写真\"\nDDATE=x\n"
                           "RUNPARASTR=\"p q\"\nREADTYPE=\"RAW\"\nFATO=\" №\"\n";
        if (c.version)
            text += std::string("VER=") + c.version + "\n";
        ini.write(text);
        StubForm form;
        SettingsFile(form, ini.qpath).loadOptions("INI0");
        bool older = c.version && (c.version[0] == 0 || c.version[0] == '"');
        SCOPED_TRACE(c.version ? c.version : "(none)");
        EXPECT_EQ(form.find<QLineEdit>("ReadInEdit")->text(), c.expectedRead);
        EXPECT_EQ(form.find<QLineEdit>("FMAEEdit")->text(), older ? "写真" : "\"写真\"");
        EXPECT_EQ(form.find<QComboBox>("DDATEEdit")->currentText(), older ? "" : "x");
        EXPECT_EQ(form.extensions.freeList, older ? "RAW" : "\"RAW\"");
        EXPECT_EQ(form.find<QLineEdit>("RUNPARACHKSTR")->text(), "\"p q\"");
        // Quoted for its blank in either layout, and cut only once.
        EXPECT_EQ(form.find<QLineEdit>("FATOEdit")->text(), " №");
        // A missing key keeps its whole default instead of losing its first and last letter.
        EXPECT_EQ(form.find<QComboBox>("FDATEEdit")->currentText(), "yyyy-mm-dd ");
    }
}

TEST(SettingsFile, OlderLayoutIsConvertedByItsFirstSave) {
    IniInTempFolder ini;
    ini.write("[INI0]\nREAD=\"/media/card\"\nVER=\n");
    StubForm form;
    SettingsFile settings(form, ini.qpath);
    settings.loadOptions("INI0");
    settings.saveOptions("INI0");
    StubForm again;
    SettingsFile(again, ini.qpath).loadOptions("INI0");
    EXPECT_EQ(again.find<QLineEdit>("ReadInEdit")->text(), "/media/card");
}

TEST(SettingsFile, ParameterChoiceDefaultsFromTheRetiredRunparaKey) {
    struct Case {
        const char* keys;
        int expected;
    };
    const Case cases[] = {
        {"", 1},
        {"RUNPARA=1\n", 0},
        {"RUNPARA=0\n", 1},
        {"RUNPARA=1\nRUNPARA2=2\n", 2},
        {"RUNPARA=x\n", 1},
    };
    for (const auto& c : cases) {
        IniInTempFolder ini;
        ini.write(std::string("[INI0]\n") + c.keys);
        StubForm form;
        SettingsFile(form, ini.qpath).loadOptions("INI0");
        EXPECT_EQ(form.find<StubRadioGroup>("RUNPARACHK2")->itemIndex(), c.expected) << c.keys;
        SettingsFile(form, ini.qpath).saveOptions("INI0");
        if (std::string(c.keys).empty()) {
            EXPECT_EQ(ini.text().find("RUNPARA="), std::string::npos) << "RUNPARA is not written";
        }
    }
}

TEST(SettingsFile, PresetsAskBeforeSavingAndLoadingAndNameTheCaption) {
    IniInTempFolder ini;
    StubForm form;
    form.window.setWindowTitle("Pixbako");
    SettingsFile settings(form, ini.qpath);
    setEveryOption(form);

    form.recorder.answers = {BoxAnswer::Cancel};
    settings.applyPresetMenuItem("SAVE_INI2");
    EXPECT_FALSE(QFile::exists(ini.qpath));
    EXPECT_EQ(form.window.windowTitle(), "Pixbako");

    settings.applyPresetMenuItem("SAVE_INI2");
    ASSERT_EQ(form.recorder.boxes.size(), 2u);
    for (const auto& box : form.recorder.boxes) {
        EXPECT_EQ(box.text, "現在の設定を保存します");
        EXPECT_EQ(box.buttons, BoxButtons::OkCancel);
    }
    EXPECT_EQ(form.window.windowTitle(), "Pixbako     [設定No.2]");
    EXPECT_NE(ini.text().find("[INI2]\r\nREAD=/media/カード\r\n"), std::string::npos);

    StubForm other;
    other.page = 2;
    other.panel = 500;
    other.window.move(300, 200);
    SettingsFile otherSettings(other, ini.qpath);
    other.recorder.answers = {BoxAnswer::Cancel};
    otherSettings.applyPresetMenuItem("LOAD_INI2");
    EXPECT_EQ(other.find<QLineEdit>("ReadInEdit")->text(), "");
    EXPECT_EQ(other.sampleRefreshes, 0);

    otherSettings.applyPresetMenuItem("LOAD_INI2");
    ASSERT_EQ(other.recorder.boxes.size(), 2u);
    EXPECT_EQ(other.recorder.boxes[1].text, "現在の設定を破棄して読み込みます");
    EXPECT_EQ(other.recorder.boxes[1].buttons, BoxButtons::OkCancel);
    EXPECT_EQ(optionState(other), optionState(form));
    EXPECT_EQ(other.sampleRefreshes, 1);
    EXPECT_EQ(other.window.windowTitle(), "Pixbako     [設定No.2]");
    // A preset leaves the tab, the placement and the splitter alone.
    EXPECT_EQ(other.page, 2);
    EXPECT_EQ(other.panel, 500);
    EXPECT_EQ(other.window.pos(), QPoint(300, 200));

    // A slot never saved loads every option at its default.
    otherSettings.applyPresetMenuItem("LOAD_INI5");
    EXPECT_EQ(other.find<QLineEdit>("ReadInEdit")->text(), "");
    EXPECT_EQ(other.find<QComboBox>("FNUMCombo")->currentIndex(), 3);
    EXPECT_EQ(other.window.windowTitle(), "Pixbako     [設定No.5]");
}

TEST(SettingsFile, ExitTurnsAnEmptyDatePatternIntoDDDDD) {
    struct Case {
        const char* pattern;
        const char* expected;
    };
    const Case cases[] = {{"", "DDDDD"}, {" ", "DDDDD"}, {"  ", "  "}, {"yyyy", "yyyy"}};
    for (const auto& c : cases) {
        IniInTempFolder ini;
        StubForm form;
        form.find<QComboBox>("DDATEEdit")->setCurrentText(c.pattern);
        form.find<QComboBox>("FDATEEdit")->setCurrentText(c.pattern);
        SettingsFile(form, ini.qpath).saveOnExit();
        EXPECT_EQ(form.find<QComboBox>("DDATEEdit")->currentText(), c.expected);
        EXPECT_EQ(form.find<QComboBox>("FDATEEdit")->currentText(), c.expected);
        StubForm next;
        SettingsFile(next, ini.qpath).loadOptions("INI0");
        EXPECT_EQ(next.find<QComboBox>("DDATEEdit")->currentText(), c.expected);
        EXPECT_EQ(next.find<QComboBox>("FDATEEdit")->currentText(), c.expected);
    }
}

// With the default name patterns ("yyyy-mm-dd " and " №") the name form changed after the
// first restart, and the numbering started again in folders already numbered.
TEST(SettingsFile, DefaultNamePatternsKeepTheirBlanksAcrossRestarts) {
    IniInTempFolder ini;
    for (int start = 0; start < 3; ++start) {
        SCOPED_TRACE(start);
        StubForm form;
        SettingsFile settings(form, ini.qpath);
        settings.loadOptions("INI0");
        EXPECT_EQ(form.find<QComboBox>("FDATEEdit")->currentText(), "yyyy-mm-dd ");
        EXPECT_EQ(form.find<QLineEdit>("FATOEdit")->text(), " №");
        settings.saveOnExit();
    }
}

// An option without a control would be written as its default and lose what the user set: the
// binding names such keys so that the window's test can insist on none.
TEST(SettingsFile, OptionsWithoutAControlAreNamed) {
    OptionsBinding empty;
    const auto unbound = empty.unboundKeys();
    EXPECT_EQ(unbound.size(), 43u);
    EXPECT_EQ(unbound.front(), "READ");
    QLineEdit field;
    field.setText("/media/card");
    empty.bind("READ", &field);
    EXPECT_EQ(empty.unboundKeys().size(), 42u);
    EXPECT_EQ(empty.read().readInFolder, "/media/card");
    EXPECT_EQ(empty.read().middleText, " №"); // unbound: the default
    EXPECT_TRUE(StubForm().binding.unboundKeys().empty());
}

TEST(SettingsFile, ProtectedSettingsOpenOnTheEasyRunTab) {
    IniInTempFolder ini;
    ini.write("[INI0]\nHOGOF=1\nPAGENO=2\n");
    StubForm form;
    SettingsFile(form, ini.qpath).loadOptions("INI0");
    EXPECT_TRUE(form.find<QCheckBox>("CHKHOGO")->isChecked());
    EXPECT_EQ(form.page, 0);

    ini.write("[INI0]\nHOGOF=0\nPAGENO=2\n");
    SettingsFile(form, ini.qpath).loadOptions("INI0");
    EXPECT_EQ(form.page, 2);
}

} // namespace
} // namespace pixbako::test
