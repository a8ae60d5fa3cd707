#include "platform/video_source.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "platform/video_test_clips.h"
#include "support/test_paths.h"

using namespace video_test;

namespace {

constexpr int kSide = 512;
constexpr size_t kBytes = static_cast<size_t>(kSide) * kSide * 4;

std::unique_ptr<VideoFrameSource> Ready(const std::string& path) {
    auto source = CreateVideoFrameSource(kSide, kSide);
    EXPECT_TRUE(source->Open(path.c_str()));
    EXPECT_TRUE(source->PrepareDecoding());
    return source;
}

std::vector<uint8_t> Decode(VideoFrameSource& source, int n) {
    std::vector<uint8_t> buffer(kBytes, 0);
    EXPECT_TRUE(source.DecodeFrame(n, buffer.data())) << "frame " << n;
    return buffer;
}

// Largest and mean per-byte difference between our bottom-up buffer and a
// top-down reference, colour bytes only.
void Compare(const std::vector<uint8_t>& bottom_up, const std::vector<uint8_t>& top_down,
             int& max_difference, double& mean_difference) {
    max_difference = 0;
    long total = 0;
    for (int row = 0; row < kSide; ++row) {
        const uint8_t* ours = bottom_up.data() + static_cast<size_t>(kSide - 1 - row) * kSide * 4;
        const uint8_t* theirs = top_down.data() + static_cast<size_t>(row) * kSide * 4;
        for (int i = 0; i < kSide * 4; ++i) {
            if (i % 4 == 3) continue;
            const int d = std::abs(ours[i] - theirs[i]);
            max_difference = std::max(max_difference, d);
            total += d;
        }
    }
    mean_difference = static_cast<double>(total) / (kSide * kSide * 3.0);
}

TEST(VideoSource, RefusesWhatIsNotAVideo) {
    ScratchDir dir;
    auto source = CreateVideoFrameSource(kSide, kSide);
    EXPECT_FALSE(source->Open((dir.path() + "/missing.avi").c_str()));
    EXPECT_FALSE(source->Open(dir.Write("notes.avi", "just some text, no RIFF here\n").c_str()));
    EXPECT_FALSE(source->Open(dir.Write("empty.avi", "").c_str()));
    ASSERT_TRUE(Ffmpeg(dir.path(), "-f lavfi -i sine=duration=1 -c:a pcm_s16le audio.avi"));
    EXPECT_FALSE(source->Open((dir.path() + "/audio.avi").c_str()));
    // A refused source never decodes.
    std::vector<uint8_t> buffer(kBytes, 7);
    EXPECT_FALSE(source->PrepareDecoding());
    EXPECT_FALSE(source->DecodeFrame(0, buffer.data()));
    EXPECT_EQ(7, buffer[0]);
}

TEST(VideoSource, DescribesTheFirstVideoStream) {
    ScratchDir dir;
    // Audio first, then video: the video stream is found behind it.
    ASSERT_TRUE(
        Ffmpeg(dir.path(),
               "-f lavfi -i sine=duration=2 -f lavfi -i testsrc=size=160x120:rate=25:duration=1.2 "
               "-map 0:a -map 1:v -c:a pcm_s16le -c:v mjpeg both.avi"));
    auto source = CreateVideoFrameSource(kSide, kSide);
    ASSERT_TRUE(source->Open((dir.path() + "/both.avi").c_str()));
    const VideoDescription d = source->Describe();
    EXPECT_EQ(160, d.width);
    EXPECT_EQ(120, d.height);
    EXPECT_EQ(30, d.frame_count);
    ASSERT_TRUE(source->PrepareDecoding());
    Decode(*source, 29);
}

TEST(VideoSource, NoDecoderForUnknownCompression) {
    ScratchDir dir;
    std::vector<uint8_t> file = ReadBytes(MakeClip(dir, "clip.avi", 10));
    // Rename the compression everywhere the file names it.
    for (size_t i = 0; i + 4 <= file.size(); ++i) {
        if (std::memcmp(&file[i], "MJPG", 4) == 0) std::memcpy(&file[i], "QQQQ", 4);
    }
    WriteBytes(dir.path() + "/unknown.avi", file);
    auto source = CreateVideoFrameSource(kSide, kSide);
    ASSERT_TRUE(source->Open((dir.path() + "/unknown.avi").c_str()));
    EXPECT_EQ(10, source->Describe().frame_count);
    EXPECT_FALSE(source->PrepareDecoding());
    std::vector<uint8_t> buffer(kBytes, 0);
    EXPECT_FALSE(source->DecodeFrame(0, buffer.data()));
}

TEST(VideoSource, FramesMatchTheReferenceDecoder) {
    ScratchDir dir;
    const std::string clip = MakeClip(dir, "clip.avi", 50);
    auto source = Ready(clip);
    for (int n : {0, 17, 49}) {
        const std::vector<uint8_t> ours = Decode(*source, n);
        const std::vector<uint8_t> reference = ReferenceFrame(dir, clip, n, kSide);
        ASSERT_EQ(kBytes, reference.size());
        int max_difference = 0;
        double mean_difference = 0;
        Compare(ours, reference, max_difference, mean_difference);
        EXPECT_LT(mean_difference, 1.0) << "frame " << n;
        EXPECT_LE(max_difference, 16) << "frame " << n;
        // The fourth byte is opaque.
        EXPECT_EQ(255, ours[3]);
    }
    // Bottom row first: the test picture's frame counter sits at the bottom,
    // its colour bars at the top, so the two halves differ.
    const std::vector<uint8_t> frame = Decode(*source, 0);
    EXPECT_NE(0, std::memcmp(frame.data(), frame.data() + kBytes / 2, kBytes / 2));
}

TEST(VideoSource, OutOfRangeFramesKeepTheBuffer) {
    ScratchDir dir;
    auto source = Ready(MakeClip(dir, "clip.avi", 5));
    std::vector<uint8_t> buffer(kBytes, 9);
    EXPECT_FALSE(source->DecodeFrame(-1, buffer.data()));
    EXPECT_FALSE(source->DecodeFrame(5, buffer.data()));
    EXPECT_FALSE(source->DecodeFrame(0, nullptr));
    EXPECT_EQ(std::vector<uint8_t>(kBytes, 9), buffer);
    EXPECT_TRUE(source->DecodeFrame(4, buffer.data()));
}

// Random access must give exactly the pixels of decoding from the start.
void CheckRandomAccess(const std::string& clip, int frames) {
    std::vector<std::vector<uint8_t>> sequential;
    {
        auto source = Ready(clip);
        for (int n = 0; n < frames; ++n) sequential.push_back(Decode(*source, n));
    }
    auto source = Ready(clip);
    // Jumps forward past key frames, back, repeats, small steps, the end.
    const int order[] = {0, 50, 51, 53, 10, 10, 11, 99, 98, 0, 37, 36, 72, 61, 62, 99};
    for (int n : order) {
        ASSERT_LT(n, frames);
        EXPECT_EQ(sequential[n], Decode(*source, n)) << clip << " frame " << n;
    }
}

TEST(VideoSource, RandomAccessEqualsSequentialDecoding) {
    ScratchDir dir;
    CheckRandomAccess(MakeClip(dir, "mjpeg.avi", 100), 100);
    // Key frames every 12 frames: a jump decodes forward from the one before.
    CheckRandomAccess(MakeClip(dir, "mpeg4.avi", 100, "-c:v mpeg4 -g 12 -bf 0 -q:v 4"), 100);
    // B-frames: frames leave the decoder in another order than they enter it.
    CheckRandomAccess(MakeClip(dir, "h264.mkv", 100, "-c:v libx264 -g 12 -bf 2 -pix_fmt yuv420p"),
                      100);
}

TEST(VideoSource, TruncatedClipDecodesWhatIsThere) {
    ScratchDir dir;
    std::vector<uint8_t> file = ReadBytes(MakeClip(dir, "clip.avi", 40));
    const std::vector<size_t> chunks = AviFrameChunks(file, 40);
    ASSERT_EQ(40u, chunks.size());
    // Cut in the middle of frame 20: the index at the end is gone too.
    file.resize(chunks[20] + 100);
    WriteBytes(dir.path() + "/cut.avi", file);
    auto source = CreateVideoFrameSource(kSide, kSide);
    ASSERT_TRUE(source->Open((dir.path() + "/cut.avi").c_str()));
    EXPECT_EQ(40, source->Describe().frame_count);  // as the header claims
    ASSERT_TRUE(source->PrepareDecoding());
    std::vector<uint8_t> buffer(kBytes, 0);
    EXPECT_TRUE(source->DecodeFrame(3, buffer.data()));
    EXPECT_TRUE(source->DecodeFrame(19, buffer.data()));
    for (int n : {25, 30, 39, 21, 2, 35}) source->DecodeFrame(n, buffer.data());
    // After running off the end it still goes back.
    EXPECT_TRUE(source->DecodeFrame(5, buffer.data()));
}

TEST(VideoSource, DamagedFrameIsReportedAndTheRestDecodes) {
    ScratchDir dir;
    std::vector<uint8_t> file = ReadBytes(MakeClip(dir, "clip.avi", 60));
    const std::vector<size_t> chunks = AviFrameChunks(file, 60);
    ASSERT_EQ(60u, chunks.size());
    // Wipe the start of frame 30's JPEG data, markers and all.
    for (size_t i = chunks[30] + 8; i < chunks[30] + 8 + 600; ++i) file[i] = 0;
    WriteBytes(dir.path() + "/damaged.avi", file);
    auto source = Ready(dir.path() + "/damaged.avi");
    std::vector<uint8_t> buffer(kBytes, 0);
    for (int n = 0; n < 30; ++n) EXPECT_TRUE(source->DecodeFrame(n, buffer.data()));
    const std::vector<uint8_t> before = buffer;
    EXPECT_FALSE(source->DecodeFrame(30, buffer.data()));
    EXPECT_EQ(before, buffer);
    EXPECT_TRUE(source->DecodeFrame(31, buffer.data()));
    EXPECT_FALSE(source->DecodeFrame(30, buffer.data()));  // also when sought
    EXPECT_TRUE(source->DecodeFrame(59, buffer.data()));
}

// Cuts and overwritten bytes anywhere in the file: every call returns, and
// whatever opens keeps answering.
TEST(VideoSource, SurvivesCutsAndDamageAnywhere) {
    ScratchDir dir;
    const std::vector<uint8_t> clip =
        ReadBytes(MakeClip(dir, "clip.avi", 12, "-c:v mjpeg -q:v 5", "64x48"));
    ASSERT_FALSE(clip.empty());
    uint32_t state = 12345;
    auto next = [&state] {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    };
    std::vector<uint8_t> buffer(kBytes, 0);
    int opened = 0;
    for (int round = 0; round < 60; ++round) {
        std::vector<uint8_t> file = clip;
        if (round % 2 == 0) {
            file.resize(next() % file.size());
        } else {
            for (int k = 0; k < 8; ++k) file[next() % file.size()] = static_cast<uint8_t>(next());
        }
        const std::string path = dir.path() + "/bad" + std::to_string(round) + ".avi";
        WriteBytes(path, file);
        auto source = CreateVideoFrameSource(kSide, kSide);
        if (!source->Open(path.c_str())) continue;
        ++opened;
        const VideoDescription d = source->Describe();
        EXPECT_GE(d.frame_count, 0);
        if (!source->PrepareDecoding()) continue;
        for (int n : {0, 1, 5, 11, 3, 3, 10, 0}) source->DecodeFrame(n, buffer.data());
    }
    EXPECT_GT(opened, 10);
}

}  // namespace
