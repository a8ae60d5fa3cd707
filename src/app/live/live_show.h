// The show in real time: the frame loop, with the authoring options.
//
// With none of them each frame clears, applies the seek keys, turns the music
// position into the demo time and the spectrum into the beat level, draws
// the effects whose window holds the demo time, and swaps: the show as it
// always was. The options add, in this order within a frame:
//   --watch  changed files are reloaded before the frame is drawn
//            (ShowReloader); their problems are shown as lines of text;
//   --start / --loop  playback starts at a demo time / repeats a range
//            (Playback); with any option Space pauses and resumes;
//   --tweak  after every effect, the tweak panel: a bar for each effect drawn
//            in this frame that registers variables (EffectTweakBars), with
//            the window's pointer and keys routed to it (PanelInput); F1
//            hides and shows it;
//   --stats  after the panel, the stats overlay (FrameStats): frame rate,
//            frame times, render scale, the entries on screen; F2 shows
//            and hides it (also without --stats); at the end of play the
//            slowest 10-second stretches go to standard error.
// The effects draw between the window's BeginFrame and EndFrame (the render
// scale); the panel, the messages and the overlay are drawn after, at the
// window's size, and leave the GL state as they found it; nothing is drawn
// for them when there is nothing to show.
//
// Construct it after the GL context is ready (it turns asset reloading and
// stable uniform locations on for --watch, before anything loads), then
// LoadScript, then Run. Tests and benchmarks may drive the pieces of a frame
// (ReloadChanges, DrawOverlay) themselves without a window. Needs a current
// GL context; main thread only.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/core/demo_window.h"
#include "app/live/effect_tweak_bars.h"
#include "app/live/frame_stats.h"
#include "app/live/panel_input.h"
#include "app/live/playback.h"
#include "app/live/show_reloader.h"
#include "platform/audio.h"
#include "timeline/effekt.h"
#include "timeline/script.h"

struct LiveOptions {
    bool tweak = false;
    bool watch = false;
    std::optional<uint32_t> start_ms;
    std::optional<LoopRange> loop;
    bool stats = false;
    bool Any() const { return tweak || watch || start_ms || loop; }
};

class LiveShow {
public:
    LiveShow(const LiveOptions& options, EffectLookup lookup,
             std::string script_path = "data/demo.txt");
    LiveShow(const LiveShow&) = delete;
    LiveShow& operator=(const LiveShow&) = delete;

    // Reads the script at start-up, the loading screen rising on `presenter`
    // (null: none).
    void LoadScript(EffectList& effects, std::string& music_path, uint32_t& start_offset,
                    FramePresenter* presenter);
    // Plays until Escape (or until a failure is raised).
    void Run(EffectList& effects, MusicClock& music, uint32_t start_offset, DemoWindow& window);

    // The pieces of a frame, for Run, tests and benchmarks:
    // reloads what changed (--watch); true when the effect list was replaced.
    bool ReloadChanges(EffectList& effects);
    // Gives the effects their tweak bars (--tweak); again after the list
    // changed.
    void SyncBars(const EffectList& effects);
    // The panel and the messages, after the effects of demo time t.
    void DrawOverlay(const EffectList& effects, uint32_t demo_time);
    // The stats overlay for the frame at demo time t, after the panel.
    void DrawStats(const EffectList& effects, uint32_t demo_time, const DemoWindow& window);
    // Counts a frame shown `seconds` after play began, at `scale`.
    void CountFrame(double seconds, float scale) { stats_.AddFrame(seconds, scale); }
    const FrameStats& Stats() const { return stats_; }

    ShowReloader* Reloader() { return reloader_.get(); }
    const EffectTweakBars& Bars() const { return bars_; }
    PanelInput& Input() { return input_; }

private:
    LiveOptions options_;
    EffectLookup lookup_;
    std::string script_path_;
    std::unique_ptr<ShowReloader> reloader_;
    EffectTweakBars bars_;
    PanelInput input_;
    std::vector<const TweakBar*> active_;
    FrameStats stats_;
    std::vector<const char*> on_screen_;  // entry names for the stats overlay
    const std::vector<std::string> no_messages_;
};
