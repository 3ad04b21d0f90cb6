// The command-line runs at start-up: the window's side of them.
#include "engine/post/CommandLine.h"
#include "ui/MainWindow.h"
#include "ui/dialogs/QtDialogs.h"
#include "ui_MainWindow.h"

#include <QFile>

namespace pixbako {

void MainWindow::runCommandLine() {
    // The window as the command-line runs see it.
    class Window final : public ICommandLineWindow {
    public:
        explicit Window(MainWindow& form) : form_(form) {}
        void beep(BeepKind kind) override { form_.beep(kind); }
        BoxAnswer messageBox(const std::string& text, BoxIcon icon, BoxButtons buttons) override {
            return form_.messageBox(text, icon, buttons);
        }
        void showWindow() override { form_.show(); }
        Options options() override { return form_.options(); }
        bool runImport(RunSender sender, const ImportSettings& settings) override {
            form_.run_.runWithSettings(sender, settings);
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
        endRequested_ = true;
}

} // namespace pixbako
