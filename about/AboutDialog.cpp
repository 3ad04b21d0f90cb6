#include "about/AboutDialog.h"

#include "ui_AboutDialog.h"

#include <QDesktopServices>
#include <QMouseEvent>
#include <QScreen>

namespace pixbako {
namespace {

const char kFailed[] = "バージョン情報取得に失敗しました";

QFont pixelFont(int pixels, bool bold = false) {
    QFont font(QStringLiteral("Noto Sans CJK JP"));
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

} // namespace

AboutSetup defaultAboutSetup(IDialogs& dialogs) {
    AboutSetup setup;
    setup.dialogs = &dialogs;
    setup.homePage = QStringLiteral(PIXBAKO_HOME_PAGE);
    setup.mailAddress = QStringLiteral(PIXBAKO_MAIL_ADDRESS);
    setup.makerName = QStringLiteral(PIXBAKO_MAKER_NAME);
    return setup;
}

QString programCurrentVersion() {
    return QStringLiteral(PIXBAKO_VERSION_TEXT).left(5);
}

AboutDialog::AboutDialog(AboutSetup setup, QWidget* parent)
    : QDialog(parent), setup_(std::move(setup)), ui(std::make_unique<Ui::AboutDialog>()),
      currentVersion_(programCurrentVersion()), check_(new VersionCheck(setup_.server, this)) {
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                   Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(size());
    setFont(pixelFont(12));
    ui->Label1->setFont(pixelFont(20, true));
    ui->Label2->setText(currentVersion_);
    ui->Label3->setText(setup_.makerName);
    ui->Label4->setText(setup_.homePage);
    ui->Label5->setText(setup_.mailAddress);
    for (QLabel* link : {ui->Label4, ui->Label5}) {
        link->setCursor(Qt::PointingHandCursor);
        link->setStyleSheet(QStringLiteral("color: #0000ff; text-decoration: underline;"));
        link->installEventFilter(this);
    }
    const QIcon logo = parent ? parent->windowIcon() : QIcon();
    if (!logo.isNull())
        ui->Image1->setPixmap(logo.pixmap(48, 48));
    ui->Memo1->setVisible(false);

    connect(ui->OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui->Button1, &QPushButton::clicked, this, &AboutDialog::checkVersion);
    connect(check_, &VersionCheck::replied, this, &AboutDialog::showReply);
    connect(check_, &VersionCheck::failed, this, &AboutDialog::showCheckFailure);
}

AboutDialog::~AboutDialog() = default;

void AboutDialog::showEvent(QShowEvent* event) {
    // Centred on the screen, not on the main window.
    if (QScreen* shown = screen())
        move(shown->availableGeometry().center() - rect().center());
    QDialog::showEvent(event);
}

void AboutDialog::checkVersion() {
    ui->Memo1->clear();
    check_->start();
}

void AboutDialog::showReply(const QByteArray& firstPortion) {
    const QStringList lines = replyLines(firstPortion);
    ui->Memo1->setPlainText(lines.join(QLatin1Char('\n')));
    IDialogs& dialogs = *setup_.dialogs;
    const std::optional<QString> newest = newestVersionIn(lines);
    if (!newest) {
        showCheckFailure();
    } else if (*newest == currentVersion_) {
        dialogs.beep(BeepKind::Question);
        dialogs.messageBox("お使いのバージョンは最新バージョンです\r\n"
                           "バージョンアップの必要はありません",
                           BoxIcon::Information, BoxButtons::Ok);
    } else {
        dialogs.beep(BeepKind::Asterisk);
        const QString text =
            QStringLiteral("バージョンアップしております\r\n使用中のバージョン　") +
            currentVersion_ + QStringLiteral("\r\n") + QStringLiteral("最新バージョン　　　　") +
            *newest + QStringLiteral("\r\n") +
            QStringLiteral("ホームページより最新バージョンをダウンロードしてください");
        dialogs.messageBox(text.toStdString(), BoxIcon::Information, BoxButtons::Ok);
    }
}

void AboutDialog::showCheckFailure() {
    setup_.dialogs->beep(BeepKind::Hand);
    setup_.dialogs->messageBox(kFailed, BoxIcon::Warning, BoxButtons::Ok);
}

void AboutDialog::openHomePage() {
    openUrl(QUrl(setup_.homePage));
}

void AboutDialog::writeMail() {
    openUrl(QUrl(QStringLiteral("mailto:") + setup_.mailAddress));
}

void AboutDialog::openUrl(const QUrl& url) {
    if (setup_.openUrl)
        setup_.openUrl(url);
    else
        QDesktopServices::openUrl(url);
}

bool AboutDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        if (watched == ui->Label4)
            openHomePage();
        else if (watched == ui->Label5)
            writeMail();
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace pixbako
