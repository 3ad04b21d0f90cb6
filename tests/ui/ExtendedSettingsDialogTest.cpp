// The extended settings dialog: each showing starts from the stored settings, OK stores both
// boxes, Cancel and Escape store nothing; through the window the menu item opens it, and what it
// stores reaches the run, the settings file and the presets.
#include "settings/ExtendedSettingsDialog.h"
#include "components/ThumbnailBox.h"
#include "platform/IniFile.h"
#include "ui/UiTestSupport.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>

namespace pixbako::test {
namespace {

QCheckBox* datesBox(QWidget& dialog) {
    return dialog.findChild<QCheckBox*>(QStringLiteral("METADATESCHK"));
}

QCheckBox* shotsBox(QWidget& dialog) {
    return dialog.findChild<QCheckBox*>(QStringLiteral("BUNDLECHK"));
}

QCheckBox* ledgerBox(QDialog& dialog) {
    return dialog.findChild<QCheckBox*>(QStringLiteral("LEDGERCHK"));
}

enum class Close { Ok, Cancel, Escape };

void closeDialog(QDialog& dialog, Close how) {
    switch (how) {
    case Close::Ok:
        dialog.findChild<QPushButton*>(QStringLiteral("OKBtn"))->click();
        break;
    case Close::Cancel:
        dialog.findChild<QPushButton*>(QStringLiteral("CancelBtn"))->click();
        break;
    case Close::Escape:
        QTest::keyClick(&dialog, Qt::Key_Escape);
        break;
    }
}

TEST(ExtendedSettingsDialog, OkStoresBothBoxesAndCancelOrEscapeForgetTheChanges) {
    for (Close how : {Close::Ok, Close::Cancel, Close::Escape}) {
        for (const ExtendedSettings start :
             {ExtendedSettings{true, false, true}, ExtendedSettings{false, true, false}}) {
            SCOPED_TRACE(static_cast<int>(how));
            ExtendedSettings settings = start;
            ExtendedSettingsDialog dialog(settings);
            dialog.show();
            EXPECT_EQ(datesBox(dialog)->isChecked(), start.allFormatDates);
            EXPECT_EQ(shotsBox(dialog)->isChecked(), start.keepShotsTogether);
            EXPECT_EQ(ledgerBox(dialog)->isChecked(), start.ledger);
            datesBox(dialog)->toggle();
            shotsBox(dialog)->toggle();
            ledgerBox(dialog)->toggle();
            closeDialog(dialog, how);
            EXPECT_FALSE(dialog.isVisible());
            const ExtendedSettings flipped{!start.allFormatDates, !start.keepShotsTogether,
                                           !start.ledger};
            EXPECT_EQ(settings, how == Close::Ok ? flipped : start);
            EXPECT_EQ(dialog.result(), how == Close::Ok ? QDialog::Accepted : QDialog::Rejected);

            // The next showing shows what is stored, not what was left in the boxes.
            settings = ExtendedSettings{true, true, true};
            dialog.show();
            EXPECT_TRUE(datesBox(dialog)->isChecked());
            EXPECT_TRUE(shotsBox(dialog)->isChecked());
            EXPECT_TRUE(ledgerBox(dialog)->isChecked());
            dialog.hide();
        }
    }
}

// The dialog has a fixed size: every text must fit its control in the dialog's font.
TEST(ExtendedSettingsDialog, TextsFitTheirControls) {
    ExtendedSettings settings;
    ExtendedSettingsDialog dialog(settings);
    dialog.show();
    for (QLabel* label : dialog.findChildren<QLabel*>()) {
        EXPECT_LE(label->heightForWidth(label->width()), label->height())
            << label->objectName().toStdString();
        EXPECT_TRUE(dialog.rect().contains(label->geometry())) << label->objectName().toStdString();
    }
    for (QCheckBox* box : {datesBox(dialog), shotsBox(dialog), ledgerBox(dialog)}) {
        EXPECT_LE(box->sizeHint().width(), box->width()) << box->objectName().toStdString();
        EXPECT_TRUE(dialog.rect().contains(box->geometry())) << box->objectName().toStdString();
    }
    // A button's own size hint has a style minimum above its design width; its text is what
    // must fit.
    for (QPushButton* button : dialog.findChildren<QPushButton*>()) {
        EXPECT_LT(button->fontMetrics().horizontalAdvance(button->text()), button->width() - 8)
            << button->objectName().toStdString();
        EXPECT_TRUE(dialog.rect().contains(button->geometry()))
            << button->objectName().toStdString();
    }
}

class ExtendedSettingsWindowTest : public WindowTest {
protected:
    // Opens the dialog from the menu, sets both boxes to `on` and closes it as `how` says.
    void chooseInDialog(bool on, Close how) {
        onExtendedSettings = [this, on, how] {
            ExtendedSettingsDialog dialog(window->extendedSettings(), window.get());
            dialog.show();
            datesBox(dialog)->setChecked(on);
            shotsBox(dialog)->setChecked(on);
            ledgerBox(dialog)->setChecked(on);
            closeDialog(dialog, how);
        };
        find<QAction>("ExtendedSettings1")->trigger();
    }

    std::optional<std::string> saved(const char* section, const char* key) {
        return IniFile(iniPath().toStdString(), IniDialect::Settings).value(section, key);
    }
};

TEST_F(ExtendedSettingsWindowTest, MenuItemEndsTheSettingsMenuAndOpensOnlyTheDialog) {
    const QList<QAction*> items = find<QMenu>("N3")->actions();
    ASSERT_GE(items.size(), 2);
    EXPECT_EQ(items.last(), find<QAction>("ExtendedSettings1"));
    EXPECT_TRUE(items[items.size() - 2]->isSeparator());

    find<QAction>("ExtendedSettings1")->trigger();
    EXPECT_EQ(extendedSettingsOpened, 1);
    // No preset question and no other window.
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_EQ(wizardOpened, 0);
}

TEST_F(ExtendedSettingsWindowTest, OkReachesTheRunTheSettingsFileAndThePresetsCancelDoesNot) {
    auto* box = find<ThumbnailBox>("ThumbnailBox1");
    chooseInDialog(true, Close::Ok);
    EXPECT_TRUE(box->allFormats());
    EXPECT_TRUE(window->importSettings().allFormatDates);
    EXPECT_TRUE(window->importSettings().keepShotsTogether);
    EXPECT_TRUE(window->importSettings().ledger);
    window->saveOptions("INI0");
    EXPECT_EQ(saved("INI0", "METADATES"), "1");
    EXPECT_EQ(saved("INI0", "BUNDLE"), "1");
    EXPECT_EQ(saved("INI0", "LEDGER"), "1");

    chooseInDialog(false, Close::Cancel);
    EXPECT_EQ(window->extendedSettings(), (ExtendedSettings{true, true, true}));

    find<QAction>("SAVE_INI2")->trigger(); // the fake boxes answer OK
    EXPECT_EQ(saved("INI2", "METADATES"), "1");
    EXPECT_EQ(saved("INI2", "BUNDLE"), "1");
    chooseInDialog(false, Close::Ok);
    EXPECT_FALSE(window->options().allFormatDates);
    EXPECT_FALSE(window->options().keepShotsTogether);
    EXPECT_FALSE(window->options().ledger);
    EXPECT_FALSE(box->allFormats());
    find<QAction>("LOAD_INI2")->trigger();
    EXPECT_EQ(window->extendedSettings(), (ExtendedSettings{true, true, true}));
    EXPECT_TRUE(box->allFormats()); // a preset's options reach the thumbnail box too
}

} // namespace
} // namespace pixbako::test
