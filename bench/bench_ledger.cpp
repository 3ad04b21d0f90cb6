// What the ledger option costs and saves in whole import runs with real transfers: the card in
// memory (/dev/shm when it is a tmpfs, else $TMPDIR), the save folder on the disk of $TMPDIR
// (never tmpfs: flushes cost nothing there, and the share of the hashing would look larger than
// it is).
//
//   copyRun            64 pictures of 4 MiB in 4 date folders, copied into a fresh save folder
//                      once with the ledger off and once on per iteration, the order swapped
//                      every iteration so that both meet the same load of a shared machine.
//                      ledger_cost_% = (on - off) / off: hashing the bytes the copy reads plus
//                      recording the entries; hashing_% = the processor time spent hashing
//                      (measured around each block the copy hands over) / the run's time with
//                      the ledger.
//   importedCardAgain  2,000 pictures of 256 KiB imported with the ledger into a fresh save
//                      folder, then the same card run again: every file is found in the ledger
//                      and skipped. All of one size, as uncompressed RAW files are: the size
//                      test lets every file through, so each is read and hashed once more.
//                      speedup_x = import time / time of the run again.
//   hashThroughput     XXH3-128 of 1 MiB blocks in the cache, as the copy hands them over.
//
// The *_median lines of the counters are the figures to read; the machine is shared and noisy.
#include "SilentWindows.h"
#include "engine/ledger/ContentHash.h"
#include "engine/run/ImportRun.h"
#include "support/JpegBuilder.h"
#include "support/TempFolder.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <sys/vfs.h>
#include <time.h>

namespace {

using namespace pixbako;

constexpr long kTmpfsMagic = 0x01021994;

bool onTmpfs(const std::string& path) {
    struct statfs info {};
    return ::statfs(path.c_str(), &info) == 0 && info.f_type == kTmpfsMagic;
}

// /dev/shm when it is a tmpfs with room for the card and as much again, else $TMPDIR.
std::string cardBase(std::uint64_t bytes) {
    struct statfs info {};
    if (::statfs("/dev/shm", &info) != 0 || info.f_type != kTmpfsMagic ||
        static_cast<std::uint64_t>(info.f_bavail) * info.f_bsize < 2 * bytes)
        return {};
    return "/dev/shm";
}

double threadSeconds() {
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

using bench::SilentDialogs;

// A window that shows nothing and transfers as the program's windows do: each file begun while
// the flushes of the files before it complete.
class TransferringWindow : public bench::SilentRunWindow {
public:
    TransferResult shellFileOperation(const TransferRequest& request,
                                      const RunAbortFlag&) override {
        return transferFile(request, dialogs_);
    }
    // The processor time the run's hashing of what the copies read takes, measured around it
    // on the copying thread (so that time lost to other programs of a busy machine is not
    // counted as hashing).
    TransferInFlight beginFileOperation(const TransferRequest& request,
                                        const RunAbortFlag&) override {
        if (!request.onSourceRead)
            return beginTransfer(request, dialogs_);
        TransferRequest timed = request;
        timed.onSourceRead = [this, hash = request.onSourceRead](const char* data,
                                                                 std::size_t size) {
            const double start = threadSeconds();
            hash(data, size);
            hashing += threadSeconds() - start;
        };
        return beginTransfer(timed, dialogs_);
    }
    double hashing = 0; // seconds

private:
    SilentDialogs dialogs_;
};

// A card of `count` camera pictures of `bytes` each (EXIF dates over four days, the rest random
// so that no two files are alike), made once per card size.
class Card {
public:
    Card(int count, std::size_t bytes) : folder_(cardBase(std::uint64_t(count) * bytes)) {
        std::mt19937_64 random(static_cast<std::uint64_t>(count) * 1'000'003u + bytes);
        for (int i = 0; i < count; ++i) {
            char date[32];
            std::snprintf(date, sizeof date, "2024:05:%02d %02d:%02d:%02d", 1 + i % 4,
                          8 + i / 3600 % 12, i / 60 % 60, i % 60);
            std::string file = test::cameraJpeg(date);
            const std::size_t head = file.size();
            file.resize(std::max(bytes, head + 8));
            for (std::size_t at = head; at + 8 <= file.size(); at += 8) {
                const std::uint64_t word = random();
                std::memcpy(file.data() + at, &word, 8);
            }
            char name[32];
            std::snprintf(name, sizeof name, "/IMG_%05d.JPG", i);
            test::writeTestFile(folder_.path() + name, file);
        }
    }
    const std::string& path() const { return folder_.path(); }

private:
    TempFolder folder_;
};

// Copies into date folders with numbered names, as a photographer sets it up.
ImportSettings importSettings(const std::string& card, const std::string& save, bool ledger) {
    ImportSettings s;
    s.readInFolder = card;
    s.saveFolder = save;
    s.copy = true;
    s.dateFolders = true;
    s.folderDatePattern = std::string("yyyy_mm_dd");
    s.rename = true;
    s.fileDatePattern = std::string("yyyymmdd");
    s.middleText = std::string("_");
    s.numbering = true;
    s.sequenceStyleIndex = 1; // "001"
    s.ledger = ledger;
    return s;
}

struct RunTimes {
    double seconds = -1; // negative when not every file was transferred or skipped as expected
    double hashing = 0;  // of those, the seconds spent hashing what the copies read
};

// One run of the card into `save`.
RunTimes timedRun(const std::string& card, const std::string& save, bool ledger,
                  std::size_t expectSkipped) {
    TransferringWindow window;
    window.settings = importSettings(card, save, ledger);
    ImportRun run(window);
    const auto start = std::chrono::steady_clock::now();
    run.startOrStopRun(RunSender::Interactive);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    const RunSummary& report = run.lastReport();
    const bool expected = report.reachedEnd && report.failedTransfers == 0 &&
                          report.alreadyImported == expectSkipped &&
                          report.transferred + report.alreadyImported == run.list().size();
    return {expected ? took.count() : -1, window.hashing};
}

// A save folder made anew on the disk.
std::string freshSaveFolder(const TempFolder& root) {
    const std::string save = root.path() + "/photos";
    std::filesystem::remove_all(save);
    std::filesystem::create_directories(save);
    return save;
}

void copyRun(benchmark::State& state) {
    constexpr int kFiles = 64;
    constexpr std::size_t kBytes = 4u << 20;
    static const Card card(kFiles, kBytes);
    TempFolder disk;
    double off = 0, on = 0, hashing = 0;
    bool ledgerFirst = false;
    for (auto _ : state) {
        RunTimes pair[2];
        for (bool ledger : {ledgerFirst, !ledgerFirst})
            pair[ledger] = timedRun(card.path(), freshSaveFolder(disk), ledger, 0);
        if (pair[0].seconds < 0 || pair[1].seconds < 0) {
            state.SkipWithError("a run did not copy every file");
            break;
        }
        off += pair[0].seconds;
        on += pair[1].seconds;
        hashing += pair[1].hashing;
        state.SetIterationTime(pair[0].seconds + pair[1].seconds);
        ledgerFirst = !ledgerFirst;
    }
    if (onTmpfs(disk.path()))
        state.SetLabel("save folder on tmpfs: not representative");
    const double n = static_cast<double>(state.iterations());
    state.counters["off_ms"] = off / n * 1000;
    state.counters["on_ms"] = on / n * 1000;
    state.counters["ledger_cost_%"] = off > 0 ? (on - off) / off * 100 : 0;
    state.counters["hashing_%"] = on > 0 ? hashing / on * 100 : 0;
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * 2 * kFiles * kBytes));
}
BENCHMARK(copyRun)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3)->Repetitions(7);

