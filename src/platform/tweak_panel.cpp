#include "platform/tweak_panel.h"

#include <GL/glew.h>
#include <imgui.h>
#include <backends/imgui_impl_opengl2.h>

#include <SDL/SDL_keysym.h>

#include <algorithm>
#include <cfloat>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <strings.h>

#include "platform/debug_output.h"
#include "platform/overlay_scopes.h"
#include "platform/timeline_strip.h"

namespace {

// Enumeration types are numbered from here on, one per DefineEnum.
constexpr int kFirstEnumType = 100;

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
bool IsQuote(char c) { return c == '\'' || c == '"' || c == '`'; }

}  // namespace

// A definition is a list of key=value pairs separated by blanks; a value is
// either one word or quoted with ', " or `. Values are skipped whole, so a
// "label=" inside another key's quoted value is not taken for the label.
bool TweakDefinitionValue(const char* definition, const char* key, std::string& value) {
    if (!definition || !key) return false;
    const size_t wanted = std::strlen(key);
    const char* p = definition;
    while (*p) {
        while (IsSpace(*p)) ++p;
        const char* name = p;
        while (*p && !IsSpace(*p) && *p != '=') ++p;
        const size_t name_length = static_cast<size_t>(p - name);
        while (IsSpace(*p)) ++p;
        if (*p != '=') {
            if (name_length == 0 && *p) ++p;  // a stray character: step over it
            continue;
        }
        ++p;
        while (IsSpace(*p)) ++p;
        const char* start = p;
        size_t length = 0;
        if (IsQuote(*p)) {
            const char* close = std::strchr(p + 1, *p);
            if (!close) return false;  // unterminated: the rest is unusable
            start = p + 1;
            length = static_cast<size_t>(close - start);
            p = close + 1;
        } else {
            while (*p && !IsSpace(*p)) ++p;
            length = static_cast<size_t>(p - start);
        }
        if (name_length == wanted && strncasecmp(name, key, wanted) == 0) {
            value.assign(start, length);
            return true;
        }
    }
    return false;
}

std::string TweakLabel(const char* name, const char* definition) {
    std::string label;
    if (TweakDefinitionValue(definition, "label", label)) return label;
    return name ? name : "";
}

bool TweakDefinitionNumber(const char* definition, const char* key, float& number) {
    std::string text;
    if (!TweakDefinitionValue(definition, key, text) || text.empty()) return false;
    char* end = nullptr;
    const float v = std::strtof(text.c_str(), &end);
    if (*end != '\0' || !std::isfinite(v)) return false;
    number = v;
    return true;
}

// Text after "##" is part of an ImGui widget's identity but is not shown.
std::string TweakWidgetId(const TweakVariable& variable) {
    return variable.label + "##" + variable.name;
}

bool TweakBar::AddVarRW(const char* name, TweakType type, void* value, const char* definition) {
    if (!name || !*name || !value) {
        DebugOutputFormat("Tweak bar '%s': variable without name or value ignored\n",
                          title_.c_str());
        return false;
    }
    if (Find(name)) {
        DebugOutputFormat("Tweak bar '%s': variable '%s' added twice\n", title_.c_str(), name);
        return false;
    }
    const bool known = type == TW_TYPE_INT32 || type == TW_TYPE_FLOAT || type == TW_TYPE_DIR3F ||
                       type == TW_TYPE_COLOR4F || Enum(type) != nullptr;
    if (!known) {
        DebugOutputFormat("Tweak bar '%s': variable '%s' has an unknown type %d\n", title_.c_str(),
                          name, static_cast<int>(type));
        return false;
    }
    TweakVariable v;
    v.name = name;
    v.label = TweakLabel(name, definition);
    v.type = type;
    v.value = value;
    v.has_min = TweakDefinitionNumber(definition, "min", v.min);
    v.has_max = TweakDefinitionNumber(definition, "max", v.max);
    v.has_step = TweakDefinitionNumber(definition, "step", v.step) && v.step > 0;
    v.widget_id = TweakWidgetId(v);
    variables_.push_back(std::move(v));
    return true;
}

