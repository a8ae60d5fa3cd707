// The pieces of capture, export and timedemo that need no window: the PNG
// encoder, the frame workers, the progress line, the timedemo's statistics
// and table, where an export's sound starts, and the options.
#include <gtest/gtest.h>

#include <FreeImage.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "app/offline/export.h"
#include "app/offline/frame_workers.h"
#include "app/options.h"
#include "app/offline/png_file.h"
#include "app/offline/progress.h"
#include "app/offline/timedemo.h"
#include "support/test_paths.h"

namespace {

// ---------------------------------------------------------------------------
// PNG files
// ---------------------------------------------------------------------------

// Decodes PNG bytes with FreeImage into RGB, top row first.
std::vector<uint8_t> DecodePng(const std::vector<uint8_t>& bytes, int& width, int& height) {
    FIMEMORY* memory =
        FreeImage_OpenMemory(const_cast<BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size()));
    FIBITMAP* image = FreeImage_LoadFromMemory(FIF_PNG, memory, 0);
    std::vector<uint8_t> rgb;
    width = height = 0;
    if (image) {
        width = static_cast<int>(FreeImage_GetWidth(image));
        height = static_cast<int>(FreeImage_GetHeight(image));
        EXPECT_EQ(FreeImage_GetBPP(image), 24u);
        for (int y = 0; y < height; ++y) {
            const BYTE* row = FreeImage_GetScanLine(image, height - 1 - y);
            for (int x = 0; x < width; ++x) {
                rgb.push_back(row[3 * x + FI_RGBA_RED]);
                rgb.push_back(row[3 * x + FI_RGBA_GREEN]);
                rgb.push_back(row[3 * x + FI_RGBA_BLUE]);
            }
        }
        FreeImage_Unload(image);
    }
    FreeImage_CloseMemory(memory);
    return rgb;
}

// Every pixel distinct, with bytes that wrap under the "up" filter.
TEST(PngEncoder, GivesBackTheFrameUprightAndExact) {
    PngEncoder encoder;
    for (const auto& size : {std::pair<int, int>{1, 1}, {5, 3}, {640, 2}, {33, 70}}) {
        const int w = size.first, h = size.second;
        std::vector<uint8_t> bgra(static_cast<size_t>(w) * h * 4);
        for (size_t i = 0; i < bgra.size(); ++i) bgra[i] = static_cast<uint8_t>(i * 37 + i / 7);
        int width = 0, height = 0;
        const std::vector<uint8_t> rgb =
            DecodePng(encoder.Encode(bgra.data(), w, h), width, height);
        ASSERT_EQ(width, w);
        ASSERT_EQ(height, h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const uint8_t* gl = &bgra[((h - 1 - y) * w + x) * 4];  // GL row h-1-y
                const uint8_t* png = &rgb[(y * w + x) * 3];
                ASSERT_EQ(png[0], gl[2]) << w << "x" << h << " at " << x << "," << y;
                ASSERT_EQ(png[1], gl[1]);
                ASSERT_EQ(png[2], gl[0]);
            }
    }
}

TEST(PngEncoder, WriteReportsAFileThatCannotBeWritten) {
    ScratchDir dir;
    PngEncoder encoder;
    const std::vector<uint8_t> pixel = {1, 2, 3, 255};
    std::string error;
    EXPECT_TRUE(encoder.Write(dir.path() + "/a.png", pixel.data(), 1, 1, error)) << error;
    EXPECT_FALSE(encoder.Write(dir.path() + "/none/a.png", pixel.data(), 1, 1, error));
    EXPECT_EQ(error, "No such file or directory");
}

// ---------------------------------------------------------------------------
// Frame workers
// ---------------------------------------------------------------------------

TEST(FrameWorkers, EveryFrameOnceAndInOrderWithOneWorker) {
    for (int workers : {1, 3}) {
        std::vector<uint64_t> seen;
        std::mutex mutex;
        FrameWorkers pool(workers, 4, 16,
                          [&](uint64_t k, const std::vector<uint8_t>& pixels, std::string&) {
                              EXPECT_EQ(pixels[0], static_cast<uint8_t>(k));
                              std::this_thread::sleep_for(std::chrono::microseconds(200));
                              std::lock_guard<std::mutex> lock(mutex);
                              seen.push_back(k);
                              return true;
                          });
        for (uint64_t k = 0; k < 50; ++k) {
            std::vector<uint8_t>* buffer = pool.Acquire();
            ASSERT_NE(buffer, nullptr);
            ASSERT_EQ(buffer->size(), 16u);
            (*buffer)[0] = static_cast<uint8_t>(k);
            pool.Submit(buffer, k);
        }
        std::string error;
        EXPECT_TRUE(pool.Finish(error));
        ASSERT_EQ(seen.size(), 50u);
        if (workers == 1) {
            for (uint64_t k = 0; k < 50; ++k) EXPECT_EQ(seen[k], k);
        } else {
            EXPECT_EQ(std::set<uint64_t>(seen.begin(), seen.end()).size(), 50u);
        }
        EXPECT_GT(pool.BusySeconds(), 0.0);
    }
}

