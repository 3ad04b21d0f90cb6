// Program start: the application title, then the main window.
#include "engine/datepattern/DateFormat.h"
#include "platform/FileSizeSignal.h"

#include <QApplication>
#include <QMainWindow>

int main(int argc, char* argv[]) {
    // Writing past `ulimit -f` is then one file's error, not the end of the program.
    pixbako::ignoreFileSizeSignal();
    QApplication app(argc, argv);
    // Month and weekday names, AM/PM and separators for every date the program writes.
    pixbako::dateTextSettings() = pixbako::dateTextSettingsFromLocale();
    QApplication::setApplicationName(QStringLiteral("Pixbako"));
    QApplication::setApplicationVersion(QStringLiteral(PIXBAKO_VERSION_TEXT));

    QMainWindow window;
    window.setObjectName(QStringLiteral("Form1"));
    window.setWindowTitle(QStringLiteral("Pixbako"));
    window.resize(640, 480);
    window.show();
    return app.exec();
}
