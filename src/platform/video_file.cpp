// The FFmpeg back end of VideoFileWriter: two encoders, a muxer and a
// resampler, with the partial file removed on every path but Finish.
#include "platform/video_file.h"

#include "platform/audio.h"
#include "platform/ffmpeg_util.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

struct Container {
    const char* extension;
    const char* muxer;
    const char* video_encoder;
    const char* audio_encoder;
    int audio_rate;
    int64_t audio_bit_rate;
};

const Container kContainers[] = {
    {".mp4", "mp4", "libx264", "aac", 44100, 192000},
    {".webm", "webm", "libvpx-vp9", "libopus", 48000, 160000},
};

const Container* ContainerFor(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    const size_t base = slash == std::string::npos ? 0 : slash + 1;
    const size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || dot <= base) return nullptr;  // no name before the dot
    std::string extension = path.substr(dot);
    for (char& c : extension) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    for (const Container& container : kContainers)
        if (extension == container.extension) return &container;
    return nullptr;
}

std::string FolderOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Samples of `rate` per second in the first `frames` pictures at `fps`.
int64_t SamplesFor(int64_t frames, int rate, int fps) { return (frames * rate + fps / 2) / fps; }

class FfmpegVideoFile : public VideoFileWriter {
public:
    FfmpegVideoFile(std::string path, const Container& container, int width, int height, int fps)
        : path_(std::move(path)),
          partial_(path_ + "." + std::to_string(getpid()) + ".part"),
          container_(container),
          width_(width),
          height_(height),
          fps_(fps) {}

    ~FfmpegVideoFile() override {
        Close();
        if (created_ && !finished_) remove(partial_.c_str());
    }

    bool Open(std::string& error);
    void SetMusic(const DecodedMusic* track, int64_t first_frame) override {
        track_ = track;
        track_frame_ = first_frame;
    }
    bool AddFrame(const uint8_t* bgra, std::string& error) override;
    bool Finish(std::string& error) override;
    int64_t FramesWritten() const override { return frames_; }
    const std::string& PartialPath() const override { return partial_; }

private:
    bool OpenVideo(std::string& error);
    bool OpenAudio(std::string& error);
    // Sends a frame (null: the end) to an encoder and writes its packets.
    bool Encode(AVCodecContext* codec, AVStream* stream, AVFrame* frame, std::string& error);
    // Resamples track frames until `total` have gone in, into the queue.
    bool FeedAudio(int64_t total, std::string& error);
    // Encodes whole audio frames from the queue; with `last`, the rest too,
    // held to exactly `wanted` samples in all.
    bool DrainAudio(bool last, int64_t wanted, std::string& error);
    // Gives sound_ a buffer of `samples` samples in the encoder's format.
    bool PrepareSound(int samples, std::string& error);
    void Close();
    bool Fail(std::string& error, const std::string& what, int code) {
        error = what + ": " + AvError(code);
        return false;
    }

    // FFmpeg's own log stays silent while the file is written (the encoders
    // print statistics at the end): failures come back as messages.
    QuietLog quiet_;
    const std::string path_;
    const std::string partial_;
    const Container& container_;
    const int width_, height_, fps_;

    AVFormatContext* format_ = nullptr;
    AVCodecContext* video_ = nullptr;
    AVCodecContext* audio_ = nullptr;
    AVStream* video_stream_ = nullptr;
    AVStream* audio_stream_ = nullptr;
    SwsContext* scaler_ = nullptr;
    SwrContext* resampler_ = nullptr;
    AVAudioFifo* queue_ = nullptr;
    AVFrame* picture_ = nullptr;
    AVFrame* sound_ = nullptr;
    AVPacket* packet_ = nullptr;
    bool created_ = false;
    bool finished_ = false;

