// The script reader's line rules and the loading of entries.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/failure.h"
#include "support/gl_context.h"
#include "support/script_loading.h"
#include "support/test_paths.h"
#include "factory/factory.h"
#include "timeline/presenter.h"
#include "timeline/script.h"

namespace {

// A read-only stream over a text.
struct TextStream {
    explicit TextStream(const std::string& text) : data(text) {
        file = fmemopen(data.data(), data.size(), "r");
    }
    ~TextStream() { fclose(file); }
    std::string data;
    FILE* file;
};

std::vector<std::string> AllLines(const std::string& text) {
    TextStream s(text);
    std::vector<std::string> lines;
    std::string line;
    while (ReadScriptLine(s.file, line)) lines.push_back(line);
    return lines;
}

TEST(ScriptLine, CommentsBlanksAndEmptyLines) {
    EXPECT_EQ(
        AllLines("#c\nStroboskop  \t\r\n \tIndented\n\n# x\n  #not comment\nlast"),
        (std::vector<std::string>{"Stroboskop", " \tIndented", "", "  #not comment", "last"}));
    // Comment lines between an entry's values are skipped wherever they stand.
    EXPECT_EQ(AllLines("Overlays\n#start\n100\n#end\n#more\n200\n"),
              (std::vector<std::string>{"Overlays", "100", "200"}));
    EXPECT_TRUE(AllLines("").empty());
    EXPECT_TRUE(AllLines("# only a comment\n#\n").empty());
}

TEST(ScriptLine, LongLinesComeBackInPiecesOf1023) {
    const std::string longline(1500, 'a');
    const auto lines = AllLines(longline + "\nnext\n");
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].size(), 1023u);
    EXPECT_EQ(lines[1].size(), 1500u - 1023u);
    EXPECT_EQ(lines[2], "next");
    // A piece that starts with '#' counts as a comment, as a line would.
    const auto split = AllLines(std::string(1023, 'b') + "#tail\nx\n");
    EXPECT_EQ(split, (std::vector<std::string>{std::string(1023, 'b'), "x"}));
}

TEST(ScriptNumber, ReadsLikeAtoi) {
    EXPECT_EQ(ScriptNumber("1500ms"), 1500);
    EXPECT_EQ(ScriptNumber("letters"), 0);
    EXPECT_EQ(ScriptNumber(""), 0);
    EXPECT_EQ(ScriptNumber("  -42"), -42);
    EXPECT_EQ(ScriptNumber("+7"), 7);
    EXPECT_EQ(ScriptNumber("12 34"), 12);
    // Out-of-range numbers do not trip undefined behaviour; they saturate
    // and keep their low 32 bits as the platform's atoi does.
    EXPECT_EQ(ScriptNumber("99999999999999999999999"), -1);
    EXPECT_EQ(ScriptNumber("4294967295"), -1);
    TextStream s("#c\n 250\n");
    EXPECT_EQ(ReadScriptInt(s.file), 250);
    EXPECT_EQ(ReadScriptInt(s.file), 0);  // end of file reads as the empty line
}

TEST(Factory, KeywordsMatchWholeLinesExactly) {
    EXPECT_NE(FindEffectMaker("EndDemo"), nullptr);
    EXPECT_NE(FindEffectMaker("Overlays"), nullptr);
    EXPECT_EQ(FindEffectMaker("enddemo"), nullptr);
    EXPECT_EQ(FindEffectMaker(" EndDemo"), nullptr);
    EXPECT_EQ(FindEffectMaker(""), nullptr);
    EXPECT_EQ(FindEffectMaker("NoSuchEffect"), nullptr);
}

// Loads a script through the real factory with a presenter that only counts.
using Loaded = LoadedScript;

Loaded Load(const std::string& script) { return LoadScriptText(script); }

TEST(LoadDemoScript, HeaderAndEntries) {
    REQUIRE_GL();
    Loaded l = Load("music/a.ogg\n5\n3\nOverlays\n1000\n2000\n# c\nEndDemo\n60000\n60100\n#end\n");
    EXPECT_EQ(l.failure, "");
    EXPECT_EQ(l.music, "music/a.ogg");
    EXPECT_EQ(l.offset, 5u);
    ASSERT_EQ(l.effects.size(), 2u);
    EXPECT_EQ(l.effects[0]->StartTime(), 1000u);
    EXPECT_EQ(l.effects[0]->EndTime(), 2000u);
    EXPECT_EQ(l.effects[1]->StartTime(), 60000u);
    // The reader tells each effect its keyword (the timedemo's rows use it).
    EXPECT_EQ(l.effects[0]->Keyword(), "Overlays");
    EXPECT_EQ(l.effects[1]->Keyword(), "EndDemo");
    EXPECT_EQ(l.swaps, 2);  // one loading frame per entry
}

// The music path is read ahead, without loading, so the music can decode
// while the entries load: the same first value line the reader takes.
TEST(PeekScriptMusicPath, FirstValueLineOrNothing) {
    ScratchDir dir;
    EXPECT_EQ(PeekScriptMusicPath(dir.Write("a.txt", "# music\ndata/m.ogg  \r\n0\n").c_str()),
              "data/m.ogg");
    EXPECT_EQ(PeekScriptMusicPath(dir.Write("b.txt", "").c_str()), "");
    EXPECT_EQ(PeekScriptMusicPath((dir.path() + "/none.txt").c_str()), "");
    EXPECT_EQ(PeekScriptMusicPath(dir.path().c_str()), "");  // a folder
}

