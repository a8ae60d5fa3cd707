// Pausing the music (Space in the authoring modes): the position holds while
// paused, seeks move it, and playing resumes from where it stood. On the live
// stream (dummy SDL audio driver) and on the silent clock.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <string>
#include <thread>

#include "platform/audio.h"
#include "support/test_paths.h"

namespace {

void Sleep(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// A 16-bit stereo WAV of `seconds` of a quiet tone.
std::string ToneWav(double seconds) {
    const uint32_t frames = static_cast<uint32_t>(seconds * kMusicRate);
    std::string out = "RIFF";
    auto put32 = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xff));
    };
    auto put16 = [&](uint16_t v) {
        out.push_back(static_cast<char>(v & 0xff));
        out.push_back(static_cast<char>(v >> 8));
    };
    put32(36 + frames * 4);
    out += "WAVEfmt ";
    put32(16);
    put16(1);
    put16(2);
    put32(kMusicRate);
    put32(kMusicRate * 4);
    put16(4);
    put16(16);
    out += "data";
    put32(frames * 4);
    for (uint32_t i = 0; i < frames; ++i) {
        const int16_t v = static_cast<int16_t>(3000 * std::sin(i * 0.05));
        put16(static_cast<uint16_t>(v));
        put16(static_cast<uint16_t>(v));
    }
    return out;
}

void PauseHoldsAndResumes(MusicClock& music) {
    music.Play();
    music.SetPosition(2.0);
    Sleep(150);
    music.SetPaused(true);
    const double held = music.Position();
    EXPECT_GT(held, 2.05);
    Sleep(200);
    EXPECT_DOUBLE_EQ(held, music.Position());
    // Pausing twice changes nothing.
    music.SetPaused(true);
    EXPECT_DOUBLE_EQ(held, music.Position());

    // A seek while paused moves the held position, which stays held.
    music.SetPosition(5.0);
    EXPECT_NEAR(5.0, music.Position(), 0.005);
    Sleep(100);
    EXPECT_NEAR(5.0, music.Position(), 0.005);

    music.SetPaused(false);
    const double resumed = music.Position();
    EXPECT_NEAR(5.0, resumed, 0.03);
    Sleep(300);
    const double later = music.Position();
    EXPECT_GT(later, 5.1);
    EXPECT_LT(later, 6.0);
}

TEST(MusicPause, LiveStream) {
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    InitAudioOutput();
    ScratchDir dir;
    auto music = OpenMusicStream(dir.Write("tone.wav", ToneWav(10.0)));
    PauseHoldsAndResumes(*music);
}

TEST(MusicPause, SilentClock) {
    ScratchDir dir;
    auto music = OpenMusicStream(dir.path() + "/missing.ogg");
    PauseHoldsAndResumes(*music);
}

TEST(MusicPause, OfflineClockHasNothingToHold) {
    ScratchDir dir;
    auto music = OpenOfflineMusic(dir.Write("tone.wav", ToneWav(3.0)));
    music->SetPosition(1.5);
    music->SetPaused(true);
    EXPECT_DOUBLE_EQ(1.5, music->Position());
    music->SetPosition(2.5);
    music->SetPaused(false);
    EXPECT_DOUBLE_EQ(2.5, music->Position());
}

}  // namespace
