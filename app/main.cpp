// Program start: the application title, the locale's date texts, the main window (which loads
// the settings and performs any command-line run), the extension dialog, the notices, then the
// message loop unless a command-line run asked for the end. The exit status is 0 when every
// file of the runs that ended the program was transferred.
#include "app/TerminationWatch.h"
#include "engine/datepattern/DateFormat.h"
#include "platform/FileSizeSignal.h"
#include "platform/OpenFileLimit.h"
#include "platform/TerminationSignals.h"
#include "settings/SettingsFile.h"
#include "settings/TTYPESET.h"
#include "ui/TForm1.h"
#include "ui/TForm4.h"
#include "ui/TForm6.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    // Writing past `ulimit -f` is then one file's error, not the end of the program.
    pixbako::ignoreFileSizeSignal();
    // A run keeps several files open for each transfer in flight.
    pixbako::raiseOpenFileLimit();
    // SIGTERM, SIGHUP and SIGINT stop a run as its stop button does, then end the program.
    pixbako::installTerminationHandlers();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pixbako"));
    QApplication::setApplicationVersion(QStringLiteral(PIXBAKO_VERSION_TEXT));
    // Month and weekday names, AM/PM and separators for every date the program writes.
    pixbako::dateTextSettings() = pixbako::dateTextSettingsFromLocale();
    // Boxes and hints in the window's Japanese font.
    QFont font(QStringLiteral("Noto Sans CJK JP"));
    font.setPixelSize(12);
    QApplication::setFont(font);

    pixbako::TForm1Setup setup;
    setup.iniPath = pixbako::settingsFilePath(QCoreApplication::applicationFilePath());
    setup.arguments = QApplication::arguments().mid(1);
    pixbako::TForm1 form1(std::move(setup));
    // Live hidden until the program ends, owned by the main window.
    form1.setExtensionDialog(new pixbako::TTYPESET(form1.extensionChoice(), &form1));
    form1.setNotices(new pixbako::TForm4(&form1), new pixbako::TForm6(&form1));
    pixbako::TerminationWatch termination(form1);
    if (pixbako::programEndRequest() || pixbako::terminationSignal() != 0) {
        form1.close(); // saves the settings as every end does
        return pixbako::TerminationWatch::exitStatus(form1.exitStatus());
    }
    form1.show();
    // A "-S" run's notice waited for the windows to exist.
    form1.showPendingCompletionNotice();
    const int status = app.exec();
    return pixbako::TerminationWatch::exitStatus(status != 0 ? status : form1.exitStatus());
}
