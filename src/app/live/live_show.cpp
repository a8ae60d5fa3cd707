#include "app/live/live_show.h"

#include <GL/glew.h>
#include <SDL/SDL.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>

#include "app/core/frame_clock.h"
#include "app/core/show_frame.h"
#include "platform/asset_reload.h"
#include "platform/debug_output.h"
#include "platform/failure.h"
#include "platform/stats_overlay.h"
#include "platform/tweak_panel.h"
#include "render/stable_uniforms.h"

namespace {

struct NoPresenter : FramePresenter {
    void SwapAndPoll() override {}
};

// The music begins at the start offset: earlier demo times are never heard.
void WarnBeforeOffset(const char* what, uint32_t demo_time, uint32_t start_offset) {
    if (demo_time >= start_offset) return;
    DebugOutputFormat(
        "%s %u ms lies before the script's start offset of %u ms, where the music "
        "begins; playing from there\n",
        what, demo_time, start_offset);
}

// Demo times past the end of the music are never heard either: the music
// wraps round to its start.
void WarnPastTheMusic(const char* what, uint32_t demo_time, uint32_t start_offset,
                      const MusicClock& music) {
    if (music.Length() <= 0 || MusicPositionFor(demo_time, start_offset) < music.Length()) return;
    DebugOutputFormat(
        "%s %u ms lies past the end of the music (%.0f ms with the start offset); the music "
        "wraps round to its start\n",
        what, demo_time, music.Length() * 1000.0 + start_offset);
}

// The loop as played over the effects: a loop over an EndDemo entry goes
// back to FROM where that entry would end the show instead of at TO (one
// drawn at FROM already leaves it as it is: the show ends there). Said on
// standard error when it is cut short, and again when a reload changes that.
std::optional<LoopRange> PlayedLoop(const std::optional<LoopRange>& loop, const EffectList& effects,
                                    uint32_t& said_to) {
    if (!loop) return loop;
    LoopRange played = *loop;
    if (const std::optional<uint32_t> end = FirstEndOfShow(effects, loop->from, loop->to))
        played.to = *end;
    if (played.to != loop->to && played.to != said_to)
        DebugOutputFormat(
            "--loop %u:%u goes back at %u ms, where an EndDemo entry would end the show\n",
            loop->from, loop->to, played.to);
    said_to = played.to;
    return played;
}

// Keeps the panel's input routing on the window for the time of the loop.
class FilterScope {
public:
    FilterScope(DemoWindow& window, WindowEventFilter* filter) : window_(window) {
        window_.SetEventFilter(filter);
    }
    ~FilterScope() { window_.SetEventFilter(nullptr); }
    FilterScope(const FilterScope&) = delete;
    FilterScope& operator=(const FilterScope&) = delete;

private:
    DemoWindow& window_;
};

}  // namespace

LiveShow::LiveShow(const LiveOptions& options, EffectLookup lookup, std::string script_path)
    : options_(options),
      lookup_(lookup),
      script_path_(std::move(script_path)),
      tweaks_(TweaksPathFor(script_path_), ShownPath(NormalAssetPath(TweaksPathFor(script_path_)))),
      stats_(options.stats) {
    if (options_.watch) {
        EnableAssetReloading();
        EnableStableUniforms();
        reloader_ = std::make_unique<ShowReloader>(script_path_, lookup_);
        reloader_->WatchFile(tweaks_.Path(), [this]() {
            if (tweaks_.Load()) DebugOutputFormat("Reloaded %s\n", tweaks_.Name().c_str());
        });
    }
}

void LiveShow::LoadScript(EffectList& effects, std::string& music_path, uint32_t& start_offset,
                          FramePresenter* presenter) {
    if (reloader_) {
        reloader_->LoadScript(effects, music_path, start_offset, presenter);
    } else if (presenter) {
        LoadDemoScript(effects, *presenter, music_path, start_offset, lookup_,
                       script_path_.c_str());
    } else {
        NoPresenter none;
        LoadDemoScript(effects, none, music_path, start_offset, lookup_, script_path_.c_str());
    }
    SyncBars(effects);
    tweaks_.Load();
}

bool LiveShow::ReloadChanges(EffectList& effects) {
    if (!reloader_ || !reloader_->Poll(effects)) return false;
    SyncBars(effects);
    return true;
}

