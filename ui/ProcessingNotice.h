#pragma once
// The processing notice: a small note "処理中です" over the middle of the main window while a
// long operation of the file-selection tab runs. Its text stands on the button face and the
// whole window is slightly transparent where a compositor can blend it; it has a title but no
// buttons of the window frame. It stays enabled while the main window is disabled around it, so
// that its text is never greyed out. Created once at start-up and only shown and hidden:
//
//     notice->showNotice();     // not modal; let events run once so that it is painted
//     ... the long operation ...
//     notice->hide();
#include <QDialog>

class QLabel;

namespace pixbako {

class ProcessingNotice : public QDialog {
    Q_OBJECT

public:
    static constexpr int kClientWidth = 137;
    static constexpr int kClientHeight = 35;
    static constexpr int kAlphaBlendValue = 200;

    explicit ProcessingNotice(QWidget* mainWindow);

    void showNotice();

    QLabel* label = nullptr;

protected:
    // For the completion notice, which is built on this one.
    ProcessingNotice(QWidget* mainWindow, int width, int height);
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void centreOnMainWindow();
};

} // namespace pixbako
