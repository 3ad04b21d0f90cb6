// Program start: the application title, the locale's date texts, the main window (which loads
// the settings and performs any command-line run), the extension dialog, the notices, then the
// message loop unless a command-line run asked for the end. Command-line runs without a screen
// make no window at all (HeadlessRuns). The exit status is 0 when every file of the runs that
// ended the program was transferred.
#include "app/TerminationWatch.h"
#include "engine/check/CheckCommand.h"
#include "engine/datepattern/DateFormat.h"
#include "engine/post/ProgramOptions.h"
#include "platform/FileSizeSignal.h"
#include "platform/OpenFileLimit.h"
#include "platform/TerminationSignals.h"
#include "settings/FileTypesDialog.h"
#include "settings/SettingsFile.h"
#include "ui/CompletionNotice.h"
#include "ui/HeadlessRuns.h"
#include "ui/MainWindow.h"
#include "ui/ProcessingNotice.h"
#include "ui/QtTranslations.h"

#include <QApplication>
#include <QFile>

namespace {

// The arguments Qt left after taking its own options, in the bytes the system gave them.
std::vector<std::string> programArguments() {
    std::vector<std::string> arguments;
    for (const QString& argument : QCoreApplication::arguments().mid(1))
        arguments.push_back(QFile::encodeName(argument).toStdString());
    return arguments;
}

// Under cron, udev or an ssh session there is no display to connect to, and Qt would abort
// before a command-line run could begin. Such a run needs no screen: its boxes go to standard
// error. A platform named on purpose (QT_QPA_PLATFORM, -platform) is left as it is.
void runWithoutScreenWhereThereIsNone(int argc) {
    if (argc < 2 || !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") ||
        !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return;
    qputenv("QT_QPA_PLATFORM", "offscreen");
}

// Runs that nobody can see need no window at all: without a screen (the offscreen platform,
// named by us above or by the caller) and with arguments that are only folders and "-S", the
// program performs the runs and ends without making a widget. Arguments of any other kind (Qt's
// own options among them) take the way through the window, which knows them.
bool runsWithoutWindow(int argc, char* argv[]) {
    if (argc < 2 || qgetenv("QT_QPA_PLATFORM") != "offscreen")
        return false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (!argument.empty() && argument[0] == '-' && argument != "-S" && argument != "-s")
            return false;
    }
    return true;
}

int runHeadless(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Pixbako"));
    QCoreApplication::setApplicationVersion(QStringLiteral(PIXBAKO_VERSION_TEXT));
    pixbako::HeadlessSetup setup;
    setup.iniPath = pixbako::settingsFilePath(QCoreApplication::applicationFilePath());
    setup.arguments = programArguments();
    setup.dateTexts = pixbako::dateTextSettingsFromLocale();
    return pixbako::TerminationWatch::exitStatus(pixbako::runWithoutWindow(std::move(setup)));
}

pixbako::ProgramAnswer checkCard(int argc, char* argv[], const pixbako::CheckRequest& request) {
    // For the program's path, which names the settings file.
    QCoreApplication app(argc, argv);
    const QString iniPath = pixbako::settingsFilePath(QCoreApplication::applicationFilePath());
    return pixbako::cardCheckAnswer(QFile::encodeName(iniPath).toStdString(), request.folder,
                                    PIXBAKO_VERSION_TEXT);
}

} // namespace

int main(int argc, char* argv[]) {
    // Writing past `ulimit -f` is then one file's error, not the end of the program.
    pixbako::ignoreFileSizeSignal();
    // "--help" and "--version" need no screen.
    if (auto answer = pixbako::informationAnswer(std::vector<std::string>(argv + 1, argv + argc),
                                                 PIXBAKO_VERSION_TEXT))
        return pixbako::printAnswer(*answer);
    // "--check FOLDER" reads the settings and the save folder's ledger and ends: no window, and
    // no screen needed.
    if (auto check = pixbako::checkRequest(std::vector<std::string>(argv + 1, argv + argc)))
        return pixbako::printAnswer(check->error ? *check->error : checkCard(argc, argv, *check));
    // A run keeps several files open for each transfer in flight.
    pixbako::raiseOpenFileLimit();
    // SIGTERM, SIGHUP and SIGINT stop a run as its stop button does, then end the program.
    pixbako::installTerminationHandlers();
    runWithoutScreenWhereThereIsNone(argc);
    if (runsWithoutWindow(argc, argv))
        return runHeadless(argc, argv);
    QApplication app(argc, argv);
    if (auto answer = pixbako::unknownOptionAnswer(programArguments()))
        return pixbako::printAnswer(*answer);
    QApplication::setApplicationName(QStringLiteral("Pixbako"));
    QApplication::setApplicationVersion(QStringLiteral(PIXBAKO_VERSION_TEXT));
    pixbako::installQtTranslations(app);
    // Boxes and hints in the window's Japanese font.
    QFont font(QStringLiteral("Noto Sans CJK JP"));
    font.setPixelSize(12);
    QApplication::setFont(font);

    // Before the main window, whose construction performs the command-line runs.
    pixbako::TerminationWatch termination;
    pixbako::MainWindowSetup setup;
    setup.iniPath = pixbako::settingsFilePath(QCoreApplication::applicationFilePath());
    setup.arguments = QApplication::arguments().mid(1);
    // Month and weekday names, AM/PM and separators for every date the program writes.
    setup.dateTexts = pixbako::dateTextSettingsFromLocale();
    pixbako::MainWindow form1(std::move(setup));
    // Live hidden until the program ends, owned by the main window.
    form1.setExtensionDialog(new pixbako::FileTypesDialog(form1.extensionChoice(), &form1));
    form1.setNotices(new pixbako::ProcessingNotice(&form1), new pixbako::CompletionNotice(&form1));
    termination.setMainWindow(form1);
    if (form1.endRequested() || pixbako::terminationSignal() != 0) {
        form1.close(); // saves the settings as every end does
        return pixbako::TerminationWatch::exitStatus(form1.exitStatus());
    }
    form1.show();
    // A "-S" run's notice waited for the windows to exist.
    form1.showPendingCompletionNotice();
    const int status = app.exec();
    return pixbako::TerminationWatch::exitStatus(status != 0 ? status : form1.exitStatus());
}
