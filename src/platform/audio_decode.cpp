// Decoding a music file into memory with FFmpeg: demux, decode, and convert
// to interleaved float stereo at 44.1 kHz with libswresample.
#include "platform/audio.h"
#include "platform/ffmpeg_util.h"
#include "platform/show_folder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libswresample/swresample.h>
}

#include <cstring>

namespace {

// Converts decoded frames and appends them to the output. A mono source is
// converted to mono and then copied to both sides, so it keeps its level
// (the default mono-to-stereo matrix would lower it by 3 dB).
class Converter {
public:
    Converter(SwrContext* swr, bool mono_source, std::vector<float>& out)
        : swr_(swr), mono_(mono_source), out_(out) {}

    // `data` null drains the resampler. Returns false on a conversion error.
    bool Convert(const uint8_t** data, int in_frames) {
        for (;;) {
            int room = swr_get_out_samples(swr_, in_frames);
            if (room < 0) return false;
            room += 256;
            scratch_.resize(static_cast<size_t>(room) * (mono_ ? 1 : 2));
            uint8_t* dst = reinterpret_cast<uint8_t*>(scratch_.data());
            int got = swr_convert(swr_, &dst, room, data, in_frames);
            if (got < 0) return false;
            if (mono_) {
                for (int i = 0; i < got; ++i) {
                    out_.push_back(scratch_[i]);
                    out_.push_back(scratch_[i]);
                }
            } else {
                out_.insert(out_.end(), scratch_.begin(), scratch_.begin() + 2 * got);
            }
            // When draining, keep asking until the resampler is empty.
            if (data != nullptr || got == 0) return true;
        }
    }

private:
    SwrContext* swr_;
    bool mono_;
    std::vector<float>& out_;
    std::vector<float> scratch_;
};

}  // namespace

bool DecodeMusicFile(const std::string& path, DecodedMusic& out, std::string& error) {
    out.samples.clear();
    QuietLog quiet;
    AVFormatContext* raw_format = nullptr;
    int rc = avformat_open_input(&raw_format, ShowPath(path).c_str(), nullptr, nullptr);
    if (rc < 0) {
        error = AvError(rc);
        return false;
    }
    std::unique_ptr<AVFormatContext, FormatCloser> format(raw_format);
    rc = avformat_find_stream_info(format.get(), nullptr);
    if (rc < 0) {
        error = AvError(rc);
        return false;
    }
    const AVCodec* codec = nullptr;
    int stream_index = av_find_best_stream(format.get(), AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
    if (stream_index < 0 || codec == nullptr) {
        error = "no audio stream that can be decoded";
        return false;
    }
    AVStream* stream = format->streams[stream_index];

    std::unique_ptr<AVCodecContext, CodecFreer> decoder(avcodec_alloc_context3(codec));
    if (!decoder) {
        error = "out of memory";
        return false;
    }
    rc = avcodec_parameters_to_context(decoder.get(), stream->codecpar);
    if (rc >= 0) rc = avcodec_open2(decoder.get(), codec, nullptr);
    if (rc < 0) {
        error = AvError(rc);
        return false;
    }
    if (decoder->sample_rate <= 0 || decoder->ch_layout.nb_channels <= 0) {
        error = "audio stream without sample rate or channels";
        return false;
    }

    // Zeroed: av_channel_layout_copy releases what the destination held first.
    AVChannelLayout in_layout{};
    if (decoder->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC) {
        av_channel_layout_default(&in_layout, decoder->ch_layout.nb_channels);
    } else if (av_channel_layout_copy(&in_layout, &decoder->ch_layout) < 0) {
        error = "out of memory";
        return false;
    }
    const bool mono = in_layout.nb_channels == 1;
    AVChannelLayout out_layout{};
    if (mono) {
        out_layout = AV_CHANNEL_LAYOUT_MONO;
    } else {
        out_layout = AV_CHANNEL_LAYOUT_STEREO;
    }
    SwrContext* raw_swr = nullptr;
    rc = swr_alloc_set_opts2(&raw_swr, &out_layout, AV_SAMPLE_FMT_FLT, kMusicRate, &in_layout,
                             decoder->sample_fmt, decoder->sample_rate, 0, nullptr);
    av_channel_layout_uninit(&in_layout);
    std::unique_ptr<SwrContext, SwrFreer> swr(raw_swr);
    if (rc >= 0) rc = swr_init(swr.get());
    if (rc < 0) {
        error = "cannot convert the audio: " + AvError(rc);
        return false;
    }

    std::unique_ptr<AVPacket, PacketFreer> packet(av_packet_alloc());
    std::unique_ptr<AVFrame, FrameFreer> frame(av_frame_alloc());
    if (!packet || !frame) {
        error = "out of memory";
        return false;
    }
    // Reserve the whole track when the container knows its length.
    if (format->duration > 0) {
        double seconds = static_cast<double>(format->duration) / AV_TIME_BASE;
        if (seconds < 3600.0)
            out.samples.reserve(static_cast<size_t>(seconds * kMusicRate) * 2 + 8192);
    }
    Converter converter(swr.get(), mono, out.samples);

    int decode_errors = 0;
    auto receive_all = [&]() -> bool {
        for (;;) {
            int r = avcodec_receive_frame(decoder.get(), frame.get());
            if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) return true;
            if (r < 0) {
                // A damaged frame is skipped; the rest of the track still plays.
                ++decode_errors;
                return true;
            }
            bool ok = converter.Convert(const_cast<const uint8_t**>(frame->extended_data),
                                        frame->nb_samples);
            av_frame_unref(frame.get());
            if (!ok) return false;
        }
    };

    for (;;) {
        rc = av_read_frame(format.get(), packet.get());
        if (rc < 0) break;  // end of file or a read error: keep what was decoded
        if (packet->stream_index == stream_index) {
            int sent = avcodec_send_packet(decoder.get(), packet.get());
            if (sent < 0 && sent != AVERROR(EAGAIN)) ++decode_errors;
        }
        av_packet_unref(packet.get());
        if (!receive_all()) {
            error = "audio conversion failed";
            out.samples.clear();
            return false;
        }
    }
    avcodec_send_packet(decoder.get(), nullptr);
    if (!receive_all() || !converter.Convert(nullptr, 0)) {
        error = "audio conversion failed";
        out.samples.clear();
        return false;
    }
    if (out.frames() == 0) {
        error = decode_errors > 0 ? "no audio could be decoded" : "the file holds no audio";
        out.samples.clear();
        return false;
    }
    out.samples.shrink_to_fit();
    return true;
}
