// One transfer from start to end: the checks before anything is touched (source, destination
// folder, same file, overwrite question), the copy, and the report of a failure.
#include "platform/FileTransfer.h"

#include "platform/FileSizeSignal.h"
#include "platform/FileTransferSteps.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pixbako {

using namespace transfer;

namespace {

Outcome failure(TransferError error, const std::string& path, int errnum = 0) {
    return TransferFailure{error, errnum, path};
}

Outcome askToReplace(const std::string& destination, ITransferDialogs& dialogs) {
    switch (dialogs.askOverwrite(destination)) {
    case OverwriteAnswer::Yes:
        return std::nullopt;
    case OverwriteAnswer::No:
        return failure(TransferError::Skipped, destination);
    case OverwriteAnswer::Cancel:
        break;
    }
    return failure(TransferError::Cancelled, destination);
}

} // namespace

namespace transfer {

Outcome inspectSource(const TransferRequest& request, struct stat& source) {
    if (::stat(request.source.c_str(), &source) != 0) {
        int error = errno;
        if (error == ENOENT || error == ENOTDIR)
            return failure(TransferError::SourceMissing, request.source);
        return failureFromErrno(error, TransferError::ReadFailed, request.source);
    }
    if (!S_ISREG(source.st_mode))
        return failure(TransferError::SourceNotFile, request.source);
    return std::nullopt;
}

Outcome inspectDestination(const TransferRequest& request, const struct stat& source,
                           Destination& destination) {
    PathParts parts = splitPath(request.destination, ".");
    if (parts.name.empty() || parts.name == "." || parts.name == "..")
        return failure(TransferError::DestinationIsFolder, request.destination);
    int fd = ::open(parts.folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        int error = errno;
        if (error == ENOENT || error == ENOTDIR)
            return failure(TransferError::DestinationFolderMissing, parts.folder);
        return failureFromErrno(error, TransferError::WriteFailed, parts.folder);
    }
    destination.folder = UniqueFd(fd);
    destination.folderPath = parts.folder;
    destination.name = parts.name;

    struct stat entry {};
    if (::fstatat(fd, parts.name.c_str(), &entry, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno != ENOENT)
            return failureFromErrno(errno, TransferError::WriteFailed, request.destination);
        return std::nullopt;
    }
    destination.exists = true;
    // A link at the destination counts as what it points to: a link to the source is the
    // source, a link to a folder is a folder.
    struct stat target = entry;
    if (S_ISLNK(entry.st_mode) && ::fstatat(fd, parts.name.c_str(), &target, 0) != 0)
        target = entry;
    if (sameFile(entry, source) || sameFile(target, source))
        return failure(TransferError::SameFile, request.destination);
    if (S_ISDIR(target.st_mode))
        return failure(TransferError::DestinationIsFolder, request.destination);
    return std::nullopt;
}

Outcome decidePlacement(const TransferRequest& request, const Destination& destination,
                        Placement& placement, ITransferDialogs& dialogs) {
    if (!destination.exists) {
        // A free name is claimed without replacing, so that a file someone writes under it
        // meanwhile is never silently lost when the user wanted to be asked.
        placement.replace = request.mayReplace && !request.confirmOverwrite;
        placement.mayAsk = request.mayReplace && request.confirmOverwrite;
        return std::nullopt;
    }
    if (!request.mayReplace)
        return failure(TransferError::DestinationExists, request.destination);
    if (request.confirmOverwrite) {
        if (auto answer = askToReplace(request.destination, dialogs))
            return answer;
    }
    placement.replace = true;
    return std::nullopt;
}

} // namespace transfer

namespace {

Outcome runTransfer(const TransferRequest& request, ITransferDialogs& dialogs) {
    struct stat source {};
    if (auto problem = inspectSource(request, source))
        return problem;
    if (request.operation == FileOperation::Move) {
        // The common case of a move on one disk to a free name: one rename that refuses to
        // replace anything settles it. A name that exists (the same file included), another
        // disk or a file system without that rename goes the full way below.
        if (::renameat2(AT_FDCWD, request.source.c_str(), AT_FDCWD, request.destination.c_str(),
                        RENAME_NOREPLACE) == 0)
            return std::nullopt;
    }
    Destination destination;
    if (auto problem = inspectDestination(request, source, destination))
        return problem;
    Placement placement;
    if (auto problem = decidePlacement(request, destination, placement, dialogs))
        return problem;
    if (request.operation == FileOperation::Move)
        return moveFile(request, source, destination, placement, dialogs);
    return copyToDestination(request, source, destination, placement, false, dialogs);
}

} // namespace

