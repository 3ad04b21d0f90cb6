#pragma once
// The built pixbako program as a process on a temporary folder: its own copy of the program
// (so that its settings file, the program's path with ".INI", lies in the test's folder),
// a prepared settings file, the offscreen platform, and its exit status, standard output and
// standard error.
#include "support/TempFolder.h"

#include "platform/Encoding.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace pixbako::test {

namespace fs = std::filesystem;

using Strings = std::vector<std::string>;

// Every plain file below `folder`, relative to it, sorted.
inline Strings filesUnder(const std::string& folder) {
    Strings files;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(folder, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec))
        if (it->is_regular_file())
            files.push_back(fs::relative(it->path(), folder).string());
    std::sort(files.begin(), files.end());
    return files;
}

inline std::string readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct ProcessResult {
    int status = -1; // exit status; 124 when the time guard ended it, 137 when it killed it
    std::string stderrText;
    std::string stdoutText;
};

class PixbakoInstall {
public:
    PixbakoInstall() {
        bin_ = root_.path() + "/bin";
        fs::create_directories(bin_);
        fs::create_directories(runtime());
        fs::permissions(runtime(), fs::perms::owner_all);
        // PIXBAKO_E2E_PROGRAM runs the cards through another build (an older one, to compare
        // what the two write).
        const char* other = std::getenv("PIXBAKO_E2E_PROGRAM");
        const std::string built = other && *other ? other : PIXBAKO_PATH;
        std::error_code ec;
        fs::create_hard_link(built, program(), ec);
        if (ec)
            fs::copy_file(built, program());
    }

    // PIXBAKO_E2E_KEEP=folder keeps what each test's program wrote (settings, counters, logs,
    // imported files) under folder/<test name>, for comparing two builds.
    ~PixbakoInstall() {
        const char* keep = std::getenv("PIXBAKO_E2E_KEEP");
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        if (!keep || !*keep || !test)
            return;
        std::error_code ec;
        const fs::path target =
            fs::path(keep) / (std::string(test->test_suite_name()) + "." + test->name());
        fs::remove_all(target, ec);
        fs::create_directories(target, ec);
        fs::copy(root(), target, fs::copy_options::recursive | fs::copy_options::copy_symlinks, ec);
        fs::remove(target / "bin" / "pixbako", ec);
        std::ofstream(target / "ROOT") << root();
    }

    const std::string& root() const { return root_.path(); }
    std::string program() const { return bin_ + "/pixbako"; }
    std::string iniPath() const { return bin_ + "/pixbako.INI"; }

    // Section INI0 of the settings file, one "KEY=value" a line, written with CRLF and encoded
    // as the program writes it (CP932, or UTF-8 with its mark): a file without the mark reads
    // as CP932, so UTF-8 bytes of a Japanese folder name would name another folder.
    void writeSettings(const std::vector<std::string>& lines) const {
        std::string text = "[INI0]\r\n";
        for (const std::string& line : lines)
            text += line + "\r\n";
        std::ofstream(iniPath(), std::ios::binary) << encodeTextFile(text);
    }

    // The Qt platform the program is started on; empty: none named and no display either, as
    // under cron or udev.
    std::string platform = "offscreen";
    // Further "NAME=value" entries of the program's environment.
    std::vector<std::string> environment;

    // Starts the program; its standard error goes to a file of the test.
    pid_t start(const std::vector<std::string>& arguments, int guardSeconds = 30) const {
        // A guard ends a program that would wait for ever, so that a fault fails the test
        // instead of hanging the suite. The program takes the guard's SIGTERM as a request to
        // stop; one that does not end on it (a box that nobody closes) is killed soon after.
        std::vector<std::string> command = {"timeout", "-k", "5", std::to_string(guardSeconds),
                                            program()};
        command.insert(command.end(), arguments.begin(), arguments.end());
        std::vector<char*> argv;
        for (std::string& part : command)
            argv.push_back(part.data());
        argv.push_back(nullptr);

        std::vector<std::string> env = {"HOME=" + root(),
                                        "XDG_CONFIG_HOME=" + root() + "/config",
                                        "XDG_RUNTIME_DIR=" + runtime(),
                                        "TZ=UTC",
                                        "LANG=C.UTF-8",
                                        "PATH=/usr/bin:/bin"};
        if (!platform.empty())
            env.push_back("QT_QPA_PLATFORM=" + platform);
        env.insert(env.end(), environment.begin(), environment.end());
        std::vector<char*> envp;
        for (std::string& part : env)
            envp.push_back(part.data());
        envp.push_back(nullptr);

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 2, stderrPath().c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&actions, 1, stdoutPath().c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        pid_t pid = -1;
        if (posix_spawnp(&pid, "timeout", &actions, nullptr, argv.data(), envp.data()) != 0)
            pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        return pid;
    }

    ProcessResult finish(pid_t pid) const {
        ProcessResult result;
        int status = 0;
        if (pid > 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status))
            result.status = WEXITSTATUS(status);
        std::ifstream err(stderrPath(), std::ios::binary);
        result.stderrText.assign(std::istreambuf_iterator<char>(err), {});
        std::ifstream out(stdoutPath(), std::ios::binary);
        result.stdoutText.assign(std::istreambuf_iterator<char>(out), {});
        return result;
    }

    ProcessResult run(const std::vector<std::string>& arguments, int guardSeconds = 30) const {
        return finish(start(arguments, guardSeconds));
    }

private:
    std::string runtime() const { return root() + "/runtime"; }
    std::string stderrPath() const { return root() + "/stderr.txt"; }
    std::string stdoutPath() const { return root() + "/stdout.txt"; }

    TempFolder root_;
    std::string bin_;
};

// Waits until `path` exists (a program started by Pixbako is not waited for); false after
// `seconds`.
inline bool waitForFile(const std::string& path, int seconds = 20) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (!fs::exists(path)) {
        if (std::chrono::steady_clock::now() > until)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

} // namespace pixbako::test
