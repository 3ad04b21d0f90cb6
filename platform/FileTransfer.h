#pragma once
// One file moved or copied to one full destination path, the way the import run hands each row
// to the shell: with an overwrite question, a cancellable progress report and an error box.
//
// The transfer never loses data, whatever fails:
// - A copy is written into a hidden temporary file in the destination folder
//   (".pixbako-XXXXXX-check.tmp"), flushed to disk with the source's modification and access
//   times and permission bits, and only then given its final name. No partial file ever carries
//   the final name. The folder is flushed at once only where a source is deleted next (a move);
//   the names of plain copies are made durable by the caller, once per folder after its last
//   copy (flushFolderToDisk), before it reports them done. A crash can leave a temporary file
//   behind, never anything else; no run imports it, and the next run that writes into that
//   folder removes it (Leftovers.h).
// - A source that was written to while it was being copied (seen in its size, modification or
//   change time) fails the transfer; its copy is discarded.
// - A move renames when source and destination share a file system. Otherwise it copies as
//   above, reads the flushed copy back from the disk, compares it with the source byte for
//   byte, and deletes the source only after an identical copy is durable under its final name.
//   Any failure leaves the source where it was. When the deletion itself can't be confirmed on
//   the disk (the source folder's flush fails), the file has still moved: a warning, no error.
// - The same file as source and destination (same device and inode, through any path) is an
//   error that changes nothing.
//
// - A run of many files may transfer them in two halves (beginTransfer, then
//   TransferInFlight::finish), so that one file's flush and read-back proceed while the next
//   file is copied, and consecutive copies are flushed together; finishTogether names several
//   at once and flushes each folder once for them. The guarantees above hold unchanged: a copy
//   is named only when it is finished, after its own flush (and read-back) succeeded, and a
//   moved source is deleted only once its copy's name is on the disk.
//
// The window shows the dialogs; tests script them.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace pixbako {

enum class FileOperation { Move = 1, Copy = 2 };

struct TransferRequest {
    FileOperation operation = FileOperation::Copy;
    std::string source;      // full path of the file to transfer
    std::string destination; // full path of the new file, name included
    // Ask before replacing an existing destination; without it an existing file is replaced
    // silently (atomically, by rename).
    bool confirmOverwrite = false;
    // False: the destination name must not exist (a file written earlier in the same run keeps
    // its place). The name is then claimed atomically, so nothing written meanwhile under it is
    // replaced either; an existing name makes the transfer an error and the source stays.
    bool mayReplace = true;
    // Given the source's bytes in order, as the copy reads them, so that a content hash costs
    // no second read. A move that renames reads nothing and calls it never; a copy begun again
    // calls it again from the start. Called on the copying thread.
    std::function<void(const char* data, std::size_t size)> onSourceRead = nullptr;
};

enum class OverwriteAnswer { Yes, No, Cancel };

// What a transfer needs from its window. Calls come on the caller's thread, in this order:
// progressStart, progressUpdate any number of times, progressEnd; askOverwrite, showError and
// showWarning outside of that bracket.
class ITransferDialogs {
public:
    virtual ~ITransferDialogs() = default;
    // The destination exists: replace it? Text: overwriteQuestionText(destination).
    virtual OverwriteAnswer askOverwrite(const std::string& destination) = 0;
    // A failed transfer: `file` is the path concerned, `reason` the Japanese text of
    // transferErrorText (lines separated by "\r\n").
    virtual void showError(const std::string& file, const std::string& reason) = 0;
    // A transfer that succeeded with a reservation (the transfer's result is Done): `reason` is
    // the Japanese text of transferWarningText. Windows show a warning box; the default shows
    // the text through showError, so that it is never lost.
    virtual void showWarning(const std::string& file, const std::string& reason) {
        showError(file, reason);
    }
    // Bytes to be read and written for this file (a cross-device move by transferFile reads
    // its copy back within the bracket, so it counts the size twice; begun by beginTransfer,
    // the read-back comes after the bracket). The window shows its progress window only when
    // the transfer lasts longer than about a second.
    virtual void progressStart(const std::string& source, std::uint64_t total) = 0;
    // Bytes done so far; false when the user pressed Cancel.
    virtual bool progressUpdate(std::uint64_t done) = 0;
    virtual void progressEnd() = 0;
};

// Why a transfer did not happen.
enum class TransferError {
    Skipped,   // the user answered No to the overwrite question; nothing changed
    Cancelled, // the user cancelled (the overwrite question or the progress window)
    SourceMissing,
    SourceNotFile,
    SameFile,
    DestinationFolderMissing,
    DestinationExists,
    DestinationIsFolder,
    AccessDenied,
    ReadOnlyDisk,
    DiskFull,
    FileTooLarge,
    ReadFailed,
    WriteFailed,
    FlushFailed,      // the disk didn't confirm a write; never retried
    VerifyFailed,     // a cross-device move's copy read back differently
    SourceChanged,    // the source was modified or replaced while it was being transferred
    SourceNotRemoved, // a cross-device move made its copy but couldn't delete the source
    TooManyOpenFiles, // the process (or the system) has no descriptor left; nothing changed
};

// How a transfer ended. The run stops on Cancelled; Skipped and Failed let it go on.
enum class TransferStatus { Done, Skipped, Cancelled, Failed };

