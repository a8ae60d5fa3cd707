// The tweaks file: keyframe interpolation, reading (every kind of bad line
// reported with its line and skipped), and writing back without losing the
// lines it does not own.
#include "timeline/tweak_file.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "support/tweak_knobs.h"

namespace {

TEST(TweakKeys, ValueIsAPureFunctionOfTime) {
    using M = TweakKeyMode;
    struct Row {
        M mode;
        bool discrete;
        uint32_t t;
        float expected;
    };
    // Keys 0 at 1000 ms (in the row's mode) and 10 at 3000 ms.
    const Row rows[] = {
        {M::Linear, false, 0, 0},           {M::Linear, false, 1000, 0},
        {M::Linear, false, 1500, 2.5f},     {M::Linear, false, 2000, 5},
        {M::Smooth, false, 1500, 1.5625f},  {M::Smooth, false, 2000, 5},
        {M::Smooth, false, 2500, 8.4375f},  {M::Step, false, 2999, 0},
        {M::Step, false, 3000, 10},         {M::Linear, false, 3000, 10},
        {M::Linear, false, UINT32_MAX, 10}, {M::Linear, true, 2000, 0},
    };
    for (const Row& row : rows) {
        TweakKey keys[2];
        keys[0].time = 1000;
        keys[0].mode = row.mode;
        keys[1].time = 3000;
        keys[1].value.v[0] = 10;
        TweakValue out;
        TweakKeyedValue(keys, 2, row.t, 1, row.discrete, out);
        EXPECT_FLOAT_EQ(row.expected, out.v[0])
            << TweakKeyModeName(row.mode) << " at " << row.t << (row.discrete ? " discrete" : "");
    }
    // Every component; a span as long as the whole clock.
    TweakKey wide[2];
    wide[0].value = TweakValue{{0, 10, -4, 1}};
    wide[1].time = UINT32_MAX;
    wide[1].value = TweakValue{{2, 20, 4, 1}};
    TweakValue out;
    TweakKeyedValue(wide, 2, UINT32_MAX / 2, 4, false, out);
    EXPECT_NEAR(1, out.v[0], 1e-6);
    EXPECT_NEAR(15, out.v[1], 1e-5);
    EXPECT_NEAR(0, out.v[2], 1e-5);
    EXPECT_EQ(1, out.v[3]);
}

TEST(TweakFile, PathsAndEntryNames) {
    EXPECT_EQ("data/tweaks.txt", TweaksPathFor("data/demo.txt"));
    EXPECT_EQ("/shows/a/data/tweaks.txt", TweaksPathFor("/shows/a/data/demo.txt"));
    EXPECT_EQ("tweaks.txt", TweaksPathFor("demo.txt"));
    EXPECT_EQ("FlashWhite 1000 2", TweakEntryText({"FlashWhite", 1000, 2}));
    EXPECT_EQ("NanoBall 61935", TweakEntryText({"NanoBall", 61935, 1}));
}

class TweakFileTest : public ::testing::Test {
protected:
    TweakFileTest() : knobs_(1000, 5000), bar_(KnobsBar(knobs_)) {}
    std::vector<TweakTarget> Targets() const { return {{{"Knobs", 1000, 1}, bar_.get()}}; }
    TweakReading Read(const std::string& text) const {
        return ResolveTweaks(ParseTweakText(text), Targets());
    }
    const TweakSetting* Setting(const TweakReading& r, const char* name) const {
        for (const TweakSetting& s : r.settings)
            if (s.variable == bar_->Find(name)) return &s;
        return nullptr;
    }

