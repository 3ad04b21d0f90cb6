// One frame of a movie through FFmpeg's libraries.
#include "engine/thumbnail/FormatReaders.h"
#include "engine/thumbnail/JpegCodec.h"
#include "engine/thumbnail/ThumbnailGeometry.h"
#include "platform/PlainFile.h"
#include "platform/UniqueFd.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <sys/stat.h>

namespace pixbako {
namespace {

using Clock = std::chrono::steady_clock;

// Only the containers of camera movies are probed: a file named .mov that holds a playlist
// must not make the demuxer open other files or addresses.
constexpr const char* kFormats = "mov,mp4,m4a,3gp,3g2,mj2,avi,mpeg,mpegts,mpegvideo";
constexpr int kIoBufferBytes = 64 * 1024;
constexpr int kMaxPackets = 2000;
// A cover picture of a few pixels is a placeholder, not the picture.
constexpr int kMinCoverSide = 64;

// The file as FFmpeg reads it: through our descriptor, so that only plain files are opened
// and every read checks the time limit.
struct MovieInput {
    UniqueFd fd;
    std::int64_t size = 0;
    std::int64_t pos = 0;
    Clock::time_point deadline;

    bool late() const { return Clock::now() >= deadline; }

    static int read(void* opaque, std::uint8_t* buffer, int size) {
        auto* in = static_cast<MovieInput*>(opaque);
        if (in->late())
            return AVERROR_EXIT;
        long n = readSomeAt(in->fd.get(), buffer, static_cast<std::size_t>(size),
                            static_cast<off_t>(in->pos));
        if (n < 0)
            return AVERROR(EIO);
        if (n == 0)
            return AVERROR_EOF;
        in->pos += n;
        return static_cast<int>(n);
    }
    static std::int64_t seek(void* opaque, std::int64_t offset, int whence) {
        auto* in = static_cast<MovieInput*>(opaque);
        switch (whence & ~AVSEEK_FORCE) {
        case AVSEEK_SIZE:
            return in->size;
        case SEEK_SET:
            break;
        case SEEK_CUR:
            offset += in->pos;
            break;
        case SEEK_END:
            offset += in->size;
            break;
        default:
            return -1;
        }
        if (offset < 0)
            return -1;
        in->pos = offset;
        return offset;
    }
    static int interrupt(void* opaque) { return static_cast<MovieInput*>(opaque)->late(); }
};

struct AvDeleter {
    void operator()(AVIOContext* io) const {
        if (io)
            av_freep(&io->buffer);
        avio_context_free(&io);
    }
    void operator()(AVFormatContext* f) const { avformat_close_input(&f); }
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
    void operator()(AVPacket* p) const { av_packet_free(&p); }
    void operator()(AVFrame* f) const { av_frame_free(&f); }
    void operator()(SwsContext* s) const { sws_freeContext(s); }
};
template <class T> using AvPtr = std::unique_ptr<T, AvDeleter>;

// The frame as RGB at the thumbnail's size, whose proportions follow the pixel aspect ratio.
std::optional<DecodedPicture> toPicture(const AVFrame& frame, AVRational aspect,
                                        int thumbnailSize) {
    int width = frame.width;
    const int height = frame.height;
    if (width <= 0 || height <= 0 || static_cast<std::int64_t>(width) * height > kMaxJpegPixels)
        return std::nullopt;
    if (aspect.num > 0 && aspect.den > 0 && aspect.num != aspect.den)
        width = static_cast<int>(
            std::max<std::int64_t>(1, static_cast<std::int64_t>(width) * aspect.num / aspect.den));
    if (width > 65535)
        return std::nullopt;
    const PictureSize target = computeThumbnailSize(width, height, std::max(thumbnailSize, 1));
    AvPtr<SwsContext> scaler(sws_getContext(
        frame.width, frame.height, static_cast<AVPixelFormat>(frame.format), target.width,
        target.height, AV_PIX_FMT_RGB24, SWS_AREA, nullptr, nullptr, nullptr));
    if (!scaler)
        return std::nullopt;
    DecodedPicture picture;
    picture.width = width;
    picture.height = height;
    picture.pixels.width = target.width;
    picture.pixels.height = target.height;
    picture.pixels.pixels.resize(static_cast<std::size_t>(target.width) * target.height * 3);
    std::uint8_t* planes[4] = {picture.pixels.pixels.data(), nullptr, nullptr, nullptr};
    int strides[4] = {target.width * 3, 0, 0, 0};
    if (sws_scale(scaler.get(), frame.data, frame.linesize, 0, frame.height, planes, strides) !=
        target.height)
        return std::nullopt;
    return picture;
}

// A decoder of the stream that works on the calling thread alone.
constexpr std::int64_t kMaxFramePixels = 8192 * 8192;

AvPtr<AVCodecContext> openDecoder(const AVStream& stream) {
    const AVCodec* codec = avcodec_find_decoder(stream.codecpar->codec_id);
    if (!codec)
        return nullptr;
    AvPtr<AVCodecContext> decoder(avcodec_alloc_context3(codec));
    if (!decoder || avcodec_parameters_to_context(decoder.get(), stream.codecpar) < 0)
        return nullptr;
    decoder->thread_count = 1;
    decoder->thread_type = 0;
    // A crafted stream could announce a frame of hundreds of megapixels; no camera films more
    // than 8K.
    decoder->max_pixels = kMaxFramePixels;
    if (avcodec_open2(decoder.get(), codec, nullptr) < 0)
        return nullptr;
    return decoder;
}

// The first frame that the stream's packets decode to, read in file order.
std::optional<DecodedPicture> firstFrame(AVFormatContext& format, int stream,
                                         const MovieInput& input, int thumbnailSize) {
    AVStream* video = format.streams[stream];
    AvPtr<AVCodecContext> decoder = openDecoder(*video);
    AvPtr<AVPacket> packet(av_packet_alloc());
    AvPtr<AVFrame> frame(av_frame_alloc());
    if (!decoder || !packet || !frame)
        return std::nullopt;
    bool flushing = false;
    for (int i = 0; i < kMaxPackets && !input.late(); ++i) {
        if (!flushing) {
            if (av_read_frame(&format, packet.get()) < 0) {
                flushing = true;
                avcodec_send_packet(decoder.get(), nullptr);
            } else {
                const bool ours = packet->stream_index == stream;
                const int sent = ours ? avcodec_send_packet(decoder.get(), packet.get()) : 0;
                av_packet_unref(packet.get());
                if (sent < 0 && sent != AVERROR(EAGAIN))
                    continue; // a broken packet: the next one may decode
            }
        }
        const int received = avcodec_receive_frame(decoder.get(), frame.get());
        if (received == 0)
            return toPicture(*frame, av_guess_sample_aspect_ratio(&format, video, frame.get()),
                             thumbnailSize);
        if (received != AVERROR(EAGAIN))
            return std::nullopt; // the end of the stream, or a decoder error
    }
    return std::nullopt;
}

std::optional<DecodedPicture> attachedPicture(AVFormatContext& format, AVStream& stream,
                                              int thumbnailSize) {
    AvPtr<AVCodecContext> decoder = openDecoder(stream);
    AvPtr<AVFrame> frame(av_frame_alloc());
    if (!decoder || !frame || stream.attached_pic.size <= 0 ||
        avcodec_send_packet(decoder.get(), &stream.attached_pic) < 0)
        return std::nullopt;
    avcodec_send_packet(decoder.get(), nullptr);
    if (avcodec_receive_frame(decoder.get(), frame.get()) != 0 ||
        std::max(frame->width, frame->height) < kMinCoverSide)
        return std::nullopt;
    return toPicture(*frame, av_guess_sample_aspect_ratio(&format, &stream, frame.get()),
                     thumbnailSize);
}

} // namespace

std::optional<DecodedPicture> readMoviePicture(const std::string& path, int thumbnailSize,
                                               std::chrono::milliseconds limit) {
    static std::once_flag quiet;
    std::call_once(quiet, [] { av_log_set_level(AV_LOG_QUIET); });

    MovieInput input;
    input.deadline = Clock::now() + limit;
    struct stat st {};
    input.fd = UniqueFd(openPlainFileForReading(path, &st));
    if (!input.fd || input.late())
        return std::nullopt;
    input.size = st.st_size;

    auto* buffer = static_cast<std::uint8_t*>(av_malloc(kIoBufferBytes));
    if (!buffer)
        return std::nullopt;
    AvPtr<AVIOContext> io(avio_alloc_context(buffer, kIoBufferBytes, 0, &input, &MovieInput::read,
                                             nullptr, &MovieInput::seek));
    if (!io) {
        av_free(buffer);
        return std::nullopt;
    }
    AVFormatContext* rawFormat = avformat_alloc_context();
    if (!rawFormat)
        return std::nullopt;
    rawFormat->pb = io.get();
    rawFormat->flags |= AVFMT_FLAG_CUSTOM_IO;
    rawFormat->interrupt_callback = {&MovieInput::interrupt, &input};
    AVDictionary* options = nullptr;
    av_dict_set(&options, "format_whitelist", kFormats, 0);
    // Nothing a file names is opened: no other files, no network.
    av_dict_set(&options, "protocol_whitelist", "", 0);
    // The look at the streams stays small: at most 1 MiB and a tenth of a second of them.
    av_dict_set(&options, "probesize", "1048576", 0);
    av_dict_set(&options, "analyzeduration", "100000", 0);
    // On failure avformat_open_input frees the context itself.
    const int opened = avformat_open_input(&rawFormat, nullptr, nullptr, &options);
    av_dict_free(&options);
    if (opened < 0)
        return std::nullopt;
    AvPtr<AVFormatContext> format(rawFormat);
    // The stream look decodes too: with one thread and no frame larger than a camera's.
    std::vector<AVDictionary*> streamOptions(format->nb_streams, nullptr);
    for (AVDictionary*& each : streamOptions) {
        av_dict_set(&each, "threads", "1", 0);
        av_dict_set_int(&each, "max_pixels", kMaxFramePixels, 0);
    }
    const int found = avformat_find_stream_info(format.get(), streamOptions.data());
    for (AVDictionary*& each : streamOptions)
        av_dict_free(&each);
    if (found < 0 || input.late())
        return std::nullopt;
    const int stream = av_find_best_stream(format.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (stream >= 0)
        if (auto picture = firstFrame(*format, stream, input, thumbnailSize))
            return picture;
    // A movie without a frame to show may still carry a cover picture.
    for (unsigned i = 0; i < format->nb_streams && !input.late(); ++i)
        if (format->streams[i]->disposition & AV_DISPOSITION_ATTACHED_PIC)
            if (auto picture = attachedPicture(*format, *format->streams[i], thumbnailSize))
                return picture;
    return std::nullopt;
}

const std::vector<std::string>& movieExtensions() {
    static const std::vector<std::string> extensions{".mov", ".mp4", ".m4v",
                                                     ".3gp", ".avi", ".mpg"};
    return extensions;
}

} // namespace pixbako
