// Music playback: the spectrum analyser, the sound device (SDL 1.2 audio) and
// the three clocks behind MusicClock: a live stream, an offline clock for
// capture, and the silent stand-in used when the file cannot be decoded.
#include "platform/audio.h"

#include "platform/debug_output.h"

#include <SDL/SDL.h>
#include <fftw3.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <mutex>

// ---------------------------------------------------------------------------
// Spectrum
// ---------------------------------------------------------------------------

struct SpectrumAnalyzer::Impl {
    float* input = nullptr;
    fftwf_complex* output = nullptr;
    fftwf_plan plan = nullptr;
    float window[kFftSize];
};

SpectrumAnalyzer::SpectrumAnalyzer() : impl_(new Impl) {
    impl_->input = static_cast<float*>(fftwf_malloc(sizeof(float) * kFftSize));
    impl_->output =
        static_cast<fftwf_complex*>(fftwf_malloc(sizeof(fftwf_complex) * (kFftSize / 2 + 1)));
    if (impl_->input == nullptr || impl_->output == nullptr) throw std::bad_alloc();
    impl_->plan = fftwf_plan_dft_r2c_1d(kFftSize, impl_->input, impl_->output, FFTW_ESTIMATE);
    for (int i = 0; i < kFftSize; ++i) {
        // Periodic Hann window: its coherent gain is exactly 1/2.
        impl_->window[i] = static_cast<float>(
            0.5 - 0.5 * std::cos(2.0 * M_PI * i / static_cast<double>(kFftSize)));
    }
}

SpectrumAnalyzer::~SpectrumAnalyzer() {
    if (impl_->plan != nullptr) fftwf_destroy_plan(impl_->plan);
    fftwf_free(impl_->input);
    fftwf_free(impl_->output);
}

void SpectrumAnalyzer::Analyze(const DecodedMusic& music, int64_t centre_frame,
                               float out[kSpectrumBins]) {
    const int64_t frames = music.frames();
    if (frames <= 0) {
        std::fill(out, out + kSpectrumBins, 0.0f);
        return;
    }
    const float* samples = music.samples.data();
    int64_t frame = (centre_frame - kFftSize / 2) % frames;
    if (frame < 0) frame += frames;
    for (int i = 0; i < kFftSize; ++i) {
        const float mono = 0.5f * (samples[2 * frame] + samples[2 * frame + 1]);
        impl_->input[i] = mono * impl_->window[i];
        if (++frame == frames) frame = 0;  // the track loops
    }
    fftwf_execute(impl_->plan);
    // A sine of amplitude A centred on bin k gives |X_k| = A * N / 4 through
    // the Hann window, so 4 / N makes a full-scale sine read 1.0.
    const float scale = 4.0f / kFftSize;
    for (int k = 0; k < kSpectrumBins; ++k) {
        const float re = impl_->output[k][0], im = impl_->output[k][1];
        out[k] = scale * std::sqrt(re * re + im * im);
    }
}

// ---------------------------------------------------------------------------
// Shared helpers
// ---------------------------------------------------------------------------

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point since, Clock::time_point now) {
    return std::chrono::duration<double>(now - since).count();
}

// Seek target in frames: NaN and negative values go to 0, values past the end
// wrap round the track. A track length of 0 means "no track": no wrapping.
double ClampSeek(double seconds, int64_t track_frames) {
    if (!(seconds > 0.0) || !std::isfinite(seconds)) return 0.0;
    double frame = seconds * kMusicRate;
    if (track_frames > 0) frame = std::fmod(frame, static_cast<double>(track_frames));
    return frame;
}

// An unwrapped frame position (it keeps counting across loops) to seconds in
// [0, track length).
double WrappedSeconds(double frame, int64_t track_frames) {
    if (frame < 0.0) frame = 0.0;
    if (track_frames > 0) frame = std::fmod(frame, static_cast<double>(track_frames));
    return frame / kMusicRate;
}

