// The show's saved tweaks: the file's values and keys reach the effects'
// variables, keys are applied per frame and set from the panel's buttons,
// --watch's reload, the atomic save and a save that fails, and files that
// cannot be read. No GL: the effects are TweakKnobs.
#include "app/core/show_tweaks.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "support/test_paths.h"
#include "support/tweak_knobs.h"

namespace {

std::string ReadWhole(const std::string& path) {
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

class ShowTweaksTest : public ::testing::Test {
protected:
    ShowTweaksTest() : path_(dir_.path() + "/data/tweaks.txt") {
        std::filesystem::create_directories(dir_.path() + "/data");
        effects_.push_back(std::make_unique<TweakKnobs>(1000, 5000));
        effects_.push_back(std::make_unique<TweakKnobs>(1000, 5000));  // "Knobs 1000 2"
        effects_.push_back(std::make_unique<TweakKnobs>(3000, 5000, "Other"));
    }
    TweakKnobs& Knobs(size_t i) { return static_cast<TweakKnobs&>(*effects_[i]); }
    void Write(const std::string& text) { std::ofstream(path_, std::ios::trunc) << text; }
    // The variable `name` of effect i on its bar.
    const TweakVariable& Var(ShowTweaks& t, size_t i, const char* name) {
        return *t.Bars().BarOf(effects_[i].get())->Find(name);
    }
    const TweakBar& Bar(ShowTweaks& t, size_t i) { return *t.Bars().BarOf(effects_[i].get()); }

    ScratchDir dir_;
    std::string path_;
    EffectList effects_;
};

TEST_F(ShowTweaksTest, ValuesAndKeysReachTheEffectsAndFollowTheFile) {
    Write(
        "[Knobs 1000]\nSeed = 3\nTint @ 2000 = 0 0 0 1\nTint @ 4000 step = 1 1 1 1\n"
        "[Knobs 1000 2]\nSpeed = 4\nMode @ 1000 linear = UP\nMode @ 3000 = RANDOM\n");
    ShowTweaks tweaks(path_);
    tweaks.Sync(effects_);
    EXPECT_TRUE(tweaks.Load());
    EXPECT_TRUE(tweaks.Problems().empty());
    EXPECT_EQ(3, Knobs(0).seed);
    EXPECT_EQ(4.0f, Knobs(1).speed);
    EXPECT_EQ(0.5f, Knobs(0).speed);  // not named: its own value
    EXPECT_EQ((std::vector<uint32_t>{1000, 2000, 3000, 4000}), tweaks.KeyTimes());

    // Frame by frame, as a pure function of the demo time (any order).
    struct Row {
        uint32_t t;
        float tint;
        int mode;
    };
    for (const Row& row : {Row{3000, 0.5f, 7}, Row{0, 0, 0}, Row{2999, 0.4995f, 0}, Row{9000, 1, 7},
                           Row{3000, 0.5f, 7}}) {
        tweaks.ApplyKeys(row.t);
        EXPECT_FLOAT_EQ(row.tint, Knobs(0).tint[0]) << row.t;
        EXPECT_EQ(1.0f, Knobs(0).tint[3]);
        EXPECT_EQ(row.mode, Knobs(1).mode_value) << row.t;  // an enumeration steps
    }

    // The same text again is nothing to do; a new text drops what it no
    // longer names back to the effect's own value.
    EXPECT_FALSE(tweaks.Load());
    Write("[Knobs 1000]\nSpeed = 2\n");
    EXPECT_TRUE(tweaks.Load());
    EXPECT_EQ(7, Knobs(0).seed);
    EXPECT_EQ(2.0f, Knobs(0).speed);
    EXPECT_EQ(0.5f, Knobs(1).speed);
    EXPECT_TRUE(tweaks.KeyTimes().empty());
    tweaks.ApplyKeys(2500);
    EXPECT_EQ(1.0f, Knobs(0).tint[0]);

    // A rebuilt list (made before the old effects go, as a reload does): a
    // new effect takes the file's values, a kept one keeps a change not saved.
    Knobs(2).seed = 42;
    auto made = std::make_unique<TweakKnobs>(1000, 5000);
    effects_[0] = std::move(made);
    tweaks.Sync(effects_);
    EXPECT_EQ(2.0f, Knobs(0).speed);
    EXPECT_EQ(42, Knobs(2).seed);
}

TEST_F(ShowTweaksTest, KeyButtonsAndEditsThenAnAtomicSaveThatKeepsTheRest) {
    Write("# by hand\n[Gone 5]\nSeed = 1\n\n[Knobs 1000]\n# the seed\nSeed = 3\n");
    ShowTweaks tweaks(path_);
    tweaks.Sync(effects_);
    tweaks.Load();
    const TweakBar& bar = Bar(tweaks, 0);
    const TweakVariable& pos = Var(tweaks, 0, "Pos 1");
    const char* mode = nullptr;

    // A key at 2000, its way to the next key changed, a drag from 4000 on
    // while the music plays that becomes one key at 4000, a key removed.
    tweaks.BeginEdits(2000);
    EXPECT_EQ(TweakKeyHost::State::NoKeys, tweaks.KeyState(bar, pos, mode));
    tweaks.KeyAction(bar, pos, TweakKeyHost::Action::SetKey);
    EXPECT_EQ(TweakKeyHost::State::KeyHere, tweaks.KeyState(bar, pos, mode));
    EXPECT_STREQ("linear", mode);
    tweaks.KeyAction(bar, pos, TweakKeyHost::Action::NextMode);
    tweaks.KeyState(bar, pos, mode);
    EXPECT_STREQ("smooth", mode);
    tweaks.EndEdits(false);
    for (int frame = 0; frame < 3; ++frame) {
        tweaks.ApplyKeys(4000 + 100 * frame);
        tweaks.BeginEdits(4000 + 100 * frame);
        if (frame == 0) {
            EXPECT_EQ(TweakKeyHost::State::Keyed, tweaks.KeyState(bar, pos, mode));
        }
        Knobs(0).pos1[2] -= 2;  // the viewer drags the value down, from 3 to -3
        tweaks.EndEdits(frame < 2);
    }
    tweaks.ApplyKeys(3000);
    EXPECT_FLOAT_EQ(0, Knobs(0).pos1[2]);  // smooth, halfway from 3 to -3
    tweaks.BeginEdits(3000);
    tweaks.KeyAction(bar, Var(tweaks, 0, "Seed"), TweakKeyHost::Action::SetKey);
    tweaks.KeyAction(bar, Var(tweaks, 0, "Seed"), TweakKeyHost::Action::RemoveKey);
    tweaks.EndEdits(false);
    Knobs(1).speed = 0.25f;  // changed without keys
    EXPECT_EQ((std::vector<uint32_t>{2000, 4000}), tweaks.KeyTimes());

    std::string error;
    ASSERT_TRUE(tweaks.Save(error)) << error;
    EXPECT_EQ(
        "# by hand\n[Gone 5]\nSeed = 1\n\n[Knobs 1000]\n# the seed\nSeed = 3\n"
        "Pos 1 @ 2000 smooth = 1 2 3\nPos 1 @ 4000 linear = 1 2 -3\n\n"
        "[Knobs 1000 2]\nSpeed = 0.25\n",
        ReadWhole(path_));
    size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir_.path() + "/data"))
        files += entry.is_regular_file();
    EXPECT_EQ(1u, files);  // no temporary file left

