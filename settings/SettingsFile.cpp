#include "settings/SettingsFile.h"

#include "engine/options/OptionsFile.h"
#include "platform/IniFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QWidget>
#include <algorithm>
#include <cstring>
#include <unistd.h>

namespace pixbako {
namespace {

constexpr std::string_view kCurrentSection = "INI0";
constexpr std::string_view kFormSection = "Form";
constexpr int kPanelMinimum = 421;
// X11 can't hold a window wider or higher than this; a larger stored size is not a size.
constexpr int kLargestWindowSide = 32767;

std::string utf8(const QString& text) {
    return text.toStdString();
}

std::string fileName(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

bool isUnreadable(const IniFile& ini) {
    auto status = ini.loadStatus();
    return status == IniFile::LoadStatus::Failed || status == IniFile::LoadStatus::NotSettings;
}

std::string unreadableReason(const IniFile& ini) {
    if (ini.loadStatus() == IniFile::LoadStatus::Failed)
        return std::strerror(ini.loadError());
    switch (ini.problem()) {
    case SettingsTextProblem::TooLarge:
        return "1 MiB を超える大きさです";
    case SettingsTextProblem::LineTooLong:
        return "128 KiB を超える行があります";
    case SettingsTextProblem::Utf16:
        return "UTF-16 で保存されています（Shift-JIS か UTF-8 で保存してください）";
    case SettingsTextProblem::ControlBytes:
        return "NUL などの制御文字を含んでいます";
    case SettingsTextProblem::NoSection:
        return "[INI0] のような見出しがありません";
    case SettingsTextProblem::None:
        break;
    }
    return {};
}

} // namespace

QString settingsFilePath(const QString& programPath) {
    QFileInfo program(programPath);
    QString name = program.fileName();
    auto dot = name.lastIndexOf(QLatin1Char('.'));
    name = (dot > 0 ? name.left(dot) : name) + QStringLiteral(".INI");
    QString folder = program.absolutePath();
    // The settings live beside the program when that folder takes new files (the file is
    // replaced through a new file beside it).
    if (::access(QFile::encodeName(folder).constData(), W_OK | X_OK) == 0)
        return folder + QLatin1Char('/') + name;
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty() || QDir::isRelativePath(config)) // relative paths are to be ignored
        config = QDir::homePath() + QStringLiteral("/.config");
    QString own = config + QStringLiteral("/Pixbako");
    QDir().mkpath(own);
    return own + QLatin1Char('/') + name;
}

SettingsFile::SettingsFile(ISettingsForm& form, QString iniPath)
    : form_(form), path_(std::move(iniPath)) {}

void SettingsFile::reportWriteFailure(const std::string& reason) {
    form_.dialogs().beep(BeepKind::Hand);
    form_.dialogs().messageBox("設定ファイルに書き込めません\r\n" + utf8(path_) + "\r\n" + reason,
                               BoxIcon::Error, BoxButtons::Ok);
}

void SettingsFile::reportUnreadable(const IniFile& ini) {
    if (toldUnreadable_)
        return;
    toldUnreadable_ = true;
    form_.dialogs().beep(BeepKind::Exclamation);
    form_.dialogs().messageBox("設定ファイルを読み込めませんでした\r\n" + utf8(path_) + "\r\n" +
                                   unreadableReason(ini) +
                                   "\r\n\r\n既定の設定で起動します。このファイルは、メニューの"
                                   "「現在の設定を保存」で保存するまで書き換えません。",
                               BoxIcon::Warning, BoxButtons::Ok);
}

void SettingsFile::loadOptions(const QString& qsection) {
    QRect area = form_.workArea();
    IniFile ini(fileName(path_), IniDialect::Settings);
    std::string section = utf8(qsection);
    form_.applyOptions(readOptions(ini, section, utf8(form_.versionText())));

    if (section == kCurrentSection) {
        const bool protectedNow = form_.options().settingsProtected;
        form_.setPageIndex(protectedNow ? 0 : ini.readInteger(section, "PAGENO", 1));
        if (QWidget* window = form_.mainWindow())
            placeWindow(*window, ini, area);
    }

    // The file is written back as read, which creates it where none existed. A file that could
    // not be read, or holds no settings text, is left as it is: writing it back would lose it.
    if (isUnreadable(ini)) {
        reportUnreadable(ini);
        return;
    }
    if (auto result = ini.save(); !result.ok)
        reportWriteFailure(result.message);
}

void SettingsFile::placeWindow(QWidget& window, const IniFile& ini, const QRect& area) {
    int top = ini.readInteger(kFormSection, "Top", area.top() + 10);
    int left = ini.readInteger(kFormSection, "Left", area.left() + 10);
    int width = ini.readInteger(kFormSection, "Width", window.width());
    int height = ini.readInteger(kFormSection, "Height", window.height());
    if (width <= 0 || width > kLargestWindowSide)
        width = window.width();
    if (height <= 0 || height > kLargestWindowSide)
        height = window.height();
    // The window must come up where it can be grabbed: its top left corner inside the work
    // area, at least 100 pixels from its right and bottom edges.
    const int right = area.left() + area.width();
    const int bottom = area.top() + area.height();
    if (left > right - 100 || left < area.left())
        left = area.left();
    if (top < area.top() || top > bottom - 100)
        top = area.top();
    window.move(left, top);
    window.resize(width, height);

    switch (ini.readInteger(kFormSection, "WINDOWSTATE", 0)) {
    case 1:
        window.setWindowState(Qt::WindowMinimized);
        break;
    case 2:
        window.setWindowState(Qt::WindowMaximized);
        break;
    default:
        window.setWindowState(Qt::WindowNoState);
        break;
    }
    form_.setPanelHeight(std::max(
        kPanelMinimum, static_cast<int>(ini.readInteger(kFormSection, "PANELHI", kPanelMinimum))));
}

bool SettingsFile::saveOptions(const QString& qsection) {
    return save(utf8(qsection), true);
}

bool SettingsFile::save(const std::string& section, bool deliberate) {
    IniFile ini(fileName(path_), IniDialect::Settings);
    if (!deliberate && isUnreadable(ini)) {
        // The user has been told, and keeps what the file holds until saving on purpose.
        reportUnreadable(ini);
        return false;
    }
    if (ini.loadStatus() == IniFile::LoadStatus::Failed) {
        // Writing now would replace sections that could not be read.
        reportWriteFailure(std::string("read: ") + std::strerror(ini.loadError()));
        return false;
    }
    writeOptions(ini, section, form_.options(), utf8(form_.versionText()));

    if (section == kCurrentSection) {
        ini.writeInteger(section, "PAGENO", form_.pageIndex());
    }
    if (section == kCurrentSection && form_.mainWindow()) {
        QWidget& window = *form_.mainWindow();
        Qt::WindowStates state = window.windowState();
        int stateNumber = state & Qt::WindowMinimized                            ? 1
                          : state & (Qt::WindowMaximized | Qt::WindowFullScreen) ? 2
                                                                                 : 0;
        ini.writeInteger(kFormSection, "WindowState", stateNumber);
        ini.writeInteger(kFormSection, "PANELHI", form_.panelHeight());
        // A maximised or minimised window keeps the last normal placement in the file.
        if (stateNumber == 0) {
            ini.writeInteger(kFormSection, "Top", window.y());
            ini.writeInteger(kFormSection, "Left", window.x());
            ini.writeInteger(kFormSection, "Width", window.width());
            ini.writeInteger(kFormSection, "Height", window.height());
        }
    }
    if (auto result = ini.save(); !result.ok) {
        reportWriteFailure(result.message);
        return false;
    }
    return true;
}

void SettingsFile::applyPresetMenuItem(const QString& itemName) {
    if (itemName.size() < 4)
        return;
    bool save = itemName.left(4) == QStringLiteral("SAVE");
    QString section = itemName.right(4);
    QString caption = QStringLiteral("Pixbako     [設定No.") + itemName.right(1) + QLatin1Char(']');
    IDialogs& dialogs = form_.dialogs();
    if (save) {
        if (dialogs.messageBox("現在の設定を保存します", BoxIcon::Question, BoxButtons::OkCancel) !=
            BoxAnswer::Ok)
            return;
        if (!saveOptions(section))
            return; // the caption names a preset only when it holds these settings
    } else {
        if (dialogs.messageBox("現在の設定を破棄して読み込みます", BoxIcon::Question,
                               BoxButtons::OkCancel) != BoxAnswer::Ok)
            return;
        loadOptions(section);
        // Choosing a style by program need not reach the sample reaction.
        form_.refreshSamples();
    }
    if (QWidget* window = form_.mainWindow())
        window->setWindowTitle(caption);
}

void SettingsFile::applyExitReplacement() {
    Options options = form_.options();
    const Options shown = options;
    options.folderDatePattern = datePatternForSave(options.folderDatePattern);
    options.fileDatePattern = datePatternForSave(options.fileDatePattern);
    if (options != shown)
        form_.applyOptions(options);
}

void SettingsFile::saveOnExit() {
    applyExitReplacement();
    save(std::string(kCurrentSection), false);
}

} // namespace pixbako
