// Writes pictures of the main window for review: each tab in its default state, the detailed
// tab with date folders and renaming off, the window after a finished run, (Dialogs.cpp) the
// extension dialog, the extended settings dialog, every page of the setup wizard and the About
// dialog, and (Overlays.cpp) the processing and completion notices, each menu opened, a hint and
// the folder picker.
//     pixbako-screenshots OUTPUT_FOLDER
// Run it under a real X server (xvfb-run) so that fonts and styles are those of a desktop.
#include "components/ThumbnailBox.h"
#include "engine/datepattern/DateFormat.h"
#include "ui/CompletionNotice.h"
#include "ui/MainWindow.h"
#include "ui/ProcessingNotice.h"
#include "ui/QtTranslations.h"
#include "ui/RadioGroup.h"
#include "ui/RunWindowAdapter.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTemporaryDir>

#include <cstdio>

bool saveDialogScreenshots(pixbako::MainWindow& window, pixbako::IDialogs& dialogs,
                           const QString& output);
bool saveLoadNoticeScreenshot(pixbako::MainWindow& window, const QString& output);
void takeCompletionNoticeScreenshot(pixbako::MainWindow& window, const QString& output, bool& ok);
bool saveMenuAndHintScreenshots(pixbako::MainWindow& window, const QString& output);
bool saveFolderPickerScreenshot(pixbako::MainWindow& window, const QString& output,
                                const QString& folder);

namespace {

// Answers every box with its first button and lets every transfer go ahead.
class SilentDialogs final : public pixbako::IDialogs, public pixbako::ITransferDialogs {
public:
    void beep(pixbako::BeepKind) override {}
    pixbako::BoxAnswer messageBox(const std::string& text, pixbako::BoxIcon,
                                  pixbako::BoxButtons buttons) override {
        std::fprintf(stderr, "box: %s\n", text.c_str());
        return buttons == pixbako::BoxButtons::Ok || buttons == pixbako::BoxButtons::OkCancel
                   ? pixbako::BoxAnswer::Ok
                   : pixbako::BoxAnswer::Yes;
    }
    pixbako::OverwriteAnswer askOverwrite(const std::string&) override {
        return pixbako::OverwriteAnswer::Yes;
    }
    void showError(const std::string& file, const std::string& reason) override {
        std::fprintf(stderr, "error: %s %s\n", file.c_str(), reason.c_str());
    }
    void progressStart(const std::string&, std::uint64_t) override {}
    bool progressUpdate(std::uint64_t) override { return true; }
    void progressEnd() override {}
};

bool save(QWidget& window, const QString& folder, const QString& name) {
    QApplication::processEvents();
    const bool ok = window.grab().save(QDir(folder).filePath(name));
    std::fprintf(stderr, "%s %s\n", ok ? "wrote" : "FAILED", qPrintable(name));
    return ok;
}

// A few JPEG pictures of different shapes and one file that holds no picture.
void makePictures(const QString& folder) {
    QDir().mkpath(folder);
    const QSize sizes[] = {{640, 480}, {480, 640}, {800, 450}, {300, 300}, {1200, 900}, {90, 60}};
    int number = 0;
    for (const QSize& size : sizes) {
        QImage image(size, QImage::Format_RGB32);
        QPainter painter(&image);
        QLinearGradient sky(0, 0, 0, size.height());
        sky.setColorAt(0, QColor::fromHsv((number * 50) % 360, 120, 250));
        sky.setColorAt(1, QColor::fromHsv((number * 50 + 180) % 360, 200, 120));
        painter.fillRect(image.rect(), sky);
        painter.setBrush(QColor::fromHsv((number * 70 + 30) % 360, 230, 230));
        painter.setPen(Qt::NoPen);
        painter.drawEllipse(QPoint(size.width() / 3, size.height() / 2), size.width() / 5,
                            size.width() / 5);
        painter.end();
        image.save(QDir(folder).filePath(
                       QStringLiteral("DSC%1.JPG").arg(++number, 5, 10, QLatin1Char('0'))),
                   "JPG", 90);
    }
    QFile notes(QDir(folder).filePath(QStringLiteral("とても長い名前のメモファイル.txt")));
    if (notes.open(QIODevice::WriteOnly))
        notes.write("no picture");
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: pixbako-screenshots OUTPUT_FOLDER\n");
        return 2;
    }
    const QString output = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(output);
    pixbako::installQtTranslations(app);

