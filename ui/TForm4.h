#pragma once
// The processing notice: a small borderless-looking note "処理中です" over the middle of the
// main window while a long operation of the file-selection tab runs. Only its text shows (the
// window's background is see-through and the whole window half transparent); it has a title
// but no buttons of the window frame. Created once at start-up and only shown and hidden:
//
//     form4->showNotice();     // not modal; let events run once so that it is painted
//     ... the long operation ...
//     form4->hide();
#include <QDialog>

class QLabel;

namespace pixbako {

class TForm4 : public QDialog {
    Q_OBJECT

public:
    static constexpr int kClientWidth = 137;
    static constexpr int kClientHeight = 35;
    static constexpr int kAlphaBlendValue = 200;

    explicit TForm4(QWidget* mainWindow);

    void showNotice();

    QLabel* Label1 = nullptr;

protected:
    // For the completion notice, which is built on this one.
    TForm4(QWidget* mainWindow, int width, int height);
    void showEvent(QShowEvent* event) override;

private:
    void centreOnMainWindow();
};

} // namespace pixbako
