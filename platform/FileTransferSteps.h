#pragma once
// The steps a file transfer is built from, shared by the copy and move code of FileTransfer*.cpp
// only. Every step reports its failure as a TransferFailure, so that the text for the user is
// chosen in one place (transferErrorText).
#include "platform/FileTransfer.h"
#include "platform/Paths.h"
#include "platform/UniqueFd.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <sys/stat.h>

namespace pixbako::transfer {

struct TransferFailure {
    TransferError error;
    int errnum = 0;   // the system's error number, 0 when there is none
    std::string path; // the file the user is told about
};

// Empty when the step succeeded.
using Outcome = std::optional<TransferFailure>;

// The kind of failure an error number stands for; `otherwise` when it names none of the
// kinds the user can act on (a full disk, missing permission, a read-only disk...).
TransferError classifyErrno(int errnum, TransferError otherwise);
TransferFailure failureFromErrno(int errnum, TransferError otherwise, const std::string& path);

// Reads and writes this many bytes at a time: large enough for full disk speed.
constexpr std::size_t kChunkSize = 1 << 20;

// -1 with errno set on failure, as read(2); retries on EINTR.
long readSome(int fd, char* buffer, std::size_t size);
// Writes everything, continuing after short writes and EINTR; 0 or the error number.
int writeAll(int fd, const char* data, std::size_t size);

bool sameFile(const struct stat& a, const struct stat& b);
bool sameTime(const struct timespec& a, const struct timespec& b);
// True when nothing was written to the file between the two looks: same size, modification
// time and change time. The change time catches a writer that puts the modification time back
// (an editor that keeps a picture's date); nobody can set it.
bool unchangedSince(const struct stat& before, const struct stat& now);

// Forwards progress to the window and remembers that it has to be closed again.
class ProgressReport {
public:
    ProgressReport(ITransferDialogs& dialogs, const std::string& source, std::uint64_t total);
    ~ProgressReport() { end(); }
    ProgressReport(const ProgressReport&) = delete;
    ProgressReport& operator=(const ProgressReport&) = delete;

