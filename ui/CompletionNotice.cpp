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
    label->setGeometry(0, 0, kClientWidth, kLabelHeight);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    label->setText(QStringLiteral("99件のファイルを処理しました"));
    okButton = new QPushButton(QStringLiteral("OK"), this);
    okButton->setObjectName(QStringLiteral("Button1"));
    okButton->setGeometry(kButtonLeft, kButtonTop, 97, 25);
    okButton->setDefault(true);
    connect(okButton, &QPushButton::clicked, this, &CompletionNotice::acknowledge);
}

int CompletionNotice::showNotice(const QString& text) {
    label->setText(text);
    fitText();
    showOnTop();
    return exec();
}

// One line keeps the designed size. A report of files not transferred has several lines: the
// label grows to hold them, and the window and the button's place with it.
void CompletionNotice::fitText() {
    const QStringList lines = label->text().split(QLatin1Char('\n'));
    int width = kClientWidth;
    int height = kLabelHeight;
    if (lines.size() > 1) {
        const QFontMetrics metrics = label->fontMetrics();
        for (const QString& line : lines)
            width = std::max(width, metrics.horizontalAdvance(line) + 2 * kTextMargin);
        height = std::max(height,
                          metrics.lineSpacing() * static_cast<int>(lines.size()) + 2 * kTextMargin);
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    } else {
        label->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    }
    setFixedSize(width, height + kClientHeight - kLabelHeight);
    label->setGeometry(lines.size() > 1 ? kTextMargin : 0, 0,
                       lines.size() > 1 ? width - 2 * kTextMargin : width, height);
    okButton->move(lines.size() > 1 ? (width - okButton->width()) / 2 : kButtonLeft,
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
