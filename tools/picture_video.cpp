// The show's video clip; see picture_video.h.
#include "picture_video.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace pictures {

namespace {

constexpr float kTau = 6.28318530717959f;

struct Segment2 {
    float ax, ay, bx, by;
};

// Edges of a unit cube turned by the loop phase, projected to the frame.
std::vector<Segment2> CubeEdges(float phase, float cx, float cy, float size) {
    std::array<std::array<float, 3>, 8> v;
    for (int i = 0; i < 8; ++i)
        v[i] = {i & 1 ? 1.0f : -1.0f, i & 2 ? 1.0f : -1.0f, i & 4 ? 1.0f : -1.0f};
    float ay = kTau * phase, ax = kTau * phase * 2 + 0.6f;
    std::vector<Segment2> edges;
    std::array<std::array<float, 2>, 8> p;
    for (int i = 0; i < 8; ++i) {
        float x = v[i][0], y = v[i][1], z = v[i][2];
        float x1 = x * std::cos(ay) + z * std::sin(ay), z1 = -x * std::sin(ay) + z * std::cos(ay);
        float y1 = y * std::cos(ax) - z1 * std::sin(ax), z2 = y * std::sin(ax) + z1 * std::cos(ax);
        float persp = 4.0f / (4.0f + z2);
        p[i] = {cx + x1 * size * persp, cy + y1 * size * persp};
    }
    for (int i = 0; i < 8; ++i)
        for (int bit : {1, 2, 4})
            if (!(i & bit)) edges.push_back({p[i][0], p[i][1], p[i | bit][0], p[i | bit][1]});
    return edges;
}

// One sample of the scene at frame coordinates (x, y) in pixels.
struct Scene {
    float w, h, phase, horizon, sun_x, sun_y, sun_r;
    std::vector<float> ridge;  // mountain top per half-pixel column
    std::vector<Segment2> cube;

    Color Sample(float x, float y) const {
        Color c;
        if (y < horizon) {
            float v = y / horizon;
            c = Ramp({Rgb(8, 4, 30), Rgb(50, 12, 90), Rgb(160, 40, 130), Rgb(255, 110, 110)}, v);
            // Stars twinkling twice per loop.
            int sx = static_cast<int>(x / 3), sy = static_cast<int>(y / 3);
            float star = HashUnit(sx, sy, 9);
            if (star > 0.975f && v < 0.7f) {
                float tw = 0.5f + 0.5f * std::sin(kTau * (2 * phase + HashUnit(sx, sy, 10)));
                c = c + Color{1, 0.9f, 1} * (tw * (1 - v) * 0.9f);
            }
            // Sun with bands that slide down through its lower half.
            float d = std::hypot(x - sun_x, y - sun_y);
            c = c +
                Rgb(255, 80, 150) *
                    (0.5f * std::exp(-std::pow(std::max(0.0f, d - sun_r) / (sun_r * 0.5f), 2.0f)));
            if (d < sun_r + 1) {
                float t = (y - (sun_y - sun_r)) / (2 * sun_r);
                Color sun = Ramp({Rgb(255, 245, 120), Rgb(255, 170, 60), Rgb(255, 60, 140)}, t);
                float cover = Clamp01(sun_r - d + 0.5f);
                if (t > 0.4f) {
                    float band = std::fmod((t - 0.4f) * 11 + 10 - 2 * phase, 1.0f);
                    float gap = 0.22f + (t - 0.4f) * 1.4f;
                    cover *= Smooth(gap - 0.05f, gap + 0.05f, band);
                }
                c = Mix(c, sun, cover);
            }
            // Mountains against the sky, rimmed with neon.
            int col = std::min(static_cast<int>(x * 2), static_cast<int>(ridge.size()) - 1);
            float top = ridge[col];
            if (y > top) {
                float depth = (y - top) / (horizon - top + 1);
                c = Mix(Rgb(40, 10, 60), Rgb(15, 4, 30), depth);
            }
            c = c + Rgb(255, 60, 220) * std::exp(-std::pow((y - top) / 1.3f, 2.0f));
        } else {
            // Floor grid in perspective, scrolling four cells per loop.
            float dy = (y - horizon) / h + 0.004f;
            float z = 0.12f / dy;
            float dzdy = 0.12f / (dy * dy) / h;
            float wx = (x / w - 0.5f) * z * 6;
            float dwx = z * 6 / w;
            float wz = z * 3 + 4 * phase;
            float lx = std::abs(wx - std::round(wx)) / dwx;
            float lz = std::abs(wz - std::round(wz)) / (dzdy * 3);
            float line = std::max(Smooth(1.2f, 0.2f, lx), Smooth(1.2f, 0.2f, lz));
            float glow = std::exp(-lx * lx / 10) + std::exp(-lz * lz / 10);
            float fade = std::exp(-z * 0.5f);
            float pulse = 0.75f + 0.25f * std::pow(0.5f + 0.5f * std::cos(kTau * phase * 8), 4.0f);
            c = Mix(Rgb(30, 4, 40), Rgb(6, 0, 16), Clamp01(dy * 3));
            c = c + Rgb(255, 60, 210) * ((line * 0.9f + glow * 0.25f) * fade * pulse);
            c = c + Rgb(80, 220, 255) * (line * fade * fade * 0.35f);
            // Reflection of the sun.
            float rx = (x - sun_x) / (sun_r * 1.2f);
            c = c + Rgb(255, 90, 140) * (0.45f * std::exp(-rx * rx) * std::exp(-dy * 8));
        }
        // The wire cube, white-hot with a cyan glow.
        float best = 1e9f;
        for (const Segment2& s : cube)
            best = std::min(best, DistanceToSegment(x, y, s.ax, s.ay, s.bx, s.by));
        c = c + Rgb(80, 230, 255) * (0.6f * std::exp(-best * best / 18));
        c = Mix(c, Color{1, 1, 1}, Smooth(1.6f, 0.6f, best));
        return c;
    }
};

}  // namespace

