// The thumbnail builder on camera-sized pictures.
//
//   bench_thumbnail --make-files DIR N exif|plain   writes N 12-megapixel JPEG files into DIR,
//                                                  with or without an EXIF thumbnail (160 x 120)
//   bench_thumbnail --make-files DIR N raw          writes N TIFF-based RAW files (.cr2) with a
//                                                  160 x 120 and a 1620 x 1080 preview and 1 MB
//                                                  standing in for the raw data, never read
//   bench_thumbnail --time-ours DIR SIZE [ahead]    builds a thumbnail of every .jpg or .cr2 in DIR
//                                                  (all formats on) into
//                                                  one cache file, prints files/s; one thread,
//                                                  or with "ahead" workers decoding ahead
//
// Without arguments: Google Benchmark microbenchmarks of the stages on one such picture.
#include "engine/thumbnail/JpegCodec.h"
#include "engine/thumbnail/RawTestFiles.h"
#include "engine/thumbnail/Resample.h"
#include "engine/thumbnail/ThumbnailGeometry.h"
#include "engine/thumbnail/ThumbnailMaker.h"
#include "support/ExifThumbnailBuilder.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace {

using namespace pixbako;

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;

// A picture with texture, so that its JPEG is about as large as a camera's (2-4 MB): smooth
// colour fields plus noise.
RgbImage cameraLikePicture(unsigned seed) {
    RgbImage image;
    image.width = kWidth;
    image.height = kHeight;
    image.pixels.resize(static_cast<std::size_t>(kWidth) * kHeight * 3);
    std::minstd_rand random(seed);
    std::uint8_t* p = image.pixels.data();
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x, p += 3) {
            unsigned noise = random() & 31;
            p[0] = static_cast<std::uint8_t>((x / 16 + seed * 40) % 224 + noise);
            p[1] = static_cast<std::uint8_t>((y / 12) % 224 + noise);
            p[2] = static_cast<std::uint8_t>(((x + y) / 20) % 224 + noise);
        }
    }
    return image;
}

std::string cameraJpeg(unsigned seed) {
    return *encodeJpeg(cameraLikePicture(seed), 92);
}

std::string exifThumbnailOf(const RgbImage& small) {
    return test::exifWithThumbnail(*encodeJpeg(small, 90));
}

int makeRawFiles(const std::string& dir, int count) {
    std::filesystem::create_directories(dir);
    std::vector<std::string> raws;
    for (unsigned seed = 0; seed < 4; ++seed) {
        RgbImage full = cameraLikePicture(seed);
        raws.push_back(test::tiffRaw(false, *encodeJpeg(resizeImage(full, {160, 120}), 90),
                                     *encodeJpeg(resizeImage(full, {1620, 1080}), 92)) +
                       std::string(1024 * 1024, '\0'));
    }
    for (int i = 0; i < count; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "/IMG_%04d.cr2", i);
        std::ofstream(dir + name, std::ios::binary) << raws[static_cast<std::size_t>(i) % 4];
    }
    return 0;
}

int makeFiles(const std::string& dir, int count, bool exif) {
    std::filesystem::create_directories(dir);
    // A few distinct pictures, each written under many names: every file is read on its own.
    std::vector<std::string> pictures;
    std::vector<std::string> exifBlocks;
    for (unsigned seed = 0; seed < 4; ++seed) {
        RgbImage full = cameraLikePicture(seed);
        pictures.push_back(*encodeJpeg(full, 92));
        exifBlocks.push_back(exifThumbnailOf(resizeImage(full, {160, 120})));
    }
    for (int i = 0; i < count; ++i) {
        const std::string& picture = pictures[static_cast<std::size_t>(i) % pictures.size()];
        std::string bytes =
            exif ? test::withApp1(picture, {exifBlocks[static_cast<std::size_t>(i) % 4]}) : picture;
        char name[32];
        std::snprintf(name, sizeof name, "/IMG_%04d.jpg", i);
        std::ofstream(dir + name, std::ios::binary) << bytes;
    }
    return 0;
}

int timeOurs(const std::string& dir, int size, bool ahead) {
    std::vector<std::string> files;
    for (const auto& e : std::filesystem::directory_iterator(dir))
        if (e.path().extension() == ".jpg" || e.path().extension() == ".cr2")
            files.push_back(e.path().string());
    std::sort(files.begin(), files.end());
    const std::string cacheDir = dir + "/cache";
    std::filesystem::create_directories(cacheDir);
    auto start = std::chrono::steady_clock::now();
    int built = 0;
    {
        ThumbnailMaker maker(cacheDir);
        maker.setAllFormats(true);
        if (ahead)
            maker.prefetch(files, size);
        for (const auto& f : files)
            built += maker.makeThumbnail(f, size).state;
    }
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::filesystem::remove(cacheDir);
    if (built != static_cast<int>(files.size())) {
        std::fprintf(stderr, "only %d of %zu thumbnails built\n", built, files.size());
        return 1;
    }
    std::printf("%.1f\n", static_cast<double>(files.size()) / seconds);
    return 0;
}

void BM_DecodeScaled12MP(benchmark::State& state) {
    static const std::string jpeg = cameraJpeg(1);
    for (auto _ : state)
        benchmark::DoNotOptimize(decodeJpeg(jpeg, 120));
}
BENCHMARK(BM_DecodeScaled12MP)->Unit(benchmark::kMillisecond);

void BM_ExifThumbnailToCacheJpeg(benchmark::State& state) {
    static const std::string small = *encodeJpeg(resizeImage(cameraLikePicture(2), {160, 120}), 90);
    for (auto _ : state) {
        auto picture = decodeJpeg(small, 120);
        benchmark::DoNotOptimize(encodeJpeg(resizeImage(picture->pixels, {120, 90}), 90));
    }
}
BENCHMARK(BM_ExifThumbnailToCacheJpeg)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    if (argc == 5 && std::strcmp(argv[1], "--make-files") == 0 && std::strcmp(argv[4], "raw") == 0)
        return makeRawFiles(argv[2], std::atoi(argv[3]));
    if (argc == 5 && std::strcmp(argv[1], "--make-files") == 0)
        return makeFiles(argv[2], std::atoi(argv[3]), std::strcmp(argv[4], "exif") == 0);
    if ((argc == 4 || argc == 5) && std::strcmp(argv[1], "--time-ours") == 0)
        return timeOurs(argv[2], std::atoi(argv[3]),
                        argc == 5 && std::strcmp(argv[4], "ahead") == 0);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
