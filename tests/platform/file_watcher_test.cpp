// The folder watcher, the debouncer and the asset registry: what counts as a
// change (in-place writes, editors' rename-over saves, deletion, a folder in
// place of the file, a folder that goes and comes back) and who is asked to
// reload. No GL.
#include "platform/file_watcher.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/asset_reload.h"
#include "platform/failure.h"
#include "support/test_paths.h"

namespace fs = std::filesystem;

namespace {

TEST(ChangeDebouncer, WaitsForQuietOrForTheLongestWait) {
    ChangeDebouncer debouncer(50, 250);
    std::vector<std::string> due;
    debouncer.Changed("a", 1000);
    debouncer.TakeDue(1049, due);
    EXPECT_TRUE(due.empty());
    EXPECT_TRUE(debouncer.Pending());
    debouncer.TakeDue(1050, due);
    EXPECT_EQ(std::vector<std::string>{"a"}, due);
    EXPECT_FALSE(debouncer.Pending());

    // A file written every 10 ms is never quiet, yet comes due 250 ms after
    // the first change of each burst: at 2250 and at 2510.
    due.clear();
    for (uint64_t t = 2000; t < 2600; t += 10) {
        debouncer.Changed("busy", t);
        debouncer.TakeDue(t, due);
    }
    EXPECT_EQ(2u, due.size());  // and the change at 2520 is still pending
    EXPECT_TRUE(debouncer.Pending());

    // Each path once, oldest change first; a second change of a pending path
    // does not move it back in the line.
    due.clear();
    ChangeDebouncer two(50, 250);
    two.Changed("b", 0);
    two.Changed("c", 10);
    two.Changed("b", 20);
    two.TakeDue(100, due);
    EXPECT_EQ((std::vector<std::string>{"b", "c"}), due);
}

void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

// Polls for up to two seconds until `path` is reported.
bool Reported(FileWatcher& watcher, const std::string& path, int timeout_ms = 2000) {
    std::vector<std::string> changed;
    for (int waited = 0; waited <= timeout_ms; waited += 10) {
        watcher.Poll(changed);
        for (const std::string& p : changed)
            if (p == path) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

// Nothing reported for a little while.
bool Quiet(FileWatcher& watcher) {
    std::vector<std::string> changed;
    for (int i = 0; i < 10; ++i) {
        watcher.Poll(changed);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return changed.empty();
}

TEST(FileWatcher, SeesEveryWayAFileChanges) {
    ScratchDir dir;
    const std::string shader = NormalAssetPath(dir.Write("data/a.fs", "void main() {}\n"));
    const std::string other = NormalAssetPath(dir.Write("data/b.fs", "x"));
    dir.Write("data/unwatched.txt", "x");
    FileWatcher watcher;
    ASSERT_TRUE(watcher.Available());
    watcher.SetFiles({shader, other});
    EXPECT_TRUE(Quiet(watcher));

    // Written in place.
    WriteFile(shader, "void main() { gl_FragColor = vec4(1.0); }\n");
    EXPECT_TRUE(Reported(watcher, shader));
    // A file nobody watches, in the same folder, is not reported.
    WriteFile(dir.path() + "/data/unwatched.txt", "y");
    EXPECT_TRUE(Quiet(watcher));

    // Saved the way many editors do: a new file renamed over the old one.
    WriteFile(shader + ".swp", "new");
    fs::rename(shader + ".swp", shader);
    EXPECT_TRUE(Reported(watcher, shader));
    // ... and again: the watch is on the folder, so it survives the rename.
    WriteFile(shader + ".tmp", "newer");
    fs::rename(shader + ".tmp", shader);
    EXPECT_TRUE(Reported(watcher, shader));

    // Truncated to nothing, deleted, made again, replaced by a folder.
    WriteFile(shader, "");
    EXPECT_TRUE(Reported(watcher, shader));
    fs::remove(shader);
    EXPECT_TRUE(Reported(watcher, shader));
    WriteFile(shader, "back");
    EXPECT_TRUE(Reported(watcher, shader));
    fs::remove(shader);
    fs::create_directory(shader);
    EXPECT_TRUE(Reported(watcher, shader));
    // The other file was never touched.
    std::vector<std::string> changed;
    watcher.Poll(changed);
    for (const std::string& p : changed) EXPECT_NE(other, p);
}

TEST(FileWatcher, AFolderThatGoesAndComesBackIsWatchedAgain) {
    ScratchDir dir;
    const std::string picture = NormalAssetPath(dir.Write("data/pics/p.jpg", "1"));
    const std::string missing = NormalAssetPath(dir.path() + "/data/later/q.jpg");
    FileWatcher watcher;
    watcher.SetFiles({picture, missing});

    fs::remove_all(dir.path() + "/data/pics");
    EXPECT_TRUE(Reported(watcher, picture));
    // Made again: found within about a second, its file reported.
    dir.Write("data/pics/p.jpg", "2");
    EXPECT_TRUE(Reported(watcher, picture, 3000));
    WriteFile(picture, "3");
    EXPECT_TRUE(Reported(watcher, picture));

    // A folder that did not exist when watching began.
    dir.Write("data/later/q.jpg", "1");
    EXPECT_TRUE(Reported(watcher, missing, 3000));
}

TEST(FileWatcher, DropsFilesNoLongerAsked) {
    ScratchDir dir;
    const std::string a = NormalAssetPath(dir.Write("one/a.txt", "1"));
    const std::string b = NormalAssetPath(dir.Write("two/b.txt", "1"));
    FileWatcher watcher;
    watcher.SetFiles({a, b});
    watcher.SetFiles({b});
    WriteFile(a, "2");
    EXPECT_TRUE(Quiet(watcher));
    WriteFile(b, "2");
    EXPECT_TRUE(Reported(watcher, b));
}

// An asset that counts its reloads and fails while told to.
class CountingAsset : public ReloadableAsset {
public:
    ~CountingAsset() override { ForgetAsset(this); }
    void Reload() override {
        ++reloads;
        if (!failure.empty()) Fail(failure);
    }
    int reloads = 0;
    std::string failure;
};

TEST(AssetRegistry, RecordsOnlyWhileReloadingIsOn) {
    EnableAssetReloading(false);
    CountingAsset asset;
    WatchAssetFile("data/x.jpg", &asset);
    EXPECT_EQ(0, ReloadAssetsOf("data/x.jpg").assets);

    EnableAssetReloading(true);
    const uint64_t version = AssetFilesVersion();
    WatchAssetFile("data/x.jpg", &asset);
    EXPECT_NE(version, AssetFilesVersion());
    // Every spelling of the path is the same file.
    EXPECT_EQ(1, ReloadAssetsOf("./data/../data/x.jpg").assets);
    EXPECT_EQ(1, ReloadAssetsOf(fs::current_path().string() + "/data/x.jpg").assets);
    EXPECT_EQ(2, asset.reloads);
    EXPECT_EQ(0, ReloadAssetsOf("data/y.jpg").assets);
    ForgetAsset(&asset);
    EXPECT_EQ(0, ReloadAssetsOf("data/x.jpg").assets);
    EnableAssetReloading(false);
}

TEST(AssetRegistry, EveryAssetOfAFileReloadsAndFailuresAreCollected) {
    EnableAssetReloading(true);
    {
        CountingAsset first, second, elsewhere;
        WatchAssetFile("data/shared.jpg", &first);
        WatchAssetFile("data/shared.jpg", &second);
        WatchAssetFile("data/shared.jpg", &second);  // recorded once
        WatchAssetFile("data/other.fs", &second);    // an asset of two files
        WatchAssetFile("data/other.fs", &elsewhere);
        const std::vector<std::string> files = AssetFiles();
        EXPECT_EQ(2u, files.size());
        EXPECT_EQ(NormalAssetPath("data/shared.jpg"), files[0]);

        second.failure = "Picture \"data/shared.jpg\" cannot be loaded";
        const AssetReload result = ReloadAssetsOf("data/shared.jpg");
        EXPECT_EQ(2, result.assets);
        ASSERT_EQ(1u, result.errors.size());
        EXPECT_EQ(second.failure, result.errors[0]);
        EXPECT_EQ(1, first.reloads);
        EXPECT_EQ(1, second.reloads);
        EXPECT_EQ(0, elsewhere.reloads);
    }
    // Destroyed assets left the registry.
    EXPECT_TRUE(AssetFiles().empty());
    EnableAssetReloading(false);
}

}  // namespace
