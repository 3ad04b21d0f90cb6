#include "ui/dialogs/QtDialogs.h"

#include "platform/TerminationSignals.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QProxyStyle>
#include <QStyleFactory>

#include <cstdio>

#include <utility>
#include <vector>

namespace pixbako {

namespace {

// The buttons from left to right as the engine names them, whatever order the desktop's style
// prefers (GNOME's puts Yes last).
class ButtonsInGivenOrder final : public QProxyStyle {
public:
    // Over a fresh instance of the program's own style, so the buttons look like all others.
    ButtonsInGivenOrder() : QProxyStyle(QStyleFactory::create(QApplication::style()->name())) {}
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* result) const override {
        if (hint == SH_DialogButtonLayout)
            return QDialogButtonBox::WinLayout;
        return QProxyStyle::styleHint(hint, option, widget, result);
    }
};

struct ButtonCaption {
    QMessageBox::StandardButton button;
    const char* caption;
};

std::vector<ButtonCaption> buttonsOf(BoxButtons buttons) {
    switch (buttons) {
    case BoxButtons::Ok:
        return {{QMessageBox::Ok, "OK"}};
    case BoxButtons::OkCancel:
        return {{QMessageBox::Ok, "OK"}, {QMessageBox::Cancel, "キャンセル"}};
    case BoxButtons::YesNo:
        return {{QMessageBox::Yes, "はい(&Y)"}, {QMessageBox::No, "いいえ(&N)"}};
    case BoxButtons::YesNoCancel:
        return {{QMessageBox::Yes, "はい(&Y)"},
                {QMessageBox::No, "いいえ(&N)"},
                {QMessageBox::Cancel, "キャンセル"}};
    case BoxButtons::YesAbort:
        return {{QMessageBox::Yes, "はい(&Y)"}, {QMessageBox::Abort, "中止(&A)"}};
    }
    return {{QMessageBox::Ok, "OK"}};
}

// The answer of Escape and the close box: the choice that changes nothing.
BoxAnswer safeAnswer(BoxButtons buttons) {
    switch (buttons) {
    case BoxButtons::Ok:
        return BoxAnswer::Ok;
    case BoxButtons::YesNo:
        return BoxAnswer::No;
    case BoxButtons::YesAbort:
        return BoxAnswer::Abort;
    case BoxButtons::OkCancel:
    case BoxButtons::YesNoCancel:
        return BoxAnswer::Cancel;
    }
    return BoxAnswer::Cancel;
}

QMessageBox::StandardButton standardButton(BoxAnswer answer) {
    switch (answer) {
    case BoxAnswer::Ok:
        return QMessageBox::Ok;
    case BoxAnswer::Yes:
        return QMessageBox::Yes;
    case BoxAnswer::No:
        return QMessageBox::No;
    case BoxAnswer::Cancel:
        return QMessageBox::Cancel;
    case BoxAnswer::Abort:
        return QMessageBox::Abort;
    }
    return QMessageBox::NoButton;
}

QMessageBox::Icon iconOf(BoxIcon icon) {
    switch (icon) {
    case BoxIcon::Warning:
        return QMessageBox::Warning;
    case BoxIcon::Error:
        return QMessageBox::Critical;
    case BoxIcon::Information:
        return QMessageBox::Information;
    case BoxIcon::Question:
        return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

} // namespace

bool boxesGoToStandardError(BoxDisplay display) {
    switch (display) {
    case BoxDisplay::Screen:
        return false;
    case BoxDisplay::StandardError:
        return true;
    case BoxDisplay::Automatic:
        break;
    }
    return QGuiApplication::platformName() == QLatin1String("offscreen");
}

bool boxesMayWait(BoxDisplay display) {
    return !boxesGoToStandardError(display) && terminationSignal() == 0;
}

BoxAnswer unattendedAnswer(BoxButtons buttons) {
    switch (buttons) {
    case BoxButtons::Ok:
        return BoxAnswer::Ok;
    case BoxButtons::YesNo:
    case BoxButtons::YesNoCancel:
        return BoxAnswer::No;
    case BoxButtons::OkCancel:
        return BoxAnswer::Cancel;
    case BoxButtons::YesAbort:
        return BoxAnswer::Abort;
    }
    return BoxAnswer::Cancel;
}

void writeBoxToStandardError(const std::string& text) {
    QByteArray out = "Pixbako: ";
    const QStringList lines = boxText(text).split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (i > 0 && !lines[i].isEmpty())
            out += "         "; // under the first line's text
        out += lines[i].toUtf8() + '\n';
    }
    std::fwrite(out.constData(), 1, static_cast<std::size_t>(out.size()), stderr);
    std::fflush(stderr);
}

QString boxText(const std::string& text) {
    QString result = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    result.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    result.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return result;
}

void prepareMessageBox(QMessageBox& box, const std::string& text, BoxIcon icon,
                       BoxButtons buttons) {
    box.setWindowTitle(QStringLiteral("Pixbako"));
    box.setIcon(iconOf(icon));
    box.setTextFormat(Qt::PlainText);
    box.setText(boxText(text));

    std::vector<ButtonCaption> captions = buttonsOf(buttons);
    QMessageBox::StandardButtons standard;
    for (const ButtonCaption& b : captions)
        standard |= b.button;
    box.setStandardButtons(standard);
    for (const ButtonCaption& b : captions)
        box.button(b.button)->setText(QString::fromUtf8(b.caption));
    box.setDefaultButton(captions.front().button);
    box.setEscapeButton(box.button(standardButton(safeAnswer(buttons))));

    if (auto* row = box.findChild<QDialogButtonBox*>()) {
        auto* style = new ButtonsInGivenOrder;
        style->setParent(&box); // outlives the row and its buttons
        row->setStyle(style);
        row->setOrientation(Qt::Horizontal); // lays the buttons out anew with that style
    }
}

BoxAnswer boxAnswer(const QMessageBox& box, BoxButtons buttons) {
    switch (box.standardButton(box.clickedButton())) {
    case QMessageBox::Ok:
        return BoxAnswer::Ok;
    case QMessageBox::Yes:
        return BoxAnswer::Yes;
    case QMessageBox::No:
        return BoxAnswer::No;
    case QMessageBox::Cancel:
        return BoxAnswer::Cancel;
    case QMessageBox::Abort:
        return BoxAnswer::Abort;
    default:
        return safeAnswer(buttons);
    }
}

void QtDialogs::beep(BeepKind) {
    QApplication::beep();
}

BoxAnswer QtDialogs::messageBox(const std::string& text, BoxIcon icon, BoxButtons buttons) {
    if (!boxesMayWait(display_)) {
        writeBoxToStandardError(text);
        return unattendedAnswer(buttons);
    }
    QMessageBox box(parent_);
    prepareMessageBox(box, text, icon, buttons);
    box.exec();
    return boxAnswer(box, buttons);
}

} // namespace pixbako