    TweakKnobs knobs_;
    std::unique_ptr<TweakBar> bar_;
};

TEST_F(TweakFileTest, BadLinesAreReportedWithTheirLineAndSkipped) {
    struct Row {
        const char* text;  // after the line "[Knobs 1000]" unless it starts with '!'
        int line;          // of the one problem; 0: none
        const char* reason;
        int seed;  // the value Seed gets; -1: none
    };
    const Row rows[] = {
        {"Seed = 4\r", 0, "", 4},
        {"  Seed=5  ", 0, "", 5},
        {"Speed = nan", 2, "'nan' is not a finite number", -1},
        {"Speed = -inf", 2, "'-inf' is not a finite number", -1},
        {"Speed = 1e999", 2, "'1e999' is not a finite number", -1},
        {"Speed = fast", 2, "'fast' is not a number", -1},
        {"Pos 1 = 1 2", 2, "'Pos 1' takes three numbers (x y z)", -1},
        {"Pole pos = 1 2 3", 2, "'Pole pos' is no variable of Knobs 1000", -1},
        {"Tint = 1 1 1", 2, "'Tint' takes four numbers", -1},
        {"Seed = 2.5", 2, "'Seed' takes a whole number", -1},
        {"Seed = 99999999999", 2, "'Seed' takes a whole number", -1},
        {"Mode = SIDEWAYS", 2, "'Mode' takes one of UP, DOWN, RANDOM", -1},
        {"Nope = 1", 2, "'Nope' is no variable of Knobs 1000", -1},
        {"Seed @ soon = 1", 2, "a key is written name @ time mode = value", -1},
        {"Seed @ 4294967296 = 1", 2, "a key is written", -1},
        {"Seed @ 5 cubic = 1", 2, "step, linear or smooth", -1},
        {"= 5", 2, "no variable name", -1},
        {"just words", 2, "not an entry, a value or a key", -1},
        {"Seed = \x01\x02\xff", 2, "not text", -1},
        {"[Knobs]", 2, "an entry is written [Keyword Start]", -1},
        {"[Knobs 1000", 2, "ends in ']'", -1},
        {"[Knobs 1000 0]", 2, "an entry is written", -1},
        {"Seed = 1\nSeed = 2", 3, "'Seed' is given again (also at line 2); the later value is used",
         2},
        {"Seed = 3\nSeed @ 5 = 1", 2, "'Seed' has keys; this value is not used", -1},
        {"Seed = 1\n[Knobs 1000]\nSeed = 2", 3,
         "comes again (also at line 1); the later one is used", 2},
        {"Seed = 1\n[Knobs 1000]\nSpeed = 2", 3, "comes again", -1},
        {"!Seed = 1", 1, "'Seed' comes before any [Keyword Start] line", -1},
        {"![Other 3]\nSeed = 1", 1, "the script has no entry Other 3", -1},
        {"![Knobs 1000 2]\nSeed = 1", 1, "the script has no entry Knobs 1000 2", -1},
        {"!", 0, "", -1},
    };
    for (const Row& row : rows) {
        const std::string text = row.text[0] == '!' ? std::string(row.text + 1)
                                                    : "[Knobs 1000]\n" + std::string(row.text);
        SCOPED_TRACE(text);
        const TweakReading r = Read(text);
        if (row.line == 0) {
            EXPECT_TRUE(r.problems.empty()) << r.problems[0].reason;
        } else {
            ASSERT_EQ(1u, r.problems.size());
            EXPECT_EQ(row.line, r.problems[0].line);
            EXPECT_NE(std::string::npos, r.problems[0].reason.find(row.reason))
                << r.problems[0].reason;
        }
        const TweakSetting* seed = Setting(r, "Seed");
        if (row.seed < 0)
            EXPECT_TRUE(!seed || seed->keyed);
        else
            EXPECT_EQ(row.seed, seed ? seed->value.v[0] : -1);
    }
}

TEST_F(TweakFileTest, KeysAreSortedAndTheLaterOfTwoAtOneTimeCounts) {
    const TweakReading r = Read(
        "[Knobs 1000]\nTint @ 3000 = 0 0 0 1\nTint @ 1000 smooth = 1 1 1 1\n"
        "Tint @ 2000 step = .5 .5 .5 1\nTint @ 1000 = 0.25 0 0 1\n");
    ASSERT_EQ(2u, r.problems.size());
    EXPECT_EQ(3, r.problems[0].line);
    EXPECT_NE(std::string::npos, r.problems[0].reason.find("out of order; they are sorted"));
    EXPECT_EQ(5, r.problems[1].line);
    EXPECT_NE(std::string::npos,
              r.problems[1].reason.find("another key at 1000 ms (line 3); the later one is used"));
    const TweakSetting* tint = Setting(r, "Tint");
    ASSERT_TRUE(tint && tint->keyed);
    ASSERT_EQ(3u, tint->keys.size());
    EXPECT_EQ(1000u, tint->keys[0].time);
    EXPECT_EQ(0.25f, tint->keys[0].value.v[0]);
    EXPECT_EQ(TweakKeyMode::Linear, tint->keys[0].mode);
    EXPECT_EQ(TweakKeyMode::Step, tint->keys[1].mode);
    EXPECT_EQ(3000u, tint->keys[2].time);
}

TEST_F(TweakFileTest, WritingBackKeepsEveryOtherLineAndReadsTheSameNumbers) {
    const std::string original =
        "# Lights of the lagoon\n"
        "[Knobs 1000]\n"
        "Seed = 12\n"
        "  Fast = 0.1\n"
        "Pos 1 = 1e-07 -2.5 3.4e+38\n"
        "# the colour fades in\n"
        "Tint @ 2000 step = 0 0 0 1\n"
        "Tint @ 1000 smooth = 0.1 0.2 0.3 1\n"
        "Mode = BEATCENTER\n"
        "Junk without an equals sign\n"
        "Nope = 1\n"
        "\n"
        "# an entry the script lost\n"
        "[Gone 5]\n"
        "Seed = 99\n";
    const TweakDocument document = ParseTweakText(original);
    TweakReading r = ResolveTweaks(document, Targets());
    ASSERT_EQ(5u, r.settings.size());
    EXPECT_EQ(9, Setting(r, "Mode")->value.v[0]);

    // Unchanged settings write the same items, in the variables' own names.
    const std::string same = WriteTweakText(document, Targets(), r.settings);
    EXPECT_EQ(
        "# Lights of the lagoon\n[Knobs 1000]\nSeed = 12\nSpeed = 0.1\n"
        "Pos 1 = 1e-07 -2.5 3.4e+38\n# the colour fades in\n"
        "Tint @ 1000 smooth = 0.1 0.2 0.3 1\nTint @ 2000 step = 0 0 0 1\n"
        "Mode = BEATCENTER\nJunk without an equals sign\nNope = 1\n\n"
        "# an entry the script lost\n[Gone 5]\nSeed = 99\n",
        same);
    const TweakReading again = Read(same);
    ASSERT_EQ(r.settings.size(), again.settings.size());
    for (size_t i = 0; i < r.settings.size(); ++i) {
        const TweakSetting& a = r.settings[i];
        const TweakSetting& b = again.settings[i];
        EXPECT_EQ(a.variable, b.variable);
        EXPECT_EQ(0, std::memcmp(a.value.v, b.value.v, sizeof a.value.v)) << a.variable->name;
        ASSERT_EQ(a.keys.size(), b.keys.size());
        for (size_t k = 0; k < a.keys.size(); ++k)
            EXPECT_EQ(0, std::memcmp(&a.keys[k].value, &b.keys[k].value, sizeof(TweakValue)));
    }

    // A changed value in its place, a variable the entry lacked after its
    // last item, an entry the file lacked at the end.
    TweakKnobs other(7000, 9000);
    const std::unique_ptr<TweakBar> other_bar = KnobsBar(other);
    std::vector<TweakTarget> targets = Targets();
    targets.push_back({{"Knobs", 7000, 1}, other_bar.get()});
    r.settings[0].value.v[0] = 13;
    TweakSetting pos2;
    pos2.variable = bar_->Find("Pos 2");
    pos2.value = TweakValue{{0.5f, 0, -1}};
    r.settings.push_back(pos2);
    TweakSetting keyed;
    keyed.target = 1;
    keyed.variable = other_bar->Find("Speed");
    keyed.keyed = true;
    keyed.keys = {TweakKey{7500, TweakValue{{2}}, TweakKeyMode::Smooth}};
    r.settings.push_back(keyed);
    EXPECT_EQ(
        "# Lights of the lagoon\n[Knobs 1000]\nSeed = 13\nSpeed = 0.1\n"
        "Pos 1 = 1e-07 -2.5 3.4e+38\n# the colour fades in\n"
        "Tint @ 1000 smooth = 0.1 0.2 0.3 1\nTint @ 2000 step = 0 0 0 1\n"
        "Mode = BEATCENTER\nJunk without an equals sign\nNope = 1\nPos 2 = 0.5 0 -1\n\n"
        "# an entry the script lost\n[Gone 5]\nSeed = 99\n\n"
        "[Knobs 7000]\nSpeed @ 7500 smooth = 2\n",
        WriteTweakText(document, targets, r.settings));

    // An entry given twice: the later section is the one written.
    const TweakDocument twice = ParseTweakText("[Knobs 1000]\nSeed = 1\n[Knobs 1000]\nSeed = 2\n");
    EXPECT_EQ("[Knobs 1000]\nSeed = 1\n[Knobs 1000]\nSeed = 13\n",
              WriteTweakText(twice, Targets(), {r.settings[0]}));
    // A new file says what it is.
    EXPECT_EQ(0u, WriteTweakText({}, Targets(), {r.settings[0]}).rfind("# Tweak values", 0));
}

}  // namespace
