#pragma once
// The file-selection tab: loading files into the thumbnail box, selecting them, view mode,
// thumbnail size and the sorting headers. While the box holds items a run takes exactly its
// selected files.
//
// The page works on the tab's widgets of the main window's form; the window connects the
// controls to the page's methods. A load or a thumbnail rebuild announces itself through
// busyChanged, so that the window shows its processing notice and locks meanwhile.
#include "engine/datepattern/DateFormat.h"
#include "engine/run/Dialogs.h"
#include "engine/run/ExtensionChoice.h"

#include <QObject>
#include <QPoint>
#include <QString>

#include <functional>
#include <string>
#include <vector>

namespace Ui {
class MainWindow;
}

namespace pixbako {

class FileSelectionPage : public QObject {
    Q_OBJECT

public:
    // The window's folder picker: title and initial folder in, the chosen folder out (empty:
    // cancelled).
    using PickFolder = std::function<QString(const QString& title, const QString& initialFolder)>;
    // Opens a file with its program; unset: QDesktopServices.
    using OpenFile = std::function<void(const QString& path)>;

    // `extensions` is the window's choice of file types, read by each filtered load.
    // The captions are written with the locale's `dateTexts`.
    FileSelectionPage(Ui::MainWindow& form, IDialogs& dialogs, const ExtensionChoice& extensions,
                      DateTextSettings dateTexts, PickFolder pickFolder, OpenFile openFile,
                      QObject* parent = nullptr);

    void readFolderIntoBox();
    void addFolderToBox();
    void dropOnThumbnails(const std::vector<std::string>& files);
    void clearBox();
    void selectAllInBox();
    void clearBoxSelection();
    void showSelectionStatus();
    void showThumbnailHint(QPoint pos);
    void openThumbnailFile();
    void applyViewMode();
    void showChosenThumbnailSize();
    void rebuildThumbnails(bool underNotice);
    void sortByFileName();
    void sortByFolder();
    void sortByShotDate();
    void markSortHeader();
    // At start: the stored size without the notice, and the header marks.
    void applyStoredThumbnailSize();

signals:
    // A load or rebuild begins (true) or ends (false). An empty read-in folder reports an end
    // without a beginning.
    void busyChanged(bool busy);

private:
    void loadFiles(const std::string& folder, bool filtered);
    void setSelectionStatus();

    Ui::MainWindow* ui;
    DateTextSettings dateTexts_;
    IDialogs& dialogs_;
    const ExtensionChoice& extensionChoice_;
    PickFolder pickFolder_;
    OpenFile openFile_;
    QString extraFolder_; // the folder last chosen for an additional load
};

} // namespace pixbako
