// The bundled show as a whole: data/demo.txt loads through the real reader
// and factory with every keyword of the table, its header counts its entries,
// and its end is reached while the music still plays.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "factory/factory.h"
#include "platform/audio.h"
#include "support/gl_context.h"
#include "support/script_loading.h"
#include "timeline/effekt.h"

namespace {

std::vector<std::string> g_asked;

// The real factory, noting every keyword the reader looks up.
EffectMaker RecordingLookup(const std::string& keyword) {
    g_asked.push_back(keyword);
    return FindEffectMaker(keyword);
}

struct BundledShow {
    EffectList effects;
    std::string music;
    uint32_t offset = 0;
    std::string failure;
};

BundledShow LoadBundledShow() {
    g_asked.clear();
    BundledShow show;
    CountingPresenter presenter;
    try {
        LoadDemoScript(show.effects, presenter, show.music, show.offset, RecordingLookup);
    } catch (const DemoFailure& f) {
        show.failure = f.text();
    }
    return show;
}

// The third value line of the script: the entry count the loading screen uses.
int HeaderEntryCount() {
    FILE* script = std::fopen("data/demo.txt", "r");
    if (!script) return -1;
    ReadScriptLine(script);
    ReadScriptLine(script);
    const int count = ReadScriptInt(script);
    std::fclose(script);
    return count;
}

TEST(BundledShow, LoadsWithEveryKeywordOfTheTable) {
    REQUIRE_GL();
    BundledShow show = LoadBundledShow();
    ASSERT_EQ(show.failure, "");
    // No entry was unknown: every keyword looked up became an effect.
    EXPECT_EQ(show.effects.size(), g_asked.size());
    for (const std::string& keyword : EffectKeywords()) {
        EXPECT_NE(std::find(g_asked.begin(), g_asked.end(), keyword), g_asked.end())
            << keyword << " is not in data/demo.txt";
    }
    EXPECT_EQ(HeaderEntryCount(), static_cast<int>(show.effects.size()));
    DestroyEffects(show.effects);
    ResetGlState();
}

// The show must end by itself: an EndDemo window that opens after the music
// has ended is never reached while the music loops back to its start.
TEST(BundledShow, EndsBeforeTheMusicDoes) {
    REQUIRE_GL();
    BundledShow show = LoadBundledShow();
    ASSERT_EQ(show.failure, "");
    DecodedMusic music;
    std::string error;
    ASSERT_TRUE(DecodeMusicFile(show.music, music, error)) << error;
    const double music_end_ms = music.seconds() * 1000.0 + show.offset;

    bool has_end = false;
    double last_end = 0;
    for (size_t i = 0; i < show.effects.size(); ++i) {
        const Effekt& effect = *show.effects[i];
        if (g_asked[i] == "EndDemo") {
            has_end = true;
            EXPECT_LT(effect.StartTime() + 1.0, music_end_ms);
        } else {
            last_end = std::max(last_end, static_cast<double>(effect.EndTime()));
        }
    }
    EXPECT_TRUE(has_end);
    // Every other entry fits in the music (the last may ring to its end).
    EXPECT_LE(last_end, music_end_ms + 1000.0);
    DestroyEffects(show.effects);
    ResetGlState();
}

}  // namespace
