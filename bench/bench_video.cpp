// Prints, for the video effect: decode + scale + upload time per refresh of
// the bundled clip and of 1280 x 720 clips (MJPEG and H.264), the time of a
// jump of 50 frames, and heap allocations per refresh (counted by replacing
// malloc and operator new in this program; only the main thread counts).
// Then the frame time at 640 x 480 of Video, of ChaosZoomer in each pass
// mode, and of one plain full-screen quad, in the same run.
//
// Usage: xvfb-run -a bench_video [picture folder]
//   Run from the source tree's root (it reads data/). With a folder, also
//   writes PNG pictures of both effects there.
#include <FreeImage.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "bench_support.h"
#include "effects/3d/chaos_zoomer.h"
#include "effects/video/video.h"
#include "platform/failure.h"
#include "platform/random.h"
#include "render/gl_guards.h"
#include "render/texture.h"
#include "support/gl_context.h"

namespace {

using bench::NowMs;
using bench::Stats;
using bench::Summarise;

void Print(const char* what, const Stats& s) {
    std::printf("  %-44s mean %7.3f  median %7.3f  p95 %7.3f  max %7.3f ms\n", what, s.mean,
                s.median, s.p95, s.max);
}

// Times fn once, GL work included.
double Time(const std::function<void()>& fn) {
    const double start = NowMs();
    fn();
    glFinish();
    return NowMs() - start;
}

// Decode + scale + upload of every frame in turn (each refresh shows a new
// frame), then jumps of 50 frames forward and back, then allocations.
void BenchClip(const char* label, const std::string& clip) {
    std::unique_ptr<Effekter::Video> video;
    try {
        video = std::make_unique<Effekter::Video>(0, 1000000, clip.c_str());
    } catch (const DemoFailure& failure) {
        std::printf("%s: %s\n", label, failure.what());
        return;
    }
    const int frames = video->FrameCount();
    std::printf("%s: %s, %d x %d, %d frames\n", label, clip.c_str(), video->SourceWidth(),
                video->SourceHeight(), frames);

    std::vector<double> sequential;
    for (int n = 0; n < frames; ++n) sequential.push_back(Time([&] { video->UploadFrame(n); }));
    Print("decode + scale + upload, next frame", Summarise(sequential));

    // The pieces of one refresh, measured apart on the same frames.
    auto source = CreateVideoFrameSource(Effekter::kVideoSide, Effekter::kVideoSide);
    source->Open(clip.c_str());
    source->PrepareDecoding();
    std::vector<uint8_t> buffer(static_cast<size_t>(Effekter::kVideoSide) * Effekter::kVideoSide *
                                4);
    std::vector<double> decode, exchange, upload;
    CTexture texture;
    texture.Upload(buffer.data(), Effekter::kVideoSide, Effekter::kVideoSide, false, GL_RGBA, true);
    for (int n = 0; n < frames; ++n) {
        decode.push_back(Time([&] { source->DecodeFrame(n, buffer.data()); }));
        exchange.push_back(
            Time([&] { Effekter::ExchangeRedBlue(buffer.data(), buffer.size() / 4); }));
        upload.push_back(Time([&] {
            glBindTexture(GL_TEXTURE_2D, texture.Name());
            glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, Effekter::kVideoSide, Effekter::kVideoSide,
                            GL_RGBA, GL_UNSIGNED_BYTE, buffer.data());
            glBindTexture(GL_TEXTURE_2D, 0);
        }));
    }
    Print("  of which decode + scale", Summarise(decode));
    Print("  of which red/blue exchange", Summarise(exchange));
    Print("  of which glTexSubImage2D", Summarise(upload));

    std::vector<double> forward, backward;
    for (int k = 0; k + 50 < frames; k += 7) {
        video->UploadFrame(k);
        forward.push_back(Time([&] { video->UploadFrame(k + 50); }));
        backward.push_back(Time([&] { video->UploadFrame(k); }));
    }
    Print("jump 50 frames forward (decode+scale+upload)", Summarise(forward));
    Print("jump 50 frames back", Summarise(backward));

    // Allocations: the first refresh after construction may allocate
    // (scaler, decoder pools); later ones are counted.
    video->UploadFrame(0);
    video->UploadFrame(1);
    long most = 0, total = 0;
    int refreshes = 0;
    for (int n = 2; n < frames; ++n) {
        bench::StartCountingAllocations();
        video->UploadFrame(n);
        const long allocations = bench::StopCountingAllocations().Total();
        most = std::max(most, allocations);
        total += allocations;
        ++refreshes;
    }
    std::printf("  heap allocations per refresh after the first: mean %.2f, max %ld\n",
                refreshes ? static_cast<double>(total) / refreshes : 0.0, most);
    // Where they come from: the decoder library, the GL driver, or the
    // effect's own code (the red/blue exchange and the refresh rule).
    auto count = [](const std::function<void()>& fn) {
        bench::StartCountingAllocations();
        fn();
        return bench::StopCountingAllocations().Total();
    };
    long in_decode = 0, in_exchange = 0, in_upload = 0;
    for (int n = 2; n < frames; ++n) {
        in_decode += count([&] { source->DecodeFrame(n, buffer.data()); });
        in_exchange += count([&] { Effekter::ExchangeRedBlue(buffer.data(), buffer.size() / 4); });
        in_upload += count([&] {
            glBindTexture(GL_TEXTURE_2D, texture.Name());
            glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, Effekter::kVideoSide, Effekter::kVideoSide,
                            GL_RGBA, GL_UNSIGNED_BYTE, buffer.data());
            glBindTexture(GL_TEXTURE_2D, 0);
            glFinish();
        });
    }
    const double per = refreshes ? 1.0 / refreshes : 0.0;
    std::printf(
        "    of which FFmpeg demux + decode + scale %.2f, red/blue exchange %.2f, "
        "glTexSubImage2D %.2f\n",
        in_decode * per, in_exchange * per, in_upload * per);
    const long without_refresh = count([&] {
        for (int i = 0; i < 100; ++i) video->Draw(video->LastUpdate(), 0.5f);
    });
    std::printf("  heap allocations per Draw without refresh (GL driver): %.2f\n",
                without_refresh / 100.0);
}