Image RenderVideoFrame(int index, const VideoSettings& s) {
    float phase = static_cast<float>(index % s.frames) / s.frames;
    Scene scene;
    scene.w = static_cast<float>(s.width);
    scene.h = static_cast<float>(s.height);
    scene.phase = phase;
    scene.horizon = scene.h * 0.6f;
    scene.sun_x = scene.w * 0.5f;
    scene.sun_y = scene.horizon - scene.h * 0.12f;
    scene.sun_r = scene.h * 0.22f;
    scene.ridge.resize(static_cast<size_t>(s.width) * 2 + 1);
    for (size_t i = 0; i < scene.ridge.size(); ++i) {
        float u = i / (2.0f * s.width);
        float m = Fbm(u * 4 + phase * 4, 0.5f, 5, 4, 0, 77);
        float peaks = 0.3f + 0.7f * std::abs(std::sin((u + phase) * kTau * 2));
        // A valley in the middle keeps the sun's bands in view.
        float valley = 0.25f + 0.75f * Smooth(0.08f, 0.4f, std::abs(u - 0.5f));
        scene.ridge[i] = scene.horizon - scene.h * (0.02f + 0.2f * m * m * 2 * peaks * valley);
    }
    float bob = std::sin(kTau * phase * 2) * scene.h * 0.03f;
    scene.cube = CubeEdges(phase, scene.w * 0.5f, scene.h * 0.3f + bob, scene.h * 0.1f);

    Image img(s.width, s.height);
    img.Fill([&](float x, float y) {
        // Four samples per pixel smooth the thin grid lines.
        Color sum;
        for (float oy : {-0.25f, 0.25f})
            for (float ox : {-0.25f, 0.25f}) sum = sum + scene.Sample(x + ox, y + oy);
        Color c = sum * 0.25f;
        float vx = x / scene.w - 0.5f, vy = y / scene.h - 0.5f;
        return c * (1 - 0.6f * (vx * vx + vy * vy));
    });
    return img;
}

