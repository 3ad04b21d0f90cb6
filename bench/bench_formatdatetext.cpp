// formatDateText over the 42 preset patterns: one iteration formats all of them once, and the
// texts/s counter is the figure to watch (at least a million per second).
#include "engine/datepattern/DateFormat.h"
#include "engine/naming/Presets.h"

#include <benchmark/benchmark.h>

namespace {

void formatPresets(benchmark::State& state) {
    const pixbako::DateTextSettings japanese = pixbako::japaneseDateTextSettings();
    const pixbako::TDateTime shot = *pixbako::encodeDateTime(2004, 5, 6, 21, 7, 8);
    std::size_t texts = 0;
    for (auto _ : state) {
        for (std::string_view pattern : pixbako::kFolderDatePresets)
            benchmark::DoNotOptimize(pixbako::formatDatePattern(pattern, shot, japanese));
        for (std::string_view pattern : pixbako::kFileDatePresets)
            benchmark::DoNotOptimize(pixbako::formatDatePattern(pattern, shot, japanese));
        texts += pixbako::kFolderDatePresets.size() + pixbako::kFileDatePresets.size();
    }
    state.counters["texts/s"] =
        benchmark::Counter(static_cast<double>(texts), benchmark::Counter::kIsRate);
}
BENCHMARK(formatPresets);

// The time stamp pattern of every file of a run: the most frequent single call.
void formatTimeStampDate(benchmark::State& state) {
    const pixbako::DateTextSettings japanese = pixbako::japaneseDateTextSettings();
    const pixbako::TDateTime shot = *pixbako::encodeDateTime(2004, 5, 6, 21, 7, 8);
    std::size_t texts = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(pixbako::formatDatePattern("YYYYMMDD", shot, japanese));
        ++texts;
    }
    state.counters["texts/s"] =
        benchmark::Counter(static_cast<double>(texts), benchmark::Counter::kIsRate);
}
BENCHMARK(formatTimeStampDate);

} // namespace

BENCHMARK_MAIN();
