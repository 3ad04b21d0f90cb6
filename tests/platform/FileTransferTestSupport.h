#pragma once
// Helpers of the file transfer tests: scratch folders on a chosen file system, file contents
// and times, scripted dialogs, and forked children for faults that need a process of their
// own (resource limits, another user, a private mount namespace, refused system calls, SIGKILL).
//
// The checks return an empty text when all is well and a description otherwise, so that a
// forked child can send its findings to the parent, which turns them into test failures.
#include "platform/FileTransfer.h"
#include "platform/TemporaryName.h"
#include "support/TransferResultText.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstring>
#include <deque>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <future>
#include <grp.h>
#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <sched.h>
#include <string>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace pixbako::transfer_test {

// A fresh folder under `base`, removed with everything in it at the end.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::string& base = "/tmp") {
        std::string pattern = base + "/pixbako-xfer-XXXXXX";
        if (char* made = ::mkdtemp(pattern.data())) {
            path_ = made;
            // Children that drop to an unprivileged user must be able to walk in.
            ::chmod(path_.c_str(), 0755);
        }
    }
    ~ScratchFolder() {
        if (path_.empty())
            return;
        namespace fs = std::filesystem;
        std::error_code ec;
        for (auto it = fs::recursive_directory_iterator(path_, ec);
             !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
            if (it->is_directory(ec) && !it->is_symlink(ec))
                ::chmod(it->path().c_str(), 0700);
        }
        fs::remove_all(path_, ec);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    bool ok() const { return !path_.empty(); }
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }
    dev_t device() const {
        struct stat st {};
        ::stat(path_.c_str(), &st);
        return st.st_dev;
    }

private:
    std::string path_;
};

// Bytes that differ from chunk to chunk and from seed to seed, so that a chunk written twice
// or in the wrong place shows.
inline std::string patternBytes(std::size_t size, unsigned seed) {
    std::string bytes(size, '\0');
    std::uint64_t x = 0x9E3779B97F4A7C15ull ^ (seed * 0xBF58476D1CE4E5B9ull);
    for (std::size_t i = 0; i < size; i += sizeof x) {
        x ^= x << 13;
        x ^= x >> 7;
        x ^= x << 17;
        std::memcpy(bytes.data() + i, &x, std::min(sizeof x, size - i));
    }
    return bytes;
}

inline bool writeFile(const std::string& path, const std::string& bytes, mode_t mode = 0644) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
    if (fd < 0)
        return false;
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t put = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (put <= 0) {
            ::close(fd);
            return false;
        }
        done += static_cast<std::size_t>(put);
    }
    ::fchmod(fd, mode);
    return ::close(fd) == 0;
}

// 2004-05-06 03:34:56.123456789 UTC and a different access time: values no copy gets by chance.
constexpr struct timespec kShotTime = {1083814496, 123456789};
constexpr struct timespec kOldAccess = {1100000000, 987654321};
constexpr struct timespec kOtherTime = {1262304000, 500};

inline bool setTimes(const std::string& path, struct timespec mtime,
                     struct timespec atime = kOldAccess) {
    const struct timespec times[2] = {atime, mtime};
    return ::utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
}

// What a test knows of a file: its bytes and modification time.
struct FileState {
    std::string bytes;
    struct timespec mtime;
};

// Writes a file with known bytes and time and returns that state.
inline FileState makeFile(const std::string& path, std::size_t size, unsigned seed,
                          struct timespec mtime = kShotTime, mode_t mode = 0644) {
    FileState state{patternBytes(size, seed), mtime};
    writeFile(path, state.bytes, mode);
    setTimes(path, mtime);
    return state;
}

inline bool present(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

inline std::string describeTime(const struct timespec& t) {
    return std::to_string(t.tv_sec) + "." + std::to_string(t.tv_nsec);
}

// True when the file at `path` holds exactly `bytes`; compared in pieces, so that large files
// cost no copy in memory.
inline bool sameBytes(const std::string& path, const std::string& bytes) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    std::vector<char> buffer(1 << 20);
    std::size_t offset = 0;
    bool same = true;
    for (;;) {
        ssize_t got = ::read(fd, buffer.data(), buffer.size());
        if (got < 0 || (got > 0 && (offset + static_cast<std::size_t>(got) > bytes.size() ||
                                    std::memcmp(buffer.data(), bytes.data() + offset,
                                                static_cast<std::size_t>(got)) != 0))) {
            same = false;
            break;
        }
        if (got == 0) {
            same = offset == bytes.size();
            break;
        }
        offset += static_cast<std::size_t>(got);
    }
    ::close(fd);
    return same;
}

