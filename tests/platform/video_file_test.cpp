// The video file writer behind --export, without GL: synthetic frames and a
// synthetic track in, the file read back with libavformat.
#include "platform/video_file.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/audio.h"
#include "support/media_reader.h"
#include "support/test_paths.h"

namespace fs = std::filesystem;

namespace {

constexpr int kWidth = 96, kHeight = 64, kFps = 30;

// Frame k as the GL reads it (BGRA, bottom row first): red rises to the
// right, green towards the top, blue steps with k.
std::vector<uint8_t> GlFrame(int k) {
    std::vector<uint8_t> bgra(kWidth * kHeight * 4);
    for (int gl_row = 0; gl_row < kHeight; ++gl_row) {
        const int y = kHeight - 1 - gl_row;  // from the top
        for (int x = 0; x < kWidth; ++x) {
            uint8_t* p = &bgra[(gl_row * kWidth + x) * 4];
            p[0] = static_cast<uint8_t>(40 + 4 * k);
            p[1] = static_cast<uint8_t>(255 - y * 255 / (kHeight - 1));
            p[2] = static_cast<uint8_t>(x * 255 / (kWidth - 1));
            p[3] = 255;
        }
    }
    return bgra;
}

// The same frame as RGB, top row first.
std::vector<uint8_t> RgbFrame(int k) {
    const std::vector<uint8_t> bgra = GlFrame(k);
    std::vector<uint8_t> rgb(kWidth * kHeight * 3);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const uint8_t* p = &bgra[((kHeight - 1 - y) * kWidth + x) * 4];
            uint8_t* q = &rgb[(y * kWidth + x) * 3];
            q[0] = p[2];
            q[1] = p[1];
            q[2] = p[0];
        }
    return rgb;
}

// One second of music: silence, then from 0.5 s a 1 kHz tone of level 0.5
// on the left and silence on the right.
DecodedMusic HalfSilentTrack() {
    DecodedMusic music;
    music.samples.assign(2 * kMusicRate, 0.0f);
    for (int i = kMusicRate / 2; i < kMusicRate; ++i)
        music.samples[2 * i] =
            0.5f * static_cast<float>(std::sin(2 * M_PI * 1000.0 * i / kMusicRate));
    return music;
}

bool Write(const std::string& path, int frames, const DecodedMusic* track, int64_t first,
           std::string& error) {
    std::unique_ptr<VideoFileWriter> file = OpenVideoFile(path, kWidth, kHeight, kFps, error);
    if (!file) return false;
    file->SetMusic(track, first);
    for (int k = 0; k < frames; ++k)
        if (!file->AddFrame(GlFrame(k).data(), error)) return false;
    return file->Finish(error);
}

std::vector<std::string> FilesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    return names;
}

// All of the sound is there: at least `seconds`, and at most the padding of
// one last encoder frame more.
void ExpectSoundLength(const MediaContents& m, double seconds) {
    const double decoded = static_cast<double>(m.sound.size()) / m.audio_rate;
    EXPECT_GE(decoded, seconds - 0.001);
    EXPECT_LE(decoded, seconds + 1024.0 / m.audio_rate);
}

struct Format {
    const char* name;
    const char* video;
    const char* audio;
    int rate;
};

class VideoFileFormats : public ::testing::TestWithParam<Format> {};

// 45 frames at 30 fps from a quarter second into the one-second track: the
// sound must be the track from there, round its end and on, as long as the
// pictures, and start with the first picture.
TEST_P(VideoFileFormats, PicturesAndSoundComeBackInStep) {
    const Format format = GetParam();
    ScratchDir dir;
    const std::string path = dir.path() + "/show." + format.name;
    const DecodedMusic track = HalfSilentTrack();
    std::string error;
    ASSERT_TRUE(Write(path, 45, &track, kMusicRate / 4, error)) << error;
    EXPECT_EQ(FilesIn(dir.path()), std::vector<std::string>{"show." + std::string(format.name)});

    const MediaContents m = ReadMedia(path);
    ASSERT_EQ(m.error, "");
    EXPECT_EQ(m.streams, 2);
    EXPECT_EQ(m.video_codec, format.video);
    EXPECT_EQ(m.audio_codec, format.audio);
    EXPECT_EQ(m.pixel_format, "yuv420p");
    EXPECT_EQ(m.width, kWidth);
    EXPECT_EQ(m.height, kHeight);
    EXPECT_EQ(m.video_frames, 45);
    EXPECT_EQ(m.audio_rate, format.rate);
    const double frame = 1.0 / kFps;
    EXPECT_NEAR(m.video_start, 0.0, 0.001);
    EXPECT_NEAR(m.video_end, 1.5, 0.001);
    EXPECT_NEAR(m.audio_start, 0.0, 0.001);
    if (m.audio_duration > 0) {  // MP4 declares it
        EXPECT_NEAR(m.audio_duration, 1.5, 0.001);
    }
    EXPECT_NEAR(m.duration, 1.5, frame);
    ExpectSoundLength(m, 1.5);

    // Track time 0.25 + t, looping: the tone plays from 0.25 to 0.75 s and
    // again from 1.25 s.
    EXPECT_NEAR(SoundEdge(m.sound, m.audio_rate, 0.0, 0.1f, true), 0.25, 0.005);
    EXPECT_NEAR(SoundEdge(m.sound, m.audio_rate, 0.3, 0.1f, false), 0.75, 0.005);
    EXPECT_NEAR(SoundEdge(m.sound, m.audio_rate, 0.8, 0.1f, true), 1.25, 0.005);

    // The first picture, upright and in its colours.
    EXPECT_LT(MeanDifference(m.first_frame, RgbFrame(0)), 3.0);
}

