#include "app/show.h"

#include <GL/glew.h>
#include <GL/glu.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <new>
#include <optional>
#include <string>

#include "app/offline/capture.h"
#include "app/core/demo_window.h"
#include "app/core/display_loss.h"
#include "app/core/stop_signals.h"
#include "app/offline/export.h"
#include "app/core/frame_clock.h"
#include "app/live/live_show.h"
#include "app/setup/settings_dialog.h"
#include "app/offline/timedemo.h"
#include "app/core/window_attributes.h"
#include "platform/audio.h"
#include "platform/debug_output.h"
#include "platform/display_modes.h"
#include "platform/failure.h"
#include "platform/message_box.h"
#include "platform/show_folder.h"
#include "platform/stats_overlay.h"
#include "platform/tweak_panel.h"
#include "render/gl_guards.h"
#include "render/spectrum_texture.h"
#include "factory/factory.h"
#include "timeline/script.h"

namespace {

void SetInitialView(int width, int height) {
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(40.0, static_cast<double>(width) / static_cast<double>(height), 0.1, 1000.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

// The authoring options, which only real-time playback uses.
LiveOptions LiveOptionsOf(const Options& options) {
    LiveOptions live;
    DebugOutput(IgnoredOptionsNote(options).c_str());
    if (options.Offline()) return live;
    live.tweak = options.tweak;
    live.watch = options.watch;
    live.start_ms = LiveStart(options);
    live.loop = options.loop;
    live.stats = options.stats;
    return live;
}

// The render scale of the run. Capture, export and timedemo draw at --scale
// when it gives a number, else at 1, so the same options give the same
// pictures. Real-time play takes the viewer's choice (--scale or the
// dialog), else automatic on a software GL renderer and 1 on hardware.
RenderScale ChooseRenderScale(const Options& options, const DisplaySettings& settings,
                              bool chosen) {
    RenderScale scale;
    if (options.Offline()) {
        if (!options.scale) return scale;
        if (options.scale->automatic) {
            DebugOutput(
                "--scale auto does not change a capture, an export or a timedemo: they draw at "
                "scale 1 (--scale F draws them at F)\n");
            return scale;
        }
        return *options.scale;
    }
    if (chosen) return settings.render_scale;
    const char* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    if (IsSoftwareRenderer(renderer)) {
        scale.automatic = true;
        DebugOutputFormat(
            "The GL renderer is a software one (%s): frames are drawn at an automatic render "
            "scale to keep up with the display (--scale 1 draws them at full size)\n",
            renderer);
    }
    return scale;
}

// The options' range, or by default from the show's first frame to where the
// show can be seen to end (see DefaultCaptureEnd); a default end that is not
// simply the last entry's end is announced.
CaptureRange ChooseCaptureRange(const Options& options, const EffectList& effects,
                                const MusicClock& music, uint32_t start_offset) {
    CaptureRange range;
    range.fps = options.fps;
    range.from = options.from_ms.value_or(DemoTime(music.Position(), start_offset));
    if (options.to_ms) {
        range.to = *options.to_ms;
        return range;
    }
    const uint64_t music_ms = static_cast<uint64_t>(std::ceil(music.Length() * 1000.0));
    const CaptureEnd end = DefaultCaptureEnd(effects, range.from, start_offset, music_ms);
    range.to = end.to;
    const char* what = options.timedemo ? "Timedemo" : options.export_path ? "Export" : "Capture";
    if (end.end_demo)
        DebugOutputFormat("%s ends at %u ms, where an EndDemo entry ends the show\n", what, end.to);
    if (end.music_ends)
        DebugOutputFormat("%s ends at %u ms, where the music ends; an entry runs on past it\n",
                          what, end.to);
    if (end.capped)
        DebugOutputFormat(
            "%s ends at %u ms: the length of the music is unknown, so at most %u minutes are "
            "rendered (--to sets the end)\n",
            what, end.to, kCaptureCapMs / 60000);
    return range;
}

// What an offline run does, for its messages.
const char* OfflineVerb(const Options& options) {
    if (options.timedemo) return "play";
    return options.export_path ? "export" : "capture";
}

// Writes the failure the way the entry point reports every failure, and
// gives the exit status.
int ReportFailure(const Options& options, const DemoFailure& failure) {
    DebugOutput("Exception: ");
    DebugOutput(failure.what());
    DebugOutput("\n");
    // An unattended run, or one ended by a signal, never waits for a box
    // nobody will close.
    if (!options.Unattended() && !StopSignalReceived()) ShowErrorMessageBox(failure.text());
    return failure.IsNormalEnd() ? kExitShowEnded : kExitFailure;
}

std::string FolderOf(const std::string& program_folder, const char* relative) {
    std::string folder = (std::filesystem::path(program_folder) / relative).lexically_normal();
    if (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    return folder;
}

}  // namespace

DisplaySettings InitialDisplaySettings(const Options& options) {
    DisplaySettings settings;
    settings.windowed = options.windowed;
    if (options.width && options.height) {
        settings.width = *options.width;
        settings.height = *options.height;
        settings.size_given = true;
    }
    return settings;
}

ProgramLayout InstalledLayout(const char* name, const char* show_from_program,
                              const char* plugins_from_program) {
    ProgramLayout layout;
    layout.name = name;
    const std::string program = ProgramFolder();
    if (program.empty()) return layout;
    layout.default_show = FolderOf(program, show_from_program);
    layout.plugin_folder = FolderOf(program, plugins_from_program);
    return layout;
}

int RunShow(const Options& options, const ProgramLayout& layout) {
    // Before the sound and the window library start, which then leave the
    // signals alone.
    std::optional<StopSignals> stop_signals(std::in_place);
    // Every path of the show is read relative to its folder from here on.
    const std::string folder = options.show_dir ? *options.show_dir : layout.default_show;
    const std::string problem = folder.empty() ? "" : ShowFolderProblem(folder);
    if (!problem.empty()) return ReportFailure(options, DemoFailure(problem));
    SetShowFolder(folder);
    SetInstalledPluginFolder(layout.plugin_folder);
    const std::string script = JoinShowPath(folder, kShowScript);

    // Capture, export and timedemo render at fixed steps, without sound.
    const bool capturing = options.Offline();
    if (!capturing) InitAudioOutput();
    // The music decodes on a worker thread while the window opens and the
    // effects load.
    MusicPreload music_preload(PeekScriptMusicPath(script.c_str()));

    // The dialog opens with the command line's choices, and the viewer has
    // the last word.
    DisplaySettings settings = InitialDisplaySettings(options);
    if (options.scale)
        settings.render_scale = *options.scale;
    else if (!options.Unattended())
        settings.render_scale.automatic = IsSoftwareRenderer(ProbeGlRenderer().c_str());
    // The viewer chose the scale with --scale or in the dialog.
    bool scale_chosen = options.scale.has_value();
    if (!options.Unattended()) {
        const int answer = ShowDisplaySettingsDialog(settings);
        // A stop signal closes the dialog too: the run ends as if the window
        // had been closed.
        if (answer == 0 && StopSignalReceived())
            return ReportFailure(options, DemoFailure("You quit?", true));
        if (answer == 0) return kExitCancelled;
        if (answer == 1) scale_chosen = true;
    }
    // Capture never waits for the display: frames go to files, not the screen.
    if (capturing) {
        settings.windowed = true;
        settings.vertical_sync = false;
    }

    // Declared before the window so that the stream outlives it, as the
    // audio library does in the show it stands in for.
    std::unique_ptr<MusicClock> music;
    try {
        // A range without frames, or a video file that cannot be written,
        // fails before anything loads.
        if (capturing && options.from_ms && options.to_ms)
            RequireFrames({*options.from_ms, *options.to_ms, options.fps}, OfflineVerb(options));
        std::unique_ptr<VideoFileWriter> video;
        if (options.export_path)
            video = OpenExport(*options.export_path, settings.width, settings.height, options.fps);
        // A display lost before the export's first frame leaves no partial
        // file (the export itself completes one it has begun).
        OnDisplayLost drop_partial([&video] {
            if (video) remove(video->PartialPath().c_str());
        });
        DemoWindow window(settings);
        const GLenum glew = glewInit();
        if (glew != GLEW_OK)
            FailFormat("Error: %s\n", reinterpret_cast<const char*>(glewGetErrorString(glew)));
        if (!GLEW_VERSION_2_0) Fail("Opengl 2.0 not supported");
        SetInitialView(WindowWidth(), WindowHeight());
        CEnabler texturing(GL_TEXTURE_2D);
        const RenderScale scale = ChooseRenderScale(options, settings, scale_chosen);
        if (scale.automatic || scale.value < 1.0f) {
            const int refresh = settings.vertical_sync ? CurrentRefreshHz() : 0;
            window.UseRenderScale(scale, FrameBudgetMs(refresh, settings.vertical_sync));
        }

        EffectList effects;
        std::string music_path;
        uint32_t start_offset = 0;
        LiveShow live(LiveOptionsOf(options), FindEffectMaker, script);
        live.SetEntryKinds(EffectKindOf);
        // Also reads the tweaks file beside the script, for every mode.
        live.LoadScript(effects, music_path, start_offset, &window);
        ShowTweaks& tweaks = live.Tweaks();

        music = capturing ? music_preload.OpenOffline(music_path)
                          : music_preload.OpenStream(music_path);
        music->Play();
        music->SetPosition(static_cast<double>(start_offset));
        glClearColor(0, 0, 0, 0);

        if (capturing) {
            const CaptureRange range = ChooseCaptureRange(options, effects, *music, start_offset);
            if (options.timedemo)
                RunTimedemo(effects, tweaks, *music, start_offset, window, range, stdout);
            else if (video)
                ExportShow(*video, *options.export_path, effects, tweaks, *music, start_offset,
                           window, range);
            else
                CaptureShow(effects, tweaks, *music, start_offset, window, *options.capture_dir,
                            range);
        } else {
            live.Run(effects, *music, start_offset, window);
        }
        TweakTerminate();
        StatsOverlayTerminate();
        ReleaseSpectrumTexture();
        DestroyEffects(effects);
        return kExitShowEnded;
    } catch (const DemoFailure& failure) {
        // By now the effects, the texturing guard and the window are gone,
        // newest first, so the window has disappeared before the message.
        // A signal while the box is shown ends the process.
        stop_signals.reset();
        return ReportFailure(options, failure);
    } catch (const std::bad_alloc&) {
        // A size too large for this machine (frame buffers for the PNG
        // writers or the encoder) is said, not a crash.
        stop_signals.reset();
        return ReportFailure(
            options,
            DemoFailure("Out of memory for a window of " + std::to_string(settings.width) + "x" +
                        std::to_string(settings.height) + " (a smaller --size needs less)"));
    }
}
