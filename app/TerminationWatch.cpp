#include "app/TerminationWatch.h"

#include "platform/TerminationSignals.h"

#include <QApplication>
#include <QDialog>
#include <QSocketNotifier>
#include <QWidget>

#include <unistd.h>

namespace pixbako {

TerminationWatch::TerminationWatch() {
    const int fd = terminationNotifier();
    if (fd < 0)
        return;
    notifier_ = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this, fd] {
        char drained[64];
        while (::read(fd, drained, sizeof drained) > 0) {
        }
        closeAll();
    });
}

int TerminationWatch::exitStatus(int status) {
    const int signal = terminationSignal();
    return signal != 0 ? 128 + signal : status;
}

void TerminationWatch::closeAll() {
    // A modal box waits for an answer nobody may give: each is answered as its close box
    // would (a run's questions then stop the run). Bounded, in case one refuses to close.
    for (int i = 0; i < 16; ++i) {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal == mainWindow_)
            break;
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->reject();
        else
            modal->close();
    }
    // During a run the window refuses, stops the run and closes itself once it has unwound.
    if (mainWindow_)
        mainWindow_->close();
}

} // namespace pixbako
