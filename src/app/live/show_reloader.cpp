#include "app/live/show_reloader.h"

#include <algorithm>
#include <exception>

#include "platform/asset_reload.h"
#include "platform/debug_output.h"
#include "platform/failure.h"
#include "platform/show_folder.h"
#include "timeline/script_reload.h"

std::string ShownPath(const std::string& normal_path) {
    std::string folder = NormalAssetPath(ShowPath("."));
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    if (normal_path.size() > folder.size() + 1 &&
        normal_path.compare(0, folder.size(), folder) == 0 && normal_path[folder.size()] == '/')
        return normal_path.substr(folder.size() + 1);
    return normal_path;
}

ShowReloader::ShowReloader(std::string script_path, EffectLookup lookup)
    : script_path_(std::move(script_path)),
      script_normal_(NormalAssetPath(script_path_)),
      lookup_(lookup) {}

void ShowReloader::LoadScript(EffectList& effects, std::string& music_path, uint32_t& start_offset,
                              FramePresenter* presenter) {
    ScriptReading reading, none;
    LoadScriptEntries(script_path_.c_str(), reading, none, lookup_, presenter, false);
    music_path = music_path_ = reading.music_path;
    start_offset = start_offset_ = reading.start_offset;
    effects = std::move(reading.effects);
    texts_ = std::move(reading.texts);
    // Watched from now on, not from the first frame: a file saved in between
    // is not missed.
    watcher_.SetFiles(WatchedFiles());
    files_version_ = AssetFilesVersion();
}

std::vector<std::string> ShowReloader::WatchedFiles() const {
    std::vector<std::string> files = AssetFiles();
    for (const OtherFile& other : others_) files.push_back(other.path);
    files.push_back(script_normal_);
    return files;
}

void ShowReloader::WatchFile(const std::string& path, std::function<void()> reload) {
    others_.push_back(OtherFile{NormalAssetPath(path), std::move(reload)});
    watcher_.SetFiles(WatchedFiles());
}

bool ShowReloader::Poll(EffectList& effects) {
    if (AssetFilesVersion() != files_version_) {
        watcher_.SetFiles(WatchedFiles());
        files_version_ = AssetFilesVersion();
    }
    changed_.clear();
    watcher_.Poll(changed_);
    const uint64_t now = SteadyMilliseconds();
    for (const std::string& path : changed_) debouncer_.Changed(path, now);
    if (!debouncer_.Pending()) return false;
    due_.clear();
    debouncer_.TakeDue(now, due_);
    bool replaced = false;
    for (const std::string& path : due_) replaced = Reload(path, effects) || replaced;
    return replaced;
}

bool ShowReloader::Reload(const std::string& path, EffectList& effects) {
    const std::string normal = NormalAssetPath(path);
    if (normal == script_normal_) return ReloadScript(effects);
    for (const OtherFile& other : others_) {
        if (other.path != normal) continue;
        other.reload();
        return false;
    }
    const AssetReload result = ReloadAssetsOf(normal);
    if (result.assets == 0) {
        // No longer used by any effect: nothing to say about it either.
        Solved(normal);
        return false;
    }
    if (result.errors.empty()) {
        Solved(normal);
        DebugOutputFormat("Reloaded %s\n", ShownPath(normal).c_str());
    } else {
        Problem(normal, result.errors.front());
    }
    return false;
}

bool ShowReloader::ReloadScript(EffectList& effects) {
    ScriptReading earlier, fresh;
    earlier.effects = std::move(effects);
    earlier.texts = std::move(texts_);
    try {
        LoadScriptEntries(script_path_.c_str(), fresh, earlier, lookup_, nullptr, true);
    } catch (const std::exception& failure) {
        // Every effect taken is back in `earlier`: the show goes on with it.
        effects = std::move(earlier.effects);
        texts_ = std::move(earlier.texts);
        Problem(script_normal_, failure.what());
        return false;
    }
    const size_t dropped = earlier.effects.size() - static_cast<size_t>(fresh.kept);
    DestroyEffects(earlier.effects);
    effects = std::move(fresh.effects);
    texts_ = std::move(fresh.texts);
    if (fresh.music_path != music_path_ || fresh.start_offset != start_offset_)
        DebugOutputFormat(
            "%s: the music and the start offset are taken over at the next start; the music "
            "plays on\n",
            script_path_.c_str());
    Solved(script_normal_);
    ForgetUnusedFiles();
    DebugOutputFormat("Reloaded %s: %zu entries, %d kept, %zu built, %zu dropped\n",
                      script_path_.c_str(), effects.size(), fresh.kept,
                      effects.size() - static_cast<size_t>(fresh.kept), dropped);
    return true;
}

void ShowReloader::Problem(const std::string& path, const std::string& text) {
    DebugOutputFormat("%s cannot be reloaded; its last good version stays:\n",
                      ShownPath(path).c_str());
    DebugOutput(text.c_str());
    if (text.empty() || text.back() != '\n') DebugOutput("\n");
    for (FileProblem& p : problems_) {
        if (p.path == path) {
            p.text = text;
            UpdateLines();
            return;
        }
    }
    problems_.push_back(FileProblem{path, text});
    UpdateLines();
}

void ShowReloader::Solved(const std::string& path) {
    for (auto it = problems_.begin(); it != problems_.end(); ++it) {
        if (it->path == path) {
            problems_.erase(it);
            UpdateLines();
            return;
        }
    }
}

void ShowReloader::ForgetUnusedFiles() {
    const std::vector<std::string> files = AssetFiles();
    const size_t before = problems_.size();
    problems_.erase(std::remove_if(problems_.begin(), problems_.end(),
                                   [&](const FileProblem& p) {
                                       return p.path != script_normal_ &&
                                              std::find(files.begin(), files.end(), p.path) ==
                                                  files.end();
                                   }),
                    problems_.end());
    if (problems_.size() != before) UpdateLines();
}

void ShowReloader::UpdateLines() {
    lines_.clear();
    for (const FileProblem& p : problems_) {
        const std::string first = p.text.substr(0, p.text.find('\n'));
        const std::string shown = ShownPath(p.path);
        // Most texts name their file; a compiler's log does not.
        lines_.push_back(first.find(shown) != std::string::npos ||
                                 first.find(p.path) != std::string::npos
                             ? first
                             : shown + ": " + first);
    }
}