    const DecodedMusic* track_ = nullptr;
    int64_t track_frame_ = 0;  // next track frame to resample
    int64_t fed_ = 0;          // track frames resampled so far
    int64_t encoded_ = 0;      // audio samples sent to the encoder
    // Added to the sound's time stamps. An encoder that primes (Opus) stamps
    // its first packet before zero; a container that cannot store that
    // (WebM) would move every stream later by the priming, the pictures too,
    // so the sound is stamped later by it instead, and its first heard
    // sample stays at zero with the first picture.
    int64_t audio_shift_ = 0;
    int64_t frames_ = 0;  // pictures encoded
    float silence_[2 * 1024] = {};
};

void FfmpegVideoFile::Close() {
    if (format_ && format_->pb) avio_closep(&format_->pb);
    avformat_free_context(format_);
    format_ = nullptr;
    avcodec_free_context(&video_);
    avcodec_free_context(&audio_);
    sws_freeContext(scaler_);
    scaler_ = nullptr;
    swr_free(&resampler_);
    if (queue_) av_audio_fifo_free(queue_);
    queue_ = nullptr;
    av_frame_free(&picture_);
    av_frame_free(&sound_);
    av_packet_free(&packet_);
}

bool FfmpegVideoFile::OpenVideo(std::string& error) {
    const AVCodec* codec = avcodec_find_encoder_by_name(container_.video_encoder);
    if (!codec) {
        error = std::string("the video encoder ") + container_.video_encoder +
                " is not part of this FFmpeg";
        return false;
    }
    video_ = avcodec_alloc_context3(codec);
    if (!video_) return Fail(error, "video encoder", AVERROR(ENOMEM));
    video_->width = width_;
    video_->height = height_;
    video_->pix_fmt = AV_PIX_FMT_YUV420P;
    video_->time_base = AVRational{1, fps_};
    video_->framerate = AVRational{fps_, 1};
    video_->sample_aspect_ratio = AVRational{1, 1};
    video_->color_range = AVCOL_RANGE_MPEG;
    video_->colorspace = AVCOL_SPC_BT709;
    video_->color_primaries = AVCOL_PRI_BT709;
    video_->color_trc = AVCOL_TRC_BT709;
    video_->thread_count = 0;  // the encoder's own choice
    if (format_->oformat->flags & AVFMT_GLOBALHEADER) video_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    AVDictionary* options = nullptr;
    if (strcmp(container_.video_encoder, "libx264") == 0) {
        av_dict_set(&options, "preset", "superfast", 0);
        av_dict_set(&options, "crf", "18", 0);
    } else {
        // Constant quality at real-time speed: libvpx's good-quality modes
        // are many times slower than drawing the show.
        video_->bit_rate = 0;
        av_dict_set(&options, "crf", "30", 0);
        av_dict_set(&options, "deadline", "realtime", 0);
        av_dict_set(&options, "cpu-used", "8", 0);
        av_dict_set(&options, "row-mt", "1", 0);
    }
    const int rc = avcodec_open2(video_, codec, &options);
    av_dict_free(&options);
    if (rc < 0) return Fail(error, std::string("cannot start ") + container_.video_encoder, rc);

    video_stream_ = avformat_new_stream(format_, nullptr);
    if (!video_stream_) return Fail(error, "video stream", AVERROR(ENOMEM));
    video_stream_->time_base = video_->time_base;
    video_stream_->avg_frame_rate = video_->framerate;
    video_stream_->sample_aspect_ratio = video_->sample_aspect_ratio;
    const int par = avcodec_parameters_from_context(video_stream_->codecpar, video_);
    if (par < 0) return Fail(error, "video stream", par);

    picture_ = av_frame_alloc();
    if (!picture_) return Fail(error, "video frame", AVERROR(ENOMEM));
    picture_->format = video_->pix_fmt;
    picture_->width = width_;
    picture_->height = height_;
    const int buffer = av_frame_get_buffer(picture_, 0);
    if (buffer < 0) return Fail(error, "video frame", buffer);

    scaler_ = sws_getContext(width_, height_, AV_PIX_FMT_BGRA, width_, height_, AV_PIX_FMT_YUV420P,
                             SWS_BILINEAR | SWS_ACCURATE_RND, nullptr, nullptr, nullptr);
    if (!scaler_) {
        error = "cannot convert the frames to YUV";
        return false;
    }
    // Full-range RGB in, limited-range BT.709 out, as the stream says.
    sws_setColorspaceDetails(scaler_, sws_getCoefficients(SWS_CS_DEFAULT), 1,
                             sws_getCoefficients(SWS_CS_ITU709), 0, 0, 1 << 16, 1 << 16);
    return true;
}