// A failing job stops the renderer (Acquire gives null) and the first
// message comes back; nothing waits forever.
TEST(FrameWorkers, AFailureStopsTheWork) {
    std::atomic<int> runs{0};
    FrameWorkers pool(2, 3, 4, [&](uint64_t k, const std::vector<uint8_t>&, std::string& error) {
        ++runs;
        if (k != 3) return true;
        error = "disk full at 3";
        return false;
    });
    uint64_t k = 0;
    for (; k < 1000; ++k) {
        std::vector<uint8_t>* buffer = pool.Acquire();
        if (!buffer) break;
        pool.Submit(buffer, k);
    }
    EXPECT_LT(k, 1000u);
    std::string error;
    EXPECT_FALSE(pool.Finish(error));
    EXPECT_EQ(error, "disk full at 3");
    EXPECT_TRUE(pool.Failed(error));
    EXPECT_LE(runs.load(), static_cast<int>(k));
}

// ---------------------------------------------------------------------------
// Progress line
// ---------------------------------------------------------------------------

TEST(Progress, TextSaysHowFarHowFastAndHowLong) {
    EXPECT_EQ(ProgressText("Exporting a.mp4", 0, 300, 0.0),
              "Exporting a.mp4: 0% 0/300 frames, 0.0 fps, --:-- left");
    EXPECT_EQ(ProgressText("Exporting a.mp4", 150, 300, 3.0),
              "Exporting a.mp4: 50% 150/300 frames, 50.0 fps, 0:03 left");
    EXPECT_EQ(ProgressText("x", 100, 400000, 10.0),
              "x: 0% 100/400000 frames, 10.0 fps, 11:06:30 left");
    EXPECT_EQ(ProgressText("x", 7, 7, 1.0), "x: 100% 7/7 frames, 7.0 fps, 0:00 left");
}

// Into a file (not a terminal) the line is written only every few seconds,
// so a short run writes nothing but its summary.
TEST(Progress, IntoAFileOnlyTheSummaryOfAShortRun) {
    FILE* file = tmpfile();
    ASSERT_NE(file, nullptr);
    {
        ProgressLine progress("Capturing into x", 100, file);
        for (uint64_t k = 1; k <= 100; ++k) progress.Update(k);
        progress.Finish("Captured 100 frames");
    }
    rewind(file);
    char text[256] = {};
    const size_t n = fread(text, 1, sizeof text - 1, file);
    fclose(file);
    EXPECT_EQ(std::string(text, n), "Captured 100 frames\n");
}

// ---------------------------------------------------------------------------
// Timedemo statistics and table
// ---------------------------------------------------------------------------

TEST(Timedemo, NearestRank) {
    EXPECT_EQ(NearestRank({}, 0.5), 0.0);
    EXPECT_EQ(NearestRank({7}, 0.95), 7.0);
    EXPECT_EQ(NearestRank({4, 1, 3, 2}, 0.5), 2.0);
    std::vector<double> hundred;
    for (int i = 100; i >= 1; --i) hundred.push_back(i);
    EXPECT_EQ(NearestRank(hundred, 0.95), 95.0);
    EXPECT_EQ(NearestRank(hundred, 0.5), 50.0);
    EXPECT_EQ(NearestRank(hundred, 1.0), 100.0);
}