void LiveShow::SyncBars(const EffectList& effects) {
    tweaks_.Sync(effects);
    on_screen_.reserve(effects.size());
    if (!options_.tweak) return;
    active_.reserve(effects.size());
    strip_bars_.clear();
    for (const auto& effect : effects) {
        TimelineBar bar;
        bar.start = effect->StartTime();
        bar.end = effect->EndTime();
        bar.keyword = effect->Keyword().empty() ? "Effect" : effect->Keyword().c_str();
        if (kind_of_) bar.kind = kind_of_(effect->Keyword());
        strip_bars_.push_back(bar);
    }
    strip_lanes_ = AssignTimelineLanes(strip_bars_);
}

void LiveShow::DrawFrame(const EffectList& effects, uint32_t demo_time,
                         const float spectrum[kSpectrumBins]) {
    const float beat = DrawShowFrame(effects, tweaks_, demo_time, spectrum);
    if (options_.tweak) beats_.Add(demo_time, beat);
}

namespace {

bool SameLines(const std::vector<std::string>& shown, const std::vector<std::string>& a,
               const std::vector<std::string>& b) {
    if (shown.size() != a.size() + b.size()) return false;
    return std::equal(a.begin(), a.end(), shown.begin()) &&
           std::equal(b.begin(), b.end(), shown.begin() + static_cast<long>(a.size()));
}

}  // namespace

// Rebuilt only when a line changed: a steady frame allocates nothing.
void LiveShow::UpdateMessages() {
    static const std::vector<std::string> none;
    const std::vector<std::string>& files = reloader_ ? reloader_->Messages() : none;
    const std::vector<std::string>& tweaks = tweaks_.Messages();
    if (SameLines(messages_, files, tweaks)) return;
    messages_ = files;
    messages_.insert(messages_.end(), tweaks.begin(), tweaks.end());
}

void LiveShow::UpdateStrip(uint32_t demo_time) {
    strip_.first = start_offset_;
    strip_.last =
        static_cast<uint32_t>(std::min<uint64_t>(uint64_t{start_offset_} + music_ms_, UINT32_MAX));
    if (music_ms_ == 0) {
        // No music to measure by: the entries' span.
        strip_.first = UINT32_MAX;
        strip_.last = 0;
        for (const TimelineBar& bar : strip_bars_) {
            strip_.first = std::min(strip_.first, bar.start);
            strip_.last = std::max(strip_.last, bar.end);
        }
        if (strip_.first >= strip_.last) strip_.first = 0, strip_.last = 1000;
    }
    strip_.now = demo_time;
    strip_.has_loop = loop_.has_value();
    if (loop_) strip_.loop_from = loop_->from, strip_.loop_to = loop_->to;
    strip_.bars = strip_bars_.data();
    strip_.bar_count = strip_bars_.size();
    strip_.lanes = strip_lanes_;
    strip_.keys = tweaks_.KeyTimes().data();
    strip_.key_count = tweaks_.KeyTimes().size();
    strip_.beats = &beats_;
    strip_.status = status_;
}

void LiveShow::DrawOverlay(const EffectList& effects, uint32_t demo_time) {
    active_.clear();
    UpdateMessages();
    TweakPanelFrame frame;
    frame.bars = &active_;
    frame.messages = &messages_;
    const bool panel = options_.tweak && input_.Shown();
    if (panel) {
        tweaks_.Bars().Active(effects, demo_time, active_);
        tweaks_.BeginEdits(demo_time);
        frame.keys = &tweaks_;
        UpdateStrip(demo_time);
        frame.strip = &strip_;
        frame.strip_input = &strip_input_;
    }
    strip_input_ = TimelineStripInput();
    DrawTweakPanelFrame(frame);
    if (panel) tweaks_.EndEdits(TweakPanelEditing());
}

bool LiveShow::SaveTweaks() {
    std::string error;
    const bool saved = tweaks_.Save(error);
    if (saved) {
        const std::time_t now = std::time(nullptr);
        char clock[16] = "";
        std::strftime(clock, sizeof clock, "%H:%M:%S", std::localtime(&now));
        std::snprintf(status_, sizeof status_, "Saved %s at %s", tweaks_.Name().c_str(), clock);
        DebugOutputFormat("Saved %s\n", tweaks_.Name().c_str());
    } else {
        std::snprintf(status_, sizeof status_, "%s NOT saved (see the message above)",
                      tweaks_.Name().c_str());
    }
    return saved;
}

void LiveShow::Act(Playback& playback, const EffectList& effects) {
    if (input_.TakeSaveRequest() || strip_input_.save) SaveTweaks();
    if (strip_input_.seek) playback.StartAt(strip_input_.seek_to);
    if (strip_input_.loop_changed) {
        loop_.reset();
        if (strip_input_.has_loop) loop_ = LoopRange{strip_input_.loop_from, strip_input_.loop_to};
        playback.SetLoop(PlayedLoop(loop_, effects, said_loop_to_));
    }
}