namespace {

struct FormatDeleter {
    void operator()(AVFormatContext* f) const {
        if (f && f->pb) avio_closep(&f->pb);
        avformat_free_context(f);
    }
};
struct CodecDeleter {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct FrameDeleter {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketDeleter {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};

// Full-range BT.601 colour as JPEG uses it; chroma averaged over 2 x 2 pixels.
void FillYuv(const std::vector<uint8_t>& rgb, int width, int height, AVFrame* frame) {
    auto px = [&](int x, int y, int c) {
        x = std::min(x, width - 1);
        y = std::min(y, height - 1);
        return static_cast<float>(rgb[(static_cast<size_t>(y) * width + x) * 3 + c]);
    };
    auto byte = [](float v) { return static_cast<uint8_t>(std::clamp(std::lround(v), 0L, 255L)); };
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            frame->data[0][y * frame->linesize[0] + x] =
                byte(0.299f * px(x, y, 0) + 0.587f * px(x, y, 1) + 0.114f * px(x, y, 2));
    for (int y = 0; y < (height + 1) / 2; ++y)
        for (int x = 0; x < (width + 1) / 2; ++x) {
            float r = 0, g = 0, b = 0;
            for (int dy = 0; dy < 2; ++dy)
                for (int dx = 0; dx < 2; ++dx) {
                    r += px(2 * x + dx, 2 * y + dy, 0) / 4;
                    g += px(2 * x + dx, 2 * y + dy, 1) / 4;
                    b += px(2 * x + dx, 2 * y + dy, 2) / 4;
                }
            frame->data[1][y * frame->linesize[1] + x] =
                byte(128 - 0.168736f * r - 0.331264f * g + 0.5f * b);
            frame->data[2][y * frame->linesize[2] + x] =
                byte(128 + 0.5f * r - 0.418688f * g - 0.081312f * b);
        }
}

// Sends one frame (or nullptr to flush) and writes every packet that comes out.
bool Encode(AVCodecContext* codec, AVFrame* frame, AVPacket* packet, AVFormatContext* format,
            AVStream* stream) {
    if (avcodec_send_frame(codec, frame) < 0) return false;
    for (;;) {
        int ret = avcodec_receive_packet(codec, packet);
        if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF) return true;
        if (ret < 0) return false;
        av_packet_rescale_ts(packet, codec->time_base, stream->time_base);
        packet->stream_index = stream->index;
        if (av_interleaved_write_frame(format, packet) < 0) return false;
    }
}

}  // namespace

std::string WriteVideo(const std::string& path, const VideoSettings& s) {
    if (s.width <= 0 || s.height <= 0 || s.frames <= 0 || s.fps <= 0) return "bad video settings";
    AVFormatContext* raw_format = nullptr;
    if (avformat_alloc_output_context2(&raw_format, nullptr, "avi", path.c_str()) < 0 ||
        !raw_format)
        return "cannot create the AVI muxer";
    std::unique_ptr<AVFormatContext, FormatDeleter> format(raw_format);
    format->flags |= AVFMT_FLAG_BITEXACT;

    const AVCodec* encoder = avcodec_find_encoder(AV_CODEC_ID_MJPEG);
    if (!encoder) return "no MJPEG encoder";
    AVStream* stream = avformat_new_stream(format.get(), nullptr);
    if (!stream) return "cannot add a video stream";
    std::unique_ptr<AVCodecContext, CodecDeleter> codec(avcodec_alloc_context3(encoder));
    if (!codec) return "cannot allocate the encoder";
    codec->width = s.width;
    codec->height = s.height;
    codec->time_base = {1, s.fps};
    codec->framerate = {s.fps, 1};
    codec->pix_fmt = AV_PIX_FMT_YUVJ420P;
    codec->flags |= AV_CODEC_FLAG_QSCALE | AV_CODEC_FLAG_BITEXACT;
    codec->global_quality = FF_QP2LAMBDA * s.quality;
    if (format->oformat->flags & AVFMT_GLOBALHEADER) codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (avcodec_open2(codec.get(), encoder, nullptr) < 0) return "cannot open the MJPEG encoder";
    if (avcodec_parameters_from_context(stream->codecpar, codec.get()) < 0)
        return "cannot set stream parameters";
    stream->time_base = codec->time_base;

    if (avio_open(&format->pb, path.c_str(), AVIO_FLAG_WRITE) < 0) return "cannot open " + path;
    if (avformat_write_header(format.get(), nullptr) < 0) return "cannot write the AVI header";

    std::unique_ptr<AVFrame, FrameDeleter> frame(av_frame_alloc());
    std::unique_ptr<AVPacket, PacketDeleter> packet(av_packet_alloc());
    if (!frame || !packet) return "out of memory";
    frame->format = codec->pix_fmt;
    frame->width = s.width;
    frame->height = s.height;
    if (av_frame_get_buffer(frame.get(), 0) < 0) return "cannot allocate a frame";

    for (int i = 0; i < s.frames; ++i) {
        std::vector<uint8_t> rgb = ToRgb8(RenderVideoFrame(i, s));
        if (av_frame_make_writable(frame.get()) < 0) return "frame not writable";
        FillYuv(rgb, s.width, s.height, frame.get());
        frame->pts = i;
        frame->quality = codec->global_quality;
        if (!Encode(codec.get(), frame.get(), packet.get(), format.get(), stream))
            return "cannot encode frame";
    }
    if (!Encode(codec.get(), nullptr, packet.get(), format.get(), stream))
        return "cannot flush the encoder";
    if (av_write_trailer(format.get()) < 0) return "cannot finish the AVI file";
    return "";
}

}  // namespace pictures
