#pragma once
// The About dialog: product name, version, the maker's name, home page and mail address, and
// the version check that asks the maker's server for the newest published version.
//
// The main window creates it for one modal showing and destroys it afterwards; closing it
// during a check ends the check silently. Its boxes and beeps go through IDialogs, the links
// through `openUrl`, and the server comes from the build's configuration unless a test passes
// its own.
#include "about/VersionCheck.h"
#include "engine/run/Dialogs.h"

#include <QDialog>
#include <QString>
#include <QUrl>

#include <functional>
#include <memory>

namespace Ui {
class AboutDialog;
}

namespace pixbako {

struct AboutSetup {
    IDialogs* dialogs = nullptr; // required
    VersionServer server = defaultVersionServer();
    QString homePage;
    QString mailAddress;
    QString makerName;
    // Opens a web or mail address; unset: QDesktopServices::openUrl.
    std::function<void(const QUrl&)> openUrl;
};

// The home page, mail address, maker and server of the build's configuration.
AboutSetup defaultAboutSetup(IDialogs& dialogs);

// The first five characters of the program's version: "2.1.0" for 2.1.0.0.
QString programCurrentVersion();

class AboutDialog : public QDialog {
    Q_OBJECT

public:
    explicit AboutDialog(AboutSetup setup, QWidget* parent = nullptr);
    ~AboutDialog() override;

    const QString& currentVersion() const { return currentVersion_; }
    bool checking() const { return check_->running(); }

    // --- reactions ---
    void checkVersion();
    void openHomePage();
    void writeMail();
    void showReply(const QByteArray& firstPortion);
    void showCheckFailure();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void openUrl(const QUrl& url);

    AboutSetup setup_;
    std::unique_ptr<Ui::AboutDialog> ui;
    QString currentVersion_;
    VersionCheck* check_;
};

} // namespace pixbako