bool FfmpegVideoFile::OpenAudio(std::string& error) {
    const AVCodec* codec = avcodec_find_encoder_by_name(container_.audio_encoder);
    if (!codec) {
        error = std::string("the audio encoder ") + container_.audio_encoder +
                " is not part of this FFmpeg";
        return false;
    }
    audio_ = avcodec_alloc_context3(codec);
    if (!audio_) return Fail(error, "audio encoder", AVERROR(ENOMEM));
    // Planar float if the encoder takes it (AAC), else interleaved float
    // (Opus), else its first format.
    AVSampleFormat format = AV_SAMPLE_FMT_NONE;
    for (const AVSampleFormat* f = codec->sample_fmts; f && *f != AV_SAMPLE_FMT_NONE; ++f) {
        if (*f == AV_SAMPLE_FMT_FLTP || (*f == AV_SAMPLE_FMT_FLT && format != AV_SAMPLE_FMT_FLTP))
            format = *f;
        else if (format == AV_SAMPLE_FMT_NONE)
            format = *f;
    }
    audio_->sample_fmt = format == AV_SAMPLE_FMT_NONE ? AV_SAMPLE_FMT_FLTP : format;
    audio_->sample_rate = container_.audio_rate;
    audio_->bit_rate = container_.audio_bit_rate;
    audio_->ch_layout = AV_CHANNEL_LAYOUT_STEREO;
    audio_->time_base = AVRational{1, container_.audio_rate};
    if (format_->oformat->flags & AVFMT_GLOBALHEADER) audio_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    int rc = avcodec_open2(audio_, codec, nullptr);
    if (rc < 0) return Fail(error, std::string("cannot start ") + container_.audio_encoder, rc);
    if (!(format_->oformat->flags & AVFMT_TS_NEGATIVE)) audio_shift_ = audio_->initial_padding;

    audio_stream_ = avformat_new_stream(format_, nullptr);
    if (!audio_stream_) return Fail(error, "audio stream", AVERROR(ENOMEM));
    audio_stream_->time_base = audio_->time_base;
    rc = avcodec_parameters_from_context(audio_stream_->codecpar, audio_);
    if (rc < 0) return Fail(error, "audio stream", rc);

    AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
    rc = swr_alloc_set_opts2(&resampler_, &stereo, audio_->sample_fmt, audio_->sample_rate, &stereo,
                             AV_SAMPLE_FMT_FLT, kMusicRate, 0, nullptr);
    if (rc >= 0) rc = swr_init(resampler_);
    if (rc < 0) return Fail(error, "cannot convert the music", rc);

    queue_ = av_audio_fifo_alloc(audio_->sample_fmt, 2, 4 * std::max(audio_->frame_size, 1024));
    sound_ = av_frame_alloc();
    if (!queue_ || !sound_) return Fail(error, "audio frame", AVERROR(ENOMEM));
    return true;
}

