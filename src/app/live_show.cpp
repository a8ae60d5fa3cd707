#include "app/live_show.h"

#include <GL/glew.h>
#include <SDL/SDL.h>

#include "app/frame_clock.h"
#include "platform/asset_reload.h"
#include "platform/debug_output.h"
#include "platform/tweak_panel.h"
#include "render/stable_uniforms.h"

namespace {

// The music begins at the start offset: earlier demo times are never heard.
void WarnBeforeOffset(const char* what, uint32_t demo_time, uint32_t start_offset) {
    if (demo_time >= start_offset) return;
    DebugOutputFormat(
        "%s %u ms lies before the script's start offset of %u ms, where the music "
        "begins; playing from there\n",
        what, demo_time, start_offset);
}

}  // namespace

LiveShow::LiveShow(const LiveOptions& options, DemoWindow& window, EffectLookup lookup,
                   std::string script_path)
    : options_(options), window_(window), lookup_(lookup), script_path_(std::move(script_path)) {
    if (options_.watch) {
        EnableAssetReloading();
        EnableStableUniforms();
        reloader_ = std::make_unique<ShowReloader>(script_path_, lookup_);
    }
}

LiveShow::~LiveShow() { window_.SetEventFilter(nullptr); }

void LiveShow::LoadScript(EffectList& effects, std::string& music_path, uint32_t& start_offset) {
    if (reloader_) {
        reloader_->LoadScript(effects, music_path, start_offset, &window_);
    } else {
        LoadDemoScript(effects, window_, music_path, start_offset, lookup_, script_path_.c_str());
    }
}

bool LiveShow::ReloadChanges(EffectList& effects) {
    if (!reloader_ || !reloader_->Poll(effects)) return false;
    if (options_.tweak) bars_.Sync(effects);
    active_.reserve(effects.size());
    return true;
}

void LiveShow::DrawOverlay(const EffectList& effects, uint32_t demo_time) {
    active_.clear();
    if (options_.tweak && input_.Shown()) bars_.Active(effects, demo_time, active_);
    DrawTweakPanels(active_, reloader_ ? reloader_->Messages() : no_messages_);
}

void LiveShow::Run(EffectList& effects, MusicClock& music, uint32_t start_offset) {
    Playback playback(music, start_offset, options_.loop, options_.Any());
    if (options_.loop) WarnBeforeOffset("--loop", options_.loop->from, start_offset);
    if (options_.start_ms) WarnBeforeOffset("--start", *options_.start_ms, start_offset);
    // A loop starts at its beginning unless --start says otherwise.
    if (options_.start_ms || options_.loop)
        playback.StartAt(options_.start_ms ? *options_.start_ms : options_.loop->from);
    if (options_.tweak) {
        bars_.Sync(effects);
        active_.reserve(effects.size());
        SDL_EnableUNICODE(1);  // typed characters for the panel's fields
        window_.SetEventFilter(&input_);
    }
    const bool overlay = options_.tweak || options_.watch;

    float spectrum[kSpectrumBins];
    while (!window_.QuitRequested()) {
        if (options_.watch) ReloadChanges(effects);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        PlaybackKeys keys;
        keys.forward = window_.SeekForwardRequested();
        keys.back = window_.SeekBackRequested();
        keys.pause = window_.PauseRequested();
        const uint32_t t = playback.Frame(keys);
        music.Spectrum(spectrum);
        DrawActiveEffects(effects, t, BeatLevel(spectrum));
        if (overlay) DrawOverlay(effects, t);
        window_.SwapAndPoll();
    }
    window_.SetEventFilter(nullptr);
}
