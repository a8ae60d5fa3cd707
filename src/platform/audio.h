// Music: decoding, playback on the sound device, the playing position and the
// spectrum of what is heard. Stands in for a closed audio library.
//
// [X] decodes MP3, Ogg Vorbis, Opus, FLAC and WAV (FFmpeg) to 44.1 kHz stereo
// [X] plays through SDL 1.2 audio, looping from the start when the track ends
// [X] position and seek in seconds; the position is what is heard (the
//     device buffer is compensated)
// [X] 1024 FFT magnitudes (FFTW, 2048 samples, Hann window, mono mix); a
//     full-scale sine centred on a bin reads 1.0 there
// [X] offline clock for frame capture: no sound, position set by the caller
// [X] pause and resume: silence and a frozen position, then on from there
// [X] a music file that is missing or cannot be decoded is not an error: one
//     diagnostic line is written and a silent clock advances in real time
//     from wherever it is seeked to; its spectrum is all zeros
// [X] no sound device (or SDL_Quit already called): the stream keeps its
//     spectrum and runs on the wall clock; a stream may outlive SDL_Quit
// [ ] streaming from disk: the whole track is decoded into memory first
//     (21 MB of floats per minute of music)
// [ ] measuring the real output latency: one device buffer (1024 frames,
//     23 ms) is assumed between writing a sample and hearing it
//
// Call InitAudioOutput once before OpenMusicStream (the window may then call
// SDL_Init/SDL_Quit freely). The device stays open until the process ends,
// where it is closed and SDL shut down. Main thread only, except the device
// callback and MusicPreload's decoding thread inside the implementation
// (DecodeMusicFile may run on any thread). Spectrum(), Position() and
// SetPosition() allocate nothing.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

constexpr int kMusicRate = 44100;
constexpr int kSpectrumBins = 1024;  // magnitudes of a 2048-sample FFT
constexpr int kFftSize = 2 * kSpectrumBins;

// A whole track in memory: interleaved stereo float samples at 44.1 kHz.
struct DecodedMusic {
    std::vector<float> samples;
    int64_t frames() const { return static_cast<int64_t>(samples.size() / 2); }
    double seconds() const { return static_cast<double>(frames()) / kMusicRate; }
};

// Decodes the whole file (a path of the show, platform/show_folder.h). On
// failure returns false and says why in `error`.
bool DecodeMusicFile(const std::string& path, DecodedMusic& out, std::string& error);

// The 2048-point FFT of the mono mix. The plan and buffers are made once;
// Analyze allocates nothing.
class SpectrumAnalyzer {
public:
    SpectrumAnalyzer();
    ~SpectrumAnalyzer();
    SpectrumAnalyzer(const SpectrumAnalyzer&) = delete;
    SpectrumAnalyzer& operator=(const SpectrumAnalyzer&) = delete;

    // Magnitudes of the 2048 frames centred on `centre_frame`, read round the
    // end of the track as the music loops. An empty track gives zeros.
    void Analyze(const DecodedMusic& music, int64_t centre_frame, float out[kSpectrumBins]);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// What the frame loop needs of the music.
class MusicClock {
public:
    virtual ~MusicClock() = default;
    // Starts playing from the beginning of the track.
    virtual void Play() = 0;
    // Playing position in seconds, in [0, track length).
    virtual double Position() const = 0;
    // Moves the position. Below 0 goes to 0; past the end wraps round the
    // track (the music loops).
    virtual void SetPosition(double seconds) = 0;
    // 1024 magnitudes of the audio at the current position.
    virtual void Spectrum(float out[kSpectrumBins]) = 0;
    // Length of the track in seconds; 0 when there is no track (a file that
    // could not be decoded), so the length is unknown.
    virtual double Length() const { return 0.0; }
    // The decoded track, for clocks that keep one at hand (the offline
    // clock, whose sound an export encodes); null otherwise or without one.
    virtual const DecodedMusic* Track() const { return nullptr; }
    // Holds the music still (silence, the position frozen) or lets it go on
    // from where it stood. SetPosition while paused moves the frozen
    // position. A clock whose position only moves through SetPosition (the
    // offline one) has nothing to hold.
    virtual void SetPaused(bool) {}
};

// Opens the sound device (44.1 kHz stereo). Failures are ignored: the stream
// then runs silently on the wall clock.
void InitAudioOutput();

// The music as a looping stream heard on the sound device. Never null: a file
// that is missing or cannot be decoded gives a silent real-time clock after
// one diagnostic line on standard error.
std::unique_ptr<MusicClock> OpenMusicStream(const std::string& path);

// The music for offline capture: no sound; the position moves only through
// SetPosition; the spectrum is computed from the decoded track at the
// position. A file that cannot be decoded gives zeros after one diagnostic line.
std::unique_ptr<MusicClock> OpenOfflineMusic(const std::string& path);

// Decodes a music file on a worker thread from construction on, so that
// decoding (the longest part of start-up for a long track) runs while the
// effects load. The Open functions give what OpenMusicStream and
// OpenOfflineMusic give for `path`, taking the track decoded ahead when
// `path` is the one it was made with (waiting for it if need be) and
// decoding `path` anew otherwise; the diagnostic for a file that cannot be
// played is written there, not on the worker. The track is taken once. An
// empty path decodes nothing ahead. The destructor waits for the worker.
class MusicPreload {
public:
    explicit MusicPreload(std::string path);
    ~MusicPreload();
    MusicPreload(const MusicPreload&) = delete;
    MusicPreload& operator=(const MusicPreload&) = delete;

    std::unique_ptr<MusicClock> OpenStream(const std::string& path);
    std::unique_ptr<MusicClock> OpenOffline(const std::string& path);

private:
    // The decoded track for `path`: false, with the reason, when it cannot be decoded.
    bool Take(const std::string& path, DecodedMusic& music, std::string& error);

    std::string path_;
    DecodedMusic music_;
    std::string error_;
    bool decoded_ = false;
    bool taken_ = false;
    std::thread worker_;
};
