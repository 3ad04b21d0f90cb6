#include "components/FileDropTarget.h"

#include <QDropEvent>
#include <QMessageBox>
#include <QMimeData>
#include <QSysInfo>
#include <QTimer>
#include <QUrl>

namespace pixbako {

namespace {

// How many drop hooks sit on a widget; a hook leaves drags on such a widget inside its own
// control to that widget's hook.
const char kDropHooks[] = "pixbakoDropHooks";

void countHook(QWidget* widget, int step) {
    widget->setProperty(kDropHooks, widget->property(kDropHooks).toInt() + step);
}

bool isLocalHost(const QString& host) {
    return host.isEmpty() || host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0 ||
           host.compare(QSysInfo::machineHostName(), Qt::CaseInsensitive) == 0;
}

// Agrees to the drag as a copy or a link. A source that offers nothing but a move is refused:
// accepting a move may make it delete the files.
bool acceptWithoutMove(QDropEvent* event) {
    if (event->possibleActions() & Qt::CopyAction)
        event->setDropAction(Qt::CopyAction);
    else if (event->possibleActions() & Qt::LinkAction)
        event->setDropAction(Qt::LinkAction);
    else
        return false;
    event->accept();
    return true;
}

} // namespace

std::vector<std::string> droppedLocalFiles(const QMimeData& data) {
    std::vector<std::string> files;
    if (!data.hasUrls())
        return files;
    for (const QUrl& url : data.urls()) {
        if (!url.isValid() || !url.isLocalFile() || !isLocalHost(url.host()))
            continue;
        // The encoded path decoded byte by byte keeps names that are not UTF-8 as they are.
        QByteArray path = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
        while (path.size() > 1 && path.endsWith('/'))
            path.chop(1);
        if (!path.startsWith('/') || path.contains('\0'))
            continue;
        files.emplace_back(path.constData(), static_cast<std::size_t>(path.size()));
    }
    return files;
}

FileDropTarget::FileDropTarget(QObject* owner) : ControlHook(owner) {}

FileDropTarget::~FileDropTarget() {
    // The base destructor can no longer reach hookChanged of this class.
    unhook();
}

void FileDropTarget::setAcceptDrop(bool accept) {
    if (accept == acceptDrop_)
        return;
    acceptDrop_ = accept;
    registerDrop();
}

void FileDropTarget::registerDrop() {
    if (QWidget* widget = hookedControl())
        widget->setAcceptDrops(ownAcceptDrops_ || acceptDrop_);
}

void FileDropTarget::hookChanged(bool on) {
    QWidget* widget = hookedControl();
    if (on) {
        ownAcceptDrops_ = widget->acceptDrops();
        countHook(widget, 1);
        watchInside(widget);
        registerDrop();
        return;
    }
    for (QWidget* inside : widget->findChildren<QWidget*>())
        inside->removeEventFilter(this);
    countHook(widget, -1);
    widget->setAcceptDrops(ownAcceptDrops_);
}

void FileDropTarget::handleChanged(int reason) {
    ControlHook::handleChanged(reason);
    if (reason == 2)
        registerDrop();
}

// Widgets inside the control that take drops of their own (a line edit in a group box takes
// dropped text) would catch a file drag before the control sees it; the hook watches them too.
void FileDropTarget::watchInside(QWidget* widget) {
    for (QWidget* inside : widget->findChildren<QWidget*>()) {
        inside->removeEventFilter(this); // never twice
        inside->installEventFilter(this);
    }
}

void FileDropTarget::watchChild(QObject* child) {
    if (!child->isWidgetType())
        return;
    auto* widget = static_cast<QWidget*>(child);
    widget->removeEventFilter(this);
    widget->installEventFilter(this);
    watchInside(widget); // a widget built elsewhere and put in later brings its children along
}

bool FileDropTarget::hookedEvent(QEvent* event) {
    if (event->type() == QEvent::ChildAdded) {
        watchChild(static_cast<QChildEvent*>(event)->child());
        return false;
    }
    return dragEvent(hookedControl(), event);
}

bool FileDropTarget::eventFilter(QObject* watched, QEvent* event) {
    QWidget* control = hookedControl();
    if (!control || watched == control || !watched->isWidgetType())
        return ControlHook::eventFilter(watched, event);
    auto* inside = static_cast<QWidget*>(watched);
    if (!control->isAncestorOf(inside))
        return false; // moved elsewhere since
    if (event->type() == QEvent::ChildAdded) {
        watchChild(static_cast<QChildEvent*>(event)->child());
        return false;
    }
    if (!acceptDrop_ || inside->window() != control->window())
        return false;
    // A widget in between with a drop hook of its own handles its drags itself.
    for (QWidget* w = inside; w && w != control; w = w->parentWidget()) {
        if (w->property(kDropHooks).toInt() > 0)
            return false;
    }
    return dragEvent(inside, event);
}

bool FileDropTarget::dragEvent(QWidget* at, QEvent* event) {
    QEvent::Type type = event->type();
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop)
        return false;
    auto* drop = static_cast<QDropEvent*>(event);
    const QMimeData* data = drop->mimeData();
    if (!data)
        return false;
    // Reading a drag's URLs asks the dragging program for them; the mouse moves reuse what the
    // drag's entry found.
    std::vector<std::string> files;
    if (type != QEvent::DragMove || data != dragData_) {
        files = droppedLocalFiles(*data);
        dragData_ = data;
        dragHasFiles_ = !files.empty();
    }
    if (!dragHasFiles_)
        return false; // not files: the widget's own business
    if (!acceptDrop_ || !acceptWithoutMove(drop)) {
        drop->ignore();
        return true;
    }
    if (type == QEvent::Drop) {
        dragData_ = nullptr;
        QPoint point = drop->position().toPoint();
        if (at != hookedControl())
            point = at->mapTo(hookedControl(), point);
        deliver(files, point);
    }
    return true;
}

void FileDropTarget::deliver(const std::vector<std::string>& files, QPoint point) {
    if (!onFileDrop)
        return;
    try {
        onFileDrop(*this, files, point.x(), point.y());
    } catch (const std::exception& error) {
        showError(QString::fromUtf8(error.what()));
    } catch (...) {
        showError(QStringLiteral("予期しないエラーが発生しました。"));
    }
}

void FileDropTarget::showError(const QString& message) {
    // After the drop has finished: a file manager waits for the end of the drop, and a modal
    // box would keep it waiting until the user closes it.
    QTimer::singleShot(0, this, [this, message] {
        if (onError) {
            onError(*this, message);
            return;
        }
        QWidget* control = hookedControl();
        QMessageBox box(QMessageBox::Critical, QStringLiteral("Pixbako"), message, QMessageBox::Ok,
                        control ? control->window() : nullptr);
        box.setTextFormat(Qt::PlainText);
        box.exec();
    });
}

} // namespace pixbako
