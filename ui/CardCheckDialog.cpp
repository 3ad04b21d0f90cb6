#include "ui/CardCheckDialog.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace pixbako {

QString copyStateText(CopyState state) {
    switch (state) {
    case CopyState::Ok:
        return QStringLiteral("確認済み");
    case CopyState::Changed:
        return QStringLiteral("コピーの内容が違います");
    case CopyState::Missing:
        break;
    }
    return QStringLiteral("コピーがありません");
}

CardCheckDialog::CardCheckDialog(const CardCheck& check, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("CardCheckDialog"));
    setWindowTitle(QStringLiteral("カードの取り込みを確認"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(560, 320);

    auto* layout = new QVBoxLayout(this);
    auto* folder =
        new QLabel(QFile::decodeName(QByteArray::fromStdString(check.readInFolder)), this);
    folder->setObjectName(QStringLiteral("CardCheckFolder"));
    folder->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(folder);

    // Only the files a formatted card would lose: a long list of verified files hides them.
    auto* list = new QTreeWidget(this);
    list->setObjectName(QStringLiteral("CardCheckList"));
    list->setHeaderLabels({QStringLiteral("状態"), QStringLiteral("ファイル")});
    list->setRootIsDecorated(false);
    list->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    for (const CheckedFile& file : check.files) {
        if (file.state == CopyState::Ok)
            continue;
        new QTreeWidgetItem(list, {copyStateText(file.state),
                                   QFile::decodeName(QByteArray::fromStdString(file.path))});
    }
    list->setVisible(list->topLevelItemCount() > 0);
    layout->addWidget(list, 1);

    auto* summary = new QLabel(QString::fromStdString(cardCheckSummary(check)), this);
    summary->setObjectName(QStringLiteral("CardCheckSummary"));
    summary->setWordWrap(true);
    layout->addWidget(summary);
    if (list->isHidden())
        layout->addStretch(1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    if (list->isHidden())
        resize(width(), 140);
}

} // namespace pixbako