namespace transfer {

Outcome settlePlacement(int error, const Placement& placement,
                        const std::function<int(bool replace)>& retry, const std::string& path,
                        ITransferDialogs& dialogs) {
    if (error == EEXIST && !placement.replace && placement.mayAsk) {
        // The name was free when we looked and has been taken while we copied.
        if (auto answer = askToReplace(path, dialogs))
            return answer;
        error = retry(true);
    }
    switch (error) {
    case 0:
        return std::nullopt;
    case EEXIST:
        return failure(TransferError::DestinationExists, path);
    case EISDIR:
    case ENOTEMPTY:
        return failure(TransferError::DestinationIsFolder, path);
    default:
        return failureFromErrno(error, TransferError::WriteFailed, path);
    }
}

Outcome openCopy(const TransferRequest& request, const struct stat& source, CopyJob& job) {
    // O_NONBLOCK: should the path have become a pipe since we looked, don't hang on it.
    job.sourceFd =
        UniqueFd(::open(request.source.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (!job.sourceFd) {
        if (errno == ENOENT)
            return failure(TransferError::SourceMissing, request.source);
        return failureFromErrno(errno, TransferError::ReadFailed, request.source);
    }
    if (::fstat(job.sourceFd.get(), &job.status) != 0)
        return failureFromErrno(errno, TransferError::ReadFailed, request.source);
    if (!sameFile(job.status, source))
        return failure(TransferError::SourceChanged, request.source);
    job.sourcePath = request.source;
    job.onSourceRead = request.onSourceRead;
    return job.temp.create();
}

Outcome nameCopy(const TransferRequest& request, const Destination& destination,
                 const Placement& placement, bool forMove, CopyJob& job,
                 ITransferDialogs& dialogs) {
    const int folder = destination.folder.get();
    auto claim = [&](bool replace) {
        return placeFile(folder, job.temp.name(), folder, destination.name, replace,
                         OldName::Temporary);
    };
    if (auto problem = settlePlacement(claim(placement.replace), placement, claim,
                                       request.destination, dialogs))
        return problem;
    job.temp.markPublished();
    // The bytes are durable before the name exists, so a crash leaves the whole file or none
    // under the name. A plain copy leaves its source in place, so a name lost in a crash loses
    // nothing and the folder is not flushed for every file (that flush doubled the journal
    // commits per file); before a move deletes its source the name must be durable.
    if (!forMove)
        return std::nullopt;
    return syncFolder(folder, destination.folderPath);
}

Outcome copyToDestination(const TransferRequest& request, const struct stat& source,
                          Destination& destination, const Placement& placement, bool forMove,
                          ITransferDialogs& dialogs) {
    const bool verify = forMove;
    CopyJob job(destination.folder.get(), request.destination);
    if (auto problem = openCopy(request, source, job))
        return problem;
    {
        auto total = static_cast<std::uint64_t>(job.status.st_size) * (verify ? 2 : 1);
        ProgressReport progress(dialogs, request.source, total);
        if (auto problem = writeCopy(job.source(), job.temp, progress))
            return problem;
        if (auto problem = makeDurable(job.source(), job.temp, verify, &progress))
            return problem;
    } // the progress window closes before a question about the name may come
    return nameCopy(request, destination, placement, forMove, job, dialogs);
}

TransferResult reportOutcome(const TransferRequest& request, const Outcome& outcome,
                             ITransferDialogs& dialogs) {
    if (!outcome)
        return {};
    const TransferResult result = TransferResult::of(outcome->error);
    if (result.status == TransferStatus::Failed)
        dialogs.showError(outcome->path,
                          transferErrorText(request.operation, outcome->error, outcome->errnum));
    return result;
}

} // namespace transfer

TransferResult TransferResult::of(TransferError reason) {
    switch (reason) {
    case TransferError::Skipped:
        return {TransferStatus::Skipped, std::nullopt};
    case TransferError::Cancelled:
        return {TransferStatus::Cancelled, std::nullopt};
    default:
        return {TransferStatus::Failed, reason};
    }
}

TransferResult transferFile(const TransferRequest& request, ITransferDialogs& dialogs) {
    // A copy beyond the file-size limit must fail as this file's error, not end the program.
    ignoreFileSizeSignal();
    return reportOutcome(request, runTransfer(request, dialogs), dialogs);
}

} // namespace pixbako
