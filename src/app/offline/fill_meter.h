// FillMeter: how efficiently each script entry fills the picture, for
// --timedemo.
//
// Around each effect's Draw it counts the fragments the effect writes (an
// occlusion query, GL_SAMPLES_PASSED, so the depth test counts as the
// effect sets it) and times the Draw to the end of the GL's work (glFinish
// before and after, so each effect's share of the frame is its own). Over
// the run this gives, per entry, the fragments per frame and the time per
// million fragments. The same figure for one plain full-window textured
// quad (MeasureQuad, drawn the way the frames are, at their render scale)
// is the yardstick: an entry far above it spends its time on something
// other than filling pixels (vertices, state changes, shader work).
//
// Needs the GL context (occlusion queries are core since GL 1.5); makes its
// query objects once; nothing allocates per frame. Main thread only.
#pragma once

#include <GL/glew.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "app/core/frame_clock.h"
#include "timeline/effekt.h"

class DemoWindow;

class FillMeter : public EffectDrawObserver {
public:
    explicit FillMeter(size_t effect_count);
    ~FillMeter() override;
    FillMeter(const FillMeter&) = delete;
    FillMeter& operator=(const FillMeter&) = delete;

    void BeforeDraw(size_t index) override;
    void AfterDraw(size_t index) override;
    // After the frame's GL work is done: collects the frame's counts.
    void FrameDone();
    // Ends the count of a Draw that raised a failure (EndDemo), so that the
    // quad can still be measured.
    void EndInterruptedDraw();

    // `frames` frames of one full-window quad with a 512 x 512 picture of
    // its own, drawn between the window's BeginFrame and EndFrame.
    void MeasureQuad(DemoWindow& window, int frames);

    struct Figures {
        uint64_t frames = 0;     // frames that drew the entry
        uint64_t fragments = 0;  // over those frames
        double ms = 0;           // time of its Draws over those frames
        double FragmentsPerFrame() const { return frames ? double(fragments) / frames : 0; }
        // ms per million fragments; 0 without fragments
        double MsPerMillion() const { return fragments ? ms * 1e6 / double(fragments) : 0; }
    };
    const Figures& Entry(size_t index) const { return entries_[index]; }
    const Figures& Quad() const { return quad_; }

    // The table printed after the timedemo's: one row per entry that drew
    // fragments, with its multiple of the quad's time per fragment.
    std::string Format(const EffectList& effects) const;

private:
    using Clock = std::chrono::steady_clock;
    std::vector<GLuint> queries_;
    std::vector<Figures> entries_;
    std::vector<char> drawn_;  // per entry: drawn in this frame
    Figures quad_;
    Clock::time_point start_;
    bool counting_ = false;  // between BeforeDraw and AfterDraw
};
