// The extension dialog: every showing starts from the stored choice, OK stores exactly what
// stands in it, Cancel and Escape store nothing, and the run's list follows the flags.
#include "engine/run/ExtensionFilter.h"
#include "settings/FileTypesDialog.h"
#include "ui/RadioGroup.h"
#include "ui/UiTestSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

namespace pixbako::test {
namespace {

QCheckBox* box(QWidget& dialog, const char* type) {
    return dialog.findChild<QCheckBox*>(QStringLiteral("CheckBox") + QLatin1String(type));
}

QLineEdit* freeList(QWidget& dialog) {
    return dialog.findChild<QLineEdit*>(QStringLiteral("TYPEEDITBOX"));
}

TEST(ExtensionDialog, CancelAndEscapeForgetEveryChangeAtTheNextShowing) {
    for (bool escape : {false, true}) {
        SCOPED_TRACE(escape ? "Escape" : "Cancel");
        ExtensionChoice choice;
        choice.JPG = true;
        choice.freeList = "MOV";
        FileTypesDialog dialog(choice);
        dialog.show();
        box(dialog, "JPG")->setChecked(false);
        box(dialog, "AVI")->setChecked(true);
        freeList(dialog)->setText("WAV");
        if (escape)
            QTest::keyClick(&dialog, Qt::Key_Escape);
        else
            dialog.findChild<QPushButton*>("CancelBtn")->click();
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_EQ(dialog.result(), QDialog::Rejected);
        EXPECT_TRUE(choice.JPG);
        EXPECT_FALSE(choice.AVI);
        EXPECT_EQ(choice.freeList, "MOV");

        dialog.show();
        EXPECT_TRUE(box(dialog, "JPG")->isChecked());
        EXPECT_FALSE(box(dialog, "AVI")->isChecked());
        EXPECT_EQ(freeList(dialog)->text(), "MOV");
        dialog.hide();
    }
}

TEST(ExtensionDialog, OkAndEnterStoreTheBoxesAndTheListExactlyAsTyped) {
    const char* types[] = {"JPG", "BMP", "GIF", "PNG", "TIF", "AVI", "MPG", "ASF"};
    for (bool enter : {false, true}) {
        SCOPED_TRACE(enter ? "Enter" : "OK");
        ExtensionChoice choice;
        FileTypesDialog dialog(choice);
        dialog.show();
        for (const char* type : types)
            box(dialog, type)->setChecked(true);
        box(dialog, "GIF")->setChecked(false);
        // Blanks, stray commas and lower case are no reason to refuse or change anything.
        freeList(dialog)->setText(" mov,,WAV ");
        if (enter) {
            freeList(dialog)->setFocus();
            QTest::keyClick(freeList(dialog), Qt::Key_Return);
        } else {
            dialog.findChild<QPushButton*>("OKBtn")->click();
        }
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        ExtensionChoice expected{true, true, false, true, true, true, true, true, " mov,,WAV "};
        EXPECT_EQ(choice, expected);
        EXPECT_EQ(extensionListText(choice),
                  "JPG,JPEG,BMP,TIF,TIFF,PNG,MPG,MPEG,AVI,ASF, mov,,WAV ");
    }
}

TEST(ExtensionDialog, TabGoesFromTheButtonsThroughTheBoxesColumnByColumnToTheList) {
    ExtensionChoice choice;
    FileTypesDialog dialog(choice);
    QStringList order;
    QWidget* widget = dialog.findChild<QWidget*>("OKBtn");
    for (int step = 0; step < 11; ++step) {
        order << widget->objectName();
        widget = widget->nextInFocusChain();
        while (widget->focusPolicy() == Qt::NoFocus)
            widget = widget->nextInFocusChain();
    }
    EXPECT_EQ(order.join(','), "OKBtn,CancelBtn,CheckBoxJPG,CheckBoxBMP,CheckBoxPNG,CheckBoxGIF,"
                               "CheckBoxTIF,CheckBoxAVI,CheckBoxMPG,CheckBoxASF,TYPEEDITBOX");
}

// Through the main window: the button opens the one dialog modally, OK reaches the run's list
// and the settings file.
TEST_F(WindowTest, ChosenTypesReachTheRunListAndTheSettingsFile) {
    auto* dialog = new FileTypesDialog(window->extensionChoice(), window.get());
    window->setExtensionDialog(dialog);
    find<RadioGroup>("TYPERADIO")->setItemIndex(1);
    QTimer::singleShot(0, window.get(), [&] {
        ASSERT_EQ(QApplication::activeModalWidget(), dialog);
        box(*dialog, "JPG")->setChecked(true);
        box(*dialog, "TIF")->setChecked(true);
        freeList(*dialog)->setText("RAW");
        dialog->findChild<QPushButton*>("OKBtn")->click();
    });
    find<QPushButton>("TYPESETBUTTON")->click();
    EXPECT_EQ(extensionListText(window->extensionChoice()), "JPG,JPEG,TIF,TIFF,RAW");
    EXPECT_EQ(window->importSettings().extensions, window->extensionChoice());

    window->saveOptions("INI0");
    QFile ini(iniPath());
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    const QByteArray text = ini.readAll();
    for (const char* line : {"READTYPEJPG=1\r\n", "READTYPETIF=1\r\n", "READTYPEBMP=0\r\n",
                             "READTYPE=RAW\r\n", "TYPEF=1\r\n"})
        EXPECT_TRUE(text.contains(line)) << line;

    // A preset loaded while the dialog is closed shows at its next opening.
    window->extensionChoice() = ExtensionChoice{};
    window->extensionChoice().ASF = true;
    QTimer::singleShot(0, window.get(), [&] {
        EXPECT_TRUE(box(*dialog, "ASF")->isChecked());
        EXPECT_FALSE(box(*dialog, "JPG")->isChecked());
        EXPECT_EQ(freeList(*dialog)->text(), "");
        dialog->reject();
    });
    find<QPushButton>("TYPESETBUTTON")->click();
}

} // namespace
} // namespace pixbako::test
