#include "engine/post/CommandLine.h"

#include "platform/Paths.h"

namespace pixbako {
namespace {

bool isSwitchS(const std::string& argument) {
    return argument == "-S" || argument == "-s";
}

// Options were answered before the runs; an empty argument is a folder name left out.
bool looksLikeFolder(const std::string& argument) {
    return argument.empty() || argument[0] != '-';
}

} // namespace

std::string missingFolderText(const std::string& argument) {
    if (argument.empty())
        return "フォルダが見つかりません\r\n\r\n（フォルダ名が空です）";
    return "フォルダが見つかりません\r\n\r\n" + argument;
}

CommandLineOutcome runCommandLineFolders(ICommandLineWindow& window,
                                         const std::vector<std::string>& arguments,
                                         bool unattended) {
    CommandLineOutcome outcome;
    window.showWindow();
    const Options saved = window.options();

    bool folderGiven = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        const bool last = i + 1 == arguments.size();
        if (isExistingFolder(argument)) {
            Options options = saved;
            options.readInFolder = argument;
            options.startProgram = last && saved.startProgram;
            options.autoExit = last && saved.autoExit;
            folderGiven = true;
            if (!window.runImport(RunSender::CommandLineFolder, options))
                outcome.failed = true;
        } else if (looksLikeFolder(argument)) {
            window.beep(BeepKind::Hand);
            window.messageBox(missingFolderText(argument), BoxIcon::Error, BoxButtons::Ok);
            outcome.failed = true;
            // A script that names a card that isn't there must not keep the program open.
            if (last && saved.autoExit)
                outcome.endRequest = true;
        }
    }

    if (!folderGiven) {
        for (const std::string& argument : arguments) {
            if (!isSwitchS(argument))
                continue;
            if (!window.runImport(RunSender::Interactive, window.options()))
                outcome.failed = true;
            if (saved.autoExit)
                outcome.endRequest = true;
        }
    }
    if (unattended)
        outcome.endRequest = true;
    return outcome;
}

} // namespace pixbako
