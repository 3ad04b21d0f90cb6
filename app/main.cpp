// Program start: the application title, then the main window.
#include <QApplication>
#include <QMainWindow>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pixbako"));
    QApplication::setApplicationVersion(QStringLiteral(PIXBAKO_VERSION_TEXT));

    QMainWindow window;
    window.setObjectName(QStringLiteral("Form1"));
    window.setWindowTitle(QStringLiteral("Pixbako"));
    window.resize(640, 480);
    window.show();
    return app.exec();
}
