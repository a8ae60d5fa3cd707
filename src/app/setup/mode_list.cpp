#include "app/setup/mode_list.h"

#include <cstdio>
#include <cstdlib>

namespace {

ModeListEntry Entry(int width, int height) {
    char line[32];
    snprintf(line, sizeof line, "%d * %d", width, height);
    return {width, height, line};
}

}  // namespace

ModeList BuildModeList(const std::vector<DisplayMode>& modes, int bits_per_pixel, int width,
                       int height, bool list_size) {
    ModeList list;
    for (const DisplayMode& mode : modes) {
        if (list.entries.size() >= static_cast<size_t>(kMaxModeListEntries)) break;
        if (mode.bits_per_pixel != bits_per_pixel) continue;
        if (!list.entries.empty() && list.entries.back().width == mode.width &&
            list.entries.back().height == mode.height) {
            continue;
        }
        list.entries.push_back(Entry(mode.width, mode.height));
    }
    for (size_t i = 0; i < list.entries.size(); ++i) {
        if (list.entries[i].width == width && list.entries[i].height == height) {
            list.selected = static_cast<int>(i);
        }
    }
    if (list.selected >= 0) return list;
    if (list_size) {
        list.entries.push_back(Entry(width, height));
        list.selected = static_cast<int>(list.entries.size()) - 1;
        return list;
    }
    long nearest = 0;
    for (size_t i = 0; i < list.entries.size(); ++i) {
        const long distance = std::labs(static_cast<long>(list.entries[i].width) - width) +
                              std::labs(static_cast<long>(list.entries[i].height) - height);
        if (list.selected < 0 || distance < nearest) {
            list.selected = static_cast<int>(i);
            nearest = distance;
        }
    }
    return list;
}