bool FfmpegVideoFile::Open(std::string& error) {
    const std::string folder = FolderOf(path_);
    struct stat info;
    if (stat(folder.c_str(), &info) != 0) {
        error = "the folder " + folder + " does not exist";
        return false;
    }
    if (!S_ISDIR(info.st_mode)) {
        error = folder + " is not a folder";
        return false;
    }
    if (stat(path_.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
        error = "it is a folder";
        return false;
    }
    if (width_ % 2 != 0 || height_ % 2 != 0) {
        char text[160];
        snprintf(text, sizeof text,
                 "%dx%d has an odd side; 4:2:0 video needs an even width and height", width_,
                 height_);
        error = text;
        return false;
    }
    int rc = avformat_alloc_output_context2(&format_, nullptr, container_.muxer, partial_.c_str());
    if (rc < 0 || !format_)
        return Fail(error, "cannot set up the file", rc < 0 ? rc : AVERROR(ENOMEM));
    if (!OpenVideo(error) || !OpenAudio(error)) return false;
    packet_ = av_packet_alloc();
    if (!packet_) return Fail(error, "packet", AVERROR(ENOMEM));

    rc = avio_open(&format_->pb, partial_.c_str(), AVIO_FLAG_WRITE);
    if (rc < 0) {
        error = "cannot create " + partial_ + ": " + strerror(AVUNERROR(rc));
        return false;
    }
    created_ = true;
    AVDictionary* options = nullptr;
    if (strcmp(container_.muxer, "mp4") == 0) av_dict_set(&options, "movflags", "+faststart", 0);
    rc = avformat_write_header(format_, &options);
    av_dict_free(&options);
    if (rc < 0) return Fail(error, "cannot write the file's header", rc);
    return true;
}

bool FfmpegVideoFile::Encode(AVCodecContext* codec, AVStream* stream, AVFrame* frame,
                             std::string& error) {
    int rc = avcodec_send_frame(codec, frame);
    if (rc < 0) return Fail(error, "encoding failed", rc);
    for (;;) {
        rc = avcodec_receive_packet(codec, packet_);
        if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF) return true;
        if (rc < 0) return Fail(error, "encoding failed", rc);
        av_packet_rescale_ts(packet_, codec->time_base, stream->time_base);
        packet_->stream_index = stream->index;
        rc = av_interleaved_write_frame(format_, packet_);  // takes the packet's data
        if (rc < 0) {
            error = "cannot write " + partial_ + ": " + AvError(rc);
            return false;
        }
    }
}

bool FfmpegVideoFile::FeedAudio(int64_t total, std::string& error) {
    const int64_t track_frames = track_ ? track_->frames() : 0;
    while (fed_ < total) {
        // A stretch up to the end of the track (it loops) or of a block.
        int count = static_cast<int>(std::min<int64_t>(total - fed_, 1024));
        const float* samples = silence_;
        if (track_frames > 0) {
            track_frame_ %= track_frames;
            if (track_frame_ < 0) track_frame_ += track_frames;
            count = static_cast<int>(std::min<int64_t>(count, track_frames - track_frame_));
            samples = track_->samples.data() + 2 * track_frame_;
        }
        const uint8_t* in[1] = {reinterpret_cast<const uint8_t*>(samples)};
        const int room = swr_get_out_samples(resampler_, count);
        if (room < 0) return Fail(error, "cannot convert the music", room);
        if (!PrepareSound(std::max(room, 1), error)) return false;
        const int got = swr_convert(resampler_, sound_->data, room, in, count);
        if (got < 0) return Fail(error, "cannot convert the music", got);
        if (got > 0 &&
            av_audio_fifo_write(queue_, reinterpret_cast<void**>(sound_->data), got) < got)
            return Fail(error, "audio queue", AVERROR(ENOMEM));
        fed_ += count;
        if (track_frames > 0) track_frame_ += count;
    }
    return true;
}

bool FfmpegVideoFile::PrepareSound(int samples, std::string& error) {
    av_frame_unref(sound_);
    sound_->nb_samples = samples;
    sound_->format = audio_->sample_fmt;
    sound_->sample_rate = audio_->sample_rate;
    int rc = av_channel_layout_copy(&sound_->ch_layout, &audio_->ch_layout);
    if (rc >= 0) rc = av_frame_get_buffer(sound_, 0);
    return rc >= 0 || Fail(error, "audio frame", rc);
}