// "" when `path` holds exactly the bytes and modification time of `expected`.
inline std::string checkFile(const std::string& path, const FileState& expected) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return path + ": missing\n";
    std::string problems;
    if (!sameBytes(path, expected.bytes))
        problems += path + ": bytes differ (size " + std::to_string(st.st_size) + ", expected " +
                    std::to_string(expected.bytes.size()) + ")\n";
    if (st.st_mtim.tv_sec != expected.mtime.tv_sec || st.st_mtim.tv_nsec != expected.mtime.tv_nsec)
        problems += path + ": modification time " + describeTime(st.st_mtim) + ", expected " +
                    describeTime(expected.mtime) + "\n";
    return problems;
}

inline std::string checkAbsent(const std::string& path) {
    return present(path) ? path + ": should not exist\n" : std::string();
}

inline bool isTemporaryName(const std::string& name) {
    return isTransferTemporaryName(name);
}

inline std::vector<std::string> entriesOf(const std::string& folder) {
    std::vector<std::string> names;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (dirent* entry = ::readdir(dir)) {
            std::string name = entry->d_name;
            if (name != "." && name != "..")
                names.push_back(name);
        }
        ::closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// "" when `folder` holds exactly `expected` (sorted), plus temporary files when allowed.
inline std::string checkEntries(const std::string& folder, std::vector<std::string> expected,
                                bool temporaryAllowed = false) {
    std::sort(expected.begin(), expected.end());
    std::vector<std::string> found;
    for (auto& name : entriesOf(folder))
        if (!(temporaryAllowed && isTemporaryName(name)))
            found.push_back(name);
    if (found == expected)
        return {};
    std::string text = folder + " holds:";
    for (auto& name : entriesOf(folder))
        text += " " + name;
    return text + "\n";
}

// Dialogs with answers given in advance; records what the transfer showed.
class ScriptedDialogs : public ITransferDialogs {
public:
    std::deque<OverwriteAnswer> answers;
    std::vector<std::string> questions;
    std::vector<std::pair<std::string, std::string>> errors;
    std::vector<std::pair<std::string, std::string>> warnings;
    int progressStarts = 0;
    int progressEnds = 0;
    std::uint64_t total = 0;
    std::uint64_t lastDone = 0;
    // Called on every progress update; false cancels.
    std::function<bool(std::uint64_t done)> onProgress;
    // Called while the overwrite question is open, before it is answered.
    std::function<void()> onQuestion;

    OverwriteAnswer askOverwrite(const std::string& destination) override {
        questions.push_back(destination);
        if (onQuestion)
            onQuestion();
        if (answers.empty())
            return OverwriteAnswer::Cancel;
        OverwriteAnswer answer = answers.front();
        answers.pop_front();
        return answer;
    }
    void showError(const std::string& file, const std::string& reason) override {
        errors.emplace_back(file, reason);
    }
    void showWarning(const std::string& file, const std::string& reason) override {
        warnings.emplace_back(file, reason);
    }
    void progressStart(const std::string&, std::uint64_t bytes) override {
        ++progressStarts;
        total = bytes;
    }
    bool progressUpdate(std::uint64_t done) override {
        lastDone = done;
        return onProgress ? onProgress(done) : true;
    }
    void progressEnd() override { ++progressEnds; }
};

inline TransferResult code(TransferError error) {
    return TransferResult::of(error);
}
using test::kCancelled;
using test::kDone;

// The sanitizers test whether memory is readable by writing it into a pipe of their own: with
// every descriptor used up that test fails, and they report faults that are not there. Tests
// that use up the descriptors skip under them.
inline constexpr bool kSanitizersNeedDescriptors =
#if defined(__SANITIZE_ADDRESS__)
    true;
#else
    false;
#endif

// Runs `body` in a forked child and returns the text it produced, or how the child died.
// A text starting with "SKIP:" means the child could not set up its fault.
inline std::string inChild(const std::function<std::string()>& body) {
    int pipeFds[2];
    if (::pipe(pipeFds) != 0)
        return "pipe failed\n";
    pid_t pid = ::fork();
    if (pid < 0)
        return "fork failed\n";
    if (pid == 0) {
        ::close(pipeFds[0]);
        std::string report = body();
        std::size_t done = 0;
        while (done < report.size()) {
            ssize_t put = ::write(pipeFds[1], report.data() + done, report.size() - done);
            if (put <= 0)
                break;
            done += static_cast<std::size_t>(put);
        }
        ::_exit(0);
    }
    ::close(pipeFds[1]);
    std::string report;
    char buffer[4096];
    for (;;) {
        ssize_t got = ::read(pipeFds[0], buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        report.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(pipeFds[0]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        report += "child ended abnormally (status " + std::to_string(status) + ")\n";
    return report;
}

inline bool writeText(const char* path, const std::string& text) {
    int fd = ::open(path, O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    bool ok = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    ::close(fd);
    return ok;
}

// In a child: mounts made from now on are seen by this process only and vanish with it.
// Without the right to mount, a user namespace (where this process is root) still allows
// tmpfs and bind mounts on most machines.
inline bool enterPrivateMountNamespace() {
    if (::unshare(CLONE_NEWNS) != 0) {
        uid_t uid = ::geteuid();
        gid_t gid = ::getegid();
        if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0 ||
            !writeText("/proc/self/setgroups", "deny") ||
            !writeText("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1") ||
            !writeText("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1"))
            return false;
    }
    return ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
}

// In a child: continue as the unprivileged user "nobody" (root can't be kept out by modes).
inline bool becomeUnprivileged() {
    if (::geteuid() != 0)
        return true;
    return ::setgroups(0, nullptr) == 0 && ::setgid(65534) == 0 && ::setuid(65534) == 0;
}

// A system call that the kernel answers with an error in this process from now on.
struct Refusal {
    long syscall;      // SYS_...
    int errnum;        // the error it returns
    int flagsArg = -1; // when set: refuse only calls whose argument of this index is non-zero
};

// In a child: the kernel refuses these calls as a file system without some feature would, or a
// failing disk. False when the machine allows no such filter (or isn't x86-64 or ARM64).
inline bool refuseSystemCalls(const std::vector<Refusal>& refusals) {
#if defined(__x86_64__)
    constexpr std::uint32_t kArch = AUDIT_ARCH_X86_64;
#elif defined(__aarch64__)
    constexpr std::uint32_t kArch = AUDIT_ARCH_AARCH64;
#else
    constexpr std::uint32_t kArch = 0;
    return false;
#endif
    auto load = [](std::size_t offset) {
        return sock_filter BPF_STMT(BPF_LD | BPF_W | BPF_ABS, static_cast<std::uint32_t>(offset));
    };
    auto refuse = [](int errnum) {
        return sock_filter BPF_STMT(BPF_RET | BPF_K,
                                    SECCOMP_RET_ERRNO |
                                        (static_cast<std::uint32_t>(errnum) & SECCOMP_RET_DATA));
    };
    const sock_filter allow = BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW);
    std::vector<sock_filter> program = {
        load(offsetof(seccomp_data, arch)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, kArch, 1, 0),
        allow,
    };
    for (const Refusal& r : refusals) {
        const auto nr = static_cast<std::uint32_t>(r.syscall);
        program.push_back(load(offsetof(seccomp_data, nr)));
        if (r.flagsArg < 0) {
            program.push_back(BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, nr, 0, 1));
        } else {
            // The low half of the argument (both architectures are little-endian).
            program.push_back(BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, nr, 0, 3));
            program.push_back(load(offsetof(seccomp_data, args) +
                                   static_cast<std::size_t>(r.flagsArg) * sizeof(std::uint64_t)));
            program.push_back(BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, 0, 1, 0));
        }
        program.push_back(refuse(r.errnum));
    }
    program.push_back(allow);
    sock_fprog filter = {static_cast<unsigned short>(program.size()), program.data()};
    return ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 &&
           ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &filter) == 0;
}

