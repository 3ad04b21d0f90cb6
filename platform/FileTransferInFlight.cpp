// A transfer in two halves: the copy on the caller's thread, its flush (and a move's read-back)
// on a helper thread, and its naming back on the caller's thread when the caller finishes it.
//
// The helper thread is the one exception to the program's rule that everything runs on the
// GUI thread, and a narrow one: it only waits for the disk (syncfs, fsync) and reads the flushed
// copies back, on the descriptors the transfers handed it, and touches no state of the program.
// Everything the user sees or decides (progress, questions, errors, names, counts) stays on
// the caller's thread, in the order of the files. Without it every file costs one journal
// commit in series; with it that wait overlaps the copy of the next files, and consecutive
// copies are flushed together in batches (FileTransferBatch.h). One thread per batch, started
// and joined by its transfers: nothing is left running between transfers (a forked process
// keeps working, a kill leaves nothing behind but temporary files).
#include "platform/FileSizeSignal.h"
#include "platform/FileTransfer.h"
#include "platform/FileTransferBatch.h"
#include "platform/FileTransferSteps.h"

#include <map>
#include <sys/stat.h>
#include <vector>

namespace pixbako {

using namespace transfer;

struct TransferInFlight::State {
    enum class Kind {
        Done,     // over: `result`
        Failed,   // over before it changed anything: `failure`, shown in finish
        Whole,    // done entirely by finish, as transferFile
        Flushing, // copied; its place in `batch` tells how its flush ended
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
    std::shared_ptr<FlushBatch> batch; // until its flush has been waited for
    std::size_t place = 0;
    Outcome flushed; // how the flush ended, once waited for

    State() = default;
    State(const State&) = delete;
    State& operator=(const State&) = delete;
    ~State() { leaveBatch(); }

    // Abandoned: the helper must be done with the descriptors before the temporary file is
    // removed and closed.
    void leaveBatch() {
        if (batch)
            batch->release(place);
        batch.reset();
    }

