#include "platform/asset_reload.h"

#include <algorithm>
#include <exception>
#include <filesystem>
#include <system_error>

#include "platform/show_folder.h"

namespace {

struct Record {
    std::string path;  // normalised
    ReloadableAsset* asset;
};

struct Registry {
    bool enabled = false;
    std::vector<Record> records;
    uint64_t version = 0;
};

Registry& TheRegistry() {
    static Registry registry;
    return registry;
}

bool Recorded(const Registry& registry, ReloadableAsset* asset) {
    return std::any_of(registry.records.begin(), registry.records.end(),
                       [asset](const Record& r) { return r.asset == asset; });
}

}  // namespace

void EnableAssetReloading(bool enabled) { TheRegistry().enabled = enabled; }

bool AssetReloadingEnabled() { return TheRegistry().enabled; }

std::string NormalAssetPath(const std::string& path) {
    if (path.empty()) return path;
    std::error_code error;
    std::filesystem::path absolute = std::filesystem::absolute(path, error);
    if (error) absolute = path;
    return absolute.lexically_normal().string();
}

void WatchAssetFile(const std::string& path, ReloadableAsset* asset) {
    Registry& registry = TheRegistry();
    if (!registry.enabled || !asset || path.empty()) return;
    const std::string normal = NormalAssetPath(ShowPath(path));
    for (const Record& r : registry.records)
        if (r.asset == asset && r.path == normal) return;
    registry.records.push_back(Record{normal, asset});
    ++registry.version;
}

void ForgetAsset(ReloadableAsset* asset) {
    Registry& registry = TheRegistry();
    const auto end = std::remove_if(registry.records.begin(), registry.records.end(),
                                    [asset](const Record& r) { return r.asset == asset; });
    if (end == registry.records.end()) return;
    registry.records.erase(end, registry.records.end());
    ++registry.version;
}

std::vector<std::string> AssetFiles() {
    std::vector<std::string> files;
    for (const Record& r : TheRegistry().records)
        if (std::find(files.begin(), files.end(), r.path) == files.end()) files.push_back(r.path);
    return files;
}

uint64_t AssetFilesVersion() { return TheRegistry().version; }

AssetReload ReloadAssetsOf(const std::string& path) {
    Registry& registry = TheRegistry();
    const std::string normal = NormalAssetPath(ShowPath(path));
    std::vector<ReloadableAsset*> assets;
    for (const Record& r : registry.records)
        if (r.path == normal && std::find(assets.begin(), assets.end(), r.asset) == assets.end())
            assets.push_back(r.asset);

    AssetReload result;
    for (ReloadableAsset* asset : assets) {
        if (!Recorded(registry, asset)) continue;
        ++result.assets;
        try {
            asset->Reload();
        } catch (const std::exception& failure) {
            // A DemoFailure, or the standard library giving up on a file
            // (a picture too big to hold): either way the asset stays.
            result.errors.push_back(failure.what());
        }
    }
    return result;
}