    // False when the user cancelled.
    bool advance(std::uint64_t bytes);
    void end();

private:
    ITransferDialogs& dialogs_;
    std::uint64_t done_ = 0;
    bool open_ = true;
};

// A new hidden file ".pixbako-XXXXXX-check.tmp" (TemporaryName.h) in the destination folder,
// removed again unless it was published under its final name. Its failures name the final
// destination, the file the user knows.
class TemporaryFile {
public:
    TemporaryFile(int folderFd, std::string destinationPath)
        : folderFd_(folderFd), destinationPath_(std::move(destinationPath)) {}
    ~TemporaryFile();
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    Outcome create();
    int fd() const { return fd_.get(); }
    int folderFd() const { return folderFd_; }
    const std::string& name() const { return name_; }
    const std::string& destinationPath() const { return destinationPath_; }
    // Closes the file, reporting a late write error.
    Outcome close();
    void markPublished() { published_ = true; }

private:
    int folderFd_;
    std::string destinationPath_;
    std::string name_;
    UniqueFd fd_;
    bool published_ = false;
};

// Starts the disk writing a copy every this many bytes, so that its flush finds little left,
// and at its end unless it is smaller than kSmallFile.
constexpr off_t kWriteBackStep = 8 << 20;
constexpr off_t kSmallFile = 256 << 10;

// The source of a copy: its descriptor, its stat before the first read, and its path.
struct CopySource {
    int fd;
    const struct stat& status; // fstat of fd before the first read
    const std::string& path;
    // The request's onSourceRead; may be empty.
    const std::function<void(const char*, std::size_t)>& onRead;
};

// Fills `temp` with the source's bytes, then its permission bits and times, and starts the
// disk writing them (but for a small file). Progress counts the bytes written.
Outcome writeCopy(const CopySource& source, TemporaryFile& temp, ProgressReport& progress);

// Makes a written copy durable: flushes it (bytes, times and permission bits), with `verify`
// reads it back past the page cache and compares it with the source, checks that the source
// didn't change meanwhile, and closes it. Touches nothing but the two descriptors, so it may
// run on a helper thread; `progress` (counting the read-back) only on the caller's thread,
// null elsewhere.
Outcome makeDurable(const CopySource& source, TemporaryFile& temp, bool verify,
                    ProgressReport* progress);

// A copy on its way: the source held open and checked to be the file inspected, and the
// temporary file in the destination folder (whose descriptor must stay open meanwhile).
struct CopyJob {
    CopyJob(int folderFd, const std::string& destinationPath) : temp(folderFd, destinationPath) {}
    UniqueFd sourceFd;
    struct stat status {};
    std::string sourcePath;
    std::function<void(const char*, std::size_t)> onSourceRead;
    TemporaryFile temp;
    CopySource source() const { return {sourceFd.get(), status, sourcePath, onSourceRead}; }
};

// Whose name a file leaves when it is placed: a temporary file's, which may as well vanish in a
// crash, or the original's, which may go only once the new name is on the disk.
enum class OldName { Temporary, Original };

// Gives the file `fromName` of the folder `fromFolder` the name `toName` in `toFolder`.
// Without `replace` the name is claimed atomically and EEXIST is returned when it is taken.
// On failure the file keeps its old name only. 0 or the error number.
int placeFile(int fromFolder, const std::string& fromName, int toFolder, const std::string& toName,
              bool replace, OldName oldName);

// Flushes a folder's entries to the disk.
Outcome syncFolder(int folderFd, const std::string& folderPath);

// The destination as inspected before the transfer: its folder, held open so that every later
// step works on the same folder, and whether its name was taken.
struct Destination {
    UniqueFd folder;
    std::string folderPath;
    std::string name;
    bool exists = false;
};

// How the final name is claimed: replacing what is there, or atomically only when it is free,
// and whether a name that turns out to be taken may still be replaced after asking the user.
struct Placement {
    bool replace = false;
    bool mayAsk = false;
};

// Finishes a claim of the destination name whose first attempt returned `error`: a name
// that was taken meanwhile is put to the user when the placement allows it, and `retry`
// (called with replace = true) then claims it after all. Failures name `path`.
Outcome settlePlacement(int error, const Placement& placement,
                        const std::function<int(bool replace)>& retry, const std::string& path,
                        ITransferDialogs& dialogs);

// The checks before anything is touched. inspectSource fills `source` with the stat of the
// source path; inspectDestination opens the destination folder and finds a file, a link or a
// folder under the name; decidePlacement asks before replacing an existing file when the
// request wants that.
Outcome inspectSource(const TransferRequest& request, struct stat& source);
Outcome inspectDestination(const TransferRequest& request, const struct stat& source,
                           Destination& destination);
Outcome decidePlacement(const TransferRequest& request, const Destination& destination,
                        Placement& placement, ITransferDialogs& dialogs);

// Opens the source for a copy into the destination's folder and creates the temporary file.
// `source` is the stat of the source path taken before anything else; a different file found
// there now is SourceChanged.
Outcome openCopy(const TransferRequest& request, const struct stat& source, CopyJob& job);

// Gives a durable copy its final name. `forMove` makes the name itself durable, because the
// source is deleted next.
Outcome nameCopy(const TransferRequest& request, const Destination& destination,
                 const Placement& placement, bool forMove, CopyJob& job, ITransferDialogs& dialogs);

// Copies the source into the destination (openCopy, writeCopy, makeDurable) and gives the
// copy its final name (nameCopy). `forMove` reads the copy back before it is named.
Outcome copyToDestination(const TransferRequest& request, const struct stat& source,
                          Destination& destination, const Placement& placement, bool forMove,
                          ITransferDialogs& dialogs);

Outcome moveFile(const TransferRequest& request, const struct stat& source,
                 Destination& destination, const Placement& placement, ITransferDialogs& dialogs);

// The folder of a source that a move across file systems deletes, held open from the checks
// before the copy to the deletion.
struct SourceFolder {
    UniqueFd fd;
    std::string path;
    std::string name;
    struct stat entry {}; // the source's entry as found before copying
};

// Opens the source's folder and checks that the source could be deleted after its copy.
Outcome prepareMoveAcross(const TransferRequest& request, SourceFolder& folder);
// Deletes the source of a copy that is durable, identical and under its final name, when its
// name still holds the file that was copied, and flushes the source's folder (warning when
// that fails). deleteMovedSource leaves the flush to its caller.
Outcome deleteMovedSource(const TransferRequest& request, const SourceFolder& folder);
Outcome removeMovedSource(const TransferRequest& request, const SourceFolder& folder,
                          ITransferDialogs& dialogs);

// Shows the failure of a transfer as transferFile does and returns its result.
TransferResult reportOutcome(const TransferRequest& request, const Outcome& outcome,
                             ITransferDialogs& dialogs);

} // namespace pixbako::transfer