INSTANTIATE_TEST_SUITE_P(Containers, VideoFileFormats,
                         ::testing::Values(Format{"mp4", "h264", "aac", 44100},
                                           Format{"webm", "vp9", "opus", 48000}),
                         [](const auto& info) { return std::string(info.param.name); });

// Without a track the sound is silence of the same length.
TEST(VideoFile, SilenceWithoutMusic) {
    ScratchDir dir;
    const std::string path = dir.path() + "/quiet.MP4";  // the extension in any case
    std::string error;
    ASSERT_TRUE(Write(path, 10, nullptr, 0, error)) << error;
    const MediaContents m = ReadMedia(path);
    ASSERT_EQ(m.error, "");
    EXPECT_EQ(m.video_frames, 10);
    ExpectSoundLength(m, 10.0 / kFps);
    EXPECT_EQ(SoundEdge(m.sound, m.audio_rate, 0.0, 0.001f, true), -1.0);
}

// Nothing is ever left under the target's name, nor a partial file, unless
// Finish completes the file.
TEST(VideoFile, FailuresLeaveNoFile) {
    ScratchDir dir;
    std::string error;
    EXPECT_EQ(OpenVideoFile(dir.path() + "/none/x.mp4", kWidth, kHeight, kFps, error), nullptr);
    EXPECT_NE(error.find("the folder " + dir.path() + "/none does not exist"), std::string::npos)
        << error;
    EXPECT_EQ(OpenVideoFile(dir.path() + "/x.avi", kWidth, kHeight, kFps, error), nullptr);
    EXPECT_NE(error.find(".mp4"), std::string::npos) << error;
    EXPECT_EQ(OpenVideoFile(dir.path() + "/.mp4", kWidth, kHeight, kFps, error), nullptr);
    EXPECT_EQ(OpenVideoFile(dir.path() + "/odd.mp4", 95, kHeight, kFps, error), nullptr);
    EXPECT_NE(error.find("95x64"), std::string::npos) << error;
    fs::create_directory(dir.path() + "/folder.webm");
    EXPECT_EQ(OpenVideoFile(dir.path() + "/folder.webm", kWidth, kHeight, kFps, error), nullptr);
    EXPECT_NE(error.find("folder"), std::string::npos) << error;
    dir.Write("plain", "a file");
    EXPECT_EQ(OpenVideoFile(dir.path() + "/plain/x.mp4", kWidth, kHeight, kFps, error), nullptr);
    EXPECT_EQ(error, dir.path() + "/plain is not a folder");
    fs::remove(dir.path() + "/plain");
    EXPECT_EQ(FilesIn(dir.path()), std::vector<std::string>{"folder.webm"});
    fs::remove(dir.path() + "/folder.webm");

    {
        // Written to the partial name only, then abandoned.
        std::unique_ptr<VideoFileWriter> file =
            OpenVideoFile(dir.path() + "/cut.mp4", kWidth, kHeight, kFps, error);
        ASSERT_NE(file, nullptr) << error;
        EXPECT_EQ(fs::path(file->PartialPath()).parent_path(), fs::path(dir.path()));
        EXPECT_TRUE(fs::exists(file->PartialPath()));
        ASSERT_TRUE(file->AddFrame(GlFrame(0).data(), error)) << error;
        EXPECT_FALSE(fs::exists(dir.path() + "/cut.mp4"));
    }
    {
        std::unique_ptr<VideoFileWriter> file =
            OpenVideoFile(dir.path() + "/empty.webm", kWidth, kHeight, kFps, error);
        ASSERT_NE(file, nullptr) << error;
        EXPECT_FALSE(file->Finish(error));
        EXPECT_EQ(error, "no frame was rendered");
    }
    EXPECT_TRUE(FilesIn(dir.path()).empty());
}

TEST(VideoFile, ReadOnlyFolder) {
    ScratchDir dir;
    std::string folder = dir.path() + "/locked";
    fs::create_directory(folder);
    chmod(folder.c_str(), 0555);
    // Permissions do not stop root; a file system that takes no new files does.
    if (geteuid() == 0) folder = "/proc";
    std::string error;
    EXPECT_EQ(OpenVideoFile(folder + "/x.mp4", kWidth, kHeight, kFps, error), nullptr);
    EXPECT_NE(error.find("cannot create " + folder + "/x.mp4."), std::string::npos) << error;
    EXPECT_FALSE(fs::exists(folder + "/x.mp4"));
    chmod((dir.path() + "/locked").c_str(), 0755);
}

}  // namespace