TweakType TweakBar::DefineEnum(const char* name, const TweakEnumValue* values, int count) {
    if (!name || !*name || !values || count <= 0) {
        DebugOutputFormat("Tweak bar '%s': enumeration without name or values ignored\n",
                          title_.c_str());
        return TW_TYPE_UNDEF;
    }
    for (const TweakEnum& e : enums_) {
        if (e.name == name) {
            DebugOutputFormat("Tweak bar '%s': enumeration '%s' defined twice\n", title_.c_str(),
                              name);
            return TW_TYPE_UNDEF;
        }
    }
    TweakEnum e;
    e.name = name;
    for (int i = 0; i < count; ++i) {
        e.values.push_back(values[i].value);
        e.labels.push_back(values[i].label ? values[i].label : "");
    }
    // Pointers are taken once the label strings are in place and stay valid:
    // the strings are never touched again.
    for (const std::string& label : e.labels) e.label_pointers.push_back(label.c_str());
    enums_.push_back(std::move(e));
    return static_cast<TweakType>(kFirstEnumType + static_cast<int>(enums_.size()) - 1);
}

bool TweakBar::NameUnlistedValue(TweakType type, int value, const char* label) {
    const int index = static_cast<int>(type) - kFirstEnumType;
    if (index < 0 || index >= static_cast<int>(enums_.size()) || !label) {
        DebugOutputFormat("Tweak bar '%s': unlisted value %d of no enumeration ignored\n",
                          title_.c_str(), value);
        return false;
    }
    TweakEnum& e = enums_[static_cast<size_t>(index)];
    e.unlisted_values.push_back(value);
    e.unlisted_labels.push_back(label);
    return true;
}

const char* TweakEnumPreview(const TweakEnum& e, int value, char* buffer, size_t size) {
    for (size_t j = 0; j < e.values.size(); ++j)
        if (e.values[j] == value) return e.label_pointers[j];
    for (size_t j = 0; j < e.unlisted_values.size(); ++j)
        if (e.unlisted_values[j] == value) return e.unlisted_labels[j].c_str();
    std::snprintf(buffer, size, "%d", value);
    return buffer;
}

const TweakVariable* TweakBar::Find(const char* name) const {
    if (!name) return nullptr;
    for (const TweakVariable& v : variables_)
        if (v.name == name) return &v;
    return nullptr;
}

const TweakEnum* TweakBar::Enum(TweakType type) const {
    const int index = static_cast<int>(type) - kFirstEnumType;
    if (index < 0 || index >= static_cast<int>(enums_.size())) return nullptr;
    return &enums_[static_cast<size_t>(index)];
}

namespace {

constexpr int kKeys = 512;  // ImGui's key table; SDL 1.2 codes stay below 512
constexpr float kBarWidth = 320.0f;
constexpr float kKeyedBarWidth = 400.0f;  // with the key buttons
constexpr float kKeyButtons = 68.0f;      // their width before each widget
constexpr float kMargin = 10.0f;
constexpr float kBarSpacing = 6.0f;

struct WidgetRect {
    const TweakBar* bar;
    const TweakVariable* variable;
    ImVec2 min, max;
};

struct BarWindow {
    ImVec2 min, max;
};

// A button or key that went down and may have come up again before any
// frame saw it down: the release waits for the frame after.
struct Button {
    bool down = false;
    bool seen_down = true;  // a frame has seen the current press
    bool release_pending = false;

