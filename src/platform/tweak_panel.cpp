#include "platform/tweak_panel.h"

#include <GL/gl.h>
#include <imgui.h>
#include <backends/imgui_impl_opengl2.h>

#include <cfloat>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <strings.h>

#include "platform/debug_output.h"

namespace {

// Enumeration types are numbered from here on, one per DefineEnum.
constexpr int kFirstEnumType = 100;

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
bool IsQuote(char c) { return c == '\'' || c == '"' || c == '`'; }

}  // namespace

// A definition is a list of key=value pairs separated by blanks; a value is
// either one word or quoted with ', " or `. Values are skipped whole, so a
// "label=" inside another key's quoted value is not taken for the label.
std::string TweakLabel(const char* name, const char* definition) {
    const std::string fallback = name ? name : "";
    if (!definition) return fallback;
    const char* p = definition;
    while (*p) {
        while (IsSpace(*p)) ++p;
        const char* key = p;
        while (*p && !IsSpace(*p) && *p != '=') ++p;
        const size_t key_length = static_cast<size_t>(p - key);
        while (IsSpace(*p)) ++p;
        if (*p != '=') {
            if (key_length == 0 && *p) ++p;  // a stray character: step over it
            continue;
        }
        ++p;
        while (IsSpace(*p)) ++p;
        const char* value = p;
        size_t value_length = 0;
        if (IsQuote(*p)) {
            const char* close = std::strchr(p + 1, *p);
            if (!close) return fallback;  // unterminated: the rest is unusable
            value = p + 1;
            value_length = static_cast<size_t>(close - value);
            p = close + 1;
        } else {
            while (*p && !IsSpace(*p)) ++p;
            value_length = static_cast<size_t>(p - value);
        }
        if (key_length == 5 && strncasecmp(key, "label", 5) == 0)
            return std::string(value, value_length);
    }
    return fallback;
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
    variables_.push_back(TweakVariable{name, TweakLabel(name, definition), type, value});
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

// The panel's ImGui context and what the host told it about the mouse.
struct PanelState {
    ImGuiContext* context = nullptr;
    bool has_last_frame = false;
    std::chrono::steady_clock::time_point last_frame;
    ImVec2 mouse{-FLT_MAX, -FLT_MAX};
    bool mouse_down = false;
};
PanelState g_panel;

// Keeps another user's ImGui context current outside our calls.
class ContextSwitch {
public:
    explicit ContextSwitch(ImGuiContext* ours) : previous_(ImGui::GetCurrentContext()) {
        ImGui::SetCurrentContext(ours);
    }
    ~ContextSwitch() { ImGui::SetCurrentContext(previous_); }
    ContextSwitch(const ContextSwitch&) = delete;
    ContextSwitch& operator=(const ContextSwitch&) = delete;

private:
    ImGuiContext* previous_;
};

void CreatePanelContext() {
    IMGUI_CHECKVERSION();
    ImGuiContext* previous = ImGui::GetCurrentContext();
    g_panel.context = ImGui::CreateContext();
    ImGui::SetCurrentContext(g_panel.context);
    ImGuiIO& io = ImGui::GetIO();
    io.IniFilename = nullptr;  // nothing is written next to the show
    io.LogFilename = nullptr;
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

void DrawEnum(const char* label, const TweakEnum& e, int* value) {
    char number[16];
    const char* preview = TweakEnumPreview(e, *value, number, sizeof number);
    if (!ImGui::BeginCombo(label, preview)) return;
    for (size_t j = 0; j < e.values.size(); ++j) {
        if (ImGui::Selectable(e.label_pointers[j], e.values[j] == *value)) *value = e.values[j];
    }
    ImGui::EndCombo();
}

void DrawVariable(const TweakBar& bar, const TweakVariable& v) {
    const std::string id = TweakWidgetId(v);
    const char* label = id.c_str();
    switch (v.type) {
        case TW_TYPE_INT32: ImGui::InputInt(label, static_cast<int*>(v.value)); break;
        case TW_TYPE_FLOAT: ImGui::DragFloat(label, static_cast<float*>(v.value), 0.1f); break;
        case TW_TYPE_DIR3F: ImGui::DragFloat3(label, static_cast<float*>(v.value), 0.1f); break;
        case TW_TYPE_COLOR4F: ImGui::ColorEdit4(label, static_cast<float*>(v.value)); break;
        default:
            if (const TweakEnum* e = bar.Enum(v.type))
                DrawEnum(label, *e, static_cast<int*>(v.value));
            break;
    }
}

}  // namespace

void TweakPanelMouse(float x, float y, bool left_button_down) {
    g_panel.mouse = ImVec2(x, y);
    g_panel.mouse_down = left_button_down;
}

void DrawTweakPanel(const TweakBar& bar) {
    GLint viewport[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, viewport);
    if (viewport[2] <= 0 || viewport[3] <= 0) return;
    if (!g_panel.context) CreatePanelContext();
    ContextSwitch use(g_panel.context);

    ImGuiIO& io = ImGui::GetIO();
    io.DisplaySize = ImVec2(static_cast<float>(viewport[2]), static_cast<float>(viewport[3]));
    io.DeltaTime = FrameSeconds();
    io.MousePos = g_panel.mouse;
    io.MouseDown[0] = g_panel.mouse_down;

    ImGui_ImplOpenGL2_NewFrame();
    ImGui::NewFrame();
    // Sized to its rows up front: a window that measures itself stays hidden
    // on its first frame, and a tool may show the panel for one frame only.
    const ImGuiStyle& style = ImGui::GetStyle();
    const float rows = static_cast<float>(bar.Variables().size());
    const float height = ImGui::GetFrameHeight() + 2.0f * style.WindowPadding.y +
                         rows * ImGui::GetFrameHeightWithSpacing();
    ImGui::SetNextWindowPos(ImVec2(10.0f, 10.0f), ImGuiCond_FirstUseEver);
    ImGui::SetNextWindowSize(ImVec2(320.0f, height), ImGuiCond_Always);
    const char* title = bar.Title().empty() ? "Tweaks" : bar.Title().c_str();
    if (ImGui::Begin(title, nullptr, ImGuiWindowFlags_NoResize)) {
        for (const TweakVariable& v : bar.Variables()) DrawVariable(bar, v);
    }
    ImGui::End();
    ImGui::Render();
    ImGui_ImplOpenGL2_RenderDrawData(ImGui::GetDrawData());
}

void TweakTerminate() {
    if (!g_panel.context) return;
    {
        ContextSwitch use(g_panel.context);
        ImGui_ImplOpenGL2_Shutdown();
    }
    ImGui::DestroyContext(g_panel.context);
    g_panel = PanelState();
}
