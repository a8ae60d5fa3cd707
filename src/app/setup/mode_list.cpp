#include "app/setup/mode_list.h"

#include <cstdio>

ModeList BuildModeList(const std::vector<DisplayMode>& modes, int bits_per_pixel, int width,
                       int height) {
    ModeList list;
    for (const DisplayMode& mode : modes) {
        if (list.entries.size() >= static_cast<size_t>(kMaxModeListEntries)) break;
        if (mode.bits_per_pixel != bits_per_pixel) continue;
        if (!list.entries.empty() && list.entries.back().width == mode.width &&
            list.entries.back().height == mode.height) {
            continue;
        }
        char line[32];
        snprintf(line, sizeof line, "%d * %d", mode.width, mode.height);
        list.entries.push_back({mode.width, mode.height, line});
    }
    for (size_t i = 0; i < list.entries.size(); ++i) {
        if (list.entries[i].width == width && list.entries[i].height == height) {
            list.selected = static_cast<int>(i);
        }
    }
    return list;
}
