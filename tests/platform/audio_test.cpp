// Music layer: decoding and resampling, the spectrum scale, the clocks
// (offline, live on the dummy SDL driver, silent fallback) and seeking.
#include "platform/audio.h"

#include "support/test_paths.h"

#include <SDL/SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

// Frequency whose sine sits exactly on FFT bin `bin`.
double BinFrequency(int bin) { return static_cast<double>(bin) * kMusicRate / kFftSize; }

// 16-bit PCM WAV of interleaved samples in -1..1.
std::string WavBytes(const std::vector<float>& samples, int channels, int rate) {
    std::string out;
    auto put32 = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xff));
    };
    auto put16 = [&](uint16_t v) {
        out.push_back(static_cast<char>(v & 0xff));
        out.push_back(static_cast<char>(v >> 8));
    };
    const uint32_t data_bytes = static_cast<uint32_t>(samples.size() * 2);
    out += "RIFF";
    put32(36 + data_bytes);
    out += "WAVEfmt ";
    put32(16);
    put16(1);
    put16(static_cast<uint16_t>(channels));
    put32(static_cast<uint32_t>(rate));
    put32(static_cast<uint32_t>(rate * channels * 2));
    put16(static_cast<uint16_t>(channels * 2));
    put16(16);
    out += "data";
    put32(data_bytes);
    for (float s : samples) {
        const long v = std::lrint(std::clamp(s, -1.0f, 1.0f) * 32767.0f);
        put16(static_cast<uint16_t>(static_cast<int16_t>(v)));
    }
    return out;
}

// `seconds` of a sine of amplitude `amp`, the same on every channel.
std::vector<float> Sine(double freq, double amp, double seconds, int channels, int rate) {
    const int frames = static_cast<int>(seconds * rate);
    std::vector<float> s(static_cast<size_t>(frames) * channels);
    for (int i = 0; i < frames; ++i) {
        const float v = static_cast<float>(amp * std::sin(2.0 * M_PI * freq * i / rate));
        for (int c = 0; c < channels; ++c) s[static_cast<size_t>(i) * channels + c] = v;
    }
    return s;
}

DecodedMusic SineTrack(double freq, double amp, double seconds) {
    DecodedMusic m;
    m.samples = Sine(freq, amp, seconds, 2, kMusicRate);
    return m;
}

int PeakBin(const float* spectrum) {
    return static_cast<int>(std::max_element(spectrum, spectrum + kSpectrumBins) - spectrum);
}

bool HaveFfmpeg() { return std::system("command -v ffmpeg >/dev/null 2>&1") == 0; }

// Converts `wav` with the ffmpeg tool; returns the new path or "" on failure.
std::string Encode(const ScratchDir& dir, const std::string& wav, const std::string& name,
                   const std::string& codec_args) {
    const std::string target = dir.path() + "/" + name;
    const std::string command =
        "ffmpeg -nostdin -v error -y -i '" + wav + "' " + codec_args + " '" + target + "'";
    return std::system(command.c_str()) == 0 ? target : std::string();
}

void UseDummyAudio() {
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    InitAudioOutput();
}

void Sleep(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

}  // namespace

// ---------------------------------------------------------------------------
// Decoding
// ---------------------------------------------------------------------------

TEST(DecodeMusicFile, ReadsStereoWavSampleForSample) {
    ScratchDir dir;
    std::vector<float> samples(2 * 1000);
    for (size_t i = 0; i < samples.size(); ++i) {
        samples[i] = (i % 2 == 0 ? 0.25f : -0.5f) * static_cast<float>(i % 7) / 7.0f;
    }
    const std::string path = dir.Write("a.wav", WavBytes(samples, 2, kMusicRate));
    DecodedMusic music;
    std::string error;
    ASSERT_TRUE(DecodeMusicFile(path, music, error)) << error;
    ASSERT_EQ(music.frames(), 1000);
    for (size_t i = 0; i < samples.size(); ++i) {
        ASSERT_NEAR(music.samples[i], samples[i], 1.0 / 16384) << "sample " << i;
    }
}

