// The actions after a run that reached its end: log, folders, program start, then auto exit or
// the completion notice.
#include "ui/CompletionSequence.h"

#include "engine/post/LogFile.h"
#include "engine/post/PostRun.h"
#include "platform/FileTime.h"
#include "platform/Paths.h"
#include "ui/CompletionNotice.h"
#include "ui/MainWindow.h"
#include "ui/Topmost.h"
#include "ui/dialogs/QtDialogs.h"

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

CompletionSequence::CompletionSequence(QWidget* window, IDialogs& dialogs, PostRunServices services,
                                       BoxDisplay boxDisplay, const ImportRun& run, QObject* parent)
    : QObject(parent), window_(window), dialogs_(dialogs), services_(std::move(services)),
      boxDisplay_(boxDisplay), run_(run) {}

void CompletionSequence::run(const RunCompletion& completion) {
    const ImportSettings& settings = completion.settings;
    if (settings.writeLog)
        saveRunLog(completion);
    if (settings.openFolders)
        openNewFolders(completion);
    if (settings.startProgram)
        startProgram(completion);

    if (settings.autoExit) {
        if (!run_.lastReport().allTransferred())
            emit endingRunFailed();
        if (completion.sender == RunSender::CommandLineFolder)
            emit endRequested();
        else
            emit
            closeRequested(); // refused while the run unwinds; the run then calls closeWindow()
        return;
    }
    if (completion.sender == RunSender::Interactive)
        showCompletionNotice(
            completionNoticeText(completion.summary, completion.list.size(), !settings.copy));
}

void CompletionSequence::saveRunLog(const RunCompletion& completion) {
    const TDateTime now = services_.now ? services_.now() : localNow();
    const LogFileResult result =
        writeLogFile(completion.saveFolder, completion.settings.readInFolder, completion.list, now);
    if (result.ok)
        return;
    // The files of the run are where they belong already; only the report is missing.
    dialogs_.beep(BeepKind::Hand);
    dialogs_.messageBox("ログファイルを保存できませんでした\r\n" + result.path + "\r\n\r\n" +
                            result.reason,
                        BoxIcon::Error, BoxButtons::Ok);
}

void CompletionSequence::openNewFolders(const RunCompletion& completion) {
    for (const std::string& folder : foldersToOpen(completion.saveFolder, completion.list)) {
        if (services_.openFolder)
            services_.openFolder(localPath(folder));
        else if (!boxesGoToStandardError(boxDisplay_)) // no file manager without a screen
            QDesktopServices::openUrl(QUrl::fromLocalFile(localPath(folder)));
    }
}

// Started without a shell and not waited for. A program that isn't there or can't be run is
// reported; an empty program field starts nothing.
void CompletionSequence::startProgram(const RunCompletion& completion) {
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
        const bool started = services_.startProgram
                                 ? services_.startProgram(localPath(program), arguments)
                                 : QProcess::startDetached(localPath(program), arguments);
        if (!started)
            problem = "プログラムを起動できませんでした";
        break;
    }
    }
    if (!problem)
        return;
    dialogs_.beep(BeepKind::Hand);
    dialogs_.messageBox(std::string(problem) + "\r\n\r\n" + start.program, BoxIcon::Error,
                        BoxButtons::Ok);
}

// An interactive run: the main window comes to the front and stays there while the notice is
// shown. A "-S" run reaches this while the main window is still being created, before the
// notice exists: the notice then waits until the program's windows are all there.
void CompletionSequence::showCompletionNotice(const std::string& text) {
    if (!boxesMayWait(boxDisplay_)) {
        writeBoxToStandardError(text);
        return;
    }
    if (!notice_) {
        pendingNotice_ = text;
        return;
    }
    if (window_)
        setTopmost(window_, true);
    dialogs_.beep(BeepKind::Exclamation);
    notice_->showNotice(boxText(text));
    if (window_)
        setTopmost(window_, false);
}

void CompletionSequence::saveStoppedRunLog(const RunCompletion& completion) {
    const TDateTime now = services_.now ? services_.now() : localNow();
    const LogFileResult result =
        writeLogFile(completion.saveFolder, completion.settings.readInFolder, completion.list, now);
    if (!result.ok)
        writeBoxToStandardError("ログファイルを保存できませんでした\r\n" + result.path +
                                "\r\n\r\n" + result.reason);
}

void CompletionSequence::showPendingNotice() {
    if (!pendingNotice_ || !notice_)
        return;
    const std::string text = *pendingNotice_;
    pendingNotice_.reset();
    showCompletionNotice(text);
}

} // namespace pixbako
