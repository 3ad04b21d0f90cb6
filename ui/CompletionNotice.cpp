#include "ui/CompletionNotice.h"

#include "ui/Topmost.h"

#include <algorithm>

#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>

namespace pixbako {

CompletionNotice::CompletionNotice(QWidget* mainWindow)
    : ProcessingNotice(mainWindow, kClientWidth, kClientHeight) {
    setObjectName(QStringLiteral("TForm6"));
    Label1->setGeometry(0, 0, kClientWidth, kLabelHeight);
    Label1->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    Label1->setText(QStringLiteral("99件のファイルを処理しました"));
    Button1 = new QPushButton(QStringLiteral("OK"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(kButtonLeft, kButtonTop, 97, 25);
    Button1->setDefault(true);
    connect(Button1, &QPushButton::clicked, this, &CompletionNotice::acknowledge);
}

int CompletionNotice::showNotice(const QString& text) {
    Label1->setText(text);
    fitText();
    showOnTop();
    return exec();
}

// One line keeps the designed size. A report of files not transferred has several lines: the
// label grows to hold them, and the window and the button's place with it.
void CompletionNotice::fitText() {
    const QStringList lines = Label1->text().split(QLatin1Char('\n'));
    int width = kClientWidth;
    int height = kLabelHeight;
    if (lines.size() > 1) {
        const QFontMetrics metrics = Label1->fontMetrics();
        for (const QString& line : lines)
            width = std::max(width, metrics.horizontalAdvance(line) + 2 * kTextMargin);
        height = std::max(height,
                          metrics.lineSpacing() * static_cast<int>(lines.size()) + 2 * kTextMargin);
        Label1->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    } else {
        Label1->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    }
    setFixedSize(width, height + kClientHeight - kLabelHeight);
    Label1->setGeometry(lines.size() > 1 ? kTextMargin : 0, 0,
                        lines.size() > 1 ? width - 2 * kTextMargin : width, height);
    Button1->move(lines.size() > 1 ? (width - Button1->width()) / 2 : kButtonLeft,
                  height + kButtonTop - kLabelHeight);
}

void CompletionNotice::showOnTop() {
    setTopmost(this, true);
}

void CompletionNotice::acknowledge() {
    done(1);
    setTopmost(this, false);
}

} // namespace pixbako