bool FfmpegVideoFile::DrainAudio(bool last, int64_t wanted, std::string& error) {
    const int size = audio_->frame_size > 0 ? audio_->frame_size : 1024;
    for (;;) {
        int64_t left = last ? wanted - encoded_ : av_audio_fifo_size(queue_);
        int count = static_cast<int>(std::min<int64_t>(left, size));
        if (count <= 0 || (!last && count < size)) return true;
        if (!PrepareSound(count, error)) return false;
        // The resampler may come up a few samples short of the exact length:
        // silence makes up the rest.
        av_samples_set_silence(sound_->data, 0, count, 2, audio_->sample_fmt);
        const int have = std::min(count, av_audio_fifo_size(queue_));
        if (have > 0 &&
            av_audio_fifo_read(queue_, reinterpret_cast<void**>(sound_->data), have) < have)
            return Fail(error, "audio queue", AVERROR(EIO));
        sound_->pts = encoded_ + audio_shift_;
        encoded_ += count;
        if (!Encode(audio_, audio_stream_, sound_, error)) return false;
    }
}

bool FfmpegVideoFile::AddFrame(const uint8_t* bgra, std::string& error) {
    int rc = av_frame_make_writable(picture_);
    if (rc < 0) return Fail(error, "video frame", rc);
    // GL rows run bottom-up: start at the last row and step backwards.
    const int stride = width_ * 4;
    const uint8_t* rows[1] = {bgra + static_cast<size_t>(height_ - 1) * stride};
    const int strides[1] = {-stride};
    sws_scale(scaler_, rows, strides, 0, height_, picture_->data, picture_->linesize);
    picture_->pts = frames_;
    if (!Encode(video_, video_stream_, picture_, error)) return false;
    ++frames_;
    // The sound up to the end of this picture.
    return FeedAudio(SamplesFor(frames_, kMusicRate, fps_), error) && DrainAudio(false, 0, error);
}

bool FfmpegVideoFile::Finish(std::string& error) {
    if (frames_ == 0) {
        error = "no frame was rendered";
        return false;
    }
    // What the resampler still holds, then the sound held to the pictures'
    // length exactly.
    const int room = swr_get_out_samples(resampler_, 0);
    if (room > 0) {
        if (!PrepareSound(room, error)) return false;
        const int got = swr_convert(resampler_, sound_->data, room, nullptr, 0);
        if (got > 0) av_audio_fifo_write(queue_, reinterpret_cast<void**>(sound_->data), got);
    }
    const int64_t wanted = SamplesFor(frames_, audio_->sample_rate, fps_);
    if (!DrainAudio(true, wanted, error)) return false;
    if (!Encode(audio_, audio_stream_, nullptr, error)) return false;
    if (!Encode(video_, video_stream_, nullptr, error)) return false;
    int rc = av_write_trailer(format_);
    if (rc < 0) {
        error = "cannot complete " + partial_ + ": " + AvError(rc);
        return false;
    }
    rc = avio_closep(&format_->pb);
    if (rc < 0) {
        error = "cannot complete " + partial_ + ": " + AvError(rc);
        return false;
    }
    if (rename(partial_.c_str(), path_.c_str()) != 0) {
        error = "cannot rename " + partial_ + " to " + path_ + ": " + strerror(errno);
        return false;
    }
    finished_ = true;
    return true;
}

}  // namespace

bool IsVideoFileName(const std::string& path) { return ContainerFor(path) != nullptr; }

std::unique_ptr<VideoFileWriter> OpenVideoFile(const std::string& path, int width, int height,
                                               int fps, std::string& error) {
    const Container* container = ContainerFor(path);
    if (!container) {
        error = "the name must end in .mp4 (H.264 and AAC) or .webm (VP9 and Opus)";
        return nullptr;
    }
    auto file = std::make_unique<FfmpegVideoFile>(path, *container, width, height, fps);
    if (!file->Open(error)) return nullptr;
    return file;
}
