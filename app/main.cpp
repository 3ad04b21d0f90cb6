// Program start: the application title, the locale's date texts, the main window (which loads
// the settings and performs any command-line run), then the message loop unless a
// command-line run asked for the end.
#include "engine/datepattern/DateFormat.h"
#include "settings/SettingsFile.h"
#include "ui/TForm1.h"

#include <QApplication>

int main(int argc, char* argv[]) {
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
    if (pixbako::programEndRequest())
        return 0;
    form1.show();
    return app.exec();
}
