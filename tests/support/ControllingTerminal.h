#pragma once
// Whether opening a path makes a terminal the controlling terminal of the process. A session
// leader without one takes any terminal it opens without O_NOCTTY; a name that leads to a
// terminal device (a link named like a picture or a settings file) must not do that, or the
// program would get the terminal's signals (SIGHUP when it hangs up, ^C, ^Z).
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace pixbako::test {

// Calls `open` with the path of a fresh pseudo-terminal in a forked child that leads a new
// session without a terminal. "" when the child still has no controlling terminal afterwards,
// "SKIP: ..." when no pseudo-terminal can be had, otherwise what went wrong. Exceptions thrown by
// `open` count as its ordinary answer to a path that is no plain file.
inline std::string controllingTerminalAfter(const std::function<void(const std::string&)>& open) {
    constexpr int kNoTerminal = 0, kTookTerminal = 1, kNoSetUp = 2;
    pid_t pid = ::fork();
    if (pid < 0)
        return "fork failed";
    if (pid == 0) {
        int master = -1;
        const char* name = nullptr;
        if (::setsid() < 0 || (master = ::posix_openpt(O_RDWR | O_NOCTTY)) < 0 ||
            ::grantpt(master) != 0 || ::unlockpt(master) != 0 || !(name = ::ptsname(master)))
            ::_exit(kNoSetUp);
        try {
            open(name);
        } catch (...) {
        }
        // /dev/tty opens only for a process with a controlling terminal.
        ::_exit(::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC) >= 0 ? kTookTerminal
                                                                       : kNoTerminal);
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status))
        return "child ended abnormally";
    switch (WEXITSTATUS(status)) {
    case kNoTerminal:
        return "";
    case kNoSetUp:
        return "SKIP: no pseudo-terminal here";
    case kTookTerminal:
        return "the terminal became the controlling terminal";
    default:
        return "child exit status " + std::to_string(WEXITSTATUS(status));
    }
}

} // namespace pixbako::test
