// The resolution list of the "Video setup" dialog: filtering, folding,
// the size limit, the line texts and the preselection.
#include <gtest/gtest.h>

#include "app/setup/mode_list.h"

namespace {

DisplayMode Mode(int w, int h, int bpp = 32, int hz = 60) { return {w, h, bpp, hz}; }

std::vector<std::string> Lines(const ModeList& list) {
    std::vector<std::string> lines;
    for (const ModeListEntry& e : list.entries) lines.push_back(e.line);
    return lines;
}

TEST(ModeList, FoldsRunsOfOneSizeButListsASizeAgainAfterAnother) {
    const std::vector<DisplayMode> modes = {Mode(800, 600, 32, 60), Mode(800, 600, 32, 75),
                                            Mode(1024, 768, 32, 60), Mode(800, 600, 32, 85)};
    const ModeList list = BuildModeList(modes, 32, 1024, 768);
    EXPECT_EQ(Lines(list), (std::vector<std::string>{"800 * 600", "1024 * 768", "800 * 600"}));
    EXPECT_EQ(list.selected, 1);
    EXPECT_EQ(list.entries[1].width, 1024);
    EXPECT_EQ(list.entries[1].height, 768);
}

TEST(ModeList, PreselectsTheLastEntryOfTheRecordsSize) {
    const std::vector<DisplayMode> modes = {Mode(800, 600), Mode(1024, 768), Mode(800, 600)};
    EXPECT_EQ(BuildModeList(modes, 32, 800, 600).selected, 2);
}

// Without the record's size the nearest mode is preselected (least sum of
// the width and height differences, the first of equals); a size given on
// the command line is listed instead.
TEST(ModeList, WithoutTheRecordsSizeTheNearestOrTheGivenSize) {
    const struct {
        std::vector<DisplayMode> modes;
        int width, height;
        bool list_size;
        int selected;
        size_t lines;
    } rows[] = {
        {{Mode(1280, 1024)}, 1024, 768, false, 0, 1},
        // Width alone, or height alone, is no match, but near.
        {{Mode(1024, 600), Mode(800, 768)}, 1024, 768, false, 0, 2},
        {{Mode(800, 600), Mode(1280, 720), Mode(1280, 1024)}, 1024, 768, false, 1, 3},
        {{Mode(1000, 768), Mode(1048, 768)}, 1024, 768, false, 0, 2},
        {{}, 1024, 768, false, -1, 0},
        {{Mode(800, 600), Mode(1280, 1024)}, 320, 240, true, 2, 3},
        {{Mode(800, 600), Mode(320, 240)}, 320, 240, true, 1, 2},
        {{}, 320, 240, true, 0, 1},
    };
    for (const auto& row : rows) {
        const ModeList list = BuildModeList(row.modes, 32, row.width, row.height, row.list_size);
        EXPECT_EQ(list.selected, row.selected) << row.width << "x" << row.height;
        ASSERT_EQ(list.entries.size(), row.lines);
        if (row.list_size) {
            EXPECT_EQ(list.entries[row.selected].line, "320 * 240");
        }
    }
}

TEST(ModeList, OtherDepthsNeverAppearAndDoNotBreakARun) {
    const std::vector<DisplayMode> modes = {Mode(640, 480, 16), Mode(800, 600, 32),
                                            Mode(1024, 768, 16), Mode(800, 600, 32, 75),
                                            Mode(1024, 768, 16)};
    const ModeList list = BuildModeList(modes, 32, 1024, 768);
    // The 16-bit 1024 x 768 mode between the two 800 x 600 ones is skipped
    // before the fold compares, so they fold into one line.
    EXPECT_EQ(Lines(list), (std::vector<std::string>{"800 * 600"}));

    const ModeList sixteen = BuildModeList(modes, 16, 1024, 768);
    EXPECT_EQ(Lines(sixteen), (std::vector<std::string>{"640 * 480", "1024 * 768"}));
    EXPECT_EQ(sixteen.selected, 1);
}

TEST(ModeList, StopsAt4096Entries) {
    std::vector<DisplayMode> modes;
    for (int i = 0; i < 5000; ++i) modes.push_back(Mode(100 + i, 100));
    modes.push_back(Mode(1024, 768));
    const ModeList list = BuildModeList(modes, 32, 1024, 768);
    ASSERT_EQ(list.entries.size(), 4096u);
    EXPECT_EQ(list.entries.back().line, "4195 * 100");
    // The record's size came after the limit: not listed; the nearest is.
    EXPECT_EQ(list.entries[list.selected].line, "1024 * 100");

    // Folded repeats do not count against the limit.
    std::vector<DisplayMode> repeats(10000, Mode(640, 480));
    repeats.push_back(Mode(1024, 768));
    EXPECT_EQ(BuildModeList(repeats, 32, 1024, 768).selected, 1);
}

TEST(ModeList, LinesUseTheDialogsFormat) {
    const ModeList list = BuildModeList({Mode(7680, 4320)}, 32, 0, 0);
    EXPECT_EQ(Lines(list), (std::vector<std::string>{"7680 * 4320"}));
}

}  // namespace