    // Flushing: how the copy's flush ended, waiting for it if need be.
    Outcome waitForFlush() {
        if (batch) {
            flushed = batch->wait(place);
            batch.reset();
        }
        return flushed;
    }
    bool flushOver() const { return !batch || batch->ready(); }

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
    Outcome outcome = waitForFlush();
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

using State = TransferInFlight::State;

// One transfer of a group finished together.
struct GroupMember {
    std::unique_ptr<State> state;
    Outcome outcome;
    bool deleted = false;               // its moved source
    Outcome unconfirmed = std::nullopt; // the deletion the disk didn't confirm
};

// A folder a member holds open: its descriptor, and the path a failure names.
struct HeldFolder {
    int fd;
    const std::string& path;
};

// Flushes each folder once for the members that `wants`, in order, and hands each of them the
// result of its folder's flush. Folders are told apart by what their descriptors hold, not by
// their paths: a path may name another folder by now (renamed, made again, remounted), and
// every member's own folder must be flushed.
void flushOncePerFolder(std::vector<GroupMember>& members,
                        const std::function<bool(const GroupMember&)>& wants,
                        const std::function<HeldFolder(const State&)>& folderOf,
                        Outcome GroupMember::*result) {
    std::map<std::pair<dev_t, ino_t>, Outcome> flushes;
    for (GroupMember& member : members) {
        if (!wants(member))
            continue;
        const HeldFolder folder = folderOf(*member.state);
        struct stat held {};
        if (::fstat(folder.fd, &held) != 0) {
            member.*result = syncFolder(folder.fd, folder.path);
            continue;
        }
        auto [flush, first] = flushes.try_emplace({held.st_dev, held.st_ino});
        if (first)
            flush->second = syncFolder(folder.fd, folder.path);
        member.*result = flush->second;
    }
}

} // namespace

std::size_t finishTogether(const std::vector<TransferInFlight*>& transfers, bool mayReplace,
                           const std::function<bool()>& stopRequested,
                           const std::function<void(std::size_t, TransferResult)>& finished) {
    if (transfers.empty())
        return 0;
    auto flushing = [](const TransferInFlight& transfer) {
        return transfer.state_ && transfer.state_->kind == State::Kind::Flushing;
    };
    // The first's flush is waited for, and with it the rest of its batch; the others join while
    // their flushes are over.
    std::size_t count = 1;
    if (flushing(*transfers[0])) {
        transfers[0]->state_->waitForFlush();
        while (count < transfers.size() && flushing(*transfers[count]) &&
               transfers[count]->state_->flushOver())
            ++count;
    }
    if (count == 1) {
        const TransferResult result = transfers[0]->finish(mayReplace);
        finished(0, result);
        return 1;
    }

    // Each copy named in order once its flush has succeeded. The first decides about its name
    // as finish() does, asking if it must; the others only claim a name that is free.
    std::vector<GroupMember> members;
    for (std::size_t i = 0; i < count; ++i) {
        // A stop (asked for during the first one's question, or a signal) leaves the rest
        // unnamed, for the caller to abandon.
        if (i > 0 && stopRequested())
            break;
        State& state = *transfers[i]->state_;
        Outcome outcome = state.waitForFlush();
        if (!outcome) {
            const Placement placement = i == 0 && mayReplace ? state.placement : Placement{};
            outcome = nameCopy(state.request, state.destination, placement, false, *state.job,
                               *state.dialogs);
            if (i > 0 && outcome && outcome->error == TransferError::DestinationExists)
                break; // taken by now: left for the next call, which may replace or ask
        }
        members.push_back({std::move(transfers[i]->state_), std::move(outcome)});
        if (members.back().outcome && members.back().outcome->error == TransferError::Cancelled)
            break;
    }
    // A moved source goes only once its copy's name is on the disk: the folders of the moves
    // are flushed, once each, before any source is deleted; then the sources' folders, once
    // each, to make the deletions durable.
    flushOncePerFolder(
        members, [](const GroupMember& member) { return member.state->forMove && !member.outcome; },
        [](const State& state) {
            return HeldFolder{state.destination.folder.get(), state.destination.folderPath};
        },
        &GroupMember::outcome);
    for (GroupMember& member : members) {
        if (member.state->forMove && !member.outcome) {
            member.outcome = deleteMovedSource(member.state->request, member.state->sourceFolder);
            member.deleted = !member.outcome;
        }
    }
    flushOncePerFolder(
        members, [](const GroupMember& member) { return member.deleted; },
        [](const State& state) {
            return HeldFolder{state.sourceFolder.fd.get(), state.sourceFolder.path};
        },
        &GroupMember::unconfirmed);

    // What the user is told, in order, as each transfer's finish() would have told it.
    for (std::size_t i = 0; i < members.size(); ++i) {
        GroupMember& member = members[i];
        const TransferRequest& request = member.state->request;
        ITransferDialogs& dialogs = *member.state->dialogs;
        // Once a stop is asked for, nothing more is shown; the results still count.
        TransferResult result;
        if (stopRequested()) {
            if (member.outcome)
                result = TransferResult::of(member.outcome->error);
        } else {
            if (member.unconfirmed)
                dialogs.showWarning(request.source,
                                    transferWarningText(member.unconfirmed->errnum));
            result = reportOutcome(request, member.outcome, dialogs);
        }
        member.state.reset(); // closes its descriptors
        if (transfers[i]->onFinished)
            transfers[i]->onFinished(result);
        finished(i, result);
    }
    return members.size();
}

namespace {

// Whether a move goes by rename: the source and the destination folder on one device (a
// bind mount that isn't is found out by the rename itself, in transferFile).
bool sameDevice(const struct stat& source, const std::string& destination) {
    struct stat folder {};
    return ::stat(splitPath(destination, ".").folder.c_str(), &folder) != 0 ||
           folder.st_dev == source.st_dev;
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
    const auto size = static_cast<std::uint64_t>(state.job->status.st_size);
    const std::string& folder = state.destination.folderPath;
    // The copies waiting for company are flushed now rather than after a copy that won't join
    // them.
    FlushBatch::startUnlessFits(folder, size);
    {
        ProgressReport progress(*state.dialogs, request.source, size);
        if (auto problem = writeCopy(state.job->source(), state.job->temp, progress))
            return problem;
    }
    state.batch = FlushBatch::forCopy(folder, size, state.job->temp.fd());
    state.place = state.batch->add(*state.job, state.forMove);
    state.kind = Kind::Flushing;
    return std::nullopt;
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
        state.leaveBatch();
        state.job.reset(); // removes the temporary file now
        state.kind = TransferInFlight::State::Kind::Failed;
        state.failure = std::move(problem);
    }
    return transfer;
}

} // namespace pixbako