TEST(DecodeMusicFile, ResamplesMono22050ToStereo44100AtTheSameLevelAndPitch) {
    ScratchDir dir;
    const double freq = BinFrequency(50);
    const std::string path =
        dir.Write("mono.wav", WavBytes(Sine(freq, 0.5, 2.0, 1, 22050), 1, 22050));
    DecodedMusic music;
    std::string error;
    ASSERT_TRUE(DecodeMusicFile(path, music, error)) << error;
    EXPECT_NEAR(music.seconds(), 2.0, 0.01);
    float peak = 0.0f;
    for (int64_t i = 0; i < music.frames(); ++i) {
        ASSERT_EQ(music.samples[2 * i], music.samples[2 * i + 1]) << "frame " << i;
        if (i > 1000 && i < music.frames() - 1000) peak = std::max(peak, music.samples[2 * i]);
    }
    EXPECT_NEAR(peak, 0.5f, 0.01f);  // mono is not lowered by 3 dB
    SpectrumAnalyzer analyzer;
    float spectrum[kSpectrumBins];
    analyzer.Analyze(music, kMusicRate, spectrum);
    EXPECT_EQ(PeakBin(spectrum), 50);
    EXPECT_NEAR(spectrum[50], 0.5f, 0.03f);
}

TEST(DecodeMusicFile, DecodesCompressedFormats) {
    if (!HaveFfmpeg()) GTEST_SKIP() << "the ffmpeg tool is not installed";
    ScratchDir dir;
    const int bin = 40;
    const std::string wav =
        dir.Write("tone.wav", WavBytes(Sine(BinFrequency(bin), 0.5, 3.0, 2, 48000), 2, 48000));
    struct Case {
        const char* name;
        const char* args;
    };
    const Case cases[] = {
        {"tone.flac", "-c:a flac"},
        {"tone.ogg", "-c:a libvorbis -q:a 4"},
        {"tone.opus", "-c:a libopus -b:a 96k"},
        {"tone.mp3", "-c:a libmp3lame -b:a 160k"},
    };
    SpectrumAnalyzer analyzer;
    float spectrum[kSpectrumBins];
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = Encode(dir, wav, c.name, c.args);
        if (path.empty()) {
            ADD_FAILURE() << "ffmpeg could not write " << c.name;
            continue;
        }
        DecodedMusic music;
        std::string error;
        ASSERT_TRUE(DecodeMusicFile(path, music, error)) << error;
        EXPECT_NEAR(music.seconds(), 3.0, 0.08);  // encoders may pad a little
        analyzer.Analyze(music, music.frames() / 2, spectrum);
        EXPECT_EQ(PeakBin(spectrum), bin);
        EXPECT_NEAR(spectrum[bin], 0.5f, 0.05f);
    }
}

