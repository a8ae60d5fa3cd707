#include "platform/timeline_strip.h"

#include <imgui.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

constexpr float kMargin = 10.0f;  // from the display's edges
constexpr float kPad = 6.0f;      // inside the window
constexpr float kRow = 20.0f;     // the button row
constexpr float kKeyRow = 9.0f;   // the key marks above the bars
constexpr float kLane = 15.0f;    // one lane of bars
constexpr float kGraph = 160.0f;  // the beat graph's width
constexpr float kSnapPixels = 4.0f;
constexpr float kClickPixels = 3.0f;  // a Shift+press that moves less is a click

ImU32 KindColour(TimelineKind kind) {
    switch (kind) {
        case TimelineKind::Image: return IM_COL32(80, 150, 225, 255);
        case TimelineKind::Shader: return IM_COL32(225, 140, 55, 255);
        case TimelineKind::Model3d: return IM_COL32(110, 190, 100, 255);
        case TimelineKind::Video: return IM_COL32(195, 90, 195, 255);
        case TimelineKind::Plugin: return IM_COL32(220, 200, 70, 255);
        case TimelineKind::Other: break;
    }
    return IM_COL32(125, 125, 125, 255);
}

// The pointer's part in a drag that began on the track.
struct Drag {
    bool loop = false;  // Shift was down at the press
    float press_x = 0;
    uint32_t anchor = 0;
};
Drag g_drag;
float g_track[4] = {0, 0, 0, 0};  // where the last frame drew the track
bool g_track_drawn = false;

float XOf(uint32_t t, float x0, float x1, uint32_t first, uint32_t last) {
    if (last <= first) return x0;
    const double u = (static_cast<double>(t) - first) / (static_cast<double>(last) - first);
    return x0 + static_cast<float>(std::clamp(u, 0.0, 1.0)) * (x1 - x0);
}

}  // namespace

int AssignTimelineLanes(std::vector<TimelineBar>& bars) {
    int lanes = 1;
    for (size_t i = 0; i < bars.size(); ++i) {
        int lane = 0;
        for (bool clash = true; clash;) {
            clash = false;
            for (size_t j = 0; j < i && !clash; ++j)
                clash = bars[j].lane == lane && bars[j].start < bars[i].end &&
                        bars[i].start < bars[j].end;
            if (clash) ++lane;
        }
        bars[i].lane = lane;
        lanes = std::max(lanes, lane + 1);
    }
    return lanes;
}

void BeatHistory::Add(uint32_t demo_time, float level) {
    if (count_ > 0 && demo_time < Time(count_ - 1)) count_ = 0;
    if (count_ == kCapacity) {
        first_ = (first_ + 1) % kCapacity;
        --count_;
    }
    const size_t at = (first_ + count_) % kCapacity;
    times_[at] = demo_time;
    levels_[at] = std::isfinite(level) ? level : 0.0f;
    ++count_;
}

uint32_t TimelineTimeAt(float x, float x0, float x1, uint32_t first, uint32_t last) {
    if (x1 <= x0 || last <= first) return first;
    const double u = std::clamp(static_cast<double>(x - x0) / (x1 - x0), 0.0, 1.0);
    return first + static_cast<uint32_t>(std::lround(u * (static_cast<double>(last) - first)));
}

uint32_t SnapToKey(uint32_t t, const uint32_t* keys, size_t count, uint32_t tolerance) {
    const uint32_t* after = std::lower_bound(keys, keys + count, t);
    uint32_t best = t, distance = tolerance + 1;
    if (after != keys + count && *after - t < distance) best = *after, distance = *after - t;
    if (after != keys && t - after[-1] < distance) best = after[-1];
    return best;
}

float TimelineStripHeight(int lanes) {
    return 2 * kPad + kRow + 4 + kKeyRow + static_cast<float>(std::max(lanes, 1)) * kLane;
}

