// End-to-end runs of build/demo with --export and --timedemo in a scratch
// folder: the video file read back with libavformat next to the capture of
// the same range, the failures, an interrupted export, the timedemo's
// table, and captures and exports that meet a file-size limit or run out
// of memory.
// Needs the Xvfb display that ./test.sh provides.
#include <gtest/gtest.h>

#include <FreeImage.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "support/media_reader.h"
#include "support/test_paths.h"

namespace fs = std::filesystem;

namespace {

#define REQUIRE_DISPLAY() \
    if (getenv("DISPLAY") == nullptr) GTEST_SKIP() << "no display"

const char kDemoEnvironment[] = "env -u LSAN_OPTIONS ";

CommandResult RunDemo(const ScratchDir& dir, const std::string& args, int timeout = 180) {
    return RunCommand(std::string(kDemoEnvironment) + "'" + DemoExecutable() + "' " + args,
                      dir.path(), timeout);
}

// 16-bit stereo WAV: silence, then from `tone_at` seconds a 1 kHz tone of
// level 0.5 on the left.
std::string ToneWav(double seconds, double tone_at) {
    const int rate = 44100;
    const uint32_t frames = static_cast<uint32_t>(seconds * rate);
    std::string bytes = "RIFF";
    auto u32 = [&bytes](uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes += static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    auto u16 = [&bytes](uint16_t v) {
        bytes += static_cast<char>(v & 0xFF);
        bytes += static_cast<char>(v >> 8);
    };
    u32(36 + frames * 4);
    bytes += "WAVEfmt ";
    u32(16);
    u16(1);
    u16(2);
    u32(rate);
    u32(rate * 4);
    u16(4);
    u16(16);
    bytes += "data";
    u32(frames * 4);
    for (uint32_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / rate;
        const double v = t >= tone_at ? 0.5 * std::sin(2 * M_PI * 1000.0 * t) : 0.0;
        u16(static_cast<uint16_t>(static_cast<int16_t>(std::lrint(v * 32767))));
        u16(0);
    }
    return bytes;
}

// A show folder: the plasma's shader and picture from the source tree, the
// tone as music, start offset N = 1.
void WritePlasmaShow(const ScratchDir& dir) {
    fs::create_directories(dir.path() + "/data");
    fs::create_directory_symlink(SourceDir() + "/data/plasma", dir.path() + "/data/plasma");
    dir.Write("data/tone.wav", ToneWav(4.0, 1.0));
    dir.Write("data/demo.txt", "data/tone.wav\n1\n1\nPlasma2D\n0\n100000\n7\n");
}

// A PNG as RGB, top row first.
std::vector<uint8_t> ReadPng(const std::string& path) {
    std::vector<uint8_t> rgb;
    FIBITMAP* image = FreeImage_Load(FIF_PNG, path.c_str(), 0);
    if (!image) return rgb;
    const int w = static_cast<int>(FreeImage_GetWidth(image));
    const int h = static_cast<int>(FreeImage_GetHeight(image));
    for (int y = 0; y < h; ++y) {
        const BYTE* row = FreeImage_GetScanLine(image, h - 1 - y);
        for (int x = 0; x < w; ++x) {
            rgb.push_back(row[3 * x + FI_RGBA_RED]);
            rgb.push_back(row[3 * x + FI_RGBA_GREEN]);
            rgb.push_back(row[3 * x + FI_RGBA_BLUE]);
        }
    }
    FreeImage_Unload(image);
    return rgb;
}

std::vector<std::string> FilesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

struct ExportCase {
    const char* extension;
    const char* video;
    const char* audio;
    // Mean difference from the captured PNG, 0..255. The plasma's fine
    // coloured lines lose 3 of it to 4:2:0 chroma alone.
    double picture_tolerance;
};

class ExportRun : public ::testing::TestWithParam<ExportCase> {};

// Two seconds from demo time 501 with N = 1: music from 0.5 s, so the tone
// (1.0 s into the music) is heard 0.5 s into the file; 121 frames at 60 fps,
// the first one the capture's first PNG.
TEST_P(ExportRun, TwoSecondsReadBackNextToTheCapture) {
    REQUIRE_DISPLAY();
    const ExportCase c = GetParam();
    ScratchDir dir;
    WritePlasmaShow(dir);
    const std::string name = std::string("show.") + c.extension;
    CommandResult r =
        RunDemo(dir, "--no-dialog --size 320x240 --export " + name + " --from 501 --to 2501");
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_NE(r.err.find("Exported 121 frames (2.02 s of show) to " + name), std::string::npos)
        << r.err;
    r = RunDemo(dir, "--no-dialog --size 320x240 --capture png --from 501 --to 501");
    ASSERT_EQ(r.exit_code, 0) << r.err;

    const MediaContents m = ReadMedia(dir.path() + "/" + name);
    ASSERT_EQ(m.error, "");
    EXPECT_EQ(m.streams, 2);
    EXPECT_EQ(m.video_codec, c.video);
    EXPECT_EQ(m.audio_codec, c.audio);
    EXPECT_EQ(m.pixel_format, "yuv420p");
    EXPECT_EQ(m.video_frames, 121);
    const double length = 121.0 / 60.0, frame = 1.0 / 60.0;
    EXPECT_NEAR(m.video_start, 0.0, 0.001);
    EXPECT_NEAR(m.video_end, length, 0.001);
    EXPECT_NEAR(m.duration, length, frame);
    EXPECT_NEAR(m.audio_start, 0.0, 0.001);
    const double sound = static_cast<double>(m.sound.size()) / m.audio_rate;
    EXPECT_GE(sound, length - 0.001);
    EXPECT_LE(sound, length + 1024.0 / m.audio_rate);  // an AAC frame's padding at most
    EXPECT_NEAR(SoundEdge(m.sound, m.audio_rate, 0.0, 0.1f, true), 0.5, 0.005);

    const std::vector<uint8_t> png = ReadPng(dir.path() + "/png/000000.png");
    ASSERT_EQ(png.size(), 320u * 240u * 3u);
    EXPECT_LT(MeanDifference(m.first_frame, png), c.picture_tolerance);
    EXPECT_EQ(FilesIn(dir.path()), (std::vector<std::string>{"data", "png", name}));
}

INSTANTIATE_TEST_SUITE_P(Containers, ExportRun,
                         ::testing::Values(ExportCase{"mp4", "h264", "aac", 6.0},
                                           ExportCase{"webm", "vp9", "opus", 7.0}),
                         [](const auto& info) { return std::string(info.param.extension); });

// The tweaks file beside the script counts in every offline mode, keys as a
// function of demo time: the plasma's seed keyed to jump from 7 to 42 at
// 1.6 s changes the picture at 2 s and not at 1 s, in the capture and in the
// export alike, and the file's bad line is reported by each run.
TEST(ExportRun, AKeyedTweakChangesThePictureOverTime) {
    REQUIRE_DISPLAY();
    ScratchDir dir;
    WritePlasmaShow(dir);
    const std::string range = "--no-dialog --size 320x240 --fps 1 --from 1000 --to 2000 ";
    CommandResult r = RunDemo(dir, range + "--capture plain");
    ASSERT_EQ(r.exit_code, 0) << r.err;
    dir.Write("data/tweaks.txt",
              "# the seed jumps\n[Plasma2D 0]\nPlasma @ 1500 step = 7\n"
              "Plasma @ 1600 = 42\nNope = 1\n");
    const std::string bad_line = "data/tweaks.txt:5: 'Nope' is no variable of Plasma2D 0\n";
    r = RunDemo(dir, range + "--capture keyed");
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_NE(r.err.find(bad_line), std::string::npos) << r.err;
    r = RunDemo(dir, range + "--export keyed.mp4");
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_NE(r.err.find(bad_line), std::string::npos) << r.err;
    r = RunDemo(dir, range + "--timedemo");
    EXPECT_EQ(r.exit_code, 0) << r.err;
    EXPECT_NE(r.err.find(bad_line), std::string::npos) << r.err;

    const std::vector<uint8_t> plain[2] = {ReadPng(dir.path() + "/plain/000000.png"),
                                           ReadPng(dir.path() + "/plain/000001.png")};
    const std::vector<uint8_t> keyed[2] = {ReadPng(dir.path() + "/keyed/000000.png"),
                                           ReadPng(dir.path() + "/keyed/000001.png")};
    ASSERT_EQ(keyed[1].size(), 320u * 240u * 3u);
    EXPECT_TRUE(plain[0] == keyed[0]);
    EXPECT_GT(MeanDifference(plain[1], keyed[1]), 20.0);
    const MediaContents m = ReadMedia(dir.path() + "/keyed.mp4");
    ASSERT_EQ(m.error, "");
    EXPECT_EQ(m.video_frames, 2);
    EXPECT_LT(MeanDifference(m.first_frame, keyed[0]), 6.0);
    EXPECT_LT(MeanDifference(m.last_frame, keyed[1]), 6.0);
}

// Every refusal comes before the show loads, with status 1 (2 for a name
// the option itself refuses), and leaves no file behind.
TEST(ExportRun, RefusalsLeaveNothing) {
    REQUIRE_DISPLAY();
    ScratchDir dir;
    dir.Write("data/demo.txt", "m.ogg\n0\n1\nOverlays\n0\n100000\n");
    fs::create_directory(dir.path() + "/taken.mp4");
    fs::create_directory(dir.path() + "/locked");
    chmod((dir.path() + "/locked").c_str(), 0555);
    // Permissions do not stop root; a file system that takes no new files does.
    const std::string locked = geteuid() == 0 ? "/proc" : "locked";
    struct Case {
        std::string args;
        int status;
        std::string message;
    };
    const Case cases[] = {
        {"--export none/show.mp4", 1,
         "Exception: Unable to export none/show.mp4: the folder none does not exist\n"},
        {"--export " + locked + "/show.mp4", 1,
         "Exception: Unable to export " + locked + "/show.mp4: cannot create " + locked +
             "/show.mp4."},
        {"--export taken.mp4", 1, "Exception: Unable to export taken.mp4: it is a folder\n"},
        {"--export show.mp4 --from 5000 --to 1000", 1,
         "Exception: Nothing to export: the range starts at 5000 ms, after its end at 1000 ms\n"},
        {"--export show.mp4 --size 321x240", 1, "321x240 has an odd side"},
        {"--export show.avi", 2, "--export cannot write 'show.avi'"},
    };
    for (const Case& c : cases) {
        const CommandResult r = RunDemo(dir, "--no-dialog --size 320x240 " + c.args, 60);
        EXPECT_EQ(r.exit_code, c.status) << c.args << "\n" << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << c.args << "\n" << r.err;
        EXPECT_EQ(r.err.find("Loaded "), std::string::npos) << c.args << "\n" << r.err;
        EXPECT_EQ(FilesIn(dir.path()), (std::vector<std::string>{"data", "locked", "taken.mp4"}))
            << c.args;
    }
    EXPECT_TRUE(FilesIn(dir.path() + "/locked").empty());
    chmod((dir.path() + "/locked").c_str(), 0755);
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Ctrl+C in the middle, or a hang-up (the terminal closed; before, it killed
// the process and left the partial file): the frames so far become a file
// that plays, under the target's name, and the run ends as an interrupted
// show does.
class InterruptedExport : public ::testing::TestWithParam<int> {};

TEST_P(InterruptedExport, IsCompleted) {
    REQUIRE_DISPLAY();
    ScratchDir dir;
    WritePlasmaShow(dir);
    const std::string err = dir.path() + "/err.txt";
    const pid_t pid = fork();
    if (pid == 0) {
        if (chdir(dir.path().c_str()) != 0 || !freopen(err.c_str(), "w", stderr)) _exit(127);
        signal(SIGINT, SIG_DFL);  // the window library catches it only then
        execl("/bin/sh", "sh", "-c",
              ("exec " + std::string(kDemoEnvironment) + "'" + DemoExecutable() +
               "' --no-dialog --size 320x240 --export cut.mp4 --from 1 --to 100000")
                  .c_str(),
              static_cast<char*>(nullptr));
        _exit(127);
    }
    // Wait for frames to be on their way, then interrupt.
    bool started = false;
    for (int i = 0; i < 600 && !started; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        started = ReadText(err).find("Loaded Plasma2D") != std::string::npos;
    }
    ASSERT_TRUE(started) << ReadText(err);
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    kill(pid, GetParam());
    int status = -1;
    for (int i = 0; i < 600; ++i) {
        if (waitpid(pid, &status, WNOHANG) == pid) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (i == 599) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
        }
    }
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    const std::string text = ReadText(err);
    EXPECT_NE(text.find("Exception: You quit?\n"), std::string::npos) << text;
    unsigned long long frames = 0, total = 0;
    const size_t at = text.find("Export stopped after ");
    ASSERT_NE(at, std::string::npos) << text;
    ASSERT_EQ(
        sscanf(text.c_str() + at, "Export stopped after %llu of %llu frames", &frames, &total), 2);
    EXPECT_EQ(total, 6000u);
    EXPECT_GT(frames, 0u);
    EXPECT_LT(frames, total);

    const MediaContents m = ReadMedia(dir.path() + "/cut.mp4");
    ASSERT_EQ(m.error, "");
    EXPECT_EQ(m.video_frames, static_cast<int>(frames));
    EXPECT_NEAR(static_cast<double>(m.sound.size()) / m.audio_rate, frames / 60.0, 0.025);
    EXPECT_EQ(FilesIn(dir.path()), (std::vector<std::string>{"cut.mp4", "data", "err.txt"}));
}

INSTANTIATE_TEST_SUITE_P(Signals, InterruptedExport, ::testing::Values(SIGINT, SIGHUP),
                         [](const auto& info) { return std::string(strsignal(info.param)); });

// The table of a small script: frames per entry for demo times 0, 100, ...,
// 1000, and the whole range; an EndDemo within the range ends the run after
// its table.
TEST(TimedemoRun, PrintsATablePerEntry) {
    REQUIRE_DISPLAY();
    ScratchDir dir;
    dir.Write("data/demo.txt",
              "m.ogg\n0\n3\nOverlays\n0\n1000\nFlashWhite\n500\n800\nEndDemo\n5000\n6000\n");
    CommandResult r =
        RunDemo(dir, "--no-dialog --size 160x120 --timedemo --fps 10 --from 0 --to 1000", 60);
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_NE(r.out.find("Timedemo: 160x120, 10 frames per second of demo time, demo times 0 to "
                         "1000 ms\n"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("First frame shown "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\nOverlays           0-1000                      9 "), std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("\nFlashWhite         500-800                     2 "), std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("\nEndDemo            5000-6000                   0          -          "
                         "-\n"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("Whole range: 11 frames in "), std::string::npos) << r.out;
    EXPECT_TRUE(FilesIn(dir.path()) == std::vector<std::string>{"data"});

    r = RunDemo(dir, "--no-dialog --size 160x120 --timedemo --fps 10 --from 4900 --to 5500", 60);
    EXPECT_EQ(r.exit_code, 0) << r.err;
    EXPECT_NE(r.err.find("Exception: End of show\n"), std::string::npos) << r.err;
    EXPECT_NE(r.out.find("Whole range: 2 frames in "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Stopped after 2 of 7 frames"), std::string::npos) << r.out;
}

// A range far past the show's end runs in bounded memory to the EndDemo
// entry (before, the timedemo reserved room for every frame of the range and
// died of std::bad_alloc); without --to each run announces that entry as its
// end and ends there.
TEST(OfflineRun, EndsWhereTheShowEnds) {
    REQUIRE_DISPLAY();
    ScratchDir dir;
    dir.Write("data/demo.txt", "m.ogg\n0\n2\nOverlays\n0\n100000\nEndDemo\n1000\n2000\n");
    struct Case {
        std::string args;
        std::string err, out;  // expected in standard error and standard output
    };
    const Case cases[] = {
        {"--timedemo --fps 1000 --to 4000000000", "Exception: End of show\n",
         "Stopped after 1001 of 4000000001 frames"},
        {"--capture out --fps 10 --to 4000000000", "Exception: End of show\n", ""},
        {"--export show.mp4 --fps 10 --to 4000000000", "Export stopped after 11 of 40000001", ""},
        {"--timedemo --fps 10", "Timedemo ends at 1000 ms, where an EndDemo entry ends the show\n",
         "demo times 0 to 1000 ms"},
        {"--export show.mp4 --fps 10",
         "Export ends at 1000 ms, where an EndDemo entry ends the show\n", ""},
    };
    for (const Case& c : cases) {
        const CommandResult r = RunDemo(dir, "--no-dialog --size 160x120 " + c.args, 120);
        EXPECT_EQ(r.exit_code, 0) << c.args << "\n" << r.err;
        EXPECT_NE(r.err.find(c.err), std::string::npos) << c.args << "\n" << r.err;
        EXPECT_NE(r.out.find(c.out), std::string::npos) << c.args << "\n" << r.out;
        if (c.args.find("--to") == std::string::npos) {
            EXPECT_EQ(r.err.find("End of show"), std::string::npos) << c.args << "\n" << r.err;
        }
    }
    EXPECT_EQ(ReadMedia(dir.path() + "/show.mp4").video_frames, 11);
}

// A run that meets a limit of the system stops at once with status 1 and
// a message naming the file (or the size) and the reason, and nothing under
// a final name claims to be complete: no PNG cut short (before, it stayed
// under its frame's name), no video file. A window too large for the memory
// the process may have is said too (before, std::bad_alloc aborted it).
TEST(SystemLimits, StopTheRunWithTheReasonAndLeaveNothingHalfWritten) {
    REQUIRE_DISPLAY();
    ScratchDir dir;
    WritePlasmaShow(dir);
    fs::create_directories(dir.path() + "/big");
    struct Case {
        const char* limit;  // shell commands before the run
        const char* args;
        const char* message;  // the start of the failure line
        std::string reason;   // and its end
    };
    const std::string too_large = strerror(EFBIG);
    const Case cases[] = {
        {"ulimit -f 64; ", "--capture big/out", "Unable to write big/out/",
         ".png (" + too_large + ")"},
        {"ulimit -f 64; ", "--export big/show.mp4", "Unable to export big/show.mp4: ", too_large},
        {"ulimit -v 3000000; ", "--capture big/out --size 16384x16384",
         "Out of memory for a window of 16384x16384", " (a smaller --size needs less)"},
    };
    for (const Case& c : cases) {
#ifdef DEMO_SANITIZE
        if (strstr(c.args, "16384")) continue;  // the sanitizer needs more address space
#endif
        // The size limit's signal ignored: the write fails instead.
        const CommandResult r = RunCommand(
            std::string("sh -c '") + c.limit + "trap \"\" XFSZ; exec " + kDemoEnvironment +
                DemoExecutable() + " --no-dialog --size 320x240 --to 100000 " + c.args + "'",
            dir.path(), 120);
        EXPECT_EQ(r.exit_code, 1) << c.args << "\n" << r.err;
        const size_t line = r.err.find(std::string("Exception: ") + c.message);
        ASSERT_NE(line, std::string::npos) << c.args << "\n" << r.err;
        EXPECT_EQ(r.err.find('\n', line), r.err.find(c.reason + "\n", line) + c.reason.size())
            << r.err;
        for (const char* folder : {"big", "big/out"}) {
            if (fs::exists(dir.path() + "/" + folder)) {
                EXPECT_EQ(UnfinishedFiles(dir.path() + "/" + folder), "") << c.args;
            }
        }
        EXPECT_FALSE(fs::exists(dir.path() + "/big/show.mp4"));
    }
}

}  // namespace
