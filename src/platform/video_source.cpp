#include "platform/video_source.h"

#include "platform/asset_reload.h"
#include "platform/failure.h"
#include "platform/ffmpeg_util.h"
#include "platform/show_folder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

#include <climits>

namespace {

// Frames the decoder may skip forward instead of seeking when the stream has
// no index telling where its key frames are.
constexpr int kBlindForwardFrames = 16;

class FfmpegFrameSource : public VideoFrameSource {
public:
    FfmpegFrameSource(int buffer_width, int buffer_height)
        : out_width_(buffer_width), out_height_(buffer_height) {}
    ~FfmpegFrameSource() override { Close(); }

    bool Open(const char* path) override;
    VideoDescription Describe() const override { return description_; }
    bool PrepareDecoding() override;
    bool DecodeFrame(int n, uint8_t* buffer) override;

private:
    void Close();
    bool ShouldSeek(int n) const;
    int KeyFrameAtOrBefore(int n) const;
    bool Seek(int n);
    bool DecodeUpTo(int n);
    int FrameIndexOf(const AVFrame* frame) const;
    int64_t TimestampOf(int n) const;
    bool Scale(uint8_t* buffer);

    const int out_width_;
    const int out_height_;
    AVFormatContext* format_ = nullptr;
    AVStream* stream_ = nullptr;
    AVCodecContext* codec_ = nullptr;
    AVPacket* packet_ = nullptr;
    AVFrame* work_ = nullptr;     // receives frames from the decoder
    AVFrame* picture_ = nullptr;  // the last frame received, frame number `decoded_`
    SwsContext* scaler_ = nullptr;
    int scaler_width_ = 0;
    int scaler_height_ = 0;
    AVPixelFormat scaler_format_ = AV_PIX_FMT_NONE;
    VideoDescription description_;
    AVRational frame_rate_{25, 1};
    int64_t start_pts_ = 0;
    int decoded_ = -1;  // frame in picture_; -1 when none is known
    bool draining_ = false;
    bool at_end_ = false;
};

void FfmpegFrameSource::Close() {
    sws_freeContext(scaler_);
    scaler_ = nullptr;
    av_frame_free(&picture_);
    av_frame_free(&work_);
    av_packet_free(&packet_);
    avcodec_free_context(&codec_);
    avformat_close_input(&format_);
    stream_ = nullptr;
}

bool FfmpegFrameSource::Open(const char* path) {
    Close();
    description_ = VideoDescription();
    QuietLog quiet;
    if (avformat_open_input(&format_, ShowPath(path).c_str(), nullptr, nullptr) < 0) return false;
    if (avformat_find_stream_info(format_, nullptr) < 0) {
        Close();
        return false;
    }
    for (unsigned i = 0; i < format_->nb_streams; ++i) {
        AVStream* st = format_->streams[i];
        if (!stream_ && st->codecpar->codec_type == AVMEDIA_TYPE_VIDEO &&
            !(st->disposition & AV_DISPOSITION_ATTACHED_PIC)) {
            stream_ = st;
        } else {
            st->discard = AVDISCARD_ALL;
        }
    }
    if (!stream_) {
        Close();
        return false;
    }

    AVRational rate = stream_->avg_frame_rate;
    if (rate.num <= 0 || rate.den <= 0) rate = stream_->r_frame_rate;
    if (rate.num <= 0 || rate.den <= 0) rate = av_inv_q(stream_->time_base);
    if (rate.num <= 0 || rate.den <= 0) rate = AVRational{25, 1};
    frame_rate_ = rate;
    start_pts_ = stream_->start_time != AV_NOPTS_VALUE ? stream_->start_time : 0;

    int64_t frames = stream_->nb_frames;
    if (frames <= 0 && stream_->duration != AV_NOPTS_VALUE && stream_->duration > 0)
        frames = av_rescale_q(stream_->duration, stream_->time_base, av_inv_q(rate));
    if (frames <= 0 && format_->duration != AV_NOPTS_VALUE && format_->duration > 0)
        frames = av_rescale_q(format_->duration, AVRational{1, AV_TIME_BASE}, av_inv_q(rate));
    if (frames < 0) frames = 0;
    if (frames > INT_MAX) frames = INT_MAX;

    description_.width = stream_->codecpar->width;
    description_.height = stream_->codecpar->height;
    description_.frame_count = static_cast<int>(frames);
    return true;
}

bool FfmpegFrameSource::PrepareDecoding() {
    QuietLog quiet;
    if (!stream_) return false;
    const AVCodec* decoder = avcodec_find_decoder(stream_->codecpar->codec_id);
    if (!decoder) return false;
    codec_ = avcodec_alloc_context3(decoder);
    if (!codec_) return false;
    if (avcodec_parameters_to_context(codec_, stream_->codecpar) < 0) {
        avcodec_free_context(&codec_);
        return false;
    }
    // One thread: frames come out in the call that asks for them, with no
    // pipeline delay to account for.
    codec_->thread_count = 1;
    codec_->pkt_timebase = stream_->time_base;
    if (avcodec_open2(codec_, decoder, nullptr) < 0) {
        avcodec_free_context(&codec_);
        return false;
    }
    packet_ = av_packet_alloc();
    work_ = av_frame_alloc();
    picture_ = av_frame_alloc();
    if (!packet_ || !work_ || !picture_) {
        Close();
        return false;
    }
    return true;
}

int64_t FfmpegFrameSource::TimestampOf(int n) const {
    return start_pts_ + av_rescale_q(n, av_inv_q(frame_rate_), stream_->time_base);
}

int FfmpegFrameSource::FrameIndexOf(const AVFrame* frame) const {
    const int64_t pts = frame->best_effort_timestamp;
    if (pts == AV_NOPTS_VALUE) return decoded_ + 1;
    const int64_t index = av_rescale_q_rnd(pts - start_pts_, stream_->time_base,
                                           av_inv_q(frame_rate_), AV_ROUND_NEAR_INF);
    if (index < INT_MIN) return INT_MIN;
    if (index > INT_MAX) return INT_MAX;
    return static_cast<int>(index);
}

int FfmpegFrameSource::KeyFrameAtOrBefore(int n) const {
    const int entry_index =
        av_index_search_timestamp(stream_, TimestampOf(n), AVSEEK_FLAG_BACKWARD);
    if (entry_index < 0) return -1;
    const AVIndexEntry* entry = avformat_index_get_entry(stream_, entry_index);
    if (!entry) return -1;
    return static_cast<int>(av_rescale_q_rnd(entry->timestamp - start_pts_, stream_->time_base,
                                             av_inv_q(frame_rate_), AV_ROUND_NEAR_INF));
}

bool FfmpegFrameSource::ShouldSeek(int n) const {
    if (at_end_ || n <= decoded_) return true;
    if (decoded_ < 0) return n > 0;  // nothing decoded yet: the file is at its start
    if (n == decoded_ + 1) return false;
    const int key = KeyFrameAtOrBefore(n);
    // A key frame after the next frame to decode lets the decoder start over
    // there instead of decoding everything in between.
    if (key >= 0) return key > decoded_ + 1;
    return n - decoded_ > kBlindForwardFrames;
}

bool FfmpegFrameSource::Seek(int n) {
    if (av_seek_frame(format_, stream_->index, TimestampOf(n), AVSEEK_FLAG_BACKWARD) < 0) {
        // Streams without an index may still go back to their start.
        if (avformat_seek_file(format_, stream_->index, INT64_MIN, TimestampOf(0), TimestampOf(n),
                               0) < 0)
            return false;
    }
    avcodec_flush_buffers(codec_);
    decoded_ = -1;
    draining_ = false;
    at_end_ = false;
    return true;
}

bool FfmpegFrameSource::DecodeUpTo(int n) {
    // Bounded, so a damaged file can never keep the decoder looping.
    long reads_left = 4L * description_.frame_count + 256;
    while (reads_left > 0) {
        const int received = avcodec_receive_frame(codec_, work_);
        if (received == 0) {
            const int index = FrameIndexOf(work_);
            av_frame_unref(picture_);
            av_frame_move_ref(picture_, work_);
            decoded_ = index;
            if (index >= n) return index == n;  // a later frame means frame n was lost
            continue;
        }
        if (received == AVERROR_EOF) {
            at_end_ = true;
            return false;
        }
        --reads_left;
        // Any other error is one frame the decoder gave up on; the next
        // packet may be fine.
        if (received != AVERROR(EAGAIN)) continue;
        if (draining_) {
            at_end_ = true;
            return false;
        }
        const int read = av_read_frame(format_, packet_);
        if (read < 0) {
            // End of file (or an unreadable rest): let the decoder give up
            // the frames it still holds.
            draining_ = true;
            avcodec_send_packet(codec_, nullptr);
            continue;
        }
        if (packet_->stream_index == stream_->index) {
            // A packet the decoder rejects is skipped; its frame is lost.
            avcodec_send_packet(codec_, packet_);
        }
        av_packet_unref(packet_);
    }
    return false;
}

// The full-range ("JPEG") pixel formats stand for the plain ones with full
// range; the scaler wants the plain format and the range set apart.
AVPixelFormat PlainFormat(AVPixelFormat format, bool& full_range) {
    switch (format) {
        case AV_PIX_FMT_YUVJ420P: full_range = true; return AV_PIX_FMT_YUV420P;
        case AV_PIX_FMT_YUVJ422P: full_range = true; return AV_PIX_FMT_YUV422P;
        case AV_PIX_FMT_YUVJ444P: full_range = true; return AV_PIX_FMT_YUV444P;
        case AV_PIX_FMT_YUVJ440P: full_range = true; return AV_PIX_FMT_YUV440P;
        case AV_PIX_FMT_YUVJ411P: full_range = true; return AV_PIX_FMT_YUV411P;
        default: return format;
    }
}

bool FfmpegFrameSource::Scale(uint8_t* buffer) {
    if (!picture_ || picture_->width <= 0 || picture_->height <= 0 || picture_->format < 0)
        return false;
    const AVPixelFormat format = static_cast<AVPixelFormat>(picture_->format);
    // The scaler is made once per source size and format: remaking it per
    // frame would cost time and dozens of allocations.
    if (!scaler_ || picture_->width != scaler_width_ || picture_->height != scaler_height_ ||
        format != scaler_format_) {
        sws_freeContext(scaler_);
        bool full_range = picture_->color_range == AVCOL_RANGE_JPEG;
        const AVPixelFormat plain = PlainFormat(format, full_range);
        scaler_ = sws_getContext(picture_->width, picture_->height, plain, out_width_, out_height_,
                                 AV_PIX_FMT_BGRA, SWS_BILINEAR, nullptr, nullptr, nullptr);
        if (!scaler_) return false;
        int* inverse_table = nullptr;
        int* table = nullptr;
        int source_range = 0, destination_range = 0, brightness = 0, contrast = 0, saturation = 0;
        if (sws_getColorspaceDetails(scaler_, &inverse_table, &source_range, &table,
                                     &destination_range, &brightness, &contrast,
                                     &saturation) >= 0) {
            sws_setColorspaceDetails(scaler_, inverse_table, full_range ? 1 : 0, table,
                                     destination_range, brightness, contrast, saturation);
        }
        scaler_width_ = picture_->width;
        scaler_height_ = picture_->height;
        scaler_format_ = format;
    }
    // A negative stride from the last row writes the picture bottom row first.
    const int stride = out_width_ * 4;
    uint8_t* rows[4] = {buffer + static_cast<size_t>(out_height_ - 1) * stride, nullptr, nullptr,
                        nullptr};
    const int strides[4] = {-stride, 0, 0, 0};
    return sws_scale(scaler_, picture_->data, picture_->linesize, 0, picture_->height, rows,
                     strides) == out_height_;
}

bool FfmpegFrameSource::DecodeFrame(int n, uint8_t* buffer) {
    if (!codec_ || !buffer || n < 0 || n >= description_.frame_count) return false;
    QuietLog quiet;
    if (n != decoded_) {
        if (ShouldSeek(n) && !Seek(n)) return false;
        if (!DecodeUpTo(n)) return false;
    }
    return Scale(buffer);
}

// An FFmpeg source that can be replaced by a fresh one on the same file.
class ReloadingFrameSource : public VideoFrameSource, public ReloadableAsset {
public:
    ReloadingFrameSource(int buffer_width, int buffer_height)
        : width_(buffer_width),
          height_(buffer_height),
          inner_(std::make_unique<FfmpegFrameSource>(buffer_width, buffer_height)) {}
    ~ReloadingFrameSource() override { ForgetAsset(this); }

