// Box-filter resizing, separable: first the columns of every row, then the rows.
#include "engine/thumbnail/Resample.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace pixbako {
namespace {

struct Span {
    int first = 0;
    int count = 1;
};

// The source pixels [first, first + count) that target pixel i of `target` covers.
std::vector<Span> spans(int source, int target) {
    std::vector<Span> result(static_cast<std::size_t>(target));
    for (int i = 0; i < target; ++i) {
        auto first = static_cast<int>(static_cast<std::int64_t>(i) * source / target);
        auto end = static_cast<int>(static_cast<std::int64_t>(i + 1) * source / target);
        first = std::min(first, source - 1);
        result[static_cast<std::size_t>(i)] = {first, std::max(1, end - first)};
    }
    return result;
}

} // namespace

RgbImage resizeImage(const RgbImage& source, PictureSize size) {
    RgbImage out;
    if (source.empty() || size.width <= 0 || size.height <= 0)
        return out;
    const std::vector<Span> xs = spans(source.width, size.width);
    const std::vector<Span> ys = spans(source.height, size.height);

    if (source.width == size.width && source.height == size.height)
        return source;

    // Columns: source.height rows of size.width pixels, as averages in 1/256 steps (at most
    // 255 * 256, so 16 bits hold them and the buffer stays small).
    std::vector<std::uint16_t> wide(static_cast<std::size_t>(source.height) * size.width * 3);
    for (int y = 0; y < source.height; ++y) {
        const std::uint8_t* row =
            source.pixels.data() + static_cast<std::size_t>(y) * source.width * 3;
        std::uint16_t* dst = wide.data() + static_cast<std::size_t>(y) * size.width * 3;
        for (int x = 0; x < size.width; ++x) {
            const Span& span = xs[static_cast<std::size_t>(x)];
            std::uint32_t sum[3] = {0, 0, 0};
            const std::uint8_t* p = row + static_cast<std::size_t>(span.first) * 3;
            for (int i = 0; i < span.count; ++i, p += 3) {
                sum[0] += p[0];
                sum[1] += p[1];
                sum[2] += p[2];
            }
            for (int c = 0; c < 3; ++c)
                dst[x * 3 + c] =
                    static_cast<std::uint16_t>((sum[c] * 256 + span.count / 2) / span.count);
        }
    }

    out.width = size.width;
    out.height = size.height;
    out.pixels.resize(static_cast<std::size_t>(size.width) * size.height * 3);
    const std::size_t rowValues = static_cast<std::size_t>(size.width) * 3;
    std::vector<std::uint64_t> sum(rowValues);
    for (int y = 0; y < size.height; ++y) {
        const Span& span = ys[static_cast<std::size_t>(y)];
        std::fill(sum.begin(), sum.end(), 0);
        for (int i = 0; i < span.count; ++i) {
            const std::uint16_t* src = wide.data() + (span.first + i) * rowValues;
            for (std::size_t v = 0; v < rowValues; ++v)
                sum[v] += src[v];
        }
        std::uint8_t* dst = out.pixels.data() + y * rowValues;
        const std::uint64_t divisor = static_cast<std::uint64_t>(span.count) * 256;
        for (std::size_t v = 0; v < rowValues; ++v)
            dst[v] = static_cast<std::uint8_t>(
                std::min<std::uint64_t>(255, (sum[v] + divisor / 2) / divisor));
    }
    return out;
}

} // namespace pixbako
