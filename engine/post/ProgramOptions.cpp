#include "engine/post/ProgramOptions.h"

#include "platform/Paths.h"

#include <algorithm>
#include <cstdio>

namespace pixbako {

std::string usageText() {
    return "使い方: pixbako [フォルダ...]\n"
           "        pixbako -S\n"
           "        pixbako --check フォルダ\n"
           "  フォルダ    そのフォルダを保存されている設定で取り込みます（複数なら順に）\n"
           "  -S, -s      フォルダの指定がないとき、保存されている読込フォルダを取り込みます\n"
           "  --check     フォルダのファイルに保存先の確認済みのコピーがあるか調べます\n"
           "  --help      この説明を表示します\n"
           "  --version   バージョンを表示します\n";
}

std::optional<ProgramAnswer> informationAnswer(const std::vector<std::string>& arguments,
                                               const std::string& versionText) {
    for (const std::string& argument : arguments) {
        if (argument == "--help")
            return ProgramAnswer{0, usageText(), {}};
        if (argument == "--version")
            return ProgramAnswer{0, "Pixbako " + versionText + "\n", {}};
    }
    return std::nullopt;
}

std::optional<ProgramAnswer> unknownOptionAnswer(const std::vector<std::string>& arguments) {
    for (const std::string& argument : arguments) {
        if (argument.empty() || argument[0] != '-' || argument == "-S" || argument == "-s" ||
            argument == "--help" || argument == "--version")
            continue;
        // A folder may have a name that starts with "-".
        if (isExistingFolder(argument))
            continue;
        return ProgramAnswer{
            2, {}, "Pixbako: 不明なオプションです: " + argument + "\n" + usageText()};
    }
    return std::nullopt;
}

std::optional<CheckRequest> checkRequest(const std::vector<std::string>& arguments) {
    if (std::find(arguments.begin(), arguments.end(), "--check") == arguments.end())
        return std::nullopt;
    if (arguments.size() == 2 && arguments[0] == "--check")
        return CheckRequest{arguments[1], std::nullopt};
    return CheckRequest{
        {},
        ProgramAnswer{
            2, {}, "Pixbako: --check にはフォルダを一つだけ指定して下さい\n" + usageText()}};
}

int printAnswer(const ProgramAnswer& answer) {
    std::fwrite(answer.standardOutput.data(), 1, answer.standardOutput.size(), stdout);
    std::fwrite(answer.standardError.data(), 1, answer.standardError.size(), stderr);
    std::fflush(stdout);
    std::fflush(stderr);
    return answer.status;
}

} // namespace pixbako