    bool Open(const char* path) override {
        const bool opened = inner_->Open(path);
        if (opened) {
            path_ = path;
            WatchAssetFile(path_, this);
        }
        return opened;
    }
    VideoDescription Describe() const override { return inner_->Describe(); }
    bool PrepareDecoding() override { return prepared_ = inner_->PrepareDecoding(); }
    bool DecodeFrame(int n, uint8_t* buffer) override { return inner_->DecodeFrame(n, buffer); }
    int Version() const override { return version_; }

    void Reload() override {
        auto fresh = std::make_unique<FfmpegFrameSource>(width_, height_);
        if (!fresh->Open(path_.c_str()))
            FailFormat("Clip \"%s\" cannot be used (missing, unreadable or without video)",
                       path_.c_str());
        if (prepared_ && !fresh->PrepareDecoding())
            FailFormat("Clip \"%s\" cannot be used (no decoder for its video)", path_.c_str());
        inner_ = std::move(fresh);
        ++version_;
    }

private:
    const int width_;
    const int height_;
    std::unique_ptr<FfmpegFrameSource> inner_;
    std::string path_;
    bool prepared_ = false;
    int version_ = 0;
};

}  // namespace

std::unique_ptr<VideoFrameSource> CreateVideoFrameSource(int buffer_width, int buffer_height) {
    return std::make_unique<ReloadingFrameSource>(buffer_width, buffer_height);
}
