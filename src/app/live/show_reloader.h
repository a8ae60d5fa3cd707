// Reloading the show's files while it plays (--watch).
//
// Watches every file the show has loaded (the script and whatever the
// effects recorded through platform/asset_reload.h: pictures, shaders,
// meshes, the clip) and, once a change has settled (ChangeDebouncer), loads
// it again between two frames:
//   - an asset file: every asset made from it reloads in place;
//   - the script: it is read again, keeping the effects of unchanged
//     entries (timeline/script_reload.h) and constructing the rest; the new
//     list replaces the old, whose other effects are destroyed. The music
//     path and start offset of a changed header are not taken over: the
//     music plays on, and a line says they count from the next start.
// A file that no longer loads keeps its last good version running (the
// failure is caught here, never reaching the entry point) and becomes a
// message, the first line of the error (after "<path>: " when it does not
// name the file itself), until the file loads again; the whole
// error goes to standard error at each failed attempt. A successful reload
// writes one line to standard error.
//
// Turn asset reloading on (EnableAssetReloading, EnableStableUniforms) before
// anything loads. Needs the GL context current; main thread only. Poll()
// allocates nothing while no file changes.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/file_watcher.h"
#include "timeline/effekt.h"
#include "timeline/script.h"

class FramePresenter;

class ShowReloader {
public:
    ShowReloader(std::string script_path, EffectLookup lookup);

    // Reads the script at start-up, the loading screen rising on `presenter`
    // (null: nothing drawn). Raises what reading the script raises.
    void LoadScript(EffectList& effects, std::string& music_path, uint32_t& start_offset,
                    FramePresenter* presenter);

    // Takes in what the watcher saw and reloads the files whose changes have
    // settled. True when the effect list was replaced.
    bool Poll(EffectList& effects);
    // Reloads one file now, whatever the watcher says. True when the effect
    // list was replaced.
    bool Reload(const std::string& path, EffectList& effects);

    // Also watches `path`, a file no effect loads (the tweaks file): when it
    // changes, `reload` runs between two frames.
    void WatchFile(const std::string& path, std::function<void()> reload);

    // One line per file that does not load, in the order they failed.
    const std::vector<std::string>& Messages() const { return lines_; }
    // The files watched (normalised), the script last.
    std::vector<std::string> WatchedFiles() const;

private:
    bool ReloadScript(EffectList& effects);
    void Problem(const std::string& path, const std::string& text);
    void Solved(const std::string& path);
    // Drops the problems of files that no effect uses any more.
    void ForgetUnusedFiles();
    void UpdateLines();

    std::string script_path_;    // as given
    std::string script_normal_;  // normalised
    EffectLookup lookup_;
    std::string music_path_;
    uint32_t start_offset_ = 0;
    std::vector<std::string> texts_;  // entry texts, parallel to the effect list

    FileWatcher watcher_;
    ChangeDebouncer debouncer_;
    uint64_t files_version_ = UINT64_MAX;
    std::vector<std::string> changed_;  // reused from poll to poll
    std::vector<std::string> due_;

    struct FileProblem {
        std::string path;  // normalised
        std::string text;
    };
    std::vector<FileProblem> problems_;
    struct OtherFile {
        std::string path;  // normalised
        std::function<void()> reload;
    };
    std::vector<OtherFile> others_;
    std::vector<std::string> lines_;
};

// A normalised path as the script names it: relative to the show folder
// (platform/show_folder.h) when it lies inside it.
std::string ShownPath(const std::string& normal_path);
