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
//            key buttons (ShowTweaks), and the timeline strip along the
//            bottom (a click seeks, Shift+drag sets the loop); the window's
//            pointer and keys are routed to it (PanelInput); F1 hides and
//            shows it; Ctrl+S or the strip's Save button writes the tweaks
//            file;
//   --stats  after the panel, the stats overlay (FrameStats): frame rate,
//            frame times, render scale, the entries on screen; F2 shows
//            and hides it (also without --stats); at the end of play the
//            slowest 10-second stretches go to standard error.
// The effects draw between the window's BeginFrame and EndFrame (the render
// scale); the panel, the messages and the overlay are drawn after, at the
// window's size, and leave the GL state as they found it; nothing is drawn
// for them when there is nothing to show.
// In every mode the show's tweaks (the tweaks file beside the script, with
// its keys) are read right after the script and applied at the start of
// each frame (DrawShowFrame); --watch reloads the tweaks file too. The
// offline modes take them from Tweaks().
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
#include "app/core/effect_tweak_bars.h"
#include "app/core/show_tweaks.h"
#include "app/live/frame_stats.h"
#include "app/live/panel_input.h"
#include "app/live/playback.h"
#include "app/live/show_reloader.h"
#include "platform/audio.h"
#include "platform/timeline_strip.h"
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
    // (null: none), then the tweaks file.
    void LoadScript(EffectList& effects, std::string& music_path, uint32_t& start_offset,
                    FramePresenter* presenter);
    // What colours an entry's bar on the timeline strip (default: Other).
    void SetEntryKinds(TimelineKind (*kind_of)(const std::string& keyword)) { kind_of_ = kind_of; }
    // Plays until Escape (or until a failure is raised).
    void Run(EffectList& effects, MusicClock& music, uint32_t start_offset, DemoWindow& window);

    // The pieces of a frame, for Run, tests and benchmarks:
    // reloads what changed (--watch); true when the effect list was replaced.
    bool ReloadChanges(EffectList& effects);
    // Gives the effects their tweak bars and the tweaks file's values; again
    // after the list changed.
    void SyncBars(const EffectList& effects);
    // The frame's effects (DrawShowFrame), the beat level kept for the strip.
    void DrawFrame(const EffectList& effects, uint32_t demo_time,
                   const float spectrum[kSpectrumBins]);
    // The panel and the messages, after the effects of demo time t.
    void DrawOverlay(const EffectList& effects, uint32_t demo_time);
    // Writes the tweaks file; the outcome shows in the strip and, for a
    // failure, as a message.
    bool SaveTweaks();
    // What the viewer did in the strip in the last DrawOverlay.
    const TimelineStripInput& StripInput() const { return strip_input_; }
    // The stats overlay for the frame at demo time t, after the panel.
    void DrawStats(const EffectList& effects, uint32_t demo_time, const DemoWindow& window);
    // Counts a frame shown `seconds` after play began, at `scale`.
    void CountFrame(double seconds, float scale) { stats_.AddFrame(seconds, scale); }
    const FrameStats& Stats() const { return stats_; }

    ShowReloader* Reloader() { return reloader_.get(); }
    const EffectTweakBars& Bars() const { return tweaks_.Bars(); }
    ShowTweaks& Tweaks() { return tweaks_; }
    PanelInput& Input() { return input_; }
    const std::vector<std::string>& Messages() const { return messages_; }

private:
    void UpdateMessages();
    void UpdateStrip(uint32_t demo_time);
    // Save, seek and loop asked for in the frame.
    void Act(Playback& playback, const EffectList& effects);

    LiveOptions options_;
    EffectLookup lookup_;
    std::string script_path_;
    std::unique_ptr<ShowReloader> reloader_;
    ShowTweaks tweaks_;
    PanelInput input_;
    std::vector<const TweakBar*> active_;
    std::vector<std::string> messages_;  // the reloader's, then the tweaks'

    // The timeline strip.
    TimelineKind (*kind_of_)(const std::string&) = nullptr;
    std::vector<TimelineBar> strip_bars_;
    int strip_lanes_ = 1;
    uint64_t music_ms_ = 0;  // 0: unknown
    uint32_t start_offset_ = 0;
    std::optional<LoopRange> loop_;
    uint32_t said_loop_to_ = 0;  // where the played loop was last said to turn back
    BeatHistory beats_;
    char status_[160] = "";
    TimelineStripView strip_;
    TimelineStripInput strip_input_;

    FrameStats stats_;
    std::vector<const char*> on_screen_;  // entry names for the stats overlay
};
