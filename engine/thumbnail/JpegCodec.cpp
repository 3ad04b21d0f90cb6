// libjpeg behind two small functions that hold its setjmp. libjpeg reports a fatal error by
// calling error_exit, which must not return; ours jumps back into the function that set the
// jump point, which then destroys the codec object and reports failure. That function keeps
// only plain C objects so that the jump skips no destructor; the memory it fills belongs to
// its caller and was sized before the jump point could be reached again.
#include "engine/thumbnail/JpegCodec.h"

#include "engine/thumbnail/ThumbnailGeometry.h"

#include <csetjmp>
#include <cstdlib>
#include <new>
#include <stdexcept>
#include <vector>

#include <jpeglib.h>
// jerror.h names the message codes (JWRN_...) that tell warnings apart.
#include <jerror.h>

namespace pixbako {
namespace {

struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

[[noreturn]] void jumpBack(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1);
}

// Warnings: data that end before the picture does (a truncated file, or a scan cut short by the
// next marker) make the picture broken, and stop the work at once: otherwise libjpeg would go
// on decoding invented data for as many pixels as the header claims. Other warnings (stray
// bytes before a marker, as some cameras write) are tolerated and not printed.
void onMessage(j_common_ptr cinfo, int level) {
    if (level >= 0)
        return;
    int code = cinfo->err->msg_code;
    if (code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER || code == JWRN_MUST_RESYNC)
        jumpBack(cinfo);
    cinfo->err->num_warnings++;
}

void noOutput(j_common_ptr) {}

// Refuses progressive files with more scans than any encoder writes: each scan costs a pass
// over the whole picture, and a crafted file can hold tens of thousands of tiny ones.
void countScans(j_common_ptr cinfo) {
    if (reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > kMaxJpegScans)
        jumpBack(cinfo);
}

void setErrorHandling(ErrorManager& errors) {
    jpeg_std_error(&errors.pub);
    errors.pub.error_exit = jumpBack;
    errors.pub.emit_message = onMessage;
    errors.pub.output_message = noOutput;
}

// Where the compressed data come from: a memory block or an open file.
struct DecodeInput {
    const unsigned char* data = nullptr;
    unsigned long size = 0;
    std::FILE* file = nullptr;
    int thumbnailSize = 0;
};

struct DecodeOutput {
    int width = 0; // the picture's own size
    int height = 0;
    int outWidth = 0; // the decoded size
    int outHeight = 0;
    int components = 0; // 3 (RGB) or 4 (CMYK)
    std::vector<std::uint8_t>* pixels = nullptr;
};

bool resizeNoThrow(std::vector<std::uint8_t>& v, std::size_t size) noexcept {
    try {
        v.resize(size);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {
        return false;
    }
}

// The one function that holds the decoder's jump point.
bool decodeWithLibjpeg(const DecodeInput& in, DecodeOutput& out) {
    jpeg_decompress_struct cinfo;
    ErrorManager errors;
    jpeg_progress_mgr progress;
    setErrorHandling(errors);
    cinfo.err = &errors.pub;
    if (setjmp(errors.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    progress.progress_monitor = countScans;
    cinfo.progress = &progress;
    cinfo.mem->max_memory_to_use = kMaxJpegMemoryBytes;
    if (in.file)
        jpeg_stdio_src(&cinfo, in.file);
    else
        jpeg_mem_src(&cinfo, in.data, in.size);
    jpeg_read_header(&cinfo, TRUE);

    if (static_cast<std::int64_t>(cinfo.image_width) * cinfo.image_height > kMaxJpegPixels) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    // libjpeg converts every colour space to RGB except CMYK and YCCK, which come out as CMYK.
    bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
    if (in.thumbnailSize > 0) {
        PictureSize target =
            computeThumbnailSize(static_cast<int>(cinfo.image_width),
                                 static_cast<int>(cinfo.image_height), in.thumbnailSize);
        cinfo.scale_denom = 8;
        for (unsigned num = 1; num <= 8; ++num) {
            cinfo.scale_num = num;
            jpeg_calc_output_dimensions(&cinfo);
            if (cinfo.output_width >= static_cast<unsigned>(target.width) &&
                cinfo.output_height >= static_cast<unsigned>(target.height))
                break;
        }
    }
    jpeg_start_decompress(&cinfo);

    const std::size_t stride =
        static_cast<std::size_t>(cinfo.output_width) * cinfo.output_components;
    if (!resizeNoThrow(*out.pixels, stride * cinfo.output_height)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = out.pixels->data() + stride * cinfo.output_scanline;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    out.width = static_cast<int>(cinfo.image_width);
    out.height = static_cast<int>(cinfo.image_height);
    out.outWidth = static_cast<int>(cinfo.output_width);
    out.outHeight = static_cast<int>(cinfo.output_height);
    out.components = cinfo.output_components;
    // The rest of the stream (up to its end marker) holds nothing the picture needs.
    jpeg_destroy_decompress(&cinfo);
    return true;
}

// Adobe's CMYK JPEGs store the inks inverted: a byte of 255 means no ink.
void cmykToRgb(std::vector<std::uint8_t>& pixels, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* p = pixels.data() + i * 4;
        std::uint8_t* q = pixels.data() + i * 3;
        unsigned k = p[3];
        std::uint8_t r = static_cast<std::uint8_t>(p[0] * k / 255);
        std::uint8_t g = static_cast<std::uint8_t>(p[1] * k / 255);
        std::uint8_t b = static_cast<std::uint8_t>(p[2] * k / 255);
        q[0] = r;
        q[1] = g;
        q[2] = b;
    }
    pixels.resize(count * 3);
}

std::optional<DecodedPicture> decode(const DecodeInput& in) {
    DecodedPicture picture;
    DecodeOutput out;
    out.pixels = &picture.pixels.pixels;
    if (!decodeWithLibjpeg(in, out) || out.outWidth <= 0 || out.outHeight <= 0)
        return std::nullopt;
    picture.width = out.width;
    picture.height = out.height;
    picture.pixels.width = out.outWidth;
    picture.pixels.height = out.outHeight;
    if (out.components == 4)
        cmykToRgb(picture.pixels.pixels, static_cast<std::size_t>(out.outWidth) * out.outHeight);
    else if (out.components != 3)
        return std::nullopt;
    return picture;
}

struct EncodeOutput {
    unsigned char* data = nullptr; // malloc'ed by libjpeg's memory destination
    unsigned long size = 0;
};

// The one function that holds the encoder's jump point.
bool encodeWithLibjpeg(const RgbImage& image, int quality, EncodeOutput& out) {
    jpeg_compress_struct cinfo;
    ErrorManager errors;
    setErrorHandling(errors);
    cinfo.err = &errors.pub;
    if (setjmp(errors.jump)) {
        jpeg_destroy_compress(&cinfo);
        return false;
    }
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, &out.data, &out.size);
    cinfo.image_width = static_cast<JDIMENSION>(image.width);
    cinfo.image_height = static_cast<JDIMENSION>(image.height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    const std::size_t stride = static_cast<std::size_t>(image.width) * 3;
    while (cinfo.next_scanline < cinfo.image_height) {
        // libjpeg's row type is not const, but compression only reads the rows.
        JSAMPROW row = const_cast<JSAMPLE*>(image.pixels.data() + stride * cinfo.next_scanline);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

} // namespace

std::optional<DecodedPicture> decodeJpeg(std::string_view bytes, int thumbnailSize) {
    DecodeInput in;
    in.data = reinterpret_cast<const unsigned char*>(bytes.data());
    in.size = static_cast<unsigned long>(bytes.size());
    in.thumbnailSize = thumbnailSize;
    return decode(in);
}

std::optional<DecodedPicture> decodeJpegFile(std::FILE* file, int thumbnailSize) {
    if (!file)
        return std::nullopt;
    DecodeInput in;
    in.file = file;
    in.thumbnailSize = thumbnailSize;
    return decode(in);
}

std::optional<std::string> encodeJpeg(const RgbImage& image, int quality) {
    if (image.empty() ||
        image.pixels.size() != static_cast<std::size_t>(image.width) * image.height * 3)
        return std::nullopt;
    EncodeOutput out;
    bool ok = encodeWithLibjpeg(image, quality, out);
    std::optional<std::string> result;
    if (ok)
        result.emplace(reinterpret_cast<const char*>(out.data), out.size);
    std::free(out.data);
    return result;
}

} // namespace pixbako
