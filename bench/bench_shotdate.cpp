// Speed of the shot-date reader.
//
//   bench_shotdate                       Google Benchmark runs of each stage and of a whole file
//   bench_shotdate --make-files DIR N    writes N camera-like JPEG files (512 KiB each) into DIR
//   bench_shotdate --time-ours DIR       reads the shot date of every file in DIR, prints files/s
//   bench_shotdate --time-floor DIR      opens every file and reads its first 64 KiB, prints
//                                        files/s: what any reader of the file's start must pay
// The last three serve compare-shotdate.sh, which also times exiftool on the same files.
#include "engine/shotdate/ShotDate.h"
#include "support/JpegBuilder.h"
#include "support/TempFolder.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using namespace pixbako;

constexpr std::size_t kFileSize = 512 * 1024;
// A function, not a constant: the date scale's own constants may not be set up yet while
// globals of other files are initialised.
TDateTime fixedNow() {
    return *encodeDateTime(2026, 7, 15, 9, 0, 0);
}

// A file as a camera writes it: JFIF, an EXIF block of 15 to 30 KiB with a maker note and a
// thumbnail, a multi-picture APP2, the tables, and scan data up to kFileSize.
std::string cameraLikeFile(int index) {
    char date[32];
    std::snprintf(date, sizeof date, "2024:%02d:%02d %02d:%02d:%02d", index % 12 + 1,
                  index % 28 + 1, index % 24, index % 60, (index * 7) % 60);
    std::size_t makerNote = 8192 + (index * 37u) % 8192;
    std::size_t thumbnail = 6144 + (index * 53u) % 8192;
    test::JpegLayout layout;
    layout.exif = test::exifPayload(test::dateExif(date, index % 4 == 0, makerNote, thumbnail));
    layout.extraSegments = {test::segment(0xE2, std::string("MPF\0", 4) + std::string(4000, 'm'))};
    layout.scanBytes = 0;
    std::size_t headers = test::buildJpeg(layout).size();
    layout.scanBytes = kFileSize > headers ? kFileSize - headers : 0;
    return test::buildJpeg(layout);
}

std::vector<std::string> filesIn(const std::string& dir) {
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        if (entry.is_regular_file())
            files.push_back(entry.path().string());
    std::sort(files.begin(), files.end());
    return files;
}

// The best of three passes over all files, in files per second.
template <typename Pass> double filesPerSecond(std::size_t files, Pass pass) {
    double best = 1e300;
    for (int round = 0; round < 3; ++round) {
        auto start = std::chrono::steady_clock::now();
        pass();
        std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count());
    }
    return files / best;
}

bool readFirst64KiB(const std::string& path) {
    static char buffer[64 * 1024];
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    ::close(fd);
    return n > 0;
}

int makeFiles(const std::string& dir, int count) {
    for (int i = 0; i < count; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "/IMG_%05d.JPG", i + 1);
        test::writeTestFile(dir + name, cameraLikeFile(i), UnixTime{1'700'000'000 + i * 61LL, 0});
    }
    return 0;
}

int timeOurs(const std::string& dir) {
    std::vector<std::string> files = filesIn(dir);
    const TDateTime now = fixedNow();
    std::size_t fromExif = 0;
    double rate = filesPerSecond(files.size(), [&] {
        fromExif = 0;
        for (const auto& f : files)
            fromExif += readShotDate(f, now).fromExif ? 1 : 0;
    });
    if (fromExif != files.size()) {
        std::fprintf(stderr, "only %zu of %zu files had an EXIF date\n", fromExif, files.size());
        return 1;
    }
    std::printf("%.0f\n", rate);
    return 0;
}

// Every file of the folder with the dates of all formats read; counts the files whose date came
// from their metadata on stderr, so that a reader that silently gave up shows.
int timeAllFormats(const std::string& dir) {
    std::vector<std::string> files = filesIn(dir);
    const TDateTime now = fixedNow();
    std::size_t fromMetadata = 0;
    double rate = filesPerSecond(files.size(), [&] {
        fromMetadata = 0;
        for (const auto& f : files)
            fromMetadata += readShotDate(f, now, {}, true).fromExif ? 1 : 0;
    });
    std::fprintf(stderr, "%zu of %zu files dated from their metadata\n", fromMetadata,
                 files.size());
    std::printf("%.0f\n", rate);
    return 0;
}

int timeFloor(const std::string& dir) {
    std::vector<std::string> files = filesIn(dir);
    std::size_t ok = 0;
    double rate = filesPerSecond(files.size(), [&] {
        ok = 0;
        for (const auto& f : files)
            ok += readFirst64KiB(f) ? 1 : 0;
    });
    if (ok != files.size())
        return 1;
    std::printf("%.0f\n", rate);
    return 0;
}

void BM_CollectApp1Data(benchmark::State& state) {
    const std::string bytes = cameraLikeFile(1);
    for (auto _ : state) {
        MemorySource source(bytes);
        benchmark::DoNotOptimize(collectApp1Data(source));
    }
}
BENCHMARK(BM_CollectApp1Data);

void BM_FindExifDateText(benchmark::State& state) {
    const std::string bytes = cameraLikeFile(1);
    MemorySource source(bytes);
    const std::string collected = collectApp1Data(source).collected;
    for (auto _ : state)
        benchmark::DoNotOptimize(findExifDateText(collected));
}
BENCHMARK(BM_FindExifDateText);

void BM_ParseDateText(benchmark::State& state) {
    const TDateTime now = fixedNow();
    for (auto _ : state)
        benchmark::DoNotOptimize(parseDateText("2004:05:06 12:34:56", now));
}
BENCHMARK(BM_ParseDateText);

void BM_ReadShotDateFile(benchmark::State& state) {
    TempFolder folder;
    const std::string path = folder.path() + "/IMG_0001.JPG";
    test::writeTestFile(path, cameraLikeFile(1));
    const TDateTime now = fixedNow();
    for (auto _ : state)
        benchmark::DoNotOptimize(readShotDate(path, now));
}
BENCHMARK(BM_ReadShotDateFile);

void BM_OpenAndRead64KiB(benchmark::State& state) {
    TempFolder folder;
    const std::string path = folder.path() + "/IMG_0001.JPG";
    test::writeTestFile(path, cameraLikeFile(1));
    for (auto _ : state)
        benchmark::DoNotOptimize(readFirst64KiB(path));
}
BENCHMARK(BM_OpenAndRead64KiB);

} // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "--make-files") == 0)
        return makeFiles(argv[2], std::atoi(argv[3]));
    if (argc == 3 && std::strcmp(argv[1], "--time-ours") == 0)
        return timeOurs(argv[2]);
    if (argc == 3 && std::strcmp(argv[1], "--time-all-formats") == 0)
        return timeAllFormats(argv[2]);
    if (argc == 3 && std::strcmp(argv[1], "--time-floor") == 0)
        return timeFloor(argv[2]);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
