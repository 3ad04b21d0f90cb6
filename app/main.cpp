// Program start: the application title, the locale's date texts, the main window (which loads
// the settings), then the message loop unless a command-line run asked for the end.
#include "engine/datepattern/DateFormat.h"
#include "ui/TForm1.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QStandardPaths>

namespace {

// The settings file is the program's path with ".INI", next to the program; where that folder
// can't be written, the same name in the user's configuration folder.
QString settingsFilePath() {
    const QFileInfo program(QCoreApplication::applicationFilePath());
    const QString name = program.completeBaseName() + QStringLiteral(".INI");
    if (QFileInfo(program.absolutePath()).isWritable())
        return program.absoluteDir().filePath(name);
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                           QStringLiteral("/Pixbako");
    QDir().mkpath(config);
    return QDir(config).filePath(name);
}

// Plain Qt boxes until the program's own dialogs take over.
class BasicDialogs final : public pixbako::IDialogs, public pixbako::ITransferDialogs {
public:
    void beep(pixbako::BeepKind) override { QApplication::beep(); }
    pixbako::BoxAnswer messageBox(const std::string& text, pixbako::BoxIcon icon,
                                  pixbako::BoxButtons buttons) override {
        using pixbako::BoxAnswer;
        using pixbako::BoxButtons;
        QMessageBox box(icon == pixbako::BoxIcon::Error      ? QMessageBox::Critical
                        : icon == pixbako::BoxIcon::Warning  ? QMessageBox::Warning
                        : icon == pixbako::BoxIcon::Question ? QMessageBox::Question
                                                             : QMessageBox::Information,
                        QStringLiteral("Pixbako"),
                        QString::fromStdString(text).replace(QStringLiteral("\r\n"), "\n"));
        switch (buttons) {
        case BoxButtons::Ok:
            box.setStandardButtons(QMessageBox::Ok);
            break;
        case BoxButtons::YesNo:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            break;
        case BoxButtons::YesNoCancel:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            break;
        case BoxButtons::OkCancel:
            box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
            break;
        case BoxButtons::YesAbort:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::Abort);
            break;
        }
        switch (box.exec()) {
        case QMessageBox::Yes:
            return BoxAnswer::Yes;
        case QMessageBox::No:
            return BoxAnswer::No;
        case QMessageBox::Cancel:
            return BoxAnswer::Cancel;
        case QMessageBox::Abort:
            return BoxAnswer::Abort;
        default:
            return BoxAnswer::Ok;
        }
    }
    pixbako::OverwriteAnswer askOverwrite(const std::string& destination) override {
        switch (messageBox(pixbako::overwriteQuestionText(destination), pixbako::BoxIcon::Question,
                           pixbako::BoxButtons::YesNoCancel)) {
        case pixbako::BoxAnswer::Yes:
            return pixbako::OverwriteAnswer::Yes;
        case pixbako::BoxAnswer::No:
            return pixbako::OverwriteAnswer::No;
        default:
            return pixbako::OverwriteAnswer::Cancel;
        }
    }
    void showError(const std::string& file, const std::string& reason) override {
        messageBox(file + "\r\n" + reason, pixbako::BoxIcon::Error, pixbako::BoxButtons::Ok);
    }
    void progressStart(const std::string&, std::uint64_t) override {}
    bool progressUpdate(std::uint64_t) override { return true; }
    void progressEnd() override {}
};

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pixbako"));
    QApplication::setApplicationVersion(QStringLiteral(PIXBAKO_VERSION_TEXT));
    // Month and weekday names, AM/PM and separators for every date the program writes.
    pixbako::dateTextSettings() = pixbako::dateTextSettingsFromLocale();

    BasicDialogs dialogs;
    pixbako::TForm1Setup setup;
    setup.iniPath = settingsFilePath();
    setup.dialogs = &dialogs;
    setup.transferDialogs = &dialogs;
    setup.arguments = QApplication::arguments().mid(1);
    pixbako::TForm1 form1(std::move(setup));
    if (pixbako::programEndRequest())
        return 0;
    form1.show();
    return app.exec();
}
