#include "settings/SettingsFile.h"

#include "engine/naming/SequenceStyle.h"
#include "platform/IniFile.h"
#include "settings/OptionKeys.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QVariant>
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

QString qtext(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string fileName(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

// A value of the older layout without the quote that enclosed it at each end: its first and
// last characters go, whatever they are.
std::string withoutEnclosingCharacters(const std::string& value) {
    QString text = qtext(value);
    if (text.size() < 2)
        return {};
    return utf8(text.mid(1, text.size() - 2));
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

QWidget* SettingsFile::control(std::string_view name) const {
    return form_.form().findChild<QWidget*>(qtext(name));
}

void SettingsFile::setControl(std::string_view name, std::string_view property,
                              const QVariant& value) {
    if (QWidget* widget = control(name))
        widget->setProperty(std::string(property).c_str(), value);
}

QVariant SettingsFile::controlValue(std::string_view name, std::string_view property) const {
    QWidget* widget = control(name);
    return widget ? widget->property(std::string(property).c_str()) : QVariant();
}

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

    // The layout is told by VER as it stands in the file: the older one quoted it.
    std::string version = ini.storedValue(section, "VER").value_or(utf8(form_.versionText()));
    bool olderLayout = version.empty() || version.front() == '"';
    int runParameterDefault = ini.readBool(section, "RUNPARA", false) ? 0 : 1;

    for (std::string_view key : loadOrder()) {
        const OptionKey& option = *findOptionKey(key);
        switch (option.type) {
        case KeyType::Text: {
            const bool quoted = olderLayout && option.quotedInOlderLayout;
            auto stored =
                quoted ? ini.storedValue(section, option.key) : ini.value(section, option.key);
            // A missing key takes its default as it stands, also in the older layout: only
            // stored values were quoted.
            std::string value(option.textDefault);
            if (stored)
                value = quoted ? withoutEnclosingCharacters(*stored) : *stored;
            applyText(option, value);
            break;
        }
        case KeyType::Boolean:
            applyBoolean(option, ini.readBool(section, option.key, option.numberDefault != 0));
            break;
        case KeyType::Integer: {
            int fallback = option.key == "RUNPARA2" ? runParameterDefault : option.numberDefault;
            applyInteger(option, ini.readInteger(section, option.key, fallback));
            break;
        }
        }
    }

    if (section == kCurrentSection) {
        QVariant protection = controlValue("CHKHOGO", "checked");
        bool protectedNow =
            protection.isValid() ? protection.toBool() : ini.readBool(section, "HOGOF", false);
        form_.setPageIndex(protectedNow ? 0 : ini.readInteger(section, "PAGENO", 1));
        placeWindow(ini, area);
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

void SettingsFile::applyText(const OptionKey& option, const std::string& value) {
    switch (option.holder) {
    case Holder::Control:
        setControl(option.control, option.property, qtext(value));
        break;
    case Holder::ExtensionList:
        form_.extensionChoice().freeList = value;
        break;
    default:
        break;
    }
}

void SettingsFile::applyBoolean(const OptionKey& option, bool value) {
    switch (option.holder) {
    case Holder::Control:
        setControl(option.control, option.property, value);
        break;
    case Holder::CopyMode:
        // Radio buttons of one group: checking one clears the other.
        setControl(value ? "RedioButtonCOPY" : "RedioButtonMOVE", "checked", true);
        break;
    case Holder::ExtensionFlag:
        form_.extensionChoice().*option.flag = value;
        break;
    case Holder::SortUp:
        form_.setSortUp(value);
        break;
    default:
        break;
    }
}

void SettingsFile::applyInteger(const OptionKey& option, int value) {
    switch (option.holder) {
    case Holder::Control:
        setControl(option.control, option.property, value);
        break;
    case Holder::ThumbnailMode:
        form_.setThumbnailMode(value);
        break;
    case Holder::ThumbnailSize:
        form_.setThumbnailSize(value);
        break;
    case Holder::SortType:
        form_.setSortType(value);
        break;
    default:
        break;
    }
}

void SettingsFile::placeWindow(const IniFile& ini, const QRect& area) {
    QWidget& window = form_.form();
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
    for (const OptionKey& option : optionKeys())
        storeOption(ini, section, option);

    if (section == kCurrentSection) {
        ini.writeInteger(section, "PAGENO", form_.pageIndex());
        QWidget& window = form_.form();
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

void SettingsFile::storeOption(IniFile& ini, const std::string& section, const OptionKey& option) {
    // A control the window does not have keeps the stored value (or gets the default).
    auto keepStored = [&] {
        if (ini.value(section, option.key))
            ini.writeString(section, option.key, *ini.value(section, option.key));
        else if (option.type == KeyType::Text)
            ini.writeString(section, option.key, option.textDefault);
        else
            ini.writeInteger(section, option.key, option.numberDefault);
    };
    auto styleIndex = [&] { return ini.readInteger(section, "FNUM", 3); };
    switch (option.holder) {
    case Holder::Control: {
        QVariant value = controlValue(option.control, option.property);
        if (!value.isValid())
            keepStored();
        else if (option.type == KeyType::Text)
            ini.writeString(section, option.key, utf8(value.toString()));
        else if (option.type == KeyType::Boolean)
            ini.writeBool(section, option.key, value.toBool());
        else
            ini.writeInteger(section, option.key, value.toInt());
        break;
    }
    case Holder::CopyMode: {
        QVariant copy = controlValue("RedioButtonCOPY", "checked");
        if (copy.isValid())
            ini.writeBool(section, option.key, copy.toBool());
        else
            keepStored();
        break;
    }
    case Holder::SequenceOpening: // from the style just written under FNUM
        ini.writeString(section, option.key, sequenceStyleFor(styleIndex()).opening);
        break;
    case Holder::SequenceDigits:
        ini.writeInteger(section, option.key, sequenceStyleFor(styleIndex()).digits);
        break;
    case Holder::SequenceClosing:
        ini.writeString(section, option.key, sequenceStyleFor(styleIndex()).closing);
        break;
    case Holder::ExtensionFlag:
        ini.writeBool(section, option.key, form_.extensionChoice().*option.flag);
        break;
    case Holder::ExtensionList:
        ini.writeString(section, option.key, form_.extensionChoice().freeList);
        break;
    case Holder::Version:
        ini.writeString(section, option.key, utf8(form_.versionText()));
        break;
    case Holder::ThumbnailMode:
        ini.writeInteger(section, option.key, form_.thumbnailMode());
        break;
    case Holder::ThumbnailSize:
        ini.writeInteger(section, option.key, form_.thumbnailSize());
        break;
    case Holder::SortType:
        ini.writeInteger(section, option.key, form_.sortType());
        break;
    case Holder::SortUp:
        ini.writeBool(section, option.key, form_.sortUp());
        break;
    }
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
    form_.form().setWindowTitle(caption);
}

void SettingsFile::applyExitReplacement() {
    for (std::string_view name : {"DDATEEdit", "FDATEEdit"}) {
        QVariant text = controlValue(name, "currentText");
        if (!text.isValid())
            continue;
        QString pattern = text.toString();
        if (pattern.isEmpty() || pattern == QStringLiteral(" "))
            setControl(name, "currentText", QStringLiteral("DDDDD"));
    }
}

void SettingsFile::saveOnExit() {
    applyExitReplacement();
    save(std::string(kCurrentSection), false);
}

} // namespace pixbako