struct TransferResult {
    TransferStatus status = TransferStatus::Done;
    std::optional<TransferError> error = std::nullopt; // why it failed; only with Failed

    // Skipped and Cancelled give their own status, every other reason Failed.
    static TransferResult of(TransferError reason);
    bool done() const { return status == TransferStatus::Done; }
    bool operator==(const TransferResult&) const = default;
};

// Transfers one file. Errors (results with Failed) are shown through showError before the call
// returns.
TransferResult transferFile(const TransferRequest& request, ITransferDialogs& dialogs);

// A transfer begun by beginTransfer. Its copy is written under a temporary name; its flush,
// and the read-back of a move across file systems, run on a helper thread until finish().
// Destroying it without finish() abandons it: it waits for the helper, removes the temporary
// file and leaves the source where it is.
class TransferInFlight {
public:
    TransferInFlight();
    // One that is already over, with transferFile's result (a window that transfers whole).
    static TransferInFlight done(TransferResult result);
    TransferInFlight(TransferInFlight&&) noexcept;
    TransferInFlight& operator=(TransferInFlight&&) noexcept;
    ~TransferInFlight();

    // True while its flush may still be running: the caller may begin the next transfer
    // before finishing this one. False when finish() has nothing to wait for (a failure found
    // before the copy, a cancel, a move by rename, a transfer that needs a question): the
    // caller finishes it before it begins another, so that dialogs keep the order of files.
    bool overlaps() const;

    // Waits for the flush, gives the copy its final name and deletes a moved source, on the
    // caller's thread; shows the transfer's error or warning. Returns what transferFile
    // returns. `mayReplace` is the request's, decided again now: a file transferred since the
    // begin may have taken the name. Calls after the first return Done.
    TransferResult finish(bool mayReplace);

    // The bytes of the copy still on their way to the disk (0 once finished).
    std::uint64_t bytes() const;

    // True when the begin found no descriptor left to open a file with. Nothing has changed
    // and nothing has been shown yet: once earlier transfers are finished (and their files
    // closed), the same request may be begun again. Dropping this one shows nothing.
    bool outOfDescriptors() const;

    // Called with finish()'s result when it returns (a window recording its transfers).
    std::function<void(TransferResult result)> onFinished;

    struct State;

private:
    friend TransferInFlight beginTransfer(const TransferRequest& request,
                                          ITransferDialogs& dialogs);
    friend std::size_t
    finishTogether(const std::vector<TransferInFlight*>& transfers, bool mayReplace,
                   const std::function<bool()>& stopRequested,
                   const std::function<void(std::size_t, TransferResult)>& finished);
    std::unique_ptr<State> state_;
};

// Finishes the leading transfers of `transfers` (the first always) as finish() would one after
// the other, but with one flush per folder instead of one per file: the copies whose flushes
// have ended are named in order, the folders of moves are flushed once, their sources deleted
// in order and the sources' folders flushed once; then each transfer's error or warning is
// shown and `finished` is called with its place and result, in order (onFinished before it).
// `mayReplace` is the first's finish() argument. The others join only to claim a free name:
// one whose name is taken by now ends the group before it, to be finished first (and asked
// about) by the next call. A Cancelled result ends the group, and so does `stopRequested`
// before each name after the first; once it is true nothing more is shown. Returns how many
// transfers were finished; those after them are left to finish or to drop.
std::size_t finishTogether(const std::vector<TransferInFlight*>& transfers, bool mayReplace,
                           const std::function<bool()>& stopRequested,
                           const std::function<void(std::size_t, TransferResult)>& finished);

// How far a run may get ahead of its flushes: at most this many transfers, holding at most
// this many bytes, begun and not finished. The disk writes fastest with many files queued
// (their flushes share journal commits); more would only hold more memory and descriptors.
constexpr std::size_t kTransfersInFlight = 64;
constexpr std::uint64_t kBytesInFlight = 256 << 20;
// The descriptors one transfer in flight holds open at most: its destination folder, its
// source, its temporary file, and a move's source folder.
constexpr std::size_t kDescriptorsPerTransfer = 4;

// Begins a transfer on the caller's thread: the checks, and for a copy (or a move across file
// systems) to a free name, the copy itself under a temporary name, with its progress window.
// Shows no dialog: everything the user is told or asked waits for finish(). A move on one
// file system, and a transfer to a name that exists, are done whole in finish(), as by
// transferFile. `dialogs` must outlive the transfer's finish(). A move's read-back is not
// counted as progress here (it runs after the progress window has closed).
TransferInFlight beginTransfer(const TransferRequest& request, ITransferDialogs& dialogs);

// The Japanese text of a failed transfer: a first line naming the operation ("ファイルを
// コピーできません" / "ファイルを移動できません"), the reason, and the system's error name
// when there is one (errnum 0: none), separated by "\r\n".
std::string transferErrorText(FileOperation operation, TransferError error, int errnum);

// The Japanese text of a cross-device move whose source was deleted but whose deletion the
// disk didn't confirm (errnum: the folder flush's error): after a crash the source may be back
// beside its copy, nothing worse.
std::string transferWarningText(int errnum);

// Flushes a folder's entries (the names that copies were given) to the disk; 0 or the error
// number. A file system that can't flush a folder through its descriptor is flushed whole.
int flushFolderToDisk(const std::string& folder);

// The overwrite question for an existing destination.
std::string overwriteQuestionText(const std::string& destination);

} // namespace pixbako
