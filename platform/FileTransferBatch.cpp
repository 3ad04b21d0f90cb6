#include "platform/FileTransferBatch.h"

#include <cerrno>
#include <functional>
#include <linux/magic.h>
#include <pthread.h>
#include <sys/vfs.h>
#include <system_error>
#include <unistd.h>

namespace pixbako::transfer {
namespace {

// The batch the calling thread is filling: copies are begun and finished on one thread, in
// order, and only that thread adds to a batch or starts it.
thread_local std::weak_ptr<FlushBatch> filling;

// File systems whose flush of the whole file system writes all files' bytes and metadata and
// commits them at once. Elsewhere (vfat, network and FUSE file systems) such a flush may cost
// more than it saves, and each copy's own fsync does the work alone.
bool flushesWholeInOneCommit(int fd) {
    struct statfs fs {};
    if (::fstatfs(fd, &fs) != 0)
        return false;
    switch (static_cast<unsigned long>(fs.f_type)) {
    case EXT4_SUPER_MAGIC: // ext2, ext3 and ext4 alike
    case XFS_SUPER_MAGIC:
    case BTRFS_SUPER_MAGIC:
    case F2FS_SUPER_MAGIC:
        return true;
    default:
        return false;
    }
}

// Runs each task (which must not throw) on a thread of its own, the first on the calling
// thread, and waits for them all. The threads get small stacks (a flush needs little), which the C
// library keeps for the next batch instead of mapping and unmapping its default 8 MiB for every
// thread; a task that gets no thread runs here.
void runEach(std::vector<std::function<void()>>& tasks) {
    if (tasks.empty())
        return;
    pthread_attr_t attributes;
    const bool small = ::pthread_attr_init(&attributes) == 0;
    if (small)
        ::pthread_attr_setstacksize(&attributes, 256 << 10);
    std::vector<pthread_t> threads;
    threads.reserve(tasks.size()); // nothing may throw between a thread's start and its join
    for (std::size_t i = 1; i < tasks.size(); ++i) {
        auto run = [](void* task) -> void* {
            (*static_cast<std::function<void()>*>(task))();
            return nullptr;
        };
        pthread_t thread;
        if (::pthread_create(&thread, small ? &attributes : nullptr, run, &tasks[i]) == 0)
            threads.push_back(thread);
        else
            tasks[i]();
    }
    if (small)
        ::pthread_attr_destroy(&attributes);
    tasks.front()();
    for (pthread_t thread : threads)
        ::pthread_join(thread, nullptr);
}

} // namespace

std::shared_ptr<FlushBatch> FlushBatch::forCopy(const std::string& folder, std::uint64_t bytes,
                                                int fileFd) {
    std::shared_ptr<FlushBatch> batch = filling.lock();
    if (batch && !batch->started_ && batch->fits(folder, bytes, Clock::now()))
        return batch;
    if (batch)
        batch->start();
    batch = std::make_shared<FlushBatch>(folder, flushesWholeInOneCommit(fileFd));
    filling = batch;
    return batch;
}

void FlushBatch::startUnlessFits(const std::string& folder, std::uint64_t bytes) {
    std::shared_ptr<FlushBatch> batch = filling.lock();
    if (batch && !batch->fits(folder, bytes, Clock::now()))
        batch->start();
}

FlushBatch::FlushBatch(std::string folder, bool flushWhole)
    : folder_(std::move(folder)), flushWhole_(flushWhole) {}

FlushBatch::~FlushBatch() {
    if (done_.valid())
        done_.wait();
}

bool FlushBatch::fits(const std::string& folder, std::uint64_t bytes, Clock::time_point now) const {
    if (started_ || folder != folder_)
        return false;
    if (members_.empty())
        return true;
    return flushWhole_ && members_.size() < kBatchFiles && bytes_ + bytes <= kBatchBytes &&
           now - opened_ < kBatchAge;
}

std::size_t FlushBatch::add(CopyJob& job, bool verify) {
    // Failed until its flush says otherwise: a flush that never ended (a helper that ran out
    // of memory) must not pass for one that succeeded.
    members_.push_back(
        {&job, verify,
         failureFromErrno(ENOMEM, TransferError::WriteFailed, job.temp.destinationPath())});
    bytes_ += static_cast<std::uint64_t>(job.status.st_size);
    // A copy that fills the batch (or one on a file system that gains nothing from company)
    // needn't wait for the next copy to find that out.
    if (!fits(folder_, 0, Clock::now()))
        start();
    return members_.size() - 1;
}

void FlushBatch::start() {
    if (started_)
        return;
    started_ = true;
    try {
        done_ = std::async(std::launch::async, [this] { run(); });
    } catch (const std::system_error&) {
        // No thread to be had: flush here and now, as a whole transfer does.
        run();
    }
}

void FlushBatch::run() {
    std::vector<Member*> copies;
    for (Member& member : members_)
        if (member.job)
            copies.push_back(&member);
    if (copies.empty())
        return;
    // Writes every copy of the batch (bytes, inodes, folder entries) in one pass; its result is
    // no copy's verdict (another program's file may have failed), each copy's own fsync gives
    // that.
    if (flushWhole_ && copies.size() > 1)
        ::syncfs(copies.front()->job->temp.fd());
    auto flush = [](Member& member) {
        try {
            member.outcome =
                makeDurable(member.job->source(), member.job->temp, member.verify, nullptr);
        } catch (...) { // out of memory: the copy keeps its failure
        }
    };
    // Each copy's fsync on a thread of its own: arriving together, the fsyncs share the disk's
    // cache flushes and journal commits instead of queueing one after the other.
    std::vector<std::function<void()>> flushes;
    for (Member* copy : copies)
        flushes.emplace_back([&flush, copy] { flush(*copy); });
    runEach(flushes);
}

Outcome FlushBatch::wait(std::size_t place) {
    start();
    if (done_.valid())
        done_.wait();
    return members_[place].outcome;
}

bool FlushBatch::ready() const {
    if (!started_)
        return false;
    return !done_.valid() || done_.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
}

void FlushBatch::release(std::size_t place) {
    if (!started_)
        members_[place].job = nullptr;
    else if (done_.valid())
        done_.wait();
}

} // namespace pixbako::transfer