    // What was saved is what a new start reads.
    EffectList fresh;
    fresh.push_back(std::make_unique<TweakKnobs>(1000, 5000));
    fresh.push_back(std::make_unique<TweakKnobs>(1000, 5000));
    ShowTweaks again(path_);
    again.Sync(fresh);
    again.Load();
    again.ApplyKeys(3000);
    EXPECT_FLOAT_EQ(0, static_cast<TweakKnobs&>(*fresh[0]).pos1[2]);
    EXPECT_EQ(0.25f, static_cast<TweakKnobs&>(*fresh[1]).speed);
    EXPECT_EQ(1u, again.Problems().size());  // [Gone 5]
}

TEST_F(ShowTweaksTest, AFailedSaveKeepsTheOldFileAndSaysWhy) {
    struct Row {
        const char* what;
        std::function<std::string(const std::string& dir)> path;  // sets up, gives the path
        const char* reason;
    };
    const Row rows[] = {
        {"no folder", [](const std::string& d) { return d + "/missing/tweaks.txt"; },
         "No such file or directory"},
        {"a folder in the way",
         [](const std::string& d) {
             std::filesystem::create_directories(d + "/data/tweaks.txt");
             return d + "/data/tweaks.txt";
         },
         "is a folder"},
        {"full disk",
         [](const std::string& d) {
             std::ofstream(d + "/data/tweaks.txt") << "Old = 1\n";
             // A file size limit fails writes as a full disk does.
             signal(SIGXFSZ, SIG_IGN);
             rlimit limit{16, RLIM_INFINITY};
             setrlimit(RLIMIT_FSIZE, &limit);
             return d + "/data/tweaks.txt";
         },
         "cannot write"},
        {"read-only folder",
         [](const std::string& d) {
             std::ofstream(d + "/data/tweaks.txt") << "Old = 1\n";
             std::filesystem::permissions(d + "/data", std::filesystem::perms::owner_read |
                                                           std::filesystem::perms::owner_exec);
             return d + "/data/tweaks.txt";
         },
         "Permission denied"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        if (std::string(row.what) == "read-only folder" && geteuid() == 0)
            continue;  // root writes anyway
        ScratchDir dir;
        std::filesystem::create_directories(dir.path() + "/data");
        const std::string path = row.path(dir.path());
        const std::string before = ReadWhole(path);
        ShowTweaks tweaks(path);
        tweaks.Sync(effects_);
        Knobs(0).seed += 1;  // a change to save
        std::string error;
        EXPECT_FALSE(tweaks.Save(error));
        rlimit unlimited{RLIM_INFINITY, RLIM_INFINITY};
        setrlimit(RLIMIT_FSIZE, &unlimited);
        std::filesystem::permissions(dir.path() + "/data", std::filesystem::perms::owner_all);
        EXPECT_NE(std::string::npos, error.find(row.reason)) << error;
        ASSERT_EQ(1u, tweaks.Messages().size());
        EXPECT_EQ(0u, tweaks.Messages()[0].rfind("Not saved: ", 0)) << tweaks.Messages()[0];
        EXPECT_NE(std::string::npos, tweaks.Messages()[0].find("the old file is kept"));
        EXPECT_EQ(before, ReadWhole(path));
        for (const auto& entry : std::filesystem::directory_iterator(dir.path() + "/data"))
            EXPECT_EQ(std::string::npos, entry.path().string().find(".tmp")) << entry.path();
    }
}

TEST_F(ShowTweaksTest, FilesThatCannotBeReadChangeNothing) {
    struct Row {
        const char* what;
        std::function<void(const std::string& path)> make;
        size_t problems;
        const char* first;
    };
    const Row rows[] = {
        {"missing", [](const std::string&) {}, 0, ""},
        {"empty", [](const std::string& p) { std::ofstream{p}; }, 0, ""},
        {"a folder", [](const std::string& p) { std::filesystem::create_directories(p); }, 1,
         "tweaks.txt: it is a folder, not a file; its values are not used"},
        {"too large", [](const std::string& p) { std::ofstream(p) << std::string(1100000, '\n'); },
         1, "tweaks.txt: it is larger than 1 MB"},
        {"a pipe that nobody writes", [](const std::string& p) { mkfifo(p.c_str(), 0644); }, 1,
         "tweaks.txt: it is not a plain file"},
        {"binary",
         [](const std::string& p) {
             std::ofstream file(p, std::ios::binary);
             for (int i = 0; i < 40000; ++i) file.put(static_cast<char>((i * 7919) & 0xff));
         },
         100, ": not text"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        std::filesystem::remove_all(path_);
        row.make(path_);
        ShowTweaks tweaks(path_);
        tweaks.Sync(effects_);
        testing::internal::CaptureStderr();
        tweaks.Load();
        const std::string err = testing::internal::GetCapturedStderr();
        if (row.problems == 0) {
            EXPECT_TRUE(tweaks.Problems().empty());
            EXPECT_EQ("", err);
        } else {
            ASSERT_GE(tweaks.Problems().size(), row.problems);
            EXPECT_NE(std::string::npos, tweaks.Problems()[0].find(row.first));
            EXPECT_EQ(1u, tweaks.Messages().size());
        }
        // Standard error says at most 20 problems, then how many more.
        if (tweaks.Problems().size() > 20) {
            EXPECT_NE(std::string::npos, err.find(" more problems\n")) << err;
        }
        EXPECT_EQ(7, Knobs(0).seed);
    }
}

}  // namespace