// In a child: every flush of a folder (fsync, fdatasync or syncfs through a folder's
// descriptor) is counted by the folder's path, and the flushes of the `refused` folders fail
// with `errnum`, as on a failing disk; other flushes go through unchanged. The kernel asks a
// thread of this process about each such call (a seccomp listener); the thread is started
// before the filter, so that its own calls are not watched. False when the machine allows no
// such watch.
class FolderFlushWatch {
public:
    bool start(const std::vector<std::string>& refused, int errnum) {
        for (const std::string& folder : refused)
            state_->refused.push_back(canonical(folder));
        state_->errnum = errnum;
        std::promise<int> handOver;
        std::thread([state = state_, listener = handOver.get_future()]() mutable {
            answer(*state, listener.get());
        }).detach();
        const int listener = installFilter();
        handOver.set_value(listener);
        return listener >= 0;
    }

    // Flushes of `folder` so far.
    int count(const std::string& folder) const {
        std::lock_guard<std::mutex> hold(state_->mutex);
        auto it = state_->counts.find(canonical(folder));
        return it == state_->counts.end() ? 0 : it->second;
    }

private:
    // Shared with the answering thread, which outlives the watch until the child ends.
    struct State {
        std::vector<std::string> refused;
        int errnum = 0;
        std::mutex mutex;
        std::map<std::string, int> counts;
    };

