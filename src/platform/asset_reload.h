// Asset reloading: the files the show has loaded, and how to load each again.
//
//   EnableAssetReloading()        switch recording on (before anything loads);
//                                 off, nothing is recorded and nothing changes
//   WatchAssetFile(path, asset)   the asset (a texture, a shader program, a
//                                 display list, a clip ...) was loaded from
//                                 path; an asset may name several files
//   ForgetAsset(asset)            drops every record of the asset; its
//                                 destructor calls it
//   AssetFiles()                  every recorded file, normalised, once each
//   ReloadAssetsOf(path)          calls Reload() on each asset of that file
//
// The paths given to WatchAssetFile and ReloadAssetsOf are the show's own,
// relative to the show folder (platform/show_folder.h). They are recorded
// normalised (absolute, "." and ".." folded, symbolic links kept), so
// "data/a.jpg" and "./data/../data/a.jpg" are one file.
// ReloadableAsset::Reload raises a DemoFailure when the new version cannot
// be used and must then leave the asset as it was: the last good version
// keeps drawing. ReloadAssetsOf catches those failures (and any other
// std::exception) and hands back their texts. Main thread only (assets hold GL objects); Reload
// runs with the GL context current, between frames.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class ReloadableAsset {
public:
    virtual ~ReloadableAsset() = default;
    // Loads the asset again from its files; raises on failure (see above).
    virtual void Reload() = 0;
};

void EnableAssetReloading(bool enabled = true);
bool AssetReloadingEnabled();

// The normalised form of a path relative to the working directory (see
// above); "" for an empty path.
std::string NormalAssetPath(const std::string& path);

// Records that `asset` depends on `path`. Does nothing while reloading is off.
void WatchAssetFile(const std::string& path, ReloadableAsset* asset);
// Drops the records of `asset`. Safe for an asset never recorded.
void ForgetAsset(ReloadableAsset* asset);

// Every recorded file, normalised, in the order first recorded.
std::vector<std::string> AssetFiles();
// Changes whenever a record is added or dropped, so a watcher knows when to
// look at AssetFiles() again.
uint64_t AssetFilesVersion();

struct AssetReload {
    int assets = 0;                   // assets of the file that were asked to reload
    std::vector<std::string> errors;  // the failures they raised, in order
};
// Reloads every asset recorded for `path` (any spelling of it). An asset
// dropped while another reloads is skipped.
AssetReload ReloadAssetsOf(const std::string& path);
