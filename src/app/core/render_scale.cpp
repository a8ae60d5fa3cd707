#include "app/core/render_scale.h"

#include <GL/glew.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <strings.h>

#include "render/drawing_buffer.h"

namespace {

constexpr int kDownFrames = 4;
constexpr int kUpFrames = 8;
constexpr double kDownAbove = 1.1;  // of the budget
constexpr double kDownTarget = 0.85;
constexpr double kUpBelow = 0.75;
constexpr double kLongestUpHoldMs = 24000;
constexpr double kBounceMs = 3000;  // a step down this soon after a step up takes it back
constexpr double kCalmMs = 30000;   // without a bounce, the hold time starts afresh

}  // namespace

bool ParseRenderScale(const char* text, RenderScale& scale) {
    if (!text || !*text) return false;
    if (std::strcmp(text, "auto") == 0) {
        scale.automatic = true;
        scale.value = 1.0f;
        return true;
    }
    errno = 0;
    char* end = nullptr;
    const double v = std::strtod(text, &end);
    if (errno != 0 || end == text || *end != '\0' || !std::isfinite(v) || v < kSmallestScale ||
        v > 1.0)
        return false;
    scale.automatic = false;
    scale.value = static_cast<float>(v);
    return true;
}

bool IsSoftwareRenderer(const char* renderer) {
    if (!renderer) return false;
    // Mesa's classic swrast calls itself "Software Rasterizer".
    for (const char* name : {"llvmpipe", "softpipe", "swrast", "Software Rasterizer"}) {
        const size_t n = std::strlen(name);
        for (const char* p = renderer; *p; ++p)
            if (strncasecmp(p, name, n) == 0) return true;
    }
    return false;
}

double FrameBudgetMs(int refresh_hz, bool vertical_sync) {
    if (!vertical_sync || refresh_hz <= 0) return 1000.0 / 60.0;
    return 1000.0 / refresh_hz;
}

double AutoScale::Median() const {
    std::array<double, kSamples> sorted = samples_;
    const int n = std::min(count_, kSamples);
    std::nth_element(sorted.begin(), sorted.begin() + n / 2, sorted.begin() + n);
    return sorted[n / 2];
}

bool AutoScale::StepTo(int level) {
    level = std::clamp(level, 0, static_cast<int>(kLevels.size()) - 1);
    if (level == level_) return false;
    level_ = level;
    count_ = 0;
    since_change_ms_ = 0;
    return true;
}

bool AutoScale::AddFrame(double drawing_ms) {
    if (!(drawing_ms >= 0)) drawing_ms = 0;  // a NaN or a clock step says nothing
    samples_[count_ % kSamples] = drawing_ms;
    ++count_;
    since_change_ms_ += drawing_ms;
    since_up_ms_ += drawing_ms;
    since_bounce_ms_ += drawing_ms;
    if (since_bounce_ms_ > kCalmMs) up_hold_ms_ = kFirstUpHoldMs;

    const int last = static_cast<int>(kLevels.size()) - 1;
    const double scale = kLevels[level_];
    if (count_ >= kDownFrames && level_ < last) {
        const double median = Median();
        if (median > kDownAbove * budget_ms_) {
            // Time grows with the pixels: the scale that fits is
            // scale x sqrt(target / median).
            const double fits = scale * std::sqrt(kDownTarget * budget_ms_ / median);
            int level = level_ + 1;
            while (level < last && kLevels[level] > fits + 1e-6) ++level;
            if (since_up_ms_ < kBounceMs) {
                up_hold_ms_ = std::min(up_hold_ms_ * 2, kLongestUpHoldMs);
                since_bounce_ms_ = 0;
            }
            return StepTo(level);
        }
    }
    if (count_ >= kUpFrames && level_ > 0 && since_change_ms_ >= up_hold_ms_) {
        const double up = kLevels[level_ - 1] / scale;
        if (Median() * up * up <= kUpBelow * budget_ms_) {
            since_up_ms_ = 0;
            return StepTo(level_ - 1);
        }
    }
    return false;
}

FrameScale::FrameScale(const RenderScale& choice, int window_width, int window_height,
                       double budget_ms) {
    const float largest = choice.automatic ? AutoScale::kLevels[1] : choice.value;
    buffer_ = std::make_unique<DrawingBuffer>(window_width, window_height, largest);
    if (choice.automatic)
        autoscale_.emplace(budget_ms);
    else
        buffer_->SetScale(choice.value);
}

FrameScale::~FrameScale() = default;

void FrameScale::Begin() {
    if (autoscale_) begin_ = std::chrono::steady_clock::now();
    buffer_->Begin();
}

void FrameScale::End() {
    buffer_->End();
    if (!autoscale_) return;
    if (buffer_->Failed()) {
        // Nothing to choose from any more: every frame goes to the window.
        autoscale_.reset();
        return;
    }
    glFinish();
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin_)
            .count();
    if (autoscale_->AddFrame(ms)) buffer_->SetScale(autoscale_->Scale());
}

float FrameScale::Scale() const { return buffer_->Scale(); }
int FrameScale::DrawnWidth() const { return buffer_->Width(); }
int FrameScale::DrawnHeight() const { return buffer_->Height(); }
