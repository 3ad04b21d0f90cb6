// The engine's message boxes as real QMessageBoxes, answered by a timer.
#include "ui/dialogs/QtDialogs.h"
#include "qtsupport/ModalBoxes.h"
#include "qtsupport/QtPrinters.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QWidget>
#include <gtest/gtest.h>

namespace pixbako {
namespace {

using test::ModalBoxAnswerer;

const QString kYes = QStringLiteral("はい(&Y)");
const QString kNo = QStringLiteral("いいえ(&N)");
const QString kCancel = QStringLiteral("キャンセル");
const QString kAbort = QStringLiteral("中止(&A)");
const QString kOk = QStringLiteral("OK");

struct BoxCase {
    std::string text;
    BoxIcon icon;
    BoxButtons buttons;
    QMessageBox::StandardButton press; // NoButton: the close box
    QString shownText;
    QMessageBox::Icon shownIcon;
    QStringList shownButtons;
    BoxAnswer answer;
};

TEST(QtDialogs, BoxesShowTextIconButtonsInOrderAndReturnTheAnswer) {
    // clang-format off
    const BoxCase cases[] = {
        {"中断しますか", BoxIcon::Warning, BoxButtons::YesNo, QMessageBox::Yes,
         "中断しますか", QMessageBox::Warning, {kYes, kNo}, BoxAnswer::Yes},
        // Closed by the close box: the run goes on.
        {"中断しますか", BoxIcon::Warning, BoxButtons::YesNo, QMessageBox::NoButton,
         "中断しますか", QMessageBox::Warning, {kYes, kNo}, BoxAnswer::No},
        {"処理を中断しました\r\n2件のファイルを処理しました", BoxIcon::Warning, BoxButtons::Ok,
         QMessageBox::Ok, "処理を中断しました\n2件のファイルを処理しました", QMessageBox::Warning,
         {kOk}, BoxAnswer::Ok},
        {"連番が100を越えます\r\n処理を中止します", BoxIcon::Error, BoxButtons::Ok,
         QMessageBox::NoButton, "連番が100を越えます\n処理を中止します", QMessageBox::Critical,
         {kOk}, BoxAnswer::Ok},
        // A file name that looks like markup stays text.
        {"<b>IMG&amp;1</b>.jpg", BoxIcon::Information, BoxButtons::Ok, QMessageBox::Ok,
         "<b>IMG&amp;1</b>.jpg", QMessageBox::Information, {kOk}, BoxAnswer::Ok},
        {"置き換えますか?", BoxIcon::Question, BoxButtons::YesNoCancel, QMessageBox::NoButton,
         "置き換えますか?", QMessageBox::Question, {kYes, kNo, kCancel}, BoxAnswer::Cancel},
        {"現在の設定を保存します", BoxIcon::Question, BoxButtons::OkCancel, QMessageBox::Ok,
         "現在の設定を保存します", QMessageBox::Question, {kOk, kCancel}, BoxAnswer::Ok},
        {"続けますか", BoxIcon::Warning, BoxButtons::YesAbort, QMessageBox::NoButton,
         "続けますか", QMessageBox::Warning, {kYes, kAbort}, BoxAnswer::Abort},
    };
    // clang-format on
    QWidget window;
    QtDialogs dialogs(&window, BoxDisplay::Screen);
    for (const BoxCase& c : cases) {
        SCOPED_TRACE(c.text);
        ModalBoxAnswerer answerer;
        answerer.answer(c.press);
        EXPECT_EQ(dialogs.messageBox(c.text, c.icon, c.buttons), c.answer);
        ASSERT_EQ(answerer.seen.size(), 1u);
        const test::SeenBox& seen = answerer.seen[0];
        EXPECT_EQ(seen.text, c.shownText);
        EXPECT_EQ(seen.format, Qt::PlainText);
        EXPECT_EQ(seen.icon, c.shownIcon);
        EXPECT_EQ(seen.buttons, c.shownButtons);
        EXPECT_EQ(seen.title, QStringLiteral("Pixbako"));
        EXPECT_EQ(seen.parent, &window);
    }
}

// A desktop style that puts Yes after No and Cancel, as GNOME's does.
class GnomeButtonOrder final : public QProxyStyle {
public:
    GnomeButtonOrder() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* result) const override {
        if (hint == SH_DialogButtonLayout)
            return QDialogButtonBox::GnomeLayout;
        return QProxyStyle::styleHint(hint, option, widget, result);
    }
};

TEST(QtDialogs, ButtonsKeepTheirOrderUnderADesktopStyleThatReordersThem) {
    QApplication::setStyle(new GnomeButtonOrder);
    QtDialogs dialogs(nullptr, BoxDisplay::Screen);
    ModalBoxAnswerer answerer;
    answerer.answer(QMessageBox::No);
    EXPECT_EQ(dialogs.messageBox("置き換えますか?", BoxIcon::Question, BoxButtons::YesNoCancel),
              BoxAnswer::No);
    QApplication::setStyle(QStringLiteral("Fusion"));
    ASSERT_EQ(answerer.seen.size(), 1u);
    EXPECT_EQ(answerer.seen[0].buttons, (QStringList{kYes, kNo, kCancel}));
}

} // namespace
} // namespace pixbako
