// The command-line runs at start-up: the window's side of them.
#include "engine/post/CommandLine.h"
#include "ui/MainWindow.h"
#include "ui/dialogs/QtDialogs.h"
#include "ui_MainWindow.h"

#include <QFile>

namespace pixbako {

void MainWindow::runCommandLine() {
    // The controls that the command-line runs set and restore, seen through the engine's
    // interface.
    class Window final : public ICommandLineWindow {
    public:
        explicit Window(MainWindow& form) : form_(form) {}
        void beep(BeepKind kind) override { form_.beep(kind); }
        BoxAnswer messageBox(const std::string& text, BoxIcon icon, BoxButtons buttons) override {
            return form_.messageBox(text, icon, buttons);
        }
        void showWindow() override { form_.show(); }
        std::string readInFolder() override {
            return QFile::encodeName(form_.ui->ReadInEdit->text()).toStdString();
        }
        void setReadInFolder(const std::string& folder) override {
            form_.ui->ReadInEdit->setText(QFile::decodeName(QByteArray::fromStdString(folder)));
        }
        bool startProgramChecked() override { return form_.ui->RunChkBox->isChecked(); }
        void setStartProgramChecked(bool checked) override {
            form_.ui->RunChkBox->setChecked(checked);
        }
        bool autoExitChecked() override { return form_.ui->AutoExitChkBox->isChecked(); }
        void setAutoExitChecked(bool checked) override {
            form_.ui->AutoExitChkBox->setChecked(checked);
        }
        bool runImport(RunSender sender) override {
            form_.startOrStopRun(sender);
            return form_.run_.lastReport().allTransferred();
        }

    private:
        MainWindow& form_;
    };

    std::vector<std::string> arguments;
    for (const QString& argument : setup_.arguments)
        arguments.push_back(QFile::encodeName(argument).toStdString());
    Window window(*this);
    // Nobody can look at a window left open without a screen: a failed run ends it too.
    const CommandLineOutcome outcome = pixbako::runCommandLineFolders(
        window, arguments, boxesGoToStandardError(setup_.boxDisplay));
    if (outcome.failed)
        failed_ = true;
    if (outcome.endRequest)
        programEndRequest() = true;
}

} // namespace pixbako
