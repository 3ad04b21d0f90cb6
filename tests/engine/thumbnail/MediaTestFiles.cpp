#include "engine/thumbnail/MediaTestFiles.h"

#include <libheif/heif.h>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace pixbako::test {
namespace {

heif_image* flatHeifImage(int width, int height, Rgb c) {
    heif_image* image = nullptr;
    if (heif_image_create(width, height, heif_colorspace_RGB, heif_chroma_interleaved_RGB, &image)
            .code != heif_error_Ok)
        return nullptr;
    heif_image_add_plane(image, heif_channel_interleaved, width, height, 8);
    int stride = 0;
    std::uint8_t* p = heif_image_get_plane(image, heif_channel_interleaved, &stride);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::uint8_t* px = p + y * stride + 3 * x;
            px[0] = c.r;
            px[1] = c.g;
            px[2] = c.b;
        }
    return image;
}

// Fills a YUV frame with the colour (BT.601, full range for MJPEG's yuvj formats).
void fill(AVFrame& frame, Rgb c) {
    const int y = (77 * c.r + 150 * c.g + 29 * c.b) >> 8;
    const int u = ((-43 * c.r - 85 * c.g + 128 * c.b) >> 8) + 128;
    const int v = ((128 * c.r - 107 * c.g - 21 * c.b) >> 8) + 128;
    for (int row = 0; row < frame.height; ++row)
        for (int x = 0; x < frame.width; ++x)
            frame.data[0][row * frame.linesize[0] + x] = static_cast<std::uint8_t>(y);
    for (int row = 0; row < frame.height / 2; ++row)
        for (int x = 0; x < frame.width / 2; ++x) {
            frame.data[1][row * frame.linesize[1] + x] = static_cast<std::uint8_t>(u);
            frame.data[2][row * frame.linesize[2] + x] = static_cast<std::uint8_t>(v);
        }
}

// x265, libheif's HEVC encoder, keeps a few blocks for the life of the process; the leak check
// of sanitizer builds must not count them against the code under test.
struct EncoderAllocations {
#if defined(__SANITIZE_ADDRESS__)
    EncoderAllocations() {
        __lsan_disable();
    }
    ~EncoderAllocations() {
        __lsan_enable();
    }
#endif
};

} // namespace

bool writeTestHeic(const std::string& path, int width, int height, Rgb colour, int thumbnailBox,
                   Rgb thumbnailColour) {
    if (!heif_have_encoder_for_format(heif_compression_HEVC))
        return false;
    [[maybe_unused]] EncoderAllocations untracked;
    heif_context* context = heif_context_alloc();
    heif_encoder* encoder = nullptr;
    heif_context_get_encoder_for_format(context, heif_compression_HEVC, &encoder);
    heif_image* image = flatHeifImage(width, height, colour);
    heif_image_handle* handle = nullptr;
    bool ok =
        encoder && image &&
        heif_context_encode_image(context, image, encoder, nullptr, &handle).code == heif_error_Ok;
    if (ok && thumbnailBox > 0) {
        // The thumbnail is encoded from a picture of its own colour, scaled to the box.
        heif_image* other = flatHeifImage(width, height, thumbnailColour);
        heif_image_handle* thumb = nullptr;
        ok = heif_context_encode_thumbnail(context, other, handle, encoder, nullptr, thumbnailBox,
                                           &thumb)
                 .code == heif_error_Ok;
        if (thumb)
            heif_image_handle_release(thumb);
        heif_image_release(other);
    }
    ok = ok && heif_context_write_to_file(context, path.c_str()).code == heif_error_Ok;
    if (handle)
        heif_image_handle_release(handle);
    if (image)
        heif_image_release(image);
    if (encoder)
        heif_encoder_release(encoder);
    heif_context_free(context);
    return ok;
}

bool writeTestMovie(const std::string& path, const std::string& container, int width, int height,
                    int frames, Rgb first, Rgb later) {
    const bool mpeg = container == "mpeg";
    const AVCodec* codec = avcodec_find_encoder(mpeg ? AV_CODEC_ID_MPEG1VIDEO : AV_CODEC_ID_MJPEG);
    AVFormatContext* out = nullptr;
    if (!codec ||
        avformat_alloc_output_context2(&out, nullptr, container.c_str(), path.c_str()) < 0)
        return false;
    AVStream* stream = avformat_new_stream(out, nullptr);
    AVCodecContext* encoder = avcodec_alloc_context3(codec);
    encoder->width = width;
    encoder->height = height;
    encoder->pix_fmt = mpeg ? AV_PIX_FMT_YUV420P : AV_PIX_FMT_YUVJ420P;
    encoder->time_base = {1, 25};
    encoder->framerate = {25, 1};
    encoder->gop_size = 12;
    if (out->oformat->flags & AVFMT_GLOBALHEADER)
        encoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    bool ok = avcodec_open2(encoder, codec, nullptr) >= 0 &&
              avcodec_parameters_from_context(stream->codecpar, encoder) >= 0 &&
              avio_open(&out->pb, path.c_str(), AVIO_FLAG_WRITE) >= 0;
    stream->time_base = encoder->time_base;
    ok = ok && avformat_write_header(out, nullptr) >= 0;
    AVFrame* frame = av_frame_alloc();
    AVPacket* packet = av_packet_alloc();
    frame->width = width;
    frame->height = height;
    frame->format = encoder->pix_fmt;
    ok = ok && av_frame_get_buffer(frame, 0) >= 0;
    auto drain = [&] {
        while (avcodec_receive_packet(encoder, packet) == 0) {
            av_packet_rescale_ts(packet, encoder->time_base, stream->time_base);
            packet->stream_index = stream->index;
            av_interleaved_write_frame(out, packet);
        }
    };
    for (int i = 0; ok && i < frames; ++i) {
        av_frame_make_writable(frame);
        fill(*frame, i == 0 ? first : later);
        frame->pts = i;
        ok = avcodec_send_frame(encoder, frame) >= 0;
        drain();
    }
    if (ok) {
        avcodec_send_frame(encoder, nullptr);
        drain();
        ok = av_write_trailer(out) >= 0;
    }
    av_packet_free(&packet);
    av_frame_free(&frame);
    avcodec_free_context(&encoder);
    if (out->pb)
        avio_closep(&out->pb);
    avformat_free_context(out);
    return ok;
}

} // namespace pixbako::test