namespace {

float StatsFrameMs(void* data, int index) {
    const auto* view = static_cast<const std::pair<const FrameStats*, int>*>(data);
    return view->first->RecentMs(view->second - 1 - index);
}

}  // namespace

void LiveShow::DrawStats(const EffectList& effects, uint32_t demo_time, const DemoWindow& window) {
    on_screen_.clear();
    for (const auto& effect : effects)
        if (effect->IsActiveAt(demo_time))
            on_screen_.push_back(effect->Keyword().empty() ? effect->Name().c_str()
                                                           : effect->Keyword().c_str());
    std::pair<const FrameStats*, int> graph(&stats_, stats_.GraphCount());
    StatsOverlayView view;
    view.frames_per_second = stats_.FramesPerSecond();
    view.latest_ms = stats_.LatestMs();
    view.frame_ms = StatsFrameMs;
    view.data = &graph;
    view.frame_count = graph.second;
    const FrameScale* scaling = window.Scaling();
    view.scale = scaling ? scaling->Scale() : 1.0f;
    view.automatic = scaling && scaling->Automatic();
    view.drawn_width = scaling ? scaling->DrawnWidth() : window.Width();
    view.drawn_height = scaling ? scaling->DrawnHeight() : window.Height();
    view.entries = on_screen_.data();
    view.entry_count = static_cast<int>(on_screen_.size());
    DrawStatsOverlay(view);
}

void LiveShow::Run(EffectList& effects, MusicClock& music, uint32_t start_offset,
                   DemoWindow& window) {
    // The loop as played: --loop, or what Shift+drag on the strip sets,
    // turning back before an EndDemo entry inside it.
    loop_ = options_.loop;
    said_loop_to_ = loop_ ? loop_->to : 0;
    Playback playback(music, start_offset, PlayedLoop(loop_, effects, said_loop_to_),
                      options_.Any());
    start_offset_ = start_offset;
    music_ms_ = static_cast<uint64_t>(std::ceil(music.Length() * 1000.0));
    std::snprintf(status_, sizeof status_, "%s", tweaks_.Name().c_str());
    if (options_.loop) {
        WarnBeforeOffset("--loop", options_.loop->from, start_offset);
        WarnPastTheMusic("--loop", options_.loop->from, start_offset, music);
    }
    if (options_.start_ms) {
        WarnBeforeOffset("--start", *options_.start_ms, start_offset);
        WarnPastTheMusic("--start", *options_.start_ms, start_offset, music);
    }
    // A loop starts at its beginning unless --start says otherwise.
    if (options_.start_ms || options_.loop)
        playback.StartAt(options_.start_ms ? *options_.start_ms : options_.loop->from);
    SyncBars(effects);
    // Typed characters for the panel's fields.
    if (options_.tweak) SDL_EnableUNICODE(1);
    FilterScope routing(window, options_.tweak ? &input_ : nullptr);
    const bool overlay = options_.tweak || options_.watch;

    bool stats_shown = options_.stats;
    const auto play_start = std::chrono::steady_clock::now();
    float spectrum[kSpectrumBins];
    try {
        while (!window.QuitRequested()) {
            if (window.StatsToggleRequested()) stats_shown = !stats_shown;
            if (options_.watch && ReloadChanges(effects) && loop_)
                playback.SetLoop(PlayedLoop(loop_, effects, said_loop_to_));
            window.BeginFrame();
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
            PlaybackKeys keys;
            keys.forward = window.SeekForwardRequested();
            keys.back = window.SeekBackRequested();
            keys.pause = window.PauseRequested();
            const uint32_t t = playback.Frame(keys);
            music.Spectrum(spectrum);
            DrawFrame(effects, t, spectrum);
            window.EndFrame();
            if (overlay) DrawOverlay(effects, t);
            if (options_.tweak) Act(playback, effects);
            if (stats_shown) DrawStats(effects, t, window);
            window.SwapAndPoll();
            const std::chrono::duration<double> played =
                std::chrono::steady_clock::now() - play_start;
            stats_.AddFrame(played.count(), window.Scaling() ? window.Scaling()->Scale() : 1.0f);
        }
    } catch (const DemoFailure&) {
        // "End of show" and "You quit?" end play too.
        if (options_.stats) DebugOutput(stats_.Report().c_str());
        throw;
    }
    if (options_.stats) DebugOutput(stats_.Report().c_str());
}
