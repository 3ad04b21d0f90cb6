// The file menu's card check: a folder is chosen, checked against the save folder's ledger with
// the options a run would take now, and the answer is shown in a dialog beside the window.
#include "ui/CardCheckDialog.h"
#include "ui/MainWindow.h"

#include "ui_MainWindow.h"

#include <QApplication>
#include <QEventLoop>
#include <QFile>

#include <thread>

namespace pixbako {

void MainWindow::checkCard() {
    const QString folder =
        pickFolder(QStringLiteral("確認するフォルダを指定"), ui->ReadInEdit->text());
    if (folder.isEmpty())
        return;
    ImportSettings settings = importSettings();
    settings.readInFolder = QFile::encodeName(folder).toStdString();

    // Every file is read in full, and its copy too: a movie of some gigabytes takes a while. The
    // check runs beside the window, which keeps painting but takes no input meanwhile, so that no
    // run or second check starts on the files being read.
    ui->CheckCard1->setEnabled(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    CardCheck check;
    QEventLoop waiting;
    std::thread worker([&] {
        check = pixbako::checkCard(settings);
        QMetaObject::invokeMethod(&waiting, &QEventLoop::quit, Qt::QueuedConnection);
    });
    waiting.exec(QEventLoop::ExcludeUserInputEvents);
    worker.join();
    QApplication::restoreOverrideCursor();
    ui->CheckCard1->setEnabled(true);

    if (check.problem != CardCheckProblem::None) {
        beep(BeepKind::Hand);
        messageBox(cardCheckProblemText(check), BoxIcon::Error, BoxButtons::Ok);
        return;
    }
    (new CardCheckDialog(check, this))->open();
}

} // namespace pixbako
