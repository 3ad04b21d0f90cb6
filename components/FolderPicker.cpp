#include "components/FolderPicker.h"

#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>

namespace pixbako {

FolderPicker::FolderPicker(QWidget* owner) : QObject(owner), owner_(owner) {}

FolderPicker::~FolderPicker() = default;

QFileDialog* FolderPicker::dialog() const {
    return dialog_.data();
}

bool FolderPicker::exec() {
    // Qt's own dialog, not the desktop's: only it can be placed and reached from onShow.
    QFileDialog dialog(owner_, title);
    dialog.setObjectName(QStringLiteral("BrowseFolderDialog"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // The program loads no Qt translations; the dialog's own words in Japanese like all others.
    dialog.setLabelText(QFileDialog::LookIn, QStringLiteral("場所:"));
    dialog.setLabelText(QFileDialog::FileName, QStringLiteral("フォルダ:"));
    dialog.setLabelText(QFileDialog::FileType, QStringLiteral("種類:"));
    dialog.setLabelText(QFileDialog::Accept, QStringLiteral("OK"));
    dialog.setLabelText(QFileDialog::Reject, QStringLiteral("キャンセル"));
    QFileInfo initial(initialFolder);
    dialog.setDirectory(!initialFolder.isEmpty() && initial.isDir() ? initial.absoluteFilePath()
                                                                    : QDir::homePath());

    dialog_ = &dialog;
    placed_ = false;
    dialog.installEventFilter(this);
    bool accepted = dialog.exec() == QDialog::Accepted;
    QStringList chosen = dialog.selectedFiles();
    dialog_ = nullptr;
    dialogWidth_ = 0;
    dialogHeight_ = 0;

    if (!accepted || chosen.isEmpty())
        return false;
    QFileInfo folder(chosen.first());
    if (!folder.isDir())
        return false;
    folder_ = QDir::cleanPath(folder.absoluteFilePath());
    displayName_ = folder.fileName().isEmpty() ? folder_ : folder.fileName();
    return true;
}

bool FolderPicker::eventFilter(QObject* watched, QEvent* event) {
    if (watched == dialog_ && event->type() == QEvent::Show && !placed_) {
        placed_ = true;
        placeDialog();
        // onShow runs from the dialog's own event loop, where it may already close it.
        QMetaObject::invokeMethod(
            dialog_.data(),
            [this] {
                if (onShow && dialog_)
                    onShow(*this);
            },
            Qt::QueuedConnection);
    }
    return QObject::eventFilter(watched, event);
}

void FolderPicker::placeDialog() {
    QRect frame = dialog_->frameGeometry();
    dialogWidth_ = frame.width();
    dialogHeight_ = frame.height();
    if (screenLeft != 0 || screenTop != 0) {
        dialog_->move(screenLeft, screenTop);
        return;
    }
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QRect area = screen->geometry();
    // Integer division rounds toward zero, also for a dialog larger than the screen.
    dialog_->move(area.x() + (area.width() - dialogWidth_) / 2,
                  area.y() + (area.height() - dialogHeight_) / 2);
}

} // namespace pixbako