TEST(LoadDemoScript, EmptyLineWhereAKeywordIsExpectedIsUnknown) {
    REQUIRE_GL();
    Loaded l = Load("m\n0\n1\nOverlays\n1\n2\n\nOverlays\n1\n2\n");
    EXPECT_EQ(l.failure, "Unknown entry '' in file, please correct (line 7)");
    EXPECT_EQ(l.effects.size(), 1u);  // the entry before stays in the list
}

// Failures name the file line of the entry's keyword, comment lines counted.
TEST(LoadDemoScript, FailuresNameTheEntrysLine) {
    REQUIRE_GL();
    const struct {
        std::string script, failure;
    } rows[] = {
        {"m\n0\n1\n Overlays\n1\n2\n",
         "Unknown entry ' Overlays' in file, please correct (line 4)"},
        {"m\n0\n1\noverlays\n1\n2\n", "Unknown entry 'overlays' in file, please correct (line 4)"},
        {"m\n0\n1\nOverlays   \t\n1\n2\n", ""},
        // A blank line after the last entry is a keyword too.
        {"m\n0\n1\nOverlays\n1\n2\n\n", "Unknown entry '' in file, please correct (line 7)"},
        {"# c\nm\n#\n0\n1\n# a comment\nOverlays\n1\n2\n# x\n# y\nOops",
         "Unknown entry 'Oops' in file, please correct (line 12)"},
        {"m\n0\n1\r\nOverlays\r\n1\r\n2\r\nOops\r\n",
         "Unknown entry 'Oops' in file, please correct (line 7)"},
        // What an entry's effect raises keeps its text and gains the line.
        {"m\n0\n2\nOverlays\n1\n2\n#\nAlphaBlendImage\n1\n2\n",
         "AlphaBlendImage: the script ends before its image path and mode lines "
         "(AlphaBlendImage entry at line 8)"},
    };
    for (const auto& row : rows) EXPECT_EQ(Load(row.script).failure, row.failure) << row.script;
}

TEST(LoadDemoScript, EndsCleanlyAndCutEntries) {
    REQUIRE_GL();
    Loaded none = Load("m\n0\n0\n");
    EXPECT_EQ(none.failure, "");
    EXPECT_TRUE(none.effects.empty());
    EXPECT_EQ(none.swaps, 0);

    // An entry cut short reads its missing times as 0: it is made but never drawn.
    Loaded cut = Load("m\n0\n1\nOverlays\n1500ms");
    EXPECT_EQ(cut.failure, "");
    ASSERT_EQ(cut.effects.size(), 1u);
    EXPECT_EQ(cut.effects[0]->StartTime(), 1500u);
    EXPECT_EQ(cut.effects[0]->EndTime(), 0u);

    // Negative times are kept as unsigned 32-bit values.
    Loaded negative = Load("m\n0\n1\nOverlays\n-1\n-2\n");
    ASSERT_EQ(negative.effects.size(), 1u);
    EXPECT_EQ(negative.effects[0]->StartTime(), 4294967295u);
}

TEST(LoadDemoScript, MissingFileOrAFolderSaysWhy) {
    ScratchDir dir;
    dir.Write("demo.txt/inside.txt", "x");
    const std::string file = dir.Write("file.txt", "m\n0\n0\n");
    const std::pair<std::string, std::string> rows[] = {
        {"/nonexistent/x.txt", "No such file or directory"},
        {dir.path() + "/demo.txt", "it is a folder"},
        {file + "/demo.txt", "Not a directory"},
    };
    for (const auto& [path, why] : rows) {
        EffectList effects;
        CountingPresenter presenter;
        std::string music;
        uint32_t offset = 0;
        try {
            LoadDemoScript(effects, presenter, music, offset, FindEffectMaker, path.c_str());
            ADD_FAILURE() << "no failure raised for " << path;
        } catch (const DemoFailure& f) {
            EXPECT_EQ(f.text(), "Unable to load " + path + " (" + why + ")");
            EXPECT_FALSE(f.IsNormalEnd());
        }
        EXPECT_EQ(presenter.swaps, 0) << "no loading screen for " << path;
    }
}

TEST(Effekt, WindowIsStrictAndUnsigned) {
    Effekter::Overlays e(1000, 2000);
    EXPECT_FALSE(e.IsActiveAt(1000));
    EXPECT_TRUE(e.IsActiveAt(1001));
    EXPECT_TRUE(e.IsActiveAt(1999));
    EXPECT_FALSE(e.IsActiveAt(2000));
    Effekter::Overlays tight(5, 6);
    for (uint32_t t = 0; t < 10; ++t) EXPECT_FALSE(tight.IsActiveAt(t));
    Effekter::Overlays from_zero(0, 10);
    EXPECT_FALSE(from_zero.IsActiveAt(0));
    EXPECT_TRUE(from_zero.IsActiveAt(1));
    EXPECT_THROW(Effekter::EndDemo(0, 1).Draw(0, 0), DemoFailure);
    try {
        Effekter::EndDemo(0, 1).Draw(0, 0);
    } catch (const DemoFailure& f) {
        EXPECT_EQ(f.text(), "End of show");
        EXPECT_TRUE(f.IsNormalEnd());  // the process exits with 0
    }
}

}  // namespace
