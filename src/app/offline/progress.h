// The progress line of long offline runs (capture, export) on standard error.
//
// "Exporting show.mp4: 42% 1234/2940 frames, 85.3 fps, 0:20 left". On a
// terminal the line is rewritten in place at most five times a second; into
// a file or a pipe a new line is written every five seconds, so logs stay
// short. Finish() ends the line (terminal) and writes the closing summary.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

// The text of the line: what is being done, percent, frames done of total,
// frames per second over `seconds`, and the time left at that rate (m:ss,
// or h:mm:ss past an hour; "--:--" before there is a rate).
std::string ProgressText(const std::string& what, uint64_t done, uint64_t total, double seconds);

class ProgressLine {
public:
    // `what` starts the line ("Exporting show.mp4"); `out` is normally stderr.
    ProgressLine(std::string what, uint64_t total, FILE* out = stderr);
    // A line still open (a failure cut the run short) is ended, so that
    // what follows starts on a line of its own.
    ~ProgressLine();
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    // Reports `done` frames; writes only when the interval has passed.
    void Update(uint64_t done);
    // Ends the line, if one is open on the terminal, and writes `summary`
    // (a whole line) when it is not empty.
    void Finish(const std::string& summary);

    double Seconds() const;

private:
    using Clock = std::chrono::steady_clock;
    std::string what_;
    uint64_t total_;
    FILE* out_;
    bool terminal_;
    bool line_open_ = false;
    Clock::time_point start_;
    Clock::time_point last_write_;
};