    void Set(bool pressed) {
        if (pressed) {
            if (!down) seen_down = false;
            down = true;
            release_pending = false;
        } else if (down && !seen_down) {
            release_pending = true;
        } else {
            down = false;
        }
    }
    // After a frame: the frame saw the press; a release that waited applies.
    void FrameDone() {
        seen_down = true;
        if (release_pending) {
            down = false;
            release_pending = false;
        }
    }
};

// The panel's ImGui context and what the host told it.
struct PanelState {
    ImGuiContext* context = nullptr;
    bool has_last_frame = false;
    std::chrono::steady_clock::time_point last_frame;
    ImVec2 mouse{-FLT_MAX, -FLT_MAX};
    Button mouse_button;
    float wheel = 0;
    Button keys[kKeys];
    std::vector<unsigned int> characters;  // typed since the last frame
    bool ctrl = false, shift = false, alt = false;
    // What the last frame showed, for routing input and for tests.
    bool shown = false;
    bool editing = false;
    std::vector<BarWindow> windows;
    std::vector<WidgetRect> widgets;
};
PanelState g_panel;

void CreatePanelContext() {
    IMGUI_CHECKVERSION();
    ImGuiContext* previous = ImGui::GetCurrentContext();
    g_panel.context = ImGui::CreateContext();
    ImGui::SetCurrentContext(g_panel.context);
    ImGuiIO& io = ImGui::GetIO();
    io.IniFilename = nullptr;  // nothing is written next to the show
    io.LogFilename = nullptr;
    const int map[][2] = {
        {ImGuiKey_Tab, SDLK_TAB},
        {ImGuiKey_LeftArrow, SDLK_LEFT},
        {ImGuiKey_RightArrow, SDLK_RIGHT},
        {ImGuiKey_UpArrow, SDLK_UP},
        {ImGuiKey_DownArrow, SDLK_DOWN},
        {ImGuiKey_PageUp, SDLK_PAGEUP},
        {ImGuiKey_PageDown, SDLK_PAGEDOWN},
        {ImGuiKey_Home, SDLK_HOME},
        {ImGuiKey_End, SDLK_END},
        {ImGuiKey_Insert, SDLK_INSERT},
        {ImGuiKey_Delete, SDLK_DELETE},
        {ImGuiKey_Backspace, SDLK_BACKSPACE},
        {ImGuiKey_Space, SDLK_SPACE},
        {ImGuiKey_Enter, SDLK_RETURN},
        {ImGuiKey_Escape, SDLK_ESCAPE},
        {ImGuiKey_KeyPadEnter, SDLK_KP_ENTER},
        {ImGuiKey_A, SDLK_a},
        {ImGuiKey_C, SDLK_c},
        {ImGuiKey_V, SDLK_v},
        {ImGuiKey_X, SDLK_x},
        {ImGuiKey_Y, SDLK_y},
        {ImGuiKey_Z, SDLK_z},
    };
    for (const auto& entry : map) io.KeyMap[entry[0]] = entry[1];
    ImGui::StyleColorsDark();
    ImGui_ImplOpenGL2_Init();
    ImGui::SetCurrentContext(previous);
    g_panel.has_last_frame = false;
}

float FrameSeconds() {
    const auto now = std::chrono::steady_clock::now();
    float seconds = 1.0f / 60.0f;
    if (g_panel.has_last_frame)
        seconds = std::chrono::duration<float>(now - g_panel.last_frame).count();
    g_panel.last_frame = now;
    g_panel.has_last_frame = true;
    // ImGui needs a positive step; a long stall counts as one slow frame.
    if (seconds < 1e-4f) seconds = 1e-4f;
    if (seconds > 1.0f) seconds = 1.0f;
    return seconds;
}

void FeedInput(ImGuiIO& io) {
    io.MousePos = g_panel.mouse;
    io.MouseDown[0] = g_panel.mouse_button.down;
    io.MouseWheel = g_panel.wheel;
    for (int k = 0; k < kKeys; ++k) io.KeysDown[k] = g_panel.keys[k].down;
    io.KeyCtrl = g_panel.ctrl;
    io.KeyShift = g_panel.shift;
    io.KeyAlt = g_panel.alt;
    for (unsigned int c : g_panel.characters) io.AddInputCharacter(c);
}

void InputFrameDone() {
    g_panel.wheel = 0;
    g_panel.characters.clear();
    g_panel.mouse_button.FrameDone();
    for (Button& key : g_panel.keys) key.FrameDone();
}

void DrawEnum(const char* label, const TweakEnum& e, int* value) {
    char number[16];
    const char* preview = TweakEnumPreview(e, *value, number, sizeof number);
    if (!ImGui::BeginCombo(label, preview)) return;
    for (size_t j = 0; j < e.values.size(); ++j) {
        if (ImGui::Selectable(e.label_pointers[j], e.values[j] == *value)) *value = e.values[j];
    }
    ImGui::EndCombo();
}

// Bounds of a drag: ImGui clamps only when min < max.
void DragBounds(const TweakVariable& v, float& low, float& high, ImGuiSliderFlags& flags) {
    low = v.has_min ? v.min : -FLT_MAX;
    high = v.has_max ? v.max : FLT_MAX;
    flags = (v.has_min || v.has_max) ? ImGuiSliderFlags_AlwaysClamp : ImGuiSliderFlags_None;
    if (!v.has_min && !v.has_max) low = high = 0;
}

// The key buttons before a variable's widget: "key" (tinted while the
// variable has keys) sets one at the current time; on a key, its way to the
// next key and "x".
void DrawKeyButtons(TweakKeyHost& host, const TweakBar& bar, const TweakVariable& v) {
    const char* mode = "";
    const TweakKeyHost::State state = host.KeyState(bar, v, mode);
    const ImGuiStyle& style = ImGui::GetStyle();
    ImGui::PushID(v.widget_id.c_str());
    if (state == TweakKeyHost::State::KeyHere) {
        const float x_width = ImGui::GetFrameHeight();
        if (ImGui::Button(mode, ImVec2(kKeyButtons - x_width - style.ItemInnerSpacing.x, 0)))
            host.KeyAction(bar, v, TweakKeyHost::Action::NextMode);
        if (ImGui::IsItemHovered()) ImGui::SetTooltip("The way to the next key: click to change");
        ImGui::SameLine(0, style.ItemInnerSpacing.x);
        if (ImGui::Button("x", ImVec2(x_width, 0)))
            host.KeyAction(bar, v, TweakKeyHost::Action::RemoveKey);
        if (ImGui::IsItemHovered()) ImGui::SetTooltip("Remove this key");
    } else {
        const bool keyed = state == TweakKeyHost::State::Keyed;
        if (keyed) ImGui::PushStyleColor(ImGuiCol_Button, ImVec4(0.65f, 0.5f, 0.1f, 1.0f));
        if (ImGui::Button("key", ImVec2(kKeyButtons, 0)))
            host.KeyAction(bar, v, TweakKeyHost::Action::SetKey);
        if (keyed) ImGui::PopStyleColor();
        if (ImGui::IsItemHovered())
            ImGui::SetTooltip(keyed ? "Keyed: set a key at the current time"
                                    : "Set a key at the current time");
    }
    ImGui::PopID();
    ImGui::SameLine(0, style.ItemInnerSpacing.x);
    ImGui::SetNextItemWidth(kKeyedBarWidth * 0.65f - kKeyButtons - style.ItemInnerSpacing.x);
}

void DrawVariable(const TweakBar& bar, const TweakVariable& v, TweakKeyHost* keys) {
    if (keys) DrawKeyButtons(*keys, bar, v);
    const char* label = v.widget_id.c_str();
    const float speed = v.has_step ? v.step : 0.1f;
    float low = 0, high = 0;
    ImGuiSliderFlags flags = ImGuiSliderFlags_None;
    DragBounds(v, low, high, flags);
    switch (v.type) {
        case TW_TYPE_INT32: {
            int* value = static_cast<int*>(v.value);
            const int step = v.has_step ? std::max(1, static_cast<int>(v.step)) : 1;
            if (ImGui::InputInt(label, value, step, step * 10)) {
                if (v.has_min && *value < v.min) *value = static_cast<int>(std::ceil(v.min));
                if (v.has_max && *value > v.max) *value = static_cast<int>(std::floor(v.max));
            }
            break;
        }
        case TW_TYPE_FLOAT:
            ImGui::DragFloat(label, static_cast<float*>(v.value), speed, low, high, "%.3f", flags);
            break;
        case TW_TYPE_DIR3F:
            ImGui::DragFloat3(label, static_cast<float*>(v.value), speed, low, high, "%.3f", flags);
            break;
        case TW_TYPE_COLOR4F:
            ImGui::ColorEdit4(label, static_cast<float*>(v.value),
                              ImGuiColorEditFlags_Float | ImGuiColorEditFlags_HDR);
            break;
        default:
            if (const TweakEnum* e = bar.Enum(v.type))
                DrawEnum(label, *e, static_cast<int*>(v.value));
            break;
    }
    g_panel.widgets.push_back(
        WidgetRect{&bar, &v, ImGui::GetItemRectMin(), ImGui::GetItemRectMax()});
}

// One window per bar, sized to its rows up front (a window that measures
// itself stays hidden on its first frame, and a tool may show a bar for one
// frame only), placed below the previous one.
void DrawBar(const TweakBar& bar, size_t index, float& y, TweakKeyHost* keys) {
    // The visible title, then the bar's place: two bars of one title stay
    // two windows. Built in place: a shown panel allocates nothing of its own.
    char title[256];
    std::snprintf(title, sizeof title, "%s##bar%zu",
                  bar.Title().empty() ? "Tweaks" : bar.Title().c_str(), index);
    const ImGuiStyle& style = ImGui::GetStyle();
    const float rows = static_cast<float>(bar.Variables().size());
    const float height = ImGui::GetFrameHeight() + 2.0f * style.WindowPadding.y +
                         rows * ImGui::GetFrameHeightWithSpacing();
    ImGui::SetNextWindowPos(ImVec2(kMargin, y), ImGuiCond_Always);
    ImGui::SetNextWindowSize(ImVec2(keys ? kKeyedBarWidth : kBarWidth, height), ImGuiCond_Always);
    const ImGuiWindowFlags flags =
        ImGuiWindowFlags_NoResize | ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoSavedSettings;
    if (ImGui::Begin(title, nullptr, flags)) {
        for (const TweakVariable& v : bar.Variables()) DrawVariable(bar, v, keys);
    }
    const ImVec2 position = ImGui::GetWindowPos(), size = ImGui::GetWindowSize();
    g_panel.windows.push_back(
        BarWindow{position, ImVec2(position.x + size.x, position.y + size.y)});
    y = position.y + size.y + kBarSpacing;
    ImGui::End();
}

// The messages, the first line of each, in a strip along the bottom edge
// (above the timeline strip, `bottom` pixels up) that takes no input.
void DrawMessages(const std::vector<std::string>& messages, const ImVec2& display, float bottom) {
    if (messages.empty()) return;
    const ImGuiStyle& style = ImGui::GetStyle();
    const float height =
        static_cast<float>(messages.size()) * ImGui::GetTextLineHeightWithSpacing() +
        2.0f * style.WindowPadding.y;
    ImGui::SetNextWindowPos(ImVec2(kMargin, display.y - kMargin - bottom - height),
                            ImGuiCond_Always);
    ImGui::SetNextWindowSize(ImVec2(std::max(display.x - 2 * kMargin, 1.0f), height),
                             ImGuiCond_Always);
    ImGui::SetNextWindowBgAlpha(0.8f);
    const ImGuiWindowFlags flags = ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_NoInputs |
                                   ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoSavedSettings |
                                   ImGuiWindowFlags_NoFocusOnAppearing | ImGuiWindowFlags_NoNav;
    if (ImGui::Begin("##messages", nullptr, flags)) {
        ImGui::PushStyleColor(ImGuiCol_Text, ImVec4(1.0f, 0.5f, 0.4f, 1.0f));
        for (const std::string& message : messages) {
            const char* begin = message.c_str();
            const char* end = std::strchr(begin, '\n');
            ImGui::TextUnformatted(begin, end ? end : begin + message.size());
        }
        ImGui::PopStyleColor();
    }
    ImGui::End();
}

bool Inside(const ImVec2& p, const ImVec2& min, const ImVec2& max) {
    return p.x >= min.x && p.x < max.x && p.y >= min.y && p.y < max.y;
}

}  // namespace