void ReportUnplayable(const std::string& path, const std::string& why) {
    DebugOutputFormat("Music \"%s\" cannot be played (%s); running silently\n", path.c_str(),
                      why.c_str());
}

// ---------------------------------------------------------------------------
// Silent stand-ins for a file that cannot be decoded
// ---------------------------------------------------------------------------

// Advances on the wall clock from where it was started or seeked to; hears nothing.
class SilentClock : public MusicClock {
public:
    SilentClock() : anchor_time_(Clock::now()) {}
    void Play() override { SetPosition(0.0); }
    double Position() const override {
        if (paused_) return anchor_seconds_;
        return anchor_seconds_ + SecondsSince(anchor_time_, Clock::now());
    }
    void SetPosition(double seconds) override {
        anchor_seconds_ = ClampSeek(seconds, 0) / kMusicRate;
        anchor_time_ = Clock::now();
    }
    void Spectrum(float out[kSpectrumBins]) override { std::fill(out, out + kSpectrumBins, 0.0f); }
    void SetPaused(bool paused) override {
        if (paused == paused_) return;
        anchor_seconds_ = Position();
        anchor_time_ = Clock::now();
        paused_ = paused;
    }

private:
    double anchor_seconds_ = 0.0;
    Clock::time_point anchor_time_;
    bool paused_ = false;
};

// ---------------------------------------------------------------------------
// Offline clock for capture
// ---------------------------------------------------------------------------

class OfflineMusic : public MusicClock {
public:
    explicit OfflineMusic(DecodedMusic music) : music_(std::move(music)) {}
    void Play() override { frame_ = 0.0; }
    double Position() const override { return WrappedSeconds(frame_, music_.frames()); }
    void SetPosition(double seconds) override { frame_ = ClampSeek(seconds, music_.frames()); }
    void Spectrum(float out[kSpectrumBins]) override {
        analyzer_.Analyze(music_, std::llround(frame_), out);
    }
    double Length() const override { return music_.seconds(); }
    const DecodedMusic* Track() const override { return music_.frames() > 0 ? &music_ : nullptr; }

private:
    DecodedMusic music_;  // empty when the file could not be decoded: zeros
    SpectrumAnalyzer analyzer_;
    double frame_ = 0.0;
};

// ---------------------------------------------------------------------------
// The sound device and the live stream
// ---------------------------------------------------------------------------

class LiveStream;

// The one SDL 1.2 audio device. Its callback plays the stream that called
// Play last. All timing state of the streams is guarded by `mutex`, which
// belongs to this layer rather than to SDL, so that a stream can be destroyed
// after SDL_Quit has closed the device.
struct AudioDevice {
    std::mutex mutex;
    bool opened = false;  // SDL_OpenAudio succeeded (SDL_Quit may close it later)
    LiveStream* active = nullptr;
};

AudioDevice& Device() {
    static AudioDevice* device =
        new AudioDevice;  // never destroyed: the callback may outlive statics
    return *device;
}

// True while the device is open and running. SDL_Quit closes it behind our back.
bool DeviceRunning() {
    AudioDevice& device = Device();
    return device.opened && SDL_WasInit(SDL_INIT_AUDIO) != 0 &&
           SDL_GetAudioStatus() == SDL_AUDIO_PLAYING;
}

void AudioCallback(void* userdata, Uint8* stream, int len);

// The heard position is modelled as a straight line through an anchor
// (frame, time) at one frame per sample period, capped at `cap_frame_` (nothing
// past the written audio can be heard) and never below `floor_frame_` (the
// position does not go backwards between seeks). Frames are unwrapped: they
// keep counting past the end of the track and are wrapped when read.
class LiveStream : public MusicClock {
public:
    explicit LiveStream(DecodedMusic music)
        : music_(std::move(music)), anchor_time_(Clock::now()) {}

    ~LiveStream() override {
        AudioDevice& device = Device();
        std::lock_guard<std::mutex> lock(device.mutex);
        if (device.active == this) device.active = nullptr;
    }

    void Play() override { Seek(0.0, true); }

