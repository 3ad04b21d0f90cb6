// The file menu's card check: a folder is chosen, checked against the save folder's ledger with
// the options a run would take now, and the answer is shown in a dialog beside the window.
#include "ui/CardCheckDialog.h"
#include "ui/MainWindow.h"

#include "ui_MainWindow.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFile>

namespace pixbako {

void MainWindow::checkCard() {
    const QString folder =
        pickFolder(QStringLiteral("確認するフォルダを指定"), ui->ReadInEdit->text());
    if (folder.isEmpty())
        return;
    ImportSettings settings = importSettings();
    settings.readInFolder = QFile::encodeName(folder).toStdString();

    // Each file is read in full (and its copy too): the window keeps painting meanwhile, but
    // takes no input, so that no run or second check starts on the files being read.
    ui->CheckCard1->setEnabled(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const CardCheck check = pixbako::checkCard(
        settings, [] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); });
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