void SavePng(const std::string& path) {
    const int w = WindowWidth(), h = WindowHeight();
    const std::vector<uint8_t> rgba = ReadPixels(0, 0, w, h);
    FIBITMAP* dib = FreeImage_Allocate(w, h, 24);
    for (int y = 0; y < h; ++y) {
        BYTE* row = FreeImage_GetScanLine(dib, y);  // bottom row first, like GL
        for (int x = 0; x < w; ++x) {
            const uint8_t* p = &rgba[(static_cast<size_t>(y) * w + x) * 4];
            row[3 * x + FI_RGBA_RED] = p[0];
            row[3 * x + FI_RGBA_GREEN] = p[1];
            row[3 * x + FI_RGBA_BLUE] = p[2];
        }
    }
    FreeImage_Save(FIF_PNG, dib, path.c_str(), 0);
    FreeImage_Unload(dib);
}

// Frame time of `draw` over `frames` frames `step` ms of demo time apart.
Stats FrameTimes(const std::function<void(uint32_t)>& draw, uint32_t start, int frames,
                 uint32_t step = 16) {
    std::vector<double> samples;
    for (int i = 0; i < frames; ++i) {
        const uint32_t t = start + step * static_cast<uint32_t>(i);
        samples.push_back(Time([&] {
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
            draw(t);
        }));
    }
    return Summarise(samples);
}

}  // namespace

int main(int argc, char** argv) {
    const std::string pictures = argc > 1 ? argv[1] : "";
    if (!EnsureGlContext(640, 480)) {
        std::fprintf(stderr, "no GL context (run under xvfb-run)\n");
        return 1;
    }
    std::printf("renderer: %s\n", reinterpret_cast<const char*>(glGetString(GL_RENDERER)));

    BenchClip("bundled clip", "data/ostra/video/Video.avi");
    const std::string scratch = "/tmp/bench_video_clips";
    const std::string make = "mkdir -p " + scratch + " && cd " + scratch +
                             " && ffmpeg -nostdin -v error -y -f lavfi -i "
                             "testsrc2=size=1280x720:rate=25 -frames:v 150 ";
    if (std::system((make + "-c:v mjpeg -q:v 4 mjpeg720.avi").c_str()) == 0)
        BenchClip("1280x720 MJPEG", scratch + "/mjpeg720.avi");
    if (std::system((make + "-c:v libx264 -g 50 -bf 2 -pix_fmt yuv420p h264720.mkv").c_str()) == 0)
        BenchClip("1280x720 H.264, key frame every 50", scratch + "/h264720.mkv");

    std::printf("frame time at %d x %d (16 ms of demo time per frame):\n", WindowWidth(),
                WindowHeight());
    CTextureFreeImage picture;
    picture.Load("data/misc/blomster.jpg");
    Print("plain full-screen quad", FrameTimes(
                                        [&](uint32_t) {
                                            Ortho2DScope view;
                                            glTranslatef(0, 0, -2);
                                            TextureBind bind(picture);
                                            Quad(1, 1).Draw(1, 1);
                                        },
                                        0, 200));
    {
        Effekter::Video video(0, 1000000);
        Print("Video", FrameTimes([&](uint32_t t) { video.Draw(t, 0.5f); }, 30000, 200));
        Print("Video, every frame a refresh (40 ms steps)",
              FrameTimes([&](uint32_t t) { video.Draw(t, 0.5f); }, 40000, 100, 40));
        Print("Video, no refresh (same demo time)",
              FrameTimes([&](uint32_t t) { video.Draw(t, 0.5f); }, 50000, 100, 0));
        if (!pictures.empty()) {
            for (uint32_t t : {10000u, 30000u, 50000u, 70000u}) {
                for (uint32_t k = 0; k < 60; ++k) video.Draw(t + 16 * k, 0.6f);
                SavePng(pictures + "/video-" + std::to_string(t) + ".png");
            }
        }
    }
    {
        Effekter::ChaosZoomer zoomer(0, 1000000);
        const char* names[] = {"ChaosZoomer flower tunnel", "ChaosZoomer portrait",
                               "ChaosZoomer fogged model", "ChaosZoomer twist"};
        for (int mode = 0; mode < 4; ++mode) {
            // A fixed switch time so the pass keeps its mode during the run.
            Print(names[mode], FrameTimes(
                                   [&](uint32_t t) {
                                       Effekter::ChaosZoomer::SetPassMode(mode);
                                       zoomer.Draw(t, 0.7f);
                                   },
                                   1000, 150));
            if (!pictures.empty()) SavePng(pictures + "/chaos-" + std::to_string(mode) + ".png");
        }
        if (!pictures.empty()) {
            SeedRandom(7);
            for (uint32_t t = 5000; t < 25000; t += 16) {
                zoomer.Draw(t, (t / 400) % 2 ? 0.9f : 0.1f);
                if (t % 5008 < 16) SavePng(pictures + "/chaos-run-" + std::to_string(t) + ".png");
            }
        }
    }
    return 0;
}
