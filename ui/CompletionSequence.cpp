// The actions after a run that reached its end, in their order: the log, the new folders
// opened, another program started, then auto exit or the completion notice. The run returns
// the window to idle (enterIdleState) afterwards, whatever happened here.
#include "engine/post/LogFile.h"
#include "engine/post/PostRun.h"
#include "platform/FileTime.h"
#include "platform/Paths.h"
#include "ui/CompletionNotice.h"
#include "ui/MainWindow.h"
#include "ui/Topmost.h"
#include "ui/dialogs/QtDialogs.h"
#include "ui_MainWindow.h"

#include <QDesktopServices>
#include <QFile>
#include <QProcess>
#include <QUrl>

namespace pixbako {
namespace {

QString localPath(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

} // namespace

void MainWindow::completionSequence(const RunCompletion& completion) {
    const ImportSettings& settings = completion.settings;
    if (settings.writeLog)
        saveRunLog(completion);
    if (settings.openFolders)
        openNewFolders(completion);
    if (settings.startProgram)
        startProgram(completion);

    if (settings.autoExit) {
        if (!run_.lastReport().allTransferred())
            failed_ = true;
        if (completion.sender == RunSender::CommandLineFolder)
            programEndRequest() = true;
        else
            close(); // refused while the run unwinds; the run then calls closeWindow()
        return;
    }
    if (completion.sender == RunSender::Interactive)
        showCompletionNotice(completionNoticeText(completion.summary, fileRowCount(completion.list),
                                                  !settings.copy));
}

void MainWindow::saveRunLog(const RunCompletion& completion) {
    const TDateTime now = setup_.postRun.now ? setup_.postRun.now() : localNow();
    const LogFileResult result =
        writeLogFile(completion.saveFolder, completion.settings.readInFolder, completion.list, now);
    if (result.ok)
        return;
    // The files of the run are where they belong already; only the report is missing.
    beep(BeepKind::Hand);
    messageBox("ログファイルを保存できませんでした\r\n" + result.path + "\r\n\r\n" + result.reason,
               BoxIcon::Error, BoxButtons::Ok);
}

void MainWindow::openNewFolders(const RunCompletion& completion) {
    for (const std::string& folder : foldersToOpen(completion.saveFolder, completion.list)) {
        if (setup_.postRun.openFolder)
            setup_.postRun.openFolder(localPath(folder));
        else if (!boxesGoToStandardError(setup_.boxDisplay)) // no file manager without a screen
            QDesktopServices::openUrl(QUrl::fromLocalFile(localPath(folder)));
    }
}

// Started without a shell and not waited for. A program that isn't there or can't be run is
// reported; an empty program field starts nothing.
void MainWindow::startProgram(const RunCompletion& completion) {
    const ProgramStart start =
        programStart(completion.settings, completion.saveFolder, completion.list);
    if (start.program.empty())
        return;
    // Started by its full path, so that a name without a folder is never looked up in PATH.
    const std::string program = fullPathName(start.program);
    const char* problem = nullptr;
    switch (checkProgram(program)) {
    case ProgramProblem::Missing:
        problem = "起動するプログラムが見つかりません";
        break;
    case ProgramProblem::NotExecutable:
        problem = "起動するプログラムに実行の許可がありません";
        break;
    case ProgramProblem::None: {
        QStringList arguments;
        for (const std::string& argument : start.arguments)
            arguments << localPath(argument);
        const bool started = setup_.postRun.startProgram
                                 ? setup_.postRun.startProgram(localPath(program), arguments)
                                 : QProcess::startDetached(localPath(program), arguments);
        if (!started)
            problem = "プログラムを起動できませんでした";
        break;
    }
    }
    if (!problem)
        return;
    beep(BeepKind::Hand);
    messageBox(std::string(problem) + "\r\n\r\n" + start.program, BoxIcon::Error, BoxButtons::Ok);
}

void MainWindow::setNotices(ProcessingNotice* processing, CompletionNotice* completion) {
    form4_ = processing;
    form6_ = completion;
}

// An interactive run: the main window comes to the front and stays there while the notice is
// shown. A "-S" run reaches this while the main window is still being created, before the
// notice exists: the notice then waits until the program's windows are all there.
void MainWindow::showCompletionNotice(const std::string& text) {
    if (!boxesMayWait(setup_.boxDisplay)) {
        writeBoxToStandardError(text);
        return;
    }
    if (!form6_) {
        pendingNotice_ = text;
        return;
    }
    setTopmost(this, true);
    beep(BeepKind::Exclamation);
    form6_->showNotice(boxText(text));
    setTopmost(this, false);
}

void MainWindow::showPendingCompletionNotice() {
    if (!pendingNotice_ || !form6_)
        return;
    const std::string text = *pendingNotice_;
    pendingNotice_.reset();
    showCompletionNotice(text);
}

} // namespace pixbako
