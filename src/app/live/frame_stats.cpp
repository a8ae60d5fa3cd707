#include "app/live/frame_stats.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

FrameStats::FrameStats(bool record) : record_(record) {
    if (record_) seconds_.reserve(kRecordSeconds);
}

int FrameStats::Index(int back) const { return (count_ - 1 - back) % kRecent; }

void FrameStats::AddFrame(double seconds, float scale) {
    const float ms = count_ > 0 ? static_cast<float>((seconds - last_seconds_) * 1000.0) : 0.0f;
    if (count_ == 0) first_seconds_ = seconds;
    recent_[count_ % kRecent] = Frame{seconds, ms};
    ++count_;
    last_seconds_ = seconds;
    if (!record_) return;
    const double played = std::max(0.0, seconds - first_seconds_);
    if (played >= kRecordSeconds) {
        record_full_ = true;
        return;
    }
    const size_t second = static_cast<size_t>(played);
    if (seconds_.size() <= second) seconds_.resize(second + 1);  // within the reserve
    Second& s = seconds_[second];
    ++s.frames;
    s.smallest_scale = std::min(s.smallest_scale, scale);
    s.largest_scale = std::max(s.largest_scale, scale);
}

float FrameStats::FramesPerSecond() const {
    int n = 0;
    while (n < std::min(count_, kRecent) && recent_[Index(n)].seconds > last_seconds_ - 1.0) ++n;
    return static_cast<float>(n);
}

float FrameStats::LatestMs() const { return count_ > 0 ? recent_[Index(0)].ms : 0.0f; }

int FrameStats::GraphCount() const {
    // The first frame has no time of its own.
    const int limit = std::min(count_ - 1, kRecent);
    int n = 0;
    while (n < limit && recent_[Index(n)].seconds > last_seconds_ - 2.0) ++n;
    return n;
}

float FrameStats::RecentMs(int back) const { return recent_[Index(back)].ms; }

std::vector<FrameStats::Stretch> FrameStats::SlowestStretches(int count, int seconds) const {
    std::vector<Stretch> all;
    const int whole = std::min(static_cast<int>(last_seconds_ - first_seconds_),
                               static_cast<int>(seconds_.size()));
    if (whole < 1 || seconds < 1) return all;
    const int span = std::min(seconds, whole);
    for (int from = 0; from + span <= whole; ++from) {
        Stretch s;
        s.from_s = from;
        s.to_s = from + span;
        int frames = 0;
        bool any = false;
        for (int i = from; i < from + span; ++i) {
            const Second& second = seconds_[static_cast<size_t>(i)];
            frames += second.frames;
            if (second.frames == 0) continue;
            s.smallest_scale =
                any ? std::min(s.smallest_scale, second.smallest_scale) : second.smallest_scale;
            s.largest_scale =
                any ? std::max(s.largest_scale, second.largest_scale) : second.largest_scale;
            any = true;
        }
        s.frames_per_second = static_cast<double>(frames) / span;
        all.push_back(s);
    }
    std::stable_sort(all.begin(), all.end(), [](const Stretch& a, const Stretch& b) {
        return a.frames_per_second < b.frames_per_second;
    });
    std::vector<Stretch> chosen;
    for (const Stretch& s : all) {
        if (static_cast<int>(chosen.size()) >= count) break;
        const bool overlaps = std::any_of(chosen.begin(), chosen.end(), [&](const Stretch& c) {
            return s.from_s < c.to_s && c.from_s < s.to_s;
        });
        if (!overlaps) chosen.push_back(s);
    }
    return chosen;
}

std::string FrameStats::Report() const {
    char line[256];
    const double played = last_seconds_ - first_seconds_;
    snprintf(line, sizeof line, "Stats: %d frames in %.1f s of play, %.1f frames per second\n",
             count_, played, played > 0 ? (count_ - 1) / played : 0.0);
    std::string text = line;
    const std::vector<Stretch> slowest = SlowestStretches(3);
    if (!slowest.empty()) text += "Slowest 10-second stretches:\n";
    for (const Stretch& s : slowest) {
        if (s.smallest_scale == s.largest_scale)
            snprintf(line, sizeof line, "  %d-%d s: %.1f fps at scale %.3g\n", s.from_s, s.to_s,
                     s.frames_per_second, s.smallest_scale);
        else
            snprintf(line, sizeof line, "  %d-%d s: %.1f fps at scale %.3g to %.3g\n", s.from_s,
                     s.to_s, s.frames_per_second, s.smallest_scale, s.largest_scale);
        text += line;
    }
    if (record_full_) text += "(only the first three hours of play are counted)\n";
    return text;
}
