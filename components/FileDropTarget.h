#pragma once
// FileDropTarget lets a widget receive files dragged from a file manager without the widget knowing
// about it. Hook it to the widget (control); every drop of local files (text/uri-list with
// file:// URLs) on the widget, or on any widget inside it, becomes one onFileDrop call:
//
//     auto* drop = new FileDropTarget(this);
//     drop->onFileDrop = [this](FileDropTarget&, const std::vector<std::string>& files,
//                               int x, int y) {
//         ... // files in drop order; x, y in the control's coordinates
//     };
//     drop->setControl(ReadInGroupbox);
//
// The paths are the bytes of the names on disk (percent-encoding decoded, not re-encoded as
// text), without a trailing "/". URLs of other machines and other schemes are left out; a
// drag that holds no local file is none of this hook's business and reaches the widget as
// before (a line edit still takes dropped text).
//
// A drop is accepted as a copy (or a link), never as a move: a file manager that is told
// "moved" may delete the originals.
//
// An exception thrown by onFileDrop goes no further than the drop: its message is shown with
// onError (by default an error box over the control's window) once the drop has finished.
#include "components/ControlHook.h"

#include <QString>

#include <functional>
#include <string>
#include <vector>

class QDropEvent;
class QMimeData;

namespace pixbako {

class FileDropTarget : public ControlHook {
    Q_OBJECT
public:
    using TFileDropEvent = std::function<void(FileDropTarget& sender,
                                              const std::vector<std::string>& files, int x, int y)>;
    using TErrorDisplay = std::function<void(FileDropTarget& sender, const QString& message)>;

    explicit FileDropTarget(QObject* owner = nullptr);
    ~FileDropTarget() override;

    // False: file drags show the no-drop cursor and nothing is delivered.
    bool acceptDrop() const { return acceptDrop_; }
    void setAcceptDrop(bool accept);

    TFileDropEvent onFileDrop;
    TErrorDisplay onError;

protected:
    void hookChanged(bool on) override;
    void handleChanged(int reason) override;
    bool hookedEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void registerDrop();
    void watchInside(QWidget* widget);
    void watchChild(QObject* child);
    bool dragEvent(QWidget* at, QEvent* event);
    void deliver(const std::vector<std::string>& files, QPoint point);
    void showError(const QString& message);

    bool acceptDrop_ = true;
    bool ownAcceptDrops_ = false;         // the hooked widget's own setting, given back on unhook
    const QMimeData* dragData_ = nullptr; // the drag in progress, as its entry saw it
    bool dragHasFiles_ = false;
};

// The local files named by a drag's URLs, in their order: file:// URLs without a host or with
// "localhost" or this machine's name, decoded to the bytes of the path.
std::vector<std::string> droppedLocalFiles(const QMimeData& data);

} // namespace pixbako