TEST(DecodeMusicFile, FailsWithAReasonOnMissingOrBrokenFiles) {
    ScratchDir dir;
    DecodedMusic music;
    std::string error;
    EXPECT_FALSE(DecodeMusicFile(dir.path() + "/nothing.ogg", music, error));
    EXPECT_FALSE(error.empty());
    error.clear();
    const std::string junk = dir.Write("junk.ogg", std::string(5000, '\x5a'));
    EXPECT_FALSE(DecodeMusicFile(junk, music, error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(music.frames(), 0);
    // A WAV header that promises data but holds none.
    const std::string empty = dir.Write("empty.wav", WavBytes({}, 2, kMusicRate));
    EXPECT_FALSE(DecodeMusicFile(empty, music, error));
}

// ---------------------------------------------------------------------------
// Spectrum
// ---------------------------------------------------------------------------

TEST(SpectrumAnalyzer, FullScaleSineOnABinReadsOne) {
    SpectrumAnalyzer analyzer;
    float spectrum[kSpectrumBins];
    for (int bin : {3, 100, 700}) {
        SCOPED_TRACE(bin);
        const DecodedMusic music = SineTrack(BinFrequency(bin), 1.0, 0.5);
        analyzer.Analyze(music, music.frames() / 2, spectrum);
        EXPECT_NEAR(spectrum[bin], 1.0f, 0.05f);
        // Hann leaks half into each neighbour and nothing further out.
        EXPECT_NEAR(spectrum[bin - 1], 0.5f, 0.05f);
        EXPECT_NEAR(spectrum[bin + 1], 0.5f, 0.05f);
        EXPECT_LT(spectrum[bin + 3], 1e-3f);
    }
}

TEST(SpectrumAnalyzer, SilenceAndEmptyTracksReadZero) {
    SpectrumAnalyzer analyzer;
    float spectrum[kSpectrumBins];
    DecodedMusic silence;
    silence.samples.assign(2 * 10000, 0.0f);
    std::fill(spectrum, spectrum + kSpectrumBins, 7.0f);
    analyzer.Analyze(silence, 5000, spectrum);
    EXPECT_EQ(*std::max_element(spectrum, spectrum + kSpectrumBins), 0.0f);
    std::fill(spectrum, spectrum + kSpectrumBins, 7.0f);
    analyzer.Analyze(DecodedMusic{}, 0, spectrum);
    EXPECT_EQ(*std::max_element(spectrum, spectrum + kSpectrumBins), 0.0f);
}

TEST(SpectrumAnalyzer, MixesBothSidesToMono) {
    DecodedMusic music = SineTrack(BinFrequency(64), 1.0, 0.5);
    for (int64_t i = 0; i < music.frames(); ++i) music.samples[2 * i + 1] = 0.0f;
    SpectrumAnalyzer analyzer;
    float spectrum[kSpectrumBins];
    analyzer.Analyze(music, 10000, spectrum);
    EXPECT_NEAR(spectrum[64], 0.5f, 0.025f);
    // Opposite phases cancel.
    for (int64_t i = 0; i < music.frames(); ++i) {
        music.samples[2 * i + 1] = -music.samples[2 * i];
    }
    analyzer.Analyze(music, 10000, spectrum);
    EXPECT_LT(spectrum[64], 1e-4f);
}

TEST(SpectrumAnalyzer, WindowWrapsRoundTheTrackEnd) {
    // 0.5 s of a bin-centred sine is a whole number of periods, so a window
    // that wraps round the end sees an unbroken sine; zero padding would not.
    const DecodedMusic music = SineTrack(BinFrequency(100), 1.0, 4096.0 / kMusicRate);
    SpectrumAnalyzer analyzer;
    float spectrum[kSpectrumBins];
    for (int64_t centre : {int64_t{0}, int64_t{4095}, int64_t{-100}, int64_t{4096 * 5 + 7}}) {
        SCOPED_TRACE(centre);
        analyzer.Analyze(music, centre, spectrum);
        EXPECT_NEAR(spectrum[100], 1.0f, 0.05f);
    }
}

TEST(SpectrumAnalyzer, ShortTracksRepeatToFillTheWindow) {
    const DecodedMusic music = SineTrack(BinFrequency(128), 1.0, 32.0 / kMusicRate);  // 2 periods
    SpectrumAnalyzer analyzer;
    float spectrum[kSpectrumBins];
    analyzer.Analyze(music, 3, spectrum);
    EXPECT_NEAR(spectrum[128], 1.0f, 0.05f);
}

// ---------------------------------------------------------------------------
// Offline clock
// ---------------------------------------------------------------------------

class OfflineMusicTest : public ::testing::Test {
protected:
    void SetUp() override {
        // 1 s of silence, then 1 s of a tone on bin 20.
        std::vector<float> samples(2 * kMusicRate, 0.0f);
        const std::vector<float> tone = Sine(BinFrequency(20), 0.8, 1.0, 2, kMusicRate);
        samples.insert(samples.end(), tone.begin(), tone.end());
        path_ = dir_.Write("track.wav", WavBytes(samples, 2, kMusicRate));
    }
    ScratchDir dir_;
    std::string path_;
};

TEST_F(OfflineMusicTest, MovesOnlyWhenSeeked) {
    auto music = OpenOfflineMusic(path_);
    music->Play();
    EXPECT_EQ(music->Position(), 0.0);
    Sleep(30);
    EXPECT_EQ(music->Position(), 0.0);
    music->SetPosition(1.25);
    EXPECT_NEAR(music->Position(), 1.25, 1e-9);
    music->SetPosition(-3.0);
    EXPECT_EQ(music->Position(), 0.0);
    music->SetPosition(2.0 + 0.5);  // past the end of the 2 s track
    EXPECT_NEAR(music->Position(), 0.5, 1e-9);
    music->SetPosition(2.0 * 7 + 1.75);
    EXPECT_NEAR(music->Position(), 1.75, 1e-9);
    music->SetPosition(std::nan(""));
    EXPECT_EQ(music->Position(), 0.0);
    music->SetPosition(1.5);
    music->Play();
    EXPECT_EQ(music->Position(), 0.0);
}

TEST_F(OfflineMusicTest, SpectrumFollowsThePositionDeterministically) {
    auto first = OpenOfflineMusic(path_);
    auto second = OpenOfflineMusic(path_);
    float a[kSpectrumBins], b[kSpectrumBins];
    first->SetPosition(0.4);
    first->Spectrum(a);
    EXPECT_EQ(*std::max_element(a, a + kSpectrumBins), 0.0f);
    first->SetPosition(1.6);
    first->Spectrum(a);
    EXPECT_EQ(PeakBin(a), 20);
    EXPECT_NEAR(a[20], 0.8f, 0.04f);
    second->SetPosition(1.6);
    second->Spectrum(b);
    for (int k = 0; k < kSpectrumBins; ++k) ASSERT_EQ(a[k], b[k]) << "bin " << k;
    first->Spectrum(b);
    for (int k = 0; k < kSpectrumBins; ++k) ASSERT_EQ(a[k], b[k]) << "bin " << k;
}

TEST(OfflineMusic, UndecodableFileGivesZerosAndOneDiagnostic) {
    ScratchDir dir;
    const std::string path = dir.Write("bad.mp3", "not an mp3 at all");
    testing::internal::CaptureStderr();
    auto music = OpenOfflineMusic(path);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_NE(err.find(path), std::string::npos) << err;
    music->SetPosition(12.5);
    EXPECT_NEAR(music->Position(), 12.5, 1e-9);
    float spectrum[kSpectrumBins];
    music->Spectrum(spectrum);
    EXPECT_EQ(*std::max_element(spectrum, spectrum + kSpectrumBins), 0.0f);
}

// The track decoded ahead is the one OpenOfflineMusic decodes, taken once;
// another path (the script changed while loading) is decoded anew, and a
// file that cannot be played is reported when it is opened, not before.
TEST_F(OfflineMusicTest, PreloadGivesTheSameTrackOnce) {
    auto direct = OpenOfflineMusic(path_);
    MusicPreload preload(path_);
    auto ahead = preload.OpenOffline(path_);
    ASSERT_NE(ahead->Track(), nullptr);
    EXPECT_EQ(ahead->Track()->samples, direct->Track()->samples);
    EXPECT_EQ(ahead->Length(), 2.0);
    // Taken already: a second opening decodes again and still has the track.
    auto again = preload.OpenOffline(path_);
    ASSERT_NE(again->Track(), nullptr);
    EXPECT_EQ(again->Track()->samples.size(), direct->Track()->samples.size());

    const std::string other =
        dir_.Write("other.wav", WavBytes(std::vector<float>(2 * 4410, 0.25f), 2, kMusicRate));
    MusicPreload wrong(path_);
    auto taken = wrong.OpenOffline(other);
    ASSERT_NE(taken->Track(), nullptr);
    EXPECT_NEAR(taken->Length(), 0.1, 1e-9);

    testing::internal::CaptureStderr();
    MusicPreload missing(dir_.path() + "/none.ogg");
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    testing::internal::CaptureStderr();
    auto silent = missing.OpenStream(dir_.path() + "/none.ogg");
    EXPECT_NE(testing::internal::GetCapturedStderr().find("none.ogg"), std::string::npos);
    EXPECT_EQ(silent->Track(), nullptr);
}

// ---------------------------------------------------------------------------
// Live stream and the silent fallback
// ---------------------------------------------------------------------------

TEST(MusicStream, MissingFileGivesASilentClockInRealTime) {
    UseDummyAudio();
    testing::internal::CaptureStderr();
    auto music = OpenMusicStream("data/music/no-such-file.ogg");
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_NE(err.find("data/music/no-such-file.ogg"), std::string::npos) << err;

    music->Play();
    const double start = music->Position();
    EXPECT_LT(start, 0.05);
    Sleep(100);
    const double later = music->Position();
    EXPECT_GT(later, start + 0.08);
    EXPECT_LT(later, start + 2.0);
    music->SetPosition(30.0);
    EXPECT_NEAR(music->Position(), 30.0, 0.02);
    Sleep(50);
    EXPECT_GT(music->Position(), 30.04);
    music->SetPosition(-5.0);
    EXPECT_LT(music->Position(), 0.02);
    float spectrum[kSpectrumBins];
    std::fill(spectrum, spectrum + kSpectrumBins, 1.0f);
    music->Spectrum(spectrum);
    EXPECT_EQ(*std::max_element(spectrum, spectrum + kSpectrumBins), 0.0f);
}

class MusicStreamTest : public ::testing::Test {
protected:
    void SetUp() override { UseDummyAudio(); }
    std::string WriteTone(double seconds) {
        return dir_.Write("tone.wav", WavBytes(Sine(BinFrequency(30), 0.5, seconds, 2, kMusicRate),
                                               2, kMusicRate));
    }
    ScratchDir dir_;
};

TEST_F(MusicStreamTest, PlaysForwardMonotonicallyFromTheStart) {
    auto music = OpenMusicStream(WriteTone(10.0));
    music->SetPosition(5.0);
    music->Play();
    const double start = music->Position();
    EXPECT_LT(start, 0.05);
    double previous = start;
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
    while (std::chrono::steady_clock::now() < until) {
        const double now = music->Position();
        ASSERT_GE(now, previous);
        previous = now;
    }
    EXPECT_GT(previous, 0.1);
    EXPECT_LT(previous, 2.0);
}

TEST_F(MusicStreamTest, SeeksAccurately) {
    auto music = OpenMusicStream(WriteTone(10.0));
    music->Play();
    for (double target : {7.25, 1.0, 3.5}) {
        music->SetPosition(target);
        const double now = music->Position();
        EXPECT_GE(now, target);
        EXPECT_LT(now, target + 0.005);
        Sleep(20);
    }
    music->SetPosition(-1.0);
    EXPECT_LT(music->Position(), 0.005);
    music->SetPosition(10.0 + 2.0);
    EXPECT_NEAR(music->Position(), 2.0, 0.005);
}

TEST_F(MusicStreamTest, LoopsRoundTheEnd) {
    auto music = OpenMusicStream(WriteTone(0.5));
    music->Play();
    music->SetPosition(0.4);
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(400);
    bool wrapped = false;
    while (std::chrono::steady_clock::now() < until) {
        const double now = music->Position();
        ASSERT_GE(now, 0.0);
        ASSERT_LT(now, 0.5);
        if (now < 0.3) wrapped = true;
        Sleep(2);
    }
    EXPECT_TRUE(wrapped);
}

TEST_F(MusicStreamTest, SpectrumIsThatOfTheTrackAtThePosition) {
    auto music = OpenMusicStream(WriteTone(3.0));
    music->Play();
    music->SetPosition(1.0);
    float spectrum[kSpectrumBins];
    music->Spectrum(spectrum);
    EXPECT_EQ(PeakBin(spectrum), 30);
    EXPECT_NEAR(spectrum[30], 0.5f, 0.03f);
}

TEST_F(MusicStreamTest, StreamSurvivesSdlQuit) {
    auto music = OpenMusicStream(WriteTone(2.0));
    music->Play();
    // The window opens SDL on top of the audio and shuts everything down at the end.
    ASSERT_EQ(SDL_Init(SDL_INIT_TIMER), 0) << SDL_GetError();
    Sleep(50);
    SDL_Quit();
    const double after_quit = music->Position();
    EXPECT_GE(after_quit, 0.0);
    EXPECT_LT(after_quit, 2.0);
    // Without the device the clock holds briefly, then runs on the wall clock.
    Sleep(500);
    const double later = music->Position();
    EXPECT_GT(std::fmod(later - after_quit + 2.0, 2.0), 0.15);
    music->SetPosition(1.0);
    EXPECT_NEAR(music->Position(), 1.0, 0.01);
    float spectrum[kSpectrumBins];
    music->Spectrum(spectrum);
    music.reset();  // must neither hang nor crash
    // The device can be opened again afterwards.
    InitAudioOutput();
    auto again = OpenMusicStream(WriteTone(2.0));
    again->Play();
    Sleep(50);
    EXPECT_GT(again->Position(), 0.0);
}

TEST_F(MusicStreamTest, ProcessMayEndWithTheDevicePlaying) {
    // The settings dialog's Cancel ends the process with the music device
    // open; the device thread must be stopped before the libraries unload.
    const std::string path = WriteTone(1.0);
    testing::FLAGS_gtest_death_test_style = "threadsafe";
    for (int i = 0; i < 6; ++i) {
        EXPECT_EXIT(
            {
                UseDummyAudio();
                auto music = OpenMusicStream(path);
                music->Play();
                Sleep(20);
                std::exit(0);
            },
            testing::ExitedWithCode(0), "");
    }
}
