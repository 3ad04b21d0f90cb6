// The file menu's card check: the folder picker, the answer dialog beside the window (never a
// modal wait) and a check that can't be made, with the dialogs faked.
#include "engine/ledger/Ledger.h"
#include "support/TestFiles.h"
#include "ui/UiTestSupport.h"

#include <QAction>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QTreeWidget>

#include <filesystem>

namespace pixbako::test {
namespace {

class CardCheckMenuTest : public WindowTest {
protected:
    std::string card = temp.path() + "/card";
    std::string save = temp.path() + "/save";

    void SetUp() override {
        WindowTest::SetUp();
        std::filesystem::create_directories(card);
        std::filesystem::create_directories(save);
        find<QLineEdit>("ReadInEdit")->setText(QString::fromStdString(temp.path() + "/usual"));
        find<QLineEdit>("SaveOutEdit")->setText(QString::fromStdString(save));
    }

    // Triggers the menu item and returns the answer dialog, if one opened.
    QDialog* check() {
        find<QAction>("CheckCard1")->trigger();
        return window->findChild<QDialog*>(QStringLiteral("CardCheckDialog"));
    }
};

TEST_F(CardCheckMenuTest, PickedFolderIsCheckedAndFilesWithoutAVerifiedCopyAreListed) {
    writeFileBytes(card + "/A.JPG", "a");
    writeFileBytes(card + "/B.JPG", "b");
    writeFileBytes(save + "/A.JPG", "a");
    {
        LedgerOpening opening = Ledger::open(save);
        LedgerEntry entry;
        entry.copyPath = "A.JPG";
        entry.size = 1;
        entry.hash = hashFile(card + "/A.JPG").hash;
        opening.ledger->record(entry);
    }
    pickedFolder = QString::fromStdString(card);

    QDialog* dialog = check();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(pickerInitialFolders.back().toStdString(), temp.path() + "/usual");
    auto* list = dialog->findChild<QTreeWidget*>(QStringLiteral("CardCheckList"));
    ASSERT_EQ(list->topLevelItemCount(), 1);
    EXPECT_EQ(list->topLevelItem(0)->text(0), QStringLiteral("コピーがありません"));
    EXPECT_EQ(list->topLevelItem(0)->text(1).toStdString(), card + "/B.JPG");
    EXPECT_EQ(dialog->findChild<QLabel*>(QStringLiteral("CardCheckSummary"))->text(),
              QStringLiteral("1件のファイルには保存先に確認済みのコピーがありません"));
    EXPECT_TRUE(dialogs.boxes.empty());
    dialog->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    std::filesystem::remove(card + "/B.JPG");
    dialog = check();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->findChild<QTreeWidget*>(QStringLiteral("CardCheckList"))->isHidden());
    EXPECT_EQ(
        dialog->findChild<QLabel*>(QStringLiteral("CardCheckSummary"))->text(),
        QStringLiteral("このフォルダの1件のファイルはすべて保存先に確認済みのコピーがあります"));
}

TEST_F(CardCheckMenuTest, CancelDoesNothingAndACheckThatCannotBeMadeSaysWhy) {
    pickedFolder.clear();
    EXPECT_EQ(check(), nullptr);
    EXPECT_EQ(pickerTitles.size(), 1u);
    EXPECT_TRUE(dialogs.boxes.empty());

    pickedFolder = QString::fromStdString(card);
    find<QLineEdit>("SaveOutEdit")->clear();
    EXPECT_EQ(check(), nullptr);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, "保存フォルダを指定して下さい");
    EXPECT_EQ(dialogs.boxes[0].icon, BoxIcon::Error);
    EXPECT_TRUE(find<QAction>("CheckCard1")->isEnabled());
}

} // namespace
} // namespace pixbako::test
