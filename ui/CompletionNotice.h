#pragma once
// The completion notice: "N件のファイルを処理しました" and an OK button, centred on the main
// window, above all other windows while it is shown. A notice of several lines (files that
// were not transferred, and why) makes it as large as its text needs. Unlike the processing notice
// it is fully opaque, so that its button can be read. Created once at start-up, shown modally after
// each interactive run:
//
//     notice->showNotice(QStringLiteral("3件のファイルを処理しました")); // returns after OK
#include "ui/ProcessingNotice.h"

class QPushButton;

namespace pixbako {

class CompletionNotice : public ProcessingNotice {
    Q_OBJECT

public:
    static constexpr int kClientWidth = 191;
    static constexpr int kClientHeight = 72;
    static constexpr int kLabelHeight = 33;
    static constexpr int kButtonLeft = 40;
    static constexpr int kButtonTop = 40;
    static constexpr int kTextMargin = 8;

    explicit CompletionNotice(QWidget* mainWindow);

    // Sets the text and shows the notice modally; 1 (OK) when it was closed with its button.
    int showNotice(const QString& text);

    void showOnTop();   // makes the notice topmost as it appears
    void acknowledge(); // not topmost any more, closed with the result OK

    QPushButton* okButton = nullptr;

private:
    void fitText();
};

} // namespace pixbako
