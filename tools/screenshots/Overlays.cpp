// Pictures of what stands over the main window: the processing and completion notices, each
// menu opened, an open pattern list, a hint of the thumbnail box and the folder picker. They are
// taken from the screen itself, so that they show what a desktop shows (a see-through window would
// be black without a compositor).
#include "components/FolderPicker.h"
#include "ui/CompletionNotice.h"
#include "ui/MainWindow.h"
#include "ui/ProcessingNotice.h"

#include <QAbstractItemView>
#include <QAbstractScrollArea>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QHelpEvent>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTimer>
#include <QToolTip>

#include <cstdio>
#include <functional>

namespace {

bool report(bool ok, const QString& name) {
    std::fprintf(stderr, "%s %s\n", ok ? "wrote" : "FAILED", qPrintable(name));
    return ok;
}

// The screen under the main window and whatever stands over it.
bool saveScreen(QWidget& window, const QRect& extra, const QString& folder, const QString& name) {
    QApplication::processEvents();
    const QRect area = window.frameGeometry().united(extra);
    const QPixmap picture =
        window.screen()->grabWindow(0, area.x(), area.y(), area.width(), area.height());
    return report(picture.save(QDir(folder).filePath(name)), name);
}

// Calls `take` once as soon as `ready` holds, from the event loop of whatever runs meanwhile.
void whenReady(QObject* owner, std::function<bool()> ready, std::function<void()> take) {
    auto* timer = new QTimer(owner);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, ready, take] {
        if (!ready())
            return;
        timer->stop();
        take();
        timer->deleteLater();
    });
    timer->start(5);
}

} // namespace

// The read-in folder of the window must hold a few files, so that a load lasts a moment.
bool saveLoadNoticeScreenshot(pixbako::MainWindow& window, const QString& output) {
    bool ok = false;
    window.findChild<QTabWidget*>(QStringLiteral("PageControl1"))->setCurrentIndex(2);
    whenReady(
        &window,
        [&window] {
            pixbako::ProcessingNotice* notice = window.processingNotice();
            return notice && notice->isVisible() && !window.isEnabled();
        },
        [&] {
            QApplication::processEvents();
            ok = saveScreen(window, {}, output, QStringLiteral("notice-processing.png"));
        });
    window.findChild<QPushButton*>(QStringLiteral("BTNREADDATA"))->click();
    return report(ok, QStringLiteral("notice-processing.png (taken during the load)")) && ok;
}

// Arms the picture of the completion notice of the next run; the notice is closed with OK.
void takeCompletionNoticeScreenshot(pixbako::MainWindow& window, const QString& output, bool& ok) {
    whenReady(
        &window,
        [&window] { return window.completionNotice() && window.completionNotice()->isVisible(); },
        [&window, &ok, output] {
            pixbako::CompletionNotice* notice = window.completionNotice();
            ok = saveScreen(window, notice->frameGeometry(), output,
                            QStringLiteral("notice-completion.png"));
            notice->okButton->click();
        });
}

bool saveMenuAndHintScreenshots(pixbako::MainWindow& window, const QString& output) {
    bool ok = true;
    QMenuBar* bar = window.menuBar();
    const std::pair<const char*, const char*> menus[] = {
        {"File1", "menu-file.png"}, {"N3", "menu-presets.png"}, {"Help1", "menu-help.png"}};
    for (const auto& [name, file] : menus) {
        auto* menu = window.findChild<QMenu*>(QLatin1String(name));
        const QRect title = bar->actionGeometry(menu->menuAction());
        menu->popup(bar->mapToGlobal(title.bottomLeft()));
        QApplication::processEvents();
        ok = saveScreen(window, menu->frameGeometry(), output, QString::fromLatin1(file)) && ok;
        menu->hide();
    }

    // The open list of folder-name patterns, as wide as its longest preset.
    window.findChild<QTabWidget*>(QStringLiteral("PageControl1"))->setCurrentIndex(1);
    auto* patterns = window.findChild<QComboBox*>(QStringLiteral("DDATEEdit"));
    patterns->showPopup();
    QApplication::processEvents();
    ok = saveScreen(window, patterns->view()->window()->frameGeometry(), output,
                    QStringLiteral("list-folder-patterns.png")) &&
         ok;
    patterns->hidePopup();

    // The hint of a thumbnail, beside the mouse as it rests on the second picture.
    window.findChild<QTabWidget*>(QStringLiteral("PageControl1"))->setCurrentIndex(2);
    auto* box = window.findChild<QAbstractScrollArea*>(QStringLiteral("ThumbnailBox1"));
    QWidget* cells = box->viewport();
    const QPoint mouse(200, 60);
    QCursor::setPos(cells->mapToGlobal(mouse));
    QMouseEvent move(QEvent::MouseMove, mouse, cells->mapToGlobal(mouse), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(cells, &move);
    QHelpEvent help(QEvent::ToolTip, mouse, cells->mapToGlobal(mouse));
    QApplication::sendEvent(cells, &help);
    QRect tip;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top->inherits("QTipLabel") && top->isVisible())
            tip = top->frameGeometry();
    ok = saveScreen(window, tip, output, QStringLiteral("hint-thumbnail.png")) && ok;
    QToolTip::hideText();
    return ok;
}

bool saveFolderPickerScreenshot(pixbako::MainWindow& window, const QString& output,
                                const QString& folder) {
    bool ok = false;
    pixbako::FolderPicker picker(&window);
    picker.title = QStringLiteral("読込フォルダを指定");
    picker.initialFolder = folder;
    picker.onShow = [&](pixbako::FolderPicker& sender) {
        QFileDialog* dialog = sender.dialog();
        // The folder list fills in the background.
        QElapsedTimer filling;
        filling.start();
        while (filling.elapsed() < 300)
            QApplication::processEvents();
        const QPixmap picture = window.screen()->grabWindow(
            0, dialog->frameGeometry().x(), dialog->frameGeometry().y(),
            dialog->frameGeometry().width(), dialog->frameGeometry().height());
        ok = report(picture.save(QDir(output).filePath(QStringLiteral("dialog-folder-picker.png"))),
                    QStringLiteral("dialog-folder-picker.png"));
        dialog->reject();
    };
    picker.exec();
    return ok;
}
