#include "ui/ProcessingNotice.h"

#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <QVBoxLayout>

namespace pixbako {

ProcessingNotice::ProcessingNotice(QWidget* mainWindow)
    : ProcessingNotice(mainWindow, kClientWidth, kClientHeight) {
    setObjectName(QStringLiteral("TForm4"));
    // An opaque background: a see-through one is black where no compositor blends windows.
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Button);
    setWindowOpacity(kAlphaBlendValue / 255.0);
    label->setAlignment(Qt::AlignCenter);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(label);
}

ProcessingNotice::ProcessingNotice(QWidget* mainWindow, int width, int height)
    : QDialog(mainWindow) {
    setWindowTitle(QStringLiteral("Pixbako"));
    // A dialog frame with its title and no buttons.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setFixedSize(width, height);
    label = new QLabel(QStringLiteral("処理中です"), this);
    label->setObjectName(QStringLiteral("Label1"));
}

void ProcessingNotice::showNotice() {
    show();
    raise();
    QCoreApplication::processEvents();
}

void ProcessingNotice::showEvent(QShowEvent* event) {
    centreOnMainWindow();
    QDialog::showEvent(event);
}

// Disabling the main window disables its child windows too; the notice only shows a text, so
// it takes itself back at once.
void ProcessingNotice::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::EnabledChange && !isEnabled())
        setEnabled(true);
}

void ProcessingNotice::centreOnMainWindow() {
    if (QWidget* owner = parentWidget()) {
        const QRect frame = owner->window()->frameGeometry();
        move(frame.center() - QPoint(width() / 2, height() / 2));
    }
}

} // namespace pixbako
