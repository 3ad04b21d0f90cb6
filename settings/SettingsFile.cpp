#include "settings/SettingsFile.h"

#include <QWidget>

namespace pixbako {

QString settingsFilePath(const QString& programPath) {
    return programPath;
}

SettingsFile::SettingsFile(ISettingsForm& form, QString iniPath)
    : form_(form), path_(std::move(iniPath)) {}

void SettingsFile::LOADINI(const QString&) {}
void SettingsFile::SAVEINI(const QString&) {}
void SettingsFile::POPMENUClick(const QString&) {}
void SettingsFile::applyExitReplacement() {}
void SettingsFile::saveOnExit() {
    applyExitReplacement();
    SAVEINI(QStringLiteral("INI0"));
}

} // namespace pixbako
