// Pictures of the extension dialog, the extended settings dialog, every page of the setup wizard,
// the About dialog, the file menu and a card check's answer.
#include "about/AboutDialog.h"
#include "settings/ExtendedSettingsDialog.h"
#include "settings/FileTypesDialog.h"
#include "settings/SetupWizard.h"
#include "ui/CardCheckDialog.h"
#include "ui/MainWindow.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>

#include <cstdio>

namespace {

bool saveDialog(QWidget& dialog, const QString& folder, const QString& name) {
    QApplication::processEvents();
    const bool ok = dialog.grab().save(QDir(folder).filePath(name));
    std::fprintf(stderr, "%s %s\n", ok ? "wrote" : "FAILED", qPrintable(name));
    return ok;
}

} // namespace

// The main window's read-in folder must exist, so that the wizard passes its first check.
bool saveDialogScreenshots(pixbako::MainWindow& window, pixbako::IDialogs& dialogs,
                           const QString& output) {
    bool ok = true;

    pixbako::ExtensionChoice choice;
    choice.JPG = true;
    choice.TIF = true;
    choice.freeList = "RAW,MOV";
    pixbako::FileTypesDialog extensions(choice, &window);
    extensions.show();
    ok = saveDialog(extensions, output, QStringLiteral("dialog-extensions.png")) && ok;
    extensions.hide();

    pixbako::ExtendedSettings extended;
    extended.allFormatDates = true;
    pixbako::ExtendedSettingsDialog extendedDialog(extended, &window);
    extendedDialog.show();
    ok = saveDialog(extendedDialog, output, QStringLiteral("dialog-extended.png")) && ok;
    extendedDialog.hide();

    pixbako::SetupWizard wizard(window, pixbako::japaneseDateTextSettings(), {}, &window);
    wizard.show();
    auto* next = wizard.findChild<QPushButton*>(QStringLiteral("BTNNEXT"));
    for (int page = 0; page < pixbako::SetupWizard::kPageCount; ++page) {
        while (wizard.page() < page)
            next->click();
        if (wizard.page() != page) {
            std::fprintf(stderr, "FAILED wizard stopped on page %d\n", wizard.page());
            return false;
        }
        ok = saveDialog(wizard, output, QStringLiteral("wizard-page%1.png").arg(page)) && ok;
    }
    wizard.reject();

    pixbako::AboutDialog about(pixbako::defaultAboutSetup(dialogs), &window);
    about.show();
    ok = saveDialog(about, output, QStringLiteral("dialog-about.png")) && ok;
    about.hide();

    if (auto* fileMenu = window.findChild<QMenu*>(QStringLiteral("File1"))) {
        fileMenu->popup(window.mapToGlobal(QPoint(10, 30)));
        ok = saveDialog(*fileMenu, output, QStringLiteral("menu-file.png")) && ok;
        fileMenu->hide();
    }

    pixbako::CardCheck check;
    check.readInFolder = "/media/CARD/DCIM";
    for (const auto& [name, state] :
         {std::pair{"100CANON/IMG_0001.JPG", pixbako::CopyState::Ok},
          std::pair{"100CANON/IMG_0002.JPG", pixbako::CopyState::Missing},
          std::pair{"100CANON/IMG_0003.CR3", pixbako::CopyState::Changed}})
        check.files.push_back({check.readInFolder + "/" + name, state});
    pixbako::CardCheckDialog cardCheck(check, &window);
    cardCheck.setAttribute(Qt::WA_DeleteOnClose, false);
    cardCheck.show();
    ok = saveDialog(cardCheck, output, QStringLiteral("dialog-card-check.png")) && ok;
    cardCheck.hide();
    return ok;
}
