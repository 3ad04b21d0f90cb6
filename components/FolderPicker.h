#pragma once
// FolderPicker asks the user for a folder in a modal folder dialog (a QFileDialog showing
// folders only) and reports the choice:
//
//     FolderPicker browse(this);
//     browse.InitDir = ReadInEdit->text();
//     browse.Title = QStringLiteral("読込フォルダを指定");
//     if (browse.Execute())
//         ReadInEdit->setText(browse.Folder());
//
// Placement: at (FormLeft, FormTop) in screen coordinates, or centred on the screen when both
// are 0. OnShow runs once the dialog is shown and placed, from the dialog's event loop, so it
// may close the dialog (tests accept or reject it there through Dialog()).
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

    QString InitDir; // folder shown when the dialog opens; empty or missing: the home folder
    QString Title;   // the dialog's title
    int FormLeft = 0;
    int FormTop = 0;
    std::function<void(FolderPicker& Sender)> OnShow;

    // Shows the dialog modally. True when the user chose an existing folder: Folder() then
    // holds its full path. False when cancelled; Folder() keeps its former value.
    bool Execute();

    QString Folder() const { return folder_; }
    QString DisplayName() const { return displayName_; } // the chosen folder's own name

    // While Execute runs: the dialog and its size once shown; null and 0 otherwise.
    QFileDialog* Dialog() const;
    int DialogWidth() const { return dialogWidth_; }
    int DialogHeight() const { return dialogHeight_; }

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