    double Position() const override {
        std::lock_guard<std::mutex> lock(Device().mutex);
        return WrappedSeconds(CurrentFrameLocked(Clock::now()), music_.frames());
    }

    void SetPosition(double seconds) override { Seek(ClampSeek(seconds, music_.frames()), false); }
    double Length() const override { return music_.seconds(); }

    void Spectrum(float out[kSpectrumBins]) override {
        double seconds = Position();
        analyzer_.Analyze(music_, std::llround(seconds * kMusicRate), out);
    }

    void SetPaused(bool paused) override {
        std::lock_guard<std::mutex> lock(Device().mutex);
        if (paused == paused_) return;
        const Clock::time_point now = Clock::now();
        if (paused) {
            // Frozen where it is heard; the device writes from there again
            // on resume.
            const double frame = CurrentFrameLocked(now);
            cursor_ = static_cast<int64_t>(frame);
            anchor_frame_ = cap_frame_ = floor_frame_ = frame;
        } else {
            // As after a seek: the position holds until the device asks for
            // the audio from there.
            cap_frame_ = anchor_frame_;
        }
        anchor_time_ = now;
        paused_ = paused;
    }

    // Called by the device callback with the device mutex held: writes the
    // next `frames` frames as signed 16-bit stereo and moves the anchor.
    void Fill(int16_t* out, int frames, Clock::time_point now) {
        if (paused_) {
            std::memset(out, 0, static_cast<size_t>(frames) * 4);
            return;
        }
        const int64_t total = music_.frames();
        const float* samples = music_.samples.data();
        int64_t index = cursor_ % total;
        for (int i = 0; i < frames; ++i) {
            for (int c = 0; c < 2; ++c) {
                float v = samples[2 * index + c] * 32767.0f;
                v = std::min(32767.0f, std::max(-32768.0f, v));
                out[2 * i + c] = static_cast<int16_t>(std::lrint(v));
            }
            if (++index == total) index = 0;
        }
        // What this call writes is heard after the buffer ahead of it, so the
        // frame heard now lies one device buffer behind the write cursor.
        const int latency = frames;
        const double written_start = static_cast<double>(cursor_);
        cursor_ += frames;
        anchor_frame_ = written_start - latency;
        anchor_time_ = now;
        cap_frame_ = written_start + frames;
        on_device_ = true;
    }

    // The device was handed to another stream: continue on the wall clock.
    void DetachLocked(Clock::time_point now) {
        anchor_frame_ = CurrentFrameLocked(now);
        anchor_time_ = now;
        floor_frame_ = anchor_frame_;
        on_device_ = false;
    }

private:
    void Seek(double frame, bool take_device) {
        AudioDevice& device = Device();
        const bool running = DeviceRunning();
        std::lock_guard<std::mutex> lock(device.mutex);
        const Clock::time_point now = Clock::now();
        if (take_device && running && device.active != this) {
            if (device.active != nullptr) device.active->DetachLocked(now);
            device.active = this;
        }
        on_device_ = running && device.active == this;
        cursor_ = static_cast<int64_t>(frame);
        anchor_frame_ = frame;
        anchor_time_ = now;
        // Until the device asks for the new audio the position holds still.
        cap_frame_ = frame;
        floor_frame_ = frame;
    }

    double CurrentFrameLocked(Clock::time_point now) const {
        if (paused_) return anchor_frame_;
        const double elapsed = SecondsSince(anchor_time_, now);
        double frame = anchor_frame_ + elapsed * kMusicRate;
        if (on_device_) {
            // Callbacks come every 23 ms. When they stop (SDL_Quit closed the
            // device, or the sound system hangs) the clock goes on by itself
            // after a short hold, so the show never freezes.
            constexpr double kStall = 0.2;
            frame = std::min(anchor_frame_ + std::min(elapsed, kStall) * kMusicRate, cap_frame_);
            if (elapsed > kStall) frame += (elapsed - kStall) * kMusicRate;
        }
        frame = std::max(frame, floor_frame_);
        floor_frame_ = frame;
        return frame;
    }

