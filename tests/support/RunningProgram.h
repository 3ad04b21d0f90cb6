#pragma once
// A program that runs on until the test ends, started the usual way (fork and exec), to see
// what a started program inherits.
#include <csignal>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace pixbako::test {

class RunningProgram {
public:
    RunningProgram() {
        char sleep[] = "sleep";
        char seconds[] = "600";
        char* arguments[] = {sleep, seconds, nullptr};
        if (::posix_spawnp(&pid_, "sleep", nullptr, nullptr, arguments, environ) != 0)
            pid_ = -1;
    }
    ~RunningProgram() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;
    bool started() const { return pid_ > 0; }

private:
    pid_t pid_ = -1;
};

} // namespace pixbako::test
