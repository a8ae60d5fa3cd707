#include "app/offline/progress.h"

#include <unistd.h>

#include <cmath>

namespace {

std::string Clock(double seconds) {
    const long total = std::lround(seconds);
    char text[32];
    if (total >= 3600)
        snprintf(text, sizeof text, "%ld:%02ld:%02ld", total / 3600, total / 60 % 60, total % 60);
    else
        snprintf(text, sizeof text, "%ld:%02ld", total / 60, total % 60);
    return text;
}

}  // namespace

std::string ProgressText(const std::string& what, uint64_t done, uint64_t total, double seconds) {
    const int percent = total > 0 ? static_cast<int>(done * 100 / total) : 100;
    const double fps = seconds > 0 && done > 0 ? static_cast<double>(done) / seconds : 0.0;
    const std::string left =
        fps > 0 ? Clock(static_cast<double>(total > done ? total - done : 0) / fps) : "--:--";
    char text[256];
    snprintf(text, sizeof text, ": %d%% %llu/%llu frames, %.1f fps, %s left", percent,
             static_cast<unsigned long long>(done), static_cast<unsigned long long>(total), fps,
             left.c_str());
    return what + text;
}

ProgressLine::ProgressLine(std::string what, uint64_t total, FILE* out)
    : what_(std::move(what)),
      total_(total),
      out_(out),
      terminal_(isatty(fileno(out)) != 0),
      start_(Clock::now()),
      last_write_(start_) {}

ProgressLine::~ProgressLine() {
    if (line_open_) {
        fputc('\n', out_);
        fflush(out_);
    }
}

double ProgressLine::Seconds() const {
    return std::chrono::duration<double>(Clock::now() - start_).count();
}

void ProgressLine::Update(uint64_t done) {
    const Clock::time_point now = Clock::now();
    const auto interval = terminal_ ? std::chrono::milliseconds(200) : std::chrono::seconds(5);
    if (now - last_write_ < interval) return;
    last_write_ = now;
    const std::string text = ProgressText(what_, done, total_, Seconds());
    if (terminal_) {
        // Back to the start of the line, the text, then erase what is left
        // of a longer earlier text.
        fprintf(out_, "\r%s\033[K", text.c_str());
        line_open_ = true;
    } else {
        fprintf(out_, "%s\n", text.c_str());
    }
    fflush(out_);
}

void ProgressLine::Finish(const std::string& summary) {
    if (line_open_) fputs("\r\033[K", out_);
    line_open_ = false;
    if (!summary.empty()) fprintf(out_, "%s\n", summary.c_str());
    fflush(out_);
}
