#include "engine/check/CheckCommand.h"

#include "engine/check/CardCheck.h"
#include "engine/options/OptionsFile.h"
#include "platform/IniFile.h"

#include <cstring>

namespace pixbako {

ProgramAnswer cardCheckAnswer(const std::string& iniPath, const std::string& folder,
                              const std::string& versionText) {
    const IniFile ini(iniPath, IniDialect::Settings);
    // Defaults in place of settings that can't be read would check against no save folder, or
    // with another filter: say so instead.
    if (ini.loadStatus() == IniFile::LoadStatus::Failed ||
        ini.loadStatus() == IniFile::LoadStatus::NotSettings) {
        std::string reason = ini.loadStatus() == IniFile::LoadStatus::Failed
                                 ? std::strerror(ini.loadError())
                                 : "設定ファイルではありません";
        return {2, {}, "Pixbako: 設定ファイルを読み込めません: " + iniPath + " (" + reason + ")\n"};
    }
    Options options = withinControlRanges(readOptions(ini, "INI0", versionText));
    options.readInFolder = folder;
    const CardCheck check = checkCard(options);
    if (check.problem != CardCheckProblem::None)
        return {2, {}, "Pixbako: " + cardCheckProblemText(check) + "\n"};
    return {cardCheckExitStatus(check), cardCheckListing(check), {}};
}

} // namespace pixbako