// Each entry gets the frames that draw it (start < t < end), overlaps count
// for both, and an entry the range never reaches has no times.
TEST(Timedemo, RowsPerEntryAndTable) {
    EffectList effects;
    effects.push_back(std::make_unique<Effekter::Overlays>(0, 300));
    effects.push_back(std::make_unique<Effekter::Overlays>(100, 250));
    effects.push_back(std::make_unique<Effekter::EndDemo>(5000, 6000));
    effects[0]->SetKeyword("Overlays");
    effects[1]->SetKeyword("FlashWhite");
    effects[2]->SetKeyword("EndDemo");
    const std::vector<uint32_t> times = {0, 100, 150, 200, 250, 300};
    const std::vector<double> ms = {9.0, 1.0, 4.0, 2.0, 3.0, 8.0};
    const std::vector<TimedemoRow> rows = TimedemoRows(effects, times, ms);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].keyword, "Overlays");
    EXPECT_EQ(rows[0].frames, 4u);  // 100, 150, 200, 250
    EXPECT_EQ(rows[0].median_ms, 2.0);
    EXPECT_EQ(rows[0].p95_ms, 4.0);
    EXPECT_EQ(rows[1].keyword, "FlashWhite");
    EXPECT_EQ(rows[1].frames, 2u);  // 150, 200
    EXPECT_EQ(rows[1].median_ms, 2.0);
    EXPECT_EQ(rows[2].keyword, "EndDemo");
    EXPECT_EQ(rows[2].frames, 0u);

    const std::string table = FormatTimedemo(rows, ms, 0.5);
    EXPECT_NE(
        table.find("Overlays           0-300                       4       2.00       4.00\n"),
        std::string::npos)
        << table;
    EXPECT_NE(table.find("5000-6000                   0          -          -\n"),
              std::string::npos)
        << table;
    EXPECT_NE(table.find("Whole range: 6 frames in 0.50 s, 12.0 frames per second (median 3.00 "
                         "ms, 95th percentile 9.00 ms)\n"),
              std::string::npos)
        << table;
}

// ---------------------------------------------------------------------------
// Export: where the sound starts
// ---------------------------------------------------------------------------

// The sound starts where the capture's music clock stands at the range's
// first demo time: (from - N) ms into the track, round its end as it loops.
TEST(Export, MusicStartsAtTheRangesDemoTime) {
    const int64_t track = 10 * 44100;
    EXPECT_EQ(ExportMusicStart(0, 0, track), 0);
    EXPECT_EQ(ExportMusicStart(2500, 0, track), 2 * 44100 + 22050);
    EXPECT_EQ(ExportMusicStart(2501, 1, track), 2 * 44100 + 22050);   // N = 1
    EXPECT_EQ(ExportMusicStart(12500, 0, track), 2 * 44100 + 22050);  // looped once
    EXPECT_EQ(ExportMusicStart(1, 0, track), 44);  // 44.1 rounds to the nearest frame
    EXPECT_EQ(ExportMusicStart(2500, 0, 0), 0);    // no track
}

// ---------------------------------------------------------------------------
// Options
// ---------------------------------------------------------------------------

bool Parse(std::vector<const char*> args, Options& options, std::string& error) {
    args.insert(args.begin(), "demo");
    return ParseOptions(static_cast<int>(args.size()), args.data(), options, error);
}

TEST(Options, ExportAndTimedemo) {
    Options o;
    std::string error;
    ASSERT_TRUE(Parse({"--export", "out/show.WebM", "--fps", "30"}, o, error)) << error;
    EXPECT_EQ(o.export_path, "out/show.WebM");
    EXPECT_TRUE(o.Offline());
    EXPECT_TRUE(o.Unattended());

    Options t;
    ASSERT_TRUE(Parse({"--timedemo", "--from", "1000", "--to", "2000"}, t, error)) << error;
    EXPECT_TRUE(t.timedemo);
    EXPECT_TRUE(t.Unattended());
    EXPECT_FALSE(Options().Offline());

    for (const char* bad : {"show.avi", "show", "dir/.mp4", "show.mp4/", ""}) {
        Options b;
        EXPECT_FALSE(Parse({"--export", bad}, b, error)) << bad;
        EXPECT_NE(error.find("--export"), std::string::npos) << error;
        EXPECT_NE(error.find(".mp4"), std::string::npos) << error;
    }
    for (const char* empty : {"dir/.mp4", "dir/.WEBM", ".mp4", "dir/"}) {
        Options b;
        EXPECT_FALSE(Parse({"--export", empty}, b, error)) << empty;
        EXPECT_NE(error.find("the file name before .mp4 or .webm is empty"), std::string::npos)
            << error;
    }
    Options missing;
    EXPECT_FALSE(Parse({"--export"}, missing, error));

    Options both;
    EXPECT_FALSE(Parse({"--export", "a.mp4", "--timedemo"}, both, error));
    EXPECT_EQ(error, "--capture, --export and --timedemo cannot be combined: choose one");
    EXPECT_FALSE(Parse({"--capture", "dir", "--export", "a.mp4"}, both, error));
}

}  // namespace