void TweakPanelMouse(float x, float y, bool left_button_down) {
    TweakPanelMouseMove(x, y);
    TweakPanelMouseButton(left_button_down);
}

void TweakPanelMouseMove(float x, float y) { g_panel.mouse = ImVec2(x, y); }

void TweakPanelMouseButton(bool left_button_down) { g_panel.mouse_button.Set(left_button_down); }

void TweakPanelWheel(float steps) { g_panel.wheel += steps; }

void TweakPanelKey(int key, bool down) {
    if (key >= 0 && key < kKeys) g_panel.keys[key].Set(down);
}

void TweakPanelCharacter(unsigned int character) {
    // Control characters are keys (Backspace, Enter, Tab), not text.
    if (character >= 0x20 && character != 0x7f) g_panel.characters.push_back(character);
}

void TweakPanelModifiers(bool ctrl, bool shift, bool alt) {
    g_panel.ctrl = ctrl;
    g_panel.shift = shift;
    g_panel.alt = alt;
}

bool TweakPanelEditing() { return g_panel.shown && g_panel.editing; }

bool TweakPanelWantsInput() {
    if (!g_panel.shown) return false;
    if (g_panel.editing) return true;
    for (const BarWindow& w : g_panel.windows)
        if (Inside(g_panel.mouse, w.min, w.max)) return true;
    return false;
}

