// FrameStats: the frame times of real-time play, for the stats overlay
// (--stats, F2) and the closing report of --stats.
//
// AddFrame is called once per frame shown, with the time since play began;
// a frame's time is the interval since the one before. The latest 1024
// frames are kept for the overlay: frames per second over the last second
// and the frame times of the last two seconds. With the record on (the
// closing report), every second of play counts its frames and the scales
// they were drawn at, for up to three hours; the report names the slowest
// 10-second stretches. Nothing allocates per frame (the record is reserved
// when it is turned on). No GL.
#pragma once

#include <array>
#include <string>
#include <vector>

class FrameStats {
public:
    static constexpr int kRecent = 1024;
    static constexpr int kRecordSeconds = 3 * 3600;

    // `record`: keep the per-second record for Report and SlowestStretches.
    explicit FrameStats(bool record = false);

    // A frame was shown `seconds` after play began, drawn at `scale`.
    void AddFrame(double seconds, float scale);

    // Frames shown during the second before the latest frame.
    float FramesPerSecond() const;
    // The latest frame's time in ms (0 before the second frame).
    float LatestMs() const;
    // How many frames of the last two seconds have a time of their own, and
    // their times: RecentMs(0) is the latest frame's.
    int GraphCount() const;
    float RecentMs(int back) const;

    struct Stretch {
        int from_s = 0, to_s = 0;  // seconds of play
        double frames_per_second = 0;
        float smallest_scale = 1, largest_scale = 1;
    };
    // Up to `count` stretches of `seconds` whole seconds of play, slowest
    // first, none overlapping another. Play shorter than one stretch gives
    // one stretch over the whole seconds played (none for less than one).
    std::vector<Stretch> SlowestStretches(int count, int seconds = 10) const;
    // The closing report: frames, seconds, the mean rate, the three slowest
    // 10-second stretches.
    std::string Report() const;

private:
    struct Frame {
        double seconds;
        float ms;
    };
    struct Second {
        int frames = 0;
        float smallest_scale = 1, largest_scale = 0;
    };
    int Index(int back) const;  // ring index of the frame `back` frames before the latest

    bool record_;
    std::array<Frame, kRecent> recent_{};
    int count_ = 0;  // frames added
    double first_seconds_ = 0, last_seconds_ = 0;
    std::vector<Second> seconds_;
    bool record_full_ = false;
};
