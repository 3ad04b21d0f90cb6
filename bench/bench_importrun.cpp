// Speed of the import run up to the transfers, and of the list sort.
//
//   planAndName/0   10,000 camera-like JPEG files (in the page cache): shot dates, date
//                   folders, sorting, renaming with sequence numbers; the transfers do nothing
//   planAndName/1   the same with auto-continue, so every date folder's counter file is read
//                   and written (durably) once per run
//   sortRows        the time-stamp sort of 100,000 rows with many equal stamps
// The files/s and rows/s counters are the figures to watch.
#include "SilentWindows.h"
#include "engine/run/ImportRun.h"
#include "engine/run/RowSort.h"
#include "support/JpegBuilder.h"
#include "support/TempFolder.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <filesystem>
#include <random>

namespace {

using namespace pixbako;

constexpr int kFiles = 10'000;

// A window that answers nothing and transfers nothing, so that a run measures its own work.
class QuietWindow : public bench::SilentRunWindow {
public:
    TransferResult shellFileOperation(const TransferRequest&, const RunAbortFlag&) override {
        return {};
    }
};

// A camera's picture: EXIF with maker note and thumbnail (about 14 to 30 KiB), a short scan.
// Dates spread over a year, about 30 pictures a day, several in the same second.
std::string cameraFile(int index) {
    char date[32];
    int day = index / 30;
    std::snprintf(date, sizeof date, "2024:%02d:%02d %02d:%02d:%02d", day / 28 % 12 + 1,
                  day % 28 + 1, 8 + index % 30 / 3, index % 7, index % 30 / 2);
    test::JpegLayout layout;
    layout.exif = test::exifPayload(
        test::dateExif(date, false, 8192 + (index * 37u) % 8192, 6144 + (index * 53u) % 8192));
    layout.scanBytes = 2048;
    return test::buildJpeg(layout);
}

const std::string& cardFolder() {
    static TempFolder folder;
    static bool made = false;
    if (!made) {
        for (int i = 0; i < kFiles; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "/IMG_%05d.JPG", (i * 7919) % kFiles);
            test::writeTestFile(folder.path() + name, cameraFile(i));
        }
        made = true;
    }
    return folder.path();
}

void planAndName(benchmark::State& state) {
    const std::string& card = cardFolder();
    TempFolder save;
    QuietWindow window;
    ImportSettings& s = window.settings;
    s.readInFolder = card;
    s.saveFolder = save.path();
    s.dateFolders = true;
    s.folderDatePattern = std::string("yyyy_mm_dd");
    s.rename = true;
    s.fileDatePattern = std::string("yyyymmdd_hhnnss");
    s.middleText = std::string("_");
    s.numbering = true;
    s.sequenceStyleIndex = 10; // "-xxxx-"
    s.autoContinue = state.range(0) != 0;
    ImportRun run(window);
    run.startOrStopRun(RunSender::Interactive); // warm: folders exist afterwards

    std::size_t files = 0;
    for (auto _ : state) {
        run.startOrStopRun(RunSender::Interactive);
        files += run.list().size();
    }
    if (run.list().size() != kFiles)
        state.SkipWithError("not every file was planned");
    state.counters["files/s"] =
        benchmark::Counter(static_cast<double>(files), benchmark::Counter::kIsRate);
}
BENCHMARK(planAndName)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

void sortRows(benchmark::State& state) {
    std::mt19937 random(42);
    std::uniform_int_distribution<int> second(0, 4999);
    std::vector<PlannedFile> rows;
    for (int i = 0; i < 100'000; ++i) {
        PlannedFile row;
        row.name = "IMG_" + std::to_string(i) + ".JPG";
        const int s = second(random);
        row.shotDate = {2024, 3, 15, 12 + s / 3600, s / 60 % 60, s % 60, 0};
        row.sourceFolder = "/media/card/DCIM/100CANON/";
        rows.push_back(row);
    }
    std::size_t sorted = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<PlannedFile> list = rows;
        state.ResumeTiming();
        sortRowsByTimeStamp(list, [] { return true; });
        sorted += list.size();
        benchmark::DoNotOptimize(list.data());
    }
    state.counters["rows/s"] =
        benchmark::Counter(static_cast<double>(sorted), benchmark::Counter::kIsRate);
}
BENCHMARK(sortRows)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