bool TweakPanelWidgetRect(const TweakBar& bar, const char* name, float rect[4]) {
    for (const WidgetRect& w : g_panel.widgets) {
        if (w.bar != &bar || !name || w.variable->name != name) continue;
        rect[0] = w.min.x;
        rect[1] = w.min.y;
        rect[2] = w.max.x;
        rect[3] = w.max.y;
        return true;
    }
    return false;
}

void DrawTweakPanels(const std::vector<const TweakBar*>& bars,
                     const std::vector<std::string>& messages) {
    TweakPanelFrame frame;
    frame.bars = &bars;
    frame.messages = &messages;
    DrawTweakPanelFrame(frame);
}

void DrawTweakPanelFrame(const TweakPanelFrame& frame) {
    g_panel.widgets.clear();
    g_panel.windows.clear();
    g_panel.shown = false;
    g_panel.editing = false;
    const bool has_bars = frame.bars && !frame.bars->empty();
    const bool has_messages = frame.messages && !frame.messages->empty();
    const bool has_strip = frame.strip && frame.strip_input;
    if (has_strip) *frame.strip_input = TimelineStripInput();
    if (!has_bars && !has_messages && !has_strip) return;
    GLint viewport[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, viewport);
    if (viewport[2] <= 0 || viewport[3] <= 0) return;
    if (!g_panel.context) CreatePanelContext();
    ImGuiContextScope use(g_panel.context);
    SavedGlState saved;

    ImGuiIO& io = ImGui::GetIO();
    const ImVec2 display(static_cast<float>(viewport[2]), static_cast<float>(viewport[3]));
    io.DisplaySize = display;
    io.DeltaTime = FrameSeconds();
    FeedInput(io);

    ImGui_ImplOpenGL2_NewFrame();
    ImGui::NewFrame();
    float y = kMargin;
    if (has_bars) {
        const std::vector<const TweakBar*>& bars = *frame.bars;
        for (size_t i = 0; i < bars.size(); ++i)
            if (bars[i]) DrawBar(*bars[i], i, y, frame.keys);
    }
    float bottom = 0;
    if (has_strip) {
        float rect[4];
        DrawTimelineStrip(*frame.strip, display.x, display.y, *frame.strip_input, rect);
        g_panel.windows.push_back(BarWindow{ImVec2(rect[0], rect[1]), ImVec2(rect[2], rect[3])});
        bottom = rect[3] - rect[1] + kBarSpacing;
    }
    if (has_messages) DrawMessages(*frame.messages, display, bottom);
    g_panel.editing = ImGui::IsAnyItemActive() || io.WantTextInput;
    ImGui::Render();
    ImGui_ImplOpenGL2_RenderDrawData(ImGui::GetDrawData());
    g_panel.shown = !g_panel.windows.empty();
    InputFrameDone();
}

void DrawTweakPanel(const TweakBar& bar) { DrawTweakPanels({&bar}, {}); }

void TweakTerminate() {
    if (!g_panel.context) return;
    {
        ImGuiContextScope use(g_panel.context);
        ImGui_ImplOpenGL2_Shutdown();
    }
    ImGui::DestroyContext(g_panel.context);
    g_panel = PanelState();
}
