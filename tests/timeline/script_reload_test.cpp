// Reading the script again: unchanged entries keep their effects (same
// objects), changed and new ones are built, and a reading that fails leaves
// the earlier effects where they were. Effects here are plain test objects
// counted by their makers; no GL.
#include "timeline/script_reload.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/failure.h"
#include "support/test_paths.h"

namespace {

int g_built = 0;

class Marker : public Effekt {
public:
    Marker(int start, int end, std::string word) : Effekt(start, end), word(std::move(word)) {
        ++g_built;
    }
    void Draw(uint32_t, float) override {}
    std::string word;
};

// "Mark": one further line, kept by the effect. "Broken": fails to build.
std::unique_ptr<Effekt> MakeMark(int start, int end, FILE* script) {
    return std::make_unique<Marker>(start, end, ReadScriptLine(script));
}
std::unique_ptr<Effekt> MakeBroken(int, int, FILE*) { Fail("Broken: cannot be built"); }
EffectMaker Lookup(const std::string& keyword) {
    if (keyword == "Mark") return MakeMark;
    if (keyword == "Broken") return MakeBroken;
    return nullptr;
}

struct Reader {
    ScratchDir dir;
    std::string path = dir.path() + "/demo.txt";

    // Reads `text`, taking what it can from `earlier`; "" or the failure.
    std::string Read(const std::string& text, ScriptReading& reading, ScriptReading& earlier,
                     bool whole_header = true) {
        dir.Write("demo.txt", text);
        try {
            LoadScriptEntries(path.c_str(), reading, earlier, Lookup, nullptr, whole_header);
        } catch (const DemoFailure& f) {
            return f.text();
        }
        return "";
    }
};

const char kHeader[] = "music.ogg\n0\n3\n";
const char kFirst[] = "# intro\nMark\n0\n1000\nred\n";
const char kSecond[] = "Mark\n1000\n2000\ngreen\n";

const Marker& At(const ScriptReading& reading, size_t i) {
    return static_cast<const Marker&>(*reading.effects.at(i));
}

TEST(ScriptReload, EntryTextsSpanTheirCommentsAndFurtherLines) {
    Reader reader;
    ScriptReading reading, none;
    ASSERT_EQ("",
              reader.Read(std::string(kHeader) + kFirst + kSecond + "# the end\n", reading, none));
    ASSERT_EQ(2u, reading.texts.size());
    EXPECT_EQ(kFirst, reading.texts[0]);
    EXPECT_EQ(kSecond, reading.texts[1]);
    EXPECT_EQ("music.ogg", reading.music_path);
    EXPECT_TRUE(reading.whole_header);
    EXPECT_EQ(0, reading.kept);
}

TEST(ScriptReload, AnAddedEntryIsBuiltAndTheOthersKept) {
    Reader reader;
    ScriptReading first, none;
    ASSERT_EQ("", reader.Read(std::string(kHeader) + kFirst + kSecond, first, none));
    const Effekt* red = first.effects[0].get();
    const Effekt* green = first.effects[1].get();

    g_built = 0;
    ScriptReading second;
    const std::string added = "Mark\n500\n1500\nblue\n";
    ASSERT_EQ("", reader.Read(std::string(kHeader) + kFirst + added + kSecond, second, first));
    ASSERT_EQ(3u, second.effects.size());
    EXPECT_EQ(1, g_built);
    EXPECT_EQ(2, second.kept);
    EXPECT_EQ(red, second.effects[0].get());
    EXPECT_EQ("blue", At(second, 1).word);
    EXPECT_EQ(green, second.effects[2].get());
    // What was taken is gone from the earlier reading.
    EXPECT_EQ(nullptr, first.effects[0]);
    EXPECT_EQ(nullptr, first.effects[1]);
}

TEST(ScriptReload, AChangedLineRebuildsOnlyItsEntry) {
    Reader reader;
    ScriptReading first, none;
    ASSERT_EQ("", reader.Read(std::string(kHeader) + kFirst + kSecond, first, none));
    const Effekt* green = first.effects[1].get();

    g_built = 0;
    ScriptReading second;
    // The further line changed, and the times of the second entry did not.
    ASSERT_EQ("", reader.Read(std::string(kHeader) + "# intro\nMark\n0\n1000\nyellow\n" + kSecond,
                              second, first));
    EXPECT_EQ(1, g_built);
    EXPECT_EQ("yellow", At(second, 0).word);
    EXPECT_EQ(green, second.effects[1].get());
    // The old red entry was not taken: it is left for the caller to destroy.
    ASSERT_NE(nullptr, first.effects[0]);
    EXPECT_EQ("red", static_cast<const Marker&>(*first.effects[0]).word);

    // Two equal entries take two earlier effects, never one twice.
    ScriptReading third, fourth;
    ASSERT_EQ("", reader.Read(std::string(kHeader) + kSecond + kSecond, third, none));
    g_built = 0;
    ASSERT_EQ("", reader.Read(std::string(kHeader) + kSecond + kSecond + kSecond, fourth, third));
    EXPECT_EQ(1, g_built);
    EXPECT_EQ(2, fourth.kept);
    EXPECT_NE(fourth.effects[0].get(), fourth.effects[1].get());
}

TEST(ScriptReload, AFailedReadingGivesEveryEffectBack) {
    Reader reader;
    ScriptReading first, none;
    ASSERT_EQ("", reader.Read(std::string(kHeader) + kFirst + kSecond, first, none));
    const Effekt* red = first.effects[0].get();
    const Effekt* green = first.effects[1].get();

    const std::string failures[][2] = {
        {std::string(kHeader) + kFirst + kSecond + "Mistake\n0\n10\n",
         "Unknown entry 'Mistake' in file, please correct (line 13)"},
        {std::string(kHeader) + kSecond + "Broken\n0\n10\n" + kFirst,
         "Broken: cannot be built (Broken entry at line 8)"},
        {"", reader.path + " is cut short: its header (music, start offset, entry count) is "
                           "incomplete"},
        {"music.ogg\n0\n", reader.path + " is cut short: its header (music, start offset, entry "
                                         "count) is incomplete"},
    };
    for (const auto& failure : failures) {
        ScriptReading attempt;
        EXPECT_EQ(failure[1], reader.Read(failure[0], attempt, first));
        EXPECT_TRUE(attempt.effects.empty());
        EXPECT_TRUE(attempt.texts.empty());
        EXPECT_EQ(red, first.effects[0].get());
        EXPECT_EQ(green, first.effects[1].get());
    }

    // A folder in place of the script.
    ScratchDir folder;
    ScriptReading attempt;
    EXPECT_THROW(LoadScriptEntries(folder.path().c_str(), attempt, first, Lookup, nullptr, true),
                 DemoFailure);
    EXPECT_EQ(red, first.effects[0].get());

    // At start-up a short header is the empty show it always was.
    ScriptReading startup;
    EXPECT_EQ("", reader.Read("", startup, none, false));
    EXPECT_TRUE(startup.effects.empty());
}

}  // namespace