    static std::string canonical(const std::string& path) {
        char resolved[PATH_MAX];
        return ::realpath(path.c_str(), resolved) ? std::string(resolved) : path;
    }

    static int installFilter() {
#if defined(__x86_64__)
        constexpr std::uint32_t kArch = AUDIT_ARCH_X86_64;
#elif defined(__aarch64__)
        constexpr std::uint32_t kArch = AUDIT_ARCH_AARCH64;
#else
        constexpr std::uint32_t kArch = 0;
        return -1;
#endif
        auto load = [](std::size_t offset) {
            return sock_filter BPF_STMT(BPF_LD | BPF_W | BPF_ABS,
                                        static_cast<std::uint32_t>(offset));
        };
        std::vector<sock_filter> program = {
            load(offsetof(seccomp_data, arch)),
            BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, kArch, 1, 0),
            BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
            load(offsetof(seccomp_data, nr)),
        };
        for (long call : {SYS_fsync, SYS_fdatasync, SYS_syncfs}) {
            program.push_back(
                BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, static_cast<std::uint32_t>(call), 0, 1));
            program.push_back(BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_USER_NOTIF));
        }
        program.push_back(BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW));
        sock_fprog filter = {static_cast<unsigned short>(program.size()), program.data()};
        if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0)
            return -1;
        return static_cast<int>(::syscall(SYS_seccomp, SECCOMP_SET_MODE_FILTER,
                                          SECCOMP_FILTER_FLAG_NEW_LISTENER, &filter));
    }

    // Answers each watched call: which file does its descriptor name, is it a folder, and
    // is that folder's flush to fail.
    static void answer(State& state, int listener) {
        if (listener < 0)
            return;
        for (;;) {
            seccomp_notif request{};
            if (::ioctl(listener, SECCOMP_IOCTL_NOTIF_RECV, &request) != 0) {
                if (errno == EINTR || errno == ENOENT)
                    continue;
                return;
            }
            const std::string link = "/proc/" + std::to_string(request.pid) + "/fd/" +
                                     std::to_string(request.data.args[0]);
            struct stat st {};
            const bool folder = ::stat(link.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
            char target[PATH_MAX];
            const ssize_t length = ::readlink(link.c_str(), target, sizeof target);
            const std::string path(target, length > 0 ? static_cast<std::size_t>(length) : 0);
            bool refuse = false;
            if (folder) {
                std::lock_guard<std::mutex> hold(state.mutex);
                ++state.counts[path];
                refuse = std::find(state.refused.begin(), state.refused.end(), path) !=
                         state.refused.end();
            }
            seccomp_notif_resp response{};
            response.id = request.id;
            if (refuse)
                response.error = -state.errnum;
            else
                response.flags = SECCOMP_USER_NOTIF_FLAG_CONTINUE;
            ::ioctl(listener, SECCOMP_IOCTL_NOTIF_SEND, &response);
        }
    }

    std::shared_ptr<State> state_ = std::make_shared<State>();
};

inline std::uint64_t freeBytes(const std::string& folder) {
    struct statvfs fs {};
    if (::statvfs(folder.c_str(), &fs) != 0)
        return 0;
    return static_cast<std::uint64_t>(fs.f_bavail) * fs.f_frsize;
}

} // namespace pixbako::transfer_test
