#include "ui/TForm6.h"

#include "ui/Topmost.h"

#include <QLabel>
#include <QPushButton>

namespace pixbako {

TForm6::TForm6(QWidget* mainWindow) : TForm4(mainWindow, kClientWidth, kClientHeight) {
    setObjectName(QStringLiteral("TForm6"));
    Label1->setGeometry(0, 0, kClientWidth, 33);
    Label1->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    Label1->setText(QStringLiteral("99件のファイルを処理しました"));
    Button1 = new QPushButton(QStringLiteral("OK"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(40, 40, 97, 25);
    Button1->setDefault(true);
    connect(Button1, &QPushButton::clicked, this, &TForm6::Button1Click);
}

int TForm6::showNotice(const QString& text) {
    Label1->setText(text);
    FormShow();
    return exec();
}

void TForm6::FormShow() {
    setTopmost(this, true);
}

void TForm6::Button1Click() {
    done(1);
    setTopmost(this, false);
}

} // namespace pixbako
