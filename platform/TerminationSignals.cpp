#include "platform/TerminationSignals.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <initializer_list>
#include <unistd.h>

namespace pixbako {
namespace {

volatile std::sig_atomic_t receivedSignal = 0;
int notifyPipe[2] = {-1, -1};

extern "C" void recordTermination(int signal) {
    if (receivedSignal == 0)
        receivedSignal = signal;
    const int savedErrno = errno; // the interrupted code may be about to read it
    if (notifyPipe[1] >= 0) {
        [[maybe_unused]] const ssize_t put = ::write(notifyPipe[1], "T", 1);
    }
    errno = savedErrno;
}

} // namespace

bool installTerminationHandlers() {
    if (notifyPipe[0] < 0 && ::pipe2(notifyPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    struct sigaction action {};
    action.sa_handler = recordTermination;
    ::sigemptyset(&action.sa_mask);
    // Interrupted system calls go on; the run sees the signal at its next check.
    action.sa_flags = SA_RESTART;
    bool ok = true;
    for (int signal : {SIGTERM, SIGHUP, SIGINT})
        ok = ::sigaction(signal, &action, nullptr) == 0 && ok;
    return ok;
}

int terminationSignal() {
    return receivedSignal;
}

int terminationNotifier() {
    return notifyPipe[0];
}

} // namespace pixbako