    QTemporaryDir temp;
    SilentDialogs dialogs;
    pixbako::MainWindowSetup setup;
    setup.iniPath = temp.filePath(QStringLiteral("pixbako.INI"));
    setup.dialogs = &dialogs;
    setup.transferDialogs = &dialogs;
    pixbako::MainWindow window(std::move(setup));
    window.setNotices(new pixbako::ProcessingNotice(&window),
                      new pixbako::CompletionNotice(&window));
    window.show();

    bool ok = true;
    auto* tabs = window.findChild<QTabWidget*>(QStringLiteral("PageControl1"));
    const char* names[] = {"tab0-easy-run.png", "tab1-detailed.png", "tab2-file-selection.png"};
    for (int index : {0, 1, 2}) {
        tabs->setCurrentIndex(index);
        ok = save(window, output, QString::fromLatin1(names[index])) && ok;
    }

    tabs->setCurrentIndex(0);
    auto* protection = window.findChild<QCheckBox*>(QStringLiteral("CHKHOGO"));
    protection->setChecked(true);
    ok = save(window, output, QStringLiteral("tab0-protected.png")) && ok;
    protection->setChecked(false);

    tabs->setCurrentIndex(1);
    window.findChild<QCheckBox*>(QStringLiteral("DIRCHKBOX"))->setChecked(false);
    window.findChild<QCheckBox*>(QStringLiteral("ReNameChkBox"))->setChecked(false);
    ok = save(window, output, QStringLiteral("tab1-folders-and-renaming-off.png")) && ok;
    window.findChild<QCheckBox*>(QStringLiteral("DIRCHKBOX"))->setChecked(true);
    window.findChild<QCheckBox*>(QStringLiteral("ReNameChkBox"))->setChecked(true);

    // A run over a few files of a temporary card folder.
    const QString card = temp.filePath(QStringLiteral("DCIM"));
    const QString target = temp.filePath(QStringLiteral("写真"));
    QDir().mkpath(card);
    QDir().mkpath(target);
    for (int i = 1; i <= 40; ++i) {
        QFile file(
            QDir(card).filePath(QStringLiteral("IMG_%1.JPG").arg(i, 4, 10, QLatin1Char('0'))));
        if (file.open(QIODevice::WriteOnly))
            file.write("not really a picture");
    }
    window.findChild<QLineEdit*>(QStringLiteral("ReadInEdit"))->setText(card);
    window.findChild<QLineEdit*>(QStringLiteral("SaveOutEdit"))->setText(target);
    bool noticeTaken = false;
    takeCompletionNoticeScreenshot(window, output, noticeTaken);
    window.findChild<QPushButton*>(QStringLiteral("RunButton"))->click();
    ok = noticeTaken && save(window, output, QStringLiteral("after-run.png")) && ok;
    // A status text longer than its room ends in "…"; the progress bar keeps its place.
    window.runWindow().setStatusText(
        "とても長い名前の写真ファイル_2024年5月6日_家族旅行_北海道_札幌_"
        "時計台の前で撮影したもの.JPGを処理中です    (12/40)");
    window.runWindow().setProgressRange(0, 40);
    window.runWindow().setProgressPosition(12);
    ok = save(window, output, QStringLiteral("status-long-text.png")) && ok;
    window.runWindow().setStatusText("");
    window.runWindow().setProgressPosition(0);

    // The file-selection tab with real pictures, in both views, two of them selected.
    const QString pictures = temp.filePath(QStringLiteral("pictures"));
    makePictures(pictures);
    window.findChild<QLineEdit*>(QStringLiteral("ReadInEdit"))->setText(pictures);
    tabs->setCurrentIndex(2);
    window.findChild<QPushButton*>(QStringLiteral("BTNREADDATA"))->click();
    auto* box = window.findChild<pixbako::ThumbnailBox*>(QStringLiteral("ThumbnailBox1"));
    box->item(1).selected = true;
    box->item(3).selected = true;
    box->viewport()->update();
    ok = save(window, output, QStringLiteral("tab2-thumbnails.png")) && ok;
    box->verticalScrollBar()->setValue(box->verticalScrollBar()->maximum());
    ok = save(window, output, QStringLiteral("tab2-thumbnails-end.png")) && ok;
    box->verticalScrollBar()->setValue(0);
    ok = saveMenuAndHintScreenshots(window, output) && ok;
    window.findChild<pixbako::RadioGroup*>(QStringLiteral("RadioTHM"))->setItemIndex(0);
    ok = save(window, output, QStringLiteral("tab2-file-names.png")) && ok;
    ok = saveDialogScreenshots(window, dialogs, output) && ok;
    ok = saveFolderPickerScreenshot(window, output, pictures) && ok;
    // Last, as it loads the pictures once more.
    ok = saveLoadNoticeScreenshot(window, output) && ok;
    return ok ? 0 : 1;
}
