#include "support/media_reader.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/pixdesc.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <cmath>
#include <cstdlib>
#include <memory>

namespace {

struct Decoder {
    AVCodecContext* codec = nullptr;
    AVStream* stream = nullptr;
    ~Decoder() { avcodec_free_context(&codec); }
};

bool OpenDecoder(AVFormatContext* format, int index, Decoder& decoder) {
    decoder.stream = format->streams[index];
    const AVCodec* codec = avcodec_find_decoder(decoder.stream->codecpar->codec_id);
    if (!codec) return false;
    decoder.codec = avcodec_alloc_context3(codec);
    if (!decoder.codec ||
        avcodec_parameters_to_context(decoder.codec, decoder.stream->codecpar) < 0)
        return false;
    // Lets the decoder move the time stamps past the samples it skips.
    decoder.codec->pkt_timebase = decoder.stream->time_base;
    return avcodec_open2(decoder.codec, codec, nullptr) >= 0;
}

double Seconds(int64_t ts, AVRational base) {
    return ts == AV_NOPTS_VALUE ? 0.0 : static_cast<double>(ts) * av_q2d(base);
}

void ToRgb(const AVFrame* frame, std::vector<uint8_t>& rgb) {
    SwsContext* sws =
        sws_getContext(frame->width, frame->height, static_cast<AVPixelFormat>(frame->format),
                       frame->width, frame->height, AV_PIX_FMT_RGB24,
                       SWS_BILINEAR | SWS_ACCURATE_RND, nullptr, nullptr, nullptr);
    if (!sws) return;
    // Undo the conversion the file declares.
    const int space = frame->colorspace == AVCOL_SPC_BT709 ? SWS_CS_ITU709 : SWS_CS_DEFAULT;
    sws_setColorspaceDetails(sws, sws_getCoefficients(space),
                             frame->color_range == AVCOL_RANGE_JPEG ? 1 : 0,
                             sws_getCoefficients(SWS_CS_DEFAULT), 1, 0, 1 << 16, 1 << 16);
    rgb.assign(static_cast<size_t>(frame->width) * frame->height * 3, 0);
    uint8_t* dst[1] = {rgb.data()};
    const int stride[1] = {frame->width * 3};
    sws_scale(sws, frame->data, frame->linesize, 0, frame->height, dst, stride);
    sws_freeContext(sws);
}

}  // namespace

MediaContents ReadMedia(const std::string& path) {
    MediaContents out;
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0) {
        out.error = "cannot open " + path;
        return out;
    }
    std::unique_ptr<AVFormatContext, void (*)(AVFormatContext*)> closer(
        format, [](AVFormatContext* f) { avformat_close_input(&f); });
    if (avformat_find_stream_info(format, nullptr) < 0) {
        out.error = "no stream information";
        return out;
    }
    out.streams = static_cast<int>(format->nb_streams);
    out.duration = format->duration > 0 ? static_cast<double>(format->duration) / AV_TIME_BASE : 0;
    const int vi = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    const int ai = av_find_best_stream(format, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    Decoder video, audio;
    if (vi < 0 || ai < 0 || !OpenDecoder(format, vi, video) || !OpenDecoder(format, ai, audio)) {
        out.error = "a stream is missing or cannot be decoded";
        return out;
    }
    out.video_codec = avcodec_get_name(video.codec->codec_id);
    out.audio_codec = avcodec_get_name(audio.codec->codec_id);
    out.width = video.codec->width;
    out.height = video.codec->height;
    const char* pix = av_get_pix_fmt_name(video.codec->pix_fmt);
    out.pixel_format = pix ? pix : "";
    out.audio_rate = audio.codec->sample_rate;
    out.audio_duration = Seconds(audio.stream->duration, audio.stream->time_base);

    SwrContext* swr = nullptr;
    AVChannelLayout mono = AV_CHANNEL_LAYOUT_MONO;
    swr_alloc_set_opts2(&swr, &mono, AV_SAMPLE_FMT_FLT, audio.codec->sample_rate,
                        &audio.codec->ch_layout, audio.codec->sample_fmt, audio.codec->sample_rate,
                        0, nullptr);
    // Keep the left channel only (no mixing), so levels are the encoded ones.
    static const double kLeftOnly[2] = {1.0, 0.0};
    if (!swr || swr_set_matrix(swr, kLeftOnly, 2) < 0 || swr_init(swr) < 0) {
        swr_free(&swr);
        out.error = "cannot convert the sound";
        return out;
    }

    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    bool first_video = true, first_audio = true;
    double last_video = 0;
    auto drain = [&](Decoder& d) {
        while (avcodec_receive_frame(d.codec, frame) >= 0) {
            const double t = Seconds(frame->best_effort_timestamp, d.stream->time_base);
            if (&d == &video) {
                if (first_video) {
                    out.video_start = t;
                    ToRgb(frame, out.first_frame);
                    first_video = false;
                }
                ToRgb(frame, out.last_frame);
                last_video = t;
                ++out.video_frames;
            } else {
                if (first_audio) out.audio_start = t;
                first_audio = false;
                const size_t at = out.sound.size();
                out.sound.resize(at + static_cast<size_t>(frame->nb_samples) + 64);
                uint8_t* dst[1] = {reinterpret_cast<uint8_t*>(out.sound.data() + at)};
                const int got = swr_convert(swr, dst, frame->nb_samples + 64,
                                            const_cast<const uint8_t**>(frame->extended_data),
                                            frame->nb_samples);
                out.sound.resize(at + static_cast<size_t>(std::max(got, 0)));
            }
            av_frame_unref(frame);
        }
    };
    while (av_read_frame(format, packet) >= 0) {
        Decoder* d = packet->stream_index == vi   ? &video
                     : packet->stream_index == ai ? &audio
                                                  : nullptr;
        if (d && avcodec_send_packet(d->codec, packet) >= 0) drain(*d);
        av_packet_unref(packet);
    }
    avcodec_send_packet(video.codec, nullptr);
    drain(video);
    avcodec_send_packet(audio.codec, nullptr);
    drain(audio);
    const AVRational rate = video.stream->avg_frame_rate;
    out.video_end = last_video + (rate.num > 0 ? av_q2d(av_inv_q(rate)) : 0.0);
    av_frame_free(&frame);
    av_packet_free(&packet);
    swr_free(&swr);
    return out;
}

double MeanDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    if (a.size() != b.size() || a.empty()) return 255.0;
    double sum = 0;
    for (size_t i = 0; i < a.size(); ++i) sum += std::abs(int(a[i]) - int(b[i]));
    return sum / static_cast<double>(a.size());
}

double SoundEdge(const std::vector<float>& sound, int rate, double from, float level, bool rising) {
    const size_t window = static_cast<size_t>(rate / 200);
    for (size_t start = static_cast<size_t>(from * rate); start + window <= sound.size();
         start += window / 5) {
        double sum = 0;
        for (size_t i = start; i < start + window; ++i) sum += sound[i] * sound[i];
        const bool above = std::sqrt(sum / static_cast<double>(window)) > level;
        if (above == rising) return static_cast<double>(start) / rate;
    }
    return -1;
}
