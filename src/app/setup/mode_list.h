// The resolution list of the "Video setup" dialog, built from display modes.
//
// Pure: needs no display. Rules, applied to the modes in the order given:
//   - at most 4096 entries; the walk stops when the list is full;
//   - modes whose bits per pixel differ from the wanted depth are skipped;
//   - a mode of the same size as the entry added last is skipped (this folds
//     the runs of one size at several refresh rates; the same size after
//     another size is listed again);
//   - each entry is shown as the line "%d * %d" (width, height);
//   - the preselected line is the last entry equal to the record's size;
//     without one, the record's size is added as the last line when
//     `list_size` is set (a size given on the command line), otherwise the
//     first entry nearest to it (least sum of the width and height
//     differences) is preselected; with no entries, none.
#pragma once

#include <string>
#include <vector>

#include "platform/display_modes.h"

constexpr int kMaxModeListEntries = 4096;

struct ModeListEntry {
    int width;
    int height;
    std::string line;
};

struct ModeList {
    std::vector<ModeListEntry> entries;
    int selected = -1;  // index into entries, -1 when no entry matches
};

ModeList BuildModeList(const std::vector<DisplayMode>& modes, int bits_per_pixel, int width,
                       int height, bool list_size = false);
