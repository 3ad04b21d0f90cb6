// A transfer in two halves: the copy on the caller's thread, its flush (and a move's read-back)
// on a helper thread, and its naming back on the caller's thread when the caller finishes it.
//
// The helper thread is the one exception to the program's rule that everything runs on the
// GUI thread, and a narrow one: it only waits for the disk (fsync) and reads the flushed copy
// back, on the two descriptors the transfer handed it, and touches no state of the program.
// Everything the user sees or decides (progress, questions, errors, names, counts) stays on
// the caller's thread, in the order of the files. Without it every file costs one journal
// commit in series; with it that wait overlaps the copy of the next files, and the flushes of
// several files share their commits. One thread per file, started and joined by the transfer:
// nothing is left running between transfers (a forked process keeps working, a kill leaves nothing
// behind but temporary files).
#include "platform/FileSizeSignal.h"
#include "platform/FileTransfer.h"
#include "platform/FileTransferSteps.h"

#include <future>
#include <sys/stat.h>
#include <system_error>

namespace pixbako {

using namespace transfer;

struct TransferInFlight::State {
    enum class Kind {
        Done,     // over: `result`
        Failed,   // over before it changed anything: `failure`, shown in finish
        Whole,    // done entirely by finish, as transferFile
        Flushing, // copied; `flushed` tells how its flush ended
    };
    Kind kind = Kind::Done;
    TransferResult result;
    Outcome failure;
    TransferRequest request;
    ITransferDialogs* dialogs = nullptr;

    // Flushing: what finish needs to name the copy and delete a moved source. The folders
    // are declared before the job, whose temporary file lives in one of them.
    Destination destination;
    Placement placement;
    SourceFolder sourceFolder;
    bool forMove = false;
    std::unique_ptr<CopyJob> job;
    std::future<Outcome> flushed;

    State() = default;
    State(const State&) = delete;
    State& operator=(const State&) = delete;
    ~State() {
        // Abandoned: the helper must be done with the descriptors before the temporary file is
        // removed and closed.
        if (flushed.valid())
            flushed.wait();
    }

    TransferResult settle(bool mayReplace);
};

TransferResult TransferInFlight::State::settle(bool mayReplace) {
    switch (kind) {
    case Kind::Done:
        return result;
    case Kind::Failed:
        return reportOutcome(request, failure, *dialogs);
    case Kind::Whole: {
        TransferRequest now = request;
        now.mayReplace = mayReplace;
        return transferFile(now, *dialogs);
    }
    case Kind::Flushing:
        break;
    }
    Outcome outcome = flushed.get();
    if (!outcome) {
        // A file transferred since the begin may hold the name now; it must not be replaced.
        Placement now = mayReplace ? placement : Placement{};
        outcome = nameCopy(request, destination, now, forMove, *job, *dialogs);
    }
    if (!outcome && forMove)
        outcome = removeMovedSource(request, sourceFolder, *dialogs);
    return reportOutcome(request, outcome, *dialogs);
}

TransferInFlight::TransferInFlight() = default;
TransferInFlight::TransferInFlight(TransferInFlight&&) noexcept = default;
TransferInFlight& TransferInFlight::operator=(TransferInFlight&&) noexcept = default;
TransferInFlight::~TransferInFlight() = default;

TransferInFlight TransferInFlight::done(TransferResult result) {
    TransferInFlight transfer;
    transfer.state_ = std::make_unique<State>();
    transfer.state_->result = result;
    return transfer;
}

bool TransferInFlight::overlaps() const {
    return state_ && state_->kind == State::Kind::Flushing;
}

std::uint64_t TransferInFlight::bytes() const {
    if (!overlaps())
        return 0;
    return static_cast<std::uint64_t>(state_->job->status.st_size);
}

bool TransferInFlight::outOfDescriptors() const {
    return state_ && state_->kind == State::Kind::Failed && state_->failure &&
           state_->failure->error == TransferError::TooManyOpenFiles;
}

TransferResult TransferInFlight::finish(bool mayReplace) {
    if (!state_)
        return {};
    std::unique_ptr<State> state = std::move(state_);
    const TransferResult result = state->settle(mayReplace);
    state.reset(); // closes the descriptors before anyone looks at the files
    if (onFinished)
        onFinished(result);
    return result;
}

namespace {

// Whether a move goes by rename: the source and the destination folder on one device (a
// bind mount that isn't is found out by the rename itself, in transferFile).
bool sameDevice(const struct stat& source, const std::string& destination) {
    struct stat folder {};
    return ::stat(splitPath(destination, ".").folder.c_str(), &folder) != 0 ||
           folder.st_dev == source.st_dev;
}

Outcome flushOnHelper(TransferInFlight::State& state) {
    CopyJob* job = state.job.get();
    const bool verify = state.forMove;
    auto flush = [job, verify] { return makeDurable(job->source(), job->temp, verify, nullptr); };
    try {
        state.flushed = std::async(std::launch::async, flush);
    } catch (const std::system_error&) {
        // No thread to be had: flush here and now, as a whole transfer does.
        std::promise<Outcome> now;
        now.set_value(flush());
        state.flushed = now.get_future();
    }
    return std::nullopt;
}

// Fills `state` up to the flush; a failure leaves it Failed.
Outcome begin(TransferInFlight::State& state) {
    const TransferRequest& request = state.request;
    struct stat source {};
    if (auto problem = inspectSource(request, source))
        return problem;
    using Kind = TransferInFlight::State::Kind;
    state.forMove = request.operation == FileOperation::Move;
    if (state.forMove && sameDevice(source, request.destination)) {
        state.kind = Kind::Whole;
        return std::nullopt;
    }
    if (auto problem = inspectDestination(request, source, state.destination))
        return problem;
    if (state.destination.exists) {
        // The overwrite question and the replacing of a file: one file at a time.
        state.destination = Destination{};
        state.kind = Kind::Whole;
        return std::nullopt;
    }
    if (auto problem = decidePlacement(request, state.destination, state.placement, *state.dialogs))
        return problem;
    if (state.forMove) {
        if (auto problem = prepareMoveAcross(request, state.sourceFolder))
            return problem;
    }
    state.job = std::make_unique<CopyJob>(state.destination.folder.get(), request.destination);
    if (auto problem = openCopy(request, source, *state.job))
        return problem;
    {
        ProgressReport progress(*state.dialogs, request.source,
                                static_cast<std::uint64_t>(state.job->status.st_size));
        if (auto problem = writeCopy(state.job->source(), state.job->temp, progress))
            return problem;
    }
    state.kind = Kind::Flushing;
    return flushOnHelper(state);
}

} // namespace

TransferInFlight beginTransfer(const TransferRequest& request, ITransferDialogs& dialogs) {
    // A copy beyond the file-size limit must fail as this file's error, not end the program.
    ignoreFileSizeSignal();
    TransferInFlight transfer = TransferInFlight::done({});
    TransferInFlight::State& state = *transfer.state_;
    state.request = request;
    state.dialogs = &dialogs;
    if (auto problem = begin(state)) {
        state.flushed = {};
        state.job.reset(); // removes the temporary file now
        state.kind = TransferInFlight::State::Kind::Failed;
        state.failure = std::move(problem);
    }
    return transfer;
}

} // namespace pixbako
