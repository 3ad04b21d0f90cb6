// Moving: a rename on one file system; across file systems a verified durable copy, after
// which, and only after which, the source is deleted.
#include "platform/FileTransferSteps.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pixbako::transfer {
namespace {

Outcome failure(TransferError error, const std::string& path, int errnum = 0) {
    return TransferFailure{error, errnum, path};
}

} // namespace

Outcome prepareMoveAcross(const TransferRequest& request, SourceFolder& folder) {
    PathParts parts = splitPath(request.source, ".");
    folder.fd = UniqueFd(::open(parts.folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder.fd) {
        if (errno == ENOENT || errno == ENOTDIR)
            return failure(TransferError::SourceMissing, request.source);
        return failureFromErrno(errno, TransferError::ReadFailed, request.source);
    }
    folder.path = parts.folder;
    folder.name = parts.name;
    // A source that can't be deleted (a write-protected card, a read-only folder) would leave
    // the file in two places after a long copy; refuse before copying.
    if (::faccessat(folder.fd.get(), ".", W_OK | X_OK, AT_EACCESS) != 0)
        return failureFromErrno(errno, TransferError::SourceNotRemoved, request.source);
    if (::fstatat(folder.fd.get(), folder.name.c_str(), &folder.entry, AT_SYMLINK_NOFOLLOW) != 0)
        return failure(TransferError::SourceMissing, request.source);
    return std::nullopt;
}

Outcome deleteMovedSource(const TransferRequest& request, const SourceFolder& folder) {
    // The copy is durable, identical and under its final name. Delete the source only when
    // its name still holds the file we copied.
    struct stat now {};
    if (::fstatat(folder.fd.get(), folder.name.c_str(), &now, AT_SYMLINK_NOFOLLOW) != 0 ||
        !sameFile(now, folder.entry) || !unchangedSince(folder.entry, now))
        return failure(TransferError::SourceChanged, request.source);
    if (::unlinkat(folder.fd.get(), folder.name.c_str(), 0) != 0)
        return failure(TransferError::SourceNotRemoved, request.source, errno);
    return std::nullopt;
}

Outcome removeMovedSource(const TransferRequest& request, const SourceFolder& folder,
                          ITransferDialogs& dialogs) {
    if (auto problem = deleteMovedSource(request, folder))
        return problem;
    // The file is at its destination, durable, and gone from the source: it has moved. A
    // deletion the disk doesn't confirm can at worst bring the source back beside its copy
    // after a crash, which the user should hear of, but no row failed.
    if (auto unconfirmed = syncFolder(folder.fd.get(), folder.path))
        dialogs.showWarning(request.source, transferWarningText(unconfirmed->errnum));
    return std::nullopt;
}

Outcome moveFile(const TransferRequest& request, const struct stat& source,
                 Destination& destination, const Placement& placement, ITransferDialogs& dialogs) {
    // The rename names the source by its path: the source folder is opened only when the move
    // has to cross file systems, which keeps a move on one disk at a few system calls.
    const int to = destination.folder.get();
    auto rename = [&](bool replace) {
        return placeFile(AT_FDCWD, request.source, to, destination.name, replace,
                         OldName::Original);
    };
    int error = rename(placement.replace);
    if (error == EXDEV) {
        SourceFolder folder;
        if (auto problem = prepareMoveAcross(request, folder))
            return problem;
        if (auto problem =
                copyToDestination(request, source, destination, placement, true, dialogs))
            return problem;
        return removeMovedSource(request, folder, dialogs);
    }
    if (error == ENOENT)
        return failure(TransferError::SourceMissing, request.source);
    if (auto problem = settlePlacement(error, placement, rename, request.destination, dialogs))
        return problem;
    // No flush: a rename is one journal transaction, so after a crash the file is under its
    // old name or its new one (a file system that replayed only half of it would show it
    // under both, never under none). Flushing here would only cost a journal commit per file.
    // (Where the name was claimed with a hard link instead, placeFile has flushed it before
    // removing the old one.)
    return std::nullopt;
}

} // namespace pixbako::transfer