    const DecodedMusic music_;
    SpectrumAnalyzer analyzer_;
    // Guarded by the device mutex.
    bool paused_ = false;
    bool on_device_ = false;
    int64_t cursor_ = 0;  // next frame the callback writes (unwrapped)
    double anchor_frame_ = 0.0;
    Clock::time_point anchor_time_;
    double cap_frame_ = 0.0;
    mutable double floor_frame_ = 0.0;
};

void AudioCallback(void*, Uint8* stream, int len) {
    AudioDevice& device = Device();
    const int frames = len / 4;
    std::lock_guard<std::mutex> lock(device.mutex);
    if (device.active == nullptr) {
        std::memset(stream, 0, static_cast<size_t>(len));
        return;
    }
    device.active->Fill(reinterpret_cast<int16_t*>(stream), frames, Clock::now());
}

// The device plays until the process ends (the window leaves it open). Its
// thread must be stopped before the SDL libraries unload, or it runs on into
// unmapped code; then SDL is shut down for good.
void CloseAudioAtExit() {
    if (DeviceRunning()) SDL_CloseAudio();
    SDL_Quit();
}

}  // namespace

void InitAudioOutput() {
    AudioDevice& device = Device();
    if (DeviceRunning()) return;
    if (SDL_WasInit(SDL_INIT_AUDIO) == 0 && SDL_InitSubSystem(SDL_INIT_AUDIO) < 0) {
        DebugOutputFormat("No sound device: %s\n", SDL_GetError());
        return;
    }
    static bool exit_hook = false;
    if (!exit_hook) exit_hook = std::atexit(CloseAudioAtExit) == 0;
    SDL_AudioSpec desired = {};
    desired.freq = kMusicRate;
    desired.format = AUDIO_S16SYS;
    desired.channels = 2;
    desired.samples = 1024;  // 23 ms: the position model interpolates within it
    desired.callback = AudioCallback;
    // No `obtained` format: SDL converts to whatever the hardware needs, and
    // fills in the buffer size it chose.
    if (SDL_OpenAudio(&desired, nullptr) < 0) {
        DebugOutputFormat("No sound device: %s\n", SDL_GetError());
        return;
    }
    {
        std::lock_guard<std::mutex> lock(device.mutex);
        device.opened = true;
    }
    SDL_PauseAudio(0);
}

std::unique_ptr<MusicClock> OpenMusicStream(const std::string& path) {
    return MusicPreload("").OpenStream(path);
}

std::unique_ptr<MusicClock> OpenOfflineMusic(const std::string& path) {
    return MusicPreload("").OpenOffline(path);
}

MusicPreload::MusicPreload(std::string path) : path_(std::move(path)) {
    if (path_.empty()) return;
    worker_ = std::thread([this] { decoded_ = DecodeMusicFile(path_, music_, error_); });
}

MusicPreload::~MusicPreload() {
    if (worker_.joinable()) worker_.join();
}

bool MusicPreload::Take(const std::string& path, DecodedMusic& music, std::string& error) {
    if (worker_.joinable()) worker_.join();
    if (!taken_ && !path_.empty() && path == path_) {
        taken_ = true;
        music = std::move(music_);
        error = std::move(error_);
        return decoded_;
    }
    return DecodeMusicFile(path, music, error);
}

std::unique_ptr<MusicClock> MusicPreload::OpenStream(const std::string& path) {
    DecodedMusic music;
    std::string error;
    if (!Take(path, music, error)) {
        ReportUnplayable(path, error);
        return std::make_unique<SilentClock>();
    }
    return std::make_unique<LiveStream>(std::move(music));
}

std::unique_ptr<MusicClock> MusicPreload::OpenOffline(const std::string& path) {
    DecodedMusic music;
    std::string error;
    if (!Take(path, music, error)) {
        ReportUnplayable(path, error);
        music.samples.clear();
    }
    return std::make_unique<OfflineMusic>(std::move(music));
}
