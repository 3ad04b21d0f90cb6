#include "ui/TForm4.h"

#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <QVBoxLayout>

namespace pixbako {

TForm4::TForm4(QWidget* mainWindow) : TForm4(mainWindow, kClientWidth, kClientHeight) {
    setObjectName(QStringLiteral("TForm4"));
    // An opaque background: a see-through one is black where no compositor blends windows.
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Button);
    setWindowOpacity(kAlphaBlendValue / 255.0);
    Label1->setAlignment(Qt::AlignCenter);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Label1);
}

TForm4::TForm4(QWidget* mainWindow, int width, int height) : QDialog(mainWindow) {
    setWindowTitle(QStringLiteral("Pixbako"));
    // A dialog frame with its title and no buttons.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setFixedSize(width, height);
    Label1 = new QLabel(QStringLiteral("処理中です"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
}

void TForm4::showNotice() {
    show();
    raise();
    QCoreApplication::processEvents();
}

void TForm4::showEvent(QShowEvent* event) {
    centreOnMainWindow();
    QDialog::showEvent(event);
}

// Disabling the main window disables its child windows too; the notice only shows a text, so
// it takes itself back at once.
void TForm4::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::EnabledChange && !isEnabled())
        setEnabled(true);
}

void TForm4::centreOnMainWindow() {
    if (QWidget* owner = parentWidget()) {
        const QRect frame = owner->window()->frameGeometry();
        move(frame.center() - QPoint(width() / 2, height() / 2));
    }
}

} // namespace pixbako
