#pragma once
// The settings file of the main window: section INI0 holds the current options, INI1 to INI5
// the five presets, and Form the window placement. The options travel as one Options value:
// read from the file and applied to the window, or taken from the window and written.
//
// The main window implements ISettingsForm, creates one SettingsFile with the path from
// settingsFilePath(), calls loadOptions("INI0") while it is being created, routes the ten preset
// menu items to applyPresetMenuItem(itemName), and on exit calls saveOnExit().
#include "engine/options/Options.h"
#include "engine/run/Dialogs.h"

#include <QRect>
#include <QString>
#include <string>
#include <string_view>

class QWidget;

namespace pixbako {

class IniFile;

// What the settings file needs of the main window.
class ISettingsForm {
public:
    virtual ~ISettingsForm() = default;
    // The main window: its caption, state and geometry are read and set directly. Null when the
    // options are used without a window (command-line runs with no screen): the placement in
    // the file is then neither read nor written.
    virtual QWidget* mainWindow() = 0;
    virtual IDialogs& dialogs() = 0;
    virtual QString versionText() const = 0; // "2.1.0.0"
    virtual QRect workArea() const = 0;      // the screen's available geometry
    // The options as the window shows them, and showing others: every control whose value
    // changes runs its reaction as for a change by the user. Stored numbers out of range
    // arrive unchanged: the window decides what to make of them.
    virtual Options options() const = 0;
    virtual void applyOptions(const Options& options) = 0;
    // Active tab of PageControl1. Stored numbers out of range arrive unchanged.
    virtual int pageIndex() const = 0;
    virtual void setPageIndex(int index) = 0;
    // Height of Panel1 (the splitter position); never less than 421 when set from here.
    virtual int panelHeight() const = 0;
    virtual void setPanelHeight(int height) = 0;
    // The two name samples (folder and file name), refreshed after a preset is loaded.
    virtual void refreshSamples() = 0;
};

// The settings file for a program at `programPath`: the program's path with its extension
// replaced by ".INI" when that folder can be written, otherwise the same file name in
// $XDG_CONFIG_HOME/Pixbako/ (default ~/.config/Pixbako/), which is created when missing.
QString settingsFilePath(const QString& programPath);

class SettingsFile {
public:
    SettingsFile(ISettingsForm& form, QString iniPath);

    const QString& path() const { return path_; }

    // Applies one options section ("INI0", or a preset "INI1".."INI5") to the window; INI0 also
    // chooses the tab and places the window from section Form. The file is then written back
    // (this creates it when missing), except when it could not be read as a settings file:
    // the defaults apply, a warning box says once which file was not read and why, and the
    // file stays as it is until the user saves a preset on purpose (saveOnExit leaves it).
    void loadOptions(const QString& section);
    // Writes the window's options into one section (INI0 also writes PAGENO and section Form).
    // This is the user's deliberate save: it replaces a file that holds no settings text. A file
    // that can't be read or written gives an error box naming it and the reason, and false; the
    // program goes on.
    bool saveOptions(const QString& section);
    // The ten preset menu items LOAD_INI1..LOAD_INI5 and SAVE_INI1..SAVE_INI5: confirm, load or
    // save the section named by the item's last four characters, and set the caption (not after
    // a save that failed).
    void applyPresetMenuItem(const QString& itemName);
    // An empty or single-blank date pattern of the folder or file names becomes "DDDDD".
    void applyExitReplacement();
    // The exit reaction's part (also at the start of every run): applyExitReplacement(), then
    // saveOptions("INI0"), unless the file could not be read: a run or an exit never replaces
    // settings it couldn't read.
    void saveOnExit();

private:
    void placeWindow(QWidget& window, const IniFile& ini, const QRect& area);
    bool save(const std::string& section, bool deliberate);
    void reportWriteFailure(const std::string& reason);
    // The warning about a file that was not read, once per program run.
    void reportUnreadable(const IniFile& ini);

    ISettingsForm& form_;
    QString path_;
    bool toldUnreadable_ = false;
};

} // namespace pixbako