void importedCardAgain(benchmark::State& state) {
    constexpr int kFiles = 2000;
    static const Card card(kFiles, 256u << 10);
    TempFolder disk;
    double import = 0, again = 0;
    for (auto _ : state) {
        const std::string save = freshSaveFolder(disk);
        const RunTimes first = timedRun(card.path(), save, true, 0);
        const RunTimes second = timedRun(card.path(), save, true, kFiles);
        if (first.seconds < 0 || second.seconds < 0) {
            state.SkipWithError("the first run did not import every file or the second run "
                                "did not skip every file");
            break;
        }
        import += first.seconds;
        again += second.seconds;
        state.SetIterationTime(second.seconds);
    }
    if (onTmpfs(disk.path()))
        state.SetLabel("save folder on tmpfs: not representative");
    const double n = static_cast<double>(state.iterations());
    state.counters["import_ms"] = import / n * 1000;
    state.counters["again_ms"] = again / n * 1000;
    state.counters["speedup_x"] = again > 0 ? import / again : 0;
}
BENCHMARK(importedCardAgain)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(5);

void hashThroughput(benchmark::State& state) {
    std::string block(1u << 20, '\0');
    std::mt19937 random(7);
    for (char& c : block)
        c = static_cast<char>(random());
    ContentHasher hasher;
    for (auto _ : state) {
        hasher.update(block.data(), block.size());
        benchmark::DoNotOptimize(hasher);
    }
    benchmark::DoNotOptimize(hasher.digest());
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * block.size()));
}
BENCHMARK(hashThroughput);

} // namespace

BENCHMARK_MAIN();
