#pragma once
// FolderPicker asks the user for a folder in a modal folder dialog (a QFileDialog showing
// folders only) and reports the choice:
//
//     FolderPicker browse(this);
//     browse.initialFolder = ReadInEdit->text();
//     browse.title = QStringLiteral("読込フォルダを指定");
//     if (browse.exec())
//         ReadInEdit->setText(browse.folder());
//
// Placement: at (screenLeft, screenTop) in screen coordinates, or centred on the screen when both
// are 0. onShow runs once the dialog is shown and placed, from the dialog's event loop, so it
// may close the dialog (tests accept or reject it there through dialog()).
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

class QFileDialog;
class QWidget;

namespace pixbako {

class FolderPicker : public QObject {
    Q_OBJECT
public:
    // The owner widget is the dialog's parent (the program's main window).
    explicit FolderPicker(QWidget* owner = nullptr);
    ~FolderPicker() override;

    QString initialFolder; // folder shown when the dialog opens; empty or missing: the home folder
    QString title;         // the dialog's title
    int screenLeft = 0;
    int screenTop = 0;
    std::function<void(FolderPicker& sender)> onShow;

    // Shows the dialog modally. True when the user chose an existing folder: folder() then
    // holds its full path. False when cancelled; folder() keeps its former value.
    bool exec();

    QString folder() const { return folder_; }
    QString displayName() const { return displayName_; } // the chosen folder's own name

    // While exec runs: the dialog and its size once shown; null and 0 otherwise.
    QFileDialog* dialog() const;
    int dialogWidth() const { return dialogWidth_; }
    int dialogHeight() const { return dialogHeight_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void placeDialog();

    QWidget* owner_;
    QPointer<QFileDialog> dialog_;
    bool placed_ = false;
    int dialogWidth_ = 0;
    int dialogHeight_ = 0;
    QString folder_;
    QString displayName_;
};

} // namespace pixbako
