#pragma once
// Copies in flight made durable together, for the two-half transfer of FileTransferInFlight.cpp
// only.
//
// Every copy still gets its own fsync before it is named, and that fsync alone decides whether
// the copy is durable. A batch gathers consecutive copies into one folder and issues their
// fsyncs together, each on a thread of its own, so that they share the disk's cache flushes and
// journal commits; on file systems where one flush of the whole file system writes everything
// in one pass, that flush comes first and leaves the fsyncs little to write. A batch is started
// when it is full (by files, bytes or age) or when one of its copies is waited for, runs on one
// helper thread, and is joined by its copies: nothing keeps running between transfers.
#include "platform/FileTransferSteps.h"

#include <chrono>
#include <cstdint>
#include <future>
#include <memory>
#include <string>
#include <vector>

namespace pixbako::transfer {

// A batch holds at most this many copies, of at most this many bytes together, copied within
// this time of its first; a copy that would exceed a bound starts the next batch. Several
// batches fit into the transfers a run keeps in flight, so that one is flushed while the next
// is copied. A large file is a batch of its own: its flush gains nothing from company.
constexpr std::size_t kBatchFiles = 32;
constexpr std::uint64_t kBatchBytes = 16 << 20;
constexpr std::chrono::milliseconds kBatchAge{100};

class FlushBatch {
public:
    using Clock = std::chrono::steady_clock;

    // The batch the calling thread is filling, for a copy of `bytes` bytes into `folder`; a
    // batch that can't take it any more is started and a new one begun.
    static std::shared_ptr<FlushBatch> forCopy(const std::string& folder, std::uint64_t bytes,
                                               int fileFd);
    // Starts the batch the calling thread is filling, if any, unless it can still take a copy
    // of `bytes` into `folder`: copies already in it need not wait while a large one is written.
    static void startUnlessFits(const std::string& folder, std::uint64_t bytes);

    FlushBatch(std::string folder, bool flushWhole);
    ~FlushBatch(); // waits for the helper
    FlushBatch(const FlushBatch&) = delete;
    FlushBatch& operator=(const FlushBatch&) = delete;

    // Adds a written copy; `verify` reads it back after its flush. Returns its place.
    std::size_t add(CopyJob& job, bool verify);
    // Waits for the flush of the copy at `place` (starting the batch if it isn't yet) and
    // returns how makeDurable ended for it.
    Outcome wait(std::size_t place);
    // True when the batch's flush has ended, so that wait() returns at once.
    bool ready() const;
    // A copy given up: left out of a batch not started yet, else waited for, so that the
    // helper is done with its descriptors before they are closed.
    void release(std::size_t place);

private:
    bool fits(const std::string& folder, std::uint64_t bytes, Clock::time_point now) const;
    void start();
    void run();

    struct Member {
        CopyJob* job; // null once released before the start
        bool verify;
        Outcome outcome; // a failure until its makeDurable has returned
    };
    const std::string folder_;
    const bool flushWhole_;
    const Clock::time_point opened_ = Clock::now();
    std::vector<Member> members_;
    std::uint64_t bytes_ = 0;
    bool started_ = false;
    std::future<void> done_;
};

} // namespace pixbako::transfer
