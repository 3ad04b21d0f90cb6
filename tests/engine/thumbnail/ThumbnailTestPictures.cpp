// Test pictures for the thumbnail core. libjpeg's default error handler ends the test
// program on an error, which is what a test that can't build its input should do.
#include "engine/thumbnail/ThumbnailTestPictures.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include <jpeglib.h>

namespace pixbako::test {
namespace {

struct MemoryJpeg {
    unsigned char* data = nullptr;
    unsigned long size = 0;
    ~MemoryJpeg() { std::free(data); }
    std::string bytes() const { return std::string(reinterpret_cast<char*>(data), size); }
};

} // namespace

std::string pictureJpeg(int width, int height) {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr errors;
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_compress(&cinfo);
    MemoryJpeg out;
    jpeg_mem_dest(&cinfo, &out.data, &out.size);
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 85, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<JSAMPLE> row(static_cast<std::size_t>(width) * 3);
    while (cinfo.next_scanline < cinfo.image_height) {
        int y = static_cast<int>(cinfo.next_scanline);
        for (int x = 0; x < width; ++x) {
            row[x * 3] = static_cast<JSAMPLE>(x * 255 / std::max(1, width - 1));
            row[x * 3 + 1] = static_cast<JSAMPLE>(y * 255 / std::max(1, height - 1));
            row[x * 3 + 2] = static_cast<JSAMPLE>(128);
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return out.bytes();
}

std::string progressiveJpeg(int width, int height, int scans) {
    if (scans < 2 || scans > 127)
        throw std::invalid_argument("scan count");
    jpeg_compress_struct cinfo;
    jpeg_error_mgr errors;
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_compress(&cinfo);
    MemoryJpeg out;
    jpeg_mem_dest(&cinfo, &out.data, &out.size);
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = 1;
    cinfo.in_color_space = JCS_GRAYSCALE;
    jpeg_set_defaults(&cinfo);
    // DC, then coefficient k alone at half precision (k = 1..63), then its refinement.
    std::vector<jpeg_scan_info> script;
    script.push_back({1, {0, 0, 0, 0}, 0, 0, 0, 0});
    int first = std::min(63, scans - 1);
    for (int k = 1; k <= first; ++k)
        script.push_back({1, {0, 0, 0, 0}, k, k, 0, 1});
    for (int k = 1; static_cast<int>(script.size()) < scans; ++k)
        script.push_back({1, {0, 0, 0, 0}, k, k, 1, 0});
    // Coefficients never sent at full precision keep their half-precision value.
    cinfo.scan_info = script.data();
    cinfo.num_scans = static_cast<int>(script.size());
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<JSAMPLE> row(static_cast<std::size_t>(width));
    while (cinfo.next_scanline < cinfo.image_height) {
        for (int x = 0; x < width; ++x)
            row[x] = static_cast<JSAMPLE>((x * 7 + cinfo.next_scanline * 3) & 0xFF);
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return out.bytes();
}

std::string withClaimedSize(std::string jpeg, int width, int height) {
    for (std::size_t i = 2; i + 9 < jpeg.size(); ++i) {
        auto code = static_cast<unsigned char>(jpeg[i + 1]);
        if (static_cast<unsigned char>(jpeg[i]) == 0xFF && code >= 0xC0 && code <= 0xC2) {
            jpeg[i + 5] = static_cast<char>(height >> 8);
            jpeg[i + 6] = static_cast<char>(height);
            jpeg[i + 7] = static_cast<char>(width >> 8);
            jpeg[i + 8] = static_cast<char>(width);
            return jpeg;
        }
    }
    throw std::invalid_argument("no SOF segment");
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace pixbako::test