void DrawTimelineStrip(const TimelineStripView& view, float display_width, float display_height,
                       TimelineStripInput& input, float rect[4]) {
    input = TimelineStripInput();
    const float height = TimelineStripHeight(view.lanes);
    const float width = std::max(display_width - 2 * kMargin, 2 * kGraph);
    ImGui::SetNextWindowPos(ImVec2(kMargin, display_height - kMargin - height), ImGuiCond_Always);
    ImGui::SetNextWindowSize(ImVec2(width, height), ImGuiCond_Always);
    ImGui::SetNextWindowBgAlpha(0.85f);
    ImGui::PushStyleVar(ImGuiStyleVar_WindowPadding, ImVec2(kPad, kPad));
    const ImGuiWindowFlags flags = ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_NoMove |
                                   ImGuiWindowFlags_NoSavedSettings | ImGuiWindowFlags_NoNav |
                                   ImGuiWindowFlags_NoFocusOnAppearing;
    ImGui::Begin("##timeline", nullptr, flags);
    ImGui::PopStyleVar();
    const ImVec2 origin = ImGui::GetWindowPos();
    rect[0] = origin.x;
    rect[1] = origin.y;
    rect[2] = origin.x + width;
    rect[3] = origin.y + height;
    ImDrawList* draw = ImGui::GetWindowDrawList();

    // The button row: Save, the status, the demo time.
    if (ImGui::Button("Save")) input.save = true;
    if (ImGui::IsItemHovered()) ImGui::SetTooltip("Write the tweaks file (Ctrl+S)");
    ImGui::SameLine();
    ImGui::AlignTextToFramePadding();
    ImGui::TextUnformatted(view.status ? view.status : "");
    char clock[32];
    std::snprintf(clock, sizeof clock, "t = %.3f s", view.now / 1000.0);
    const float clock_width = ImGui::CalcTextSize(clock).x;
    ImGui::SameLine(std::max(width - kGraph - 2 * kPad - clock_width, 0.0f));
    ImGui::TextUnformatted(clock);

    // The track: key marks, then the lanes of bars.
    const float x0 = origin.x + kPad, x1 = origin.x + width - kGraph - 2 * kPad;
    const float top = origin.y + kPad + kRow + 4, bottom = origin.y + height - kPad;
    const float lanes_top = top + kKeyRow;
    g_track[0] = x0, g_track[1] = top, g_track[2] = x1, g_track[3] = bottom;
    g_track_drawn = true;
    ImGui::SetCursorScreenPos(ImVec2(x0, top));
    ImGui::InvisibleButton("##track", ImVec2(std::max(x1 - x0, 1.0f), bottom - top));
    const ImVec2 mouse = ImGui::GetIO().MousePos;
    const uint32_t at_mouse = TimelineTimeAt(mouse.x, x0, x1, view.first, view.last);
    const uint32_t ms_per_pixel = static_cast<uint32_t>(
        (static_cast<double>(view.last) - view.first) / std::max(x1 - x0, 1.0f));
    if (ImGui::IsItemActivated()) {
        g_drag.loop = ImGui::GetIO().KeyShift;
        g_drag.press_x = mouse.x;
        g_drag.anchor = at_mouse;
        if (!g_drag.loop) {
            input.seek = true;
            input.seek_to = SnapToKey(at_mouse, view.keys, view.key_count,
                                      static_cast<uint32_t>(kSnapPixels * ms_per_pixel));
        }
    } else if (ImGui::IsItemActive() && !g_drag.loop && ImGui::GetIO().MouseDelta.x != 0) {
        input.seek = true;
        input.seek_to = at_mouse;
    }
    const bool looping_drag = ImGui::IsItemActive() && g_drag.loop;
    if (ImGui::IsItemDeactivated() && g_drag.loop) {
        input.loop_changed = true;
        input.has_loop =
            std::fabs(mouse.x - g_drag.press_x) >= kClickPixels && at_mouse != g_drag.anchor;
        input.loop_from = std::min(at_mouse, g_drag.anchor);
        input.loop_to = std::max(at_mouse, g_drag.anchor);
    }

    draw->AddRectFilled(ImVec2(x0, lanes_top), ImVec2(x1, bottom), IM_COL32(25, 25, 30, 255));
    // The loop range, and the one being dragged.
    auto shade = [&](uint32_t from, uint32_t to, ImU32 colour) {
        const float a = XOf(from, x0, x1, view.first, view.last);
        const float b = XOf(to, x0, x1, view.first, view.last);
        draw->AddRectFilled(ImVec2(a, top), ImVec2(std::max(b, a + 1), bottom), colour);
    };
    if (view.has_loop) shade(view.loop_from, view.loop_to, IM_COL32(255, 255, 255, 45));
    if (looping_drag)
        shade(std::min(at_mouse, g_drag.anchor), std::max(at_mouse, g_drag.anchor),
              IM_COL32(120, 200, 255, 70));

    const ImFont* font = ImGui::GetFont();
    const float font_size = ImGui::GetFontSize();
    const TimelineBar* hovered = nullptr;
    for (size_t i = 0; i < view.bar_count; ++i) {
        const TimelineBar& bar = view.bars[i];
        const float a = XOf(bar.start, x0, x1, view.first, view.last);
        const float b = std::max(XOf(bar.end, x0, x1, view.first, view.last), a + 1);
        const float y = lanes_top + static_cast<float>(bar.lane) * kLane;
        const ImVec2 min(a, y + 1), max(b, y + kLane - 1);
        draw->AddRectFilled(min, max, KindColour(bar.kind), 2.0f);
        const ImVec4 clip(min.x + 2, min.y, max.x - 2, max.y);
        if (max.x - min.x > 12)
            draw->AddText(font, font_size, ImVec2(min.x + 3, min.y), IM_COL32(15, 15, 15, 255),
                          bar.keyword, nullptr, 0.0f, &clip);
        if (mouse.x >= min.x && mouse.x < max.x && mouse.y >= min.y && mouse.y < max.y)
            hovered = &bar;
    }
    // Keys: a diamond each, one per pixel column at most.
    float last_x = -1;
    for (size_t i = 0; i < view.key_count; ++i) {
        const float x = std::floor(XOf(view.keys[i], x0, x1, view.first, view.last));
        if (x == last_x) continue;
        last_x = x;
        const float cy = top + kKeyRow * 0.5f, r = kKeyRow * 0.45f;
        draw->AddQuadFilled(ImVec2(x, cy - r), ImVec2(x + r, cy), ImVec2(x, cy + r),
                            ImVec2(x - r, cy), IM_COL32(255, 230, 120, 255));
    }
    // The play head.
    const float head = XOf(view.now, x0, x1, view.first, view.last);
    draw->AddLine(ImVec2(head, top), ImVec2(head, bottom), IM_COL32(255, 60, 60, 255), 2.0f);
    if (hovered && !ImGui::IsItemActive())
        ImGui::SetTooltip("%s %u-%u", hovered->keyword, hovered->start, hovered->end);

    // The beat graph of the last seconds, newest at the right.
    const float gx0 = x1 + kPad, gx1 = origin.x + width - kPad;
    const float gy0 = origin.y + kPad, gy1 = bottom;
    draw->AddRectFilled(ImVec2(gx0, gy0), ImVec2(gx1, gy1), IM_COL32(25, 25, 30, 255));
    if (view.beats) {
        const BeatHistory& beats = *view.beats;
        for (size_t i = 0; i < beats.Count(); ++i) {
            const uint32_t t = beats.Time(i);
            if (t > view.now || view.now - t > BeatHistory::kSpanMs) continue;
            const float x =
                gx1 - static_cast<float>(view.now - t) / BeatHistory::kSpanMs * (gx1 - gx0);
            const float level = std::clamp(beats.Level(i), 0.0f, 1.0f);
            draw->PathLineTo(ImVec2(x, gy1 - 1 - level * (gy1 - gy0 - 2)));
        }
        draw->PathStroke(IM_COL32(120, 230, 140, 255), 0, 1.5f);
    }
    ImGui::End();
}

bool TimelineStripTrackRect(float rect[4]) {
    for (int i = 0; i < 4; ++i) rect[i] = g_track[i];
    return g_track_drawn;
}
