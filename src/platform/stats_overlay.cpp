#include "platform/stats_overlay.h"

#include <GL/glew.h>
#include <imgui.h>
#include <backends/imgui_impl_opengl2.h>

#include <algorithm>
#include <cfloat>

#include "platform/overlay_scopes.h"

namespace {

constexpr float kWidth = 280.0f;
constexpr float kMargin = 10.0f;
constexpr float kGraphHeight = 56.0f;

ImGuiContext* g_context = nullptr;

void CreateContext() {
    ImGuiContext* previous = ImGui::GetCurrentContext();
    g_context = ImGui::CreateContext();
    ImGui::SetCurrentContext(g_context);
    ImGuiIO& io = ImGui::GetIO();
    io.IniFilename = nullptr;
    io.LogFilename = nullptr;
    ImGui::StyleColorsDark();
    ImGui_ImplOpenGL2_Init();
    ImGui::SetCurrentContext(previous);
}

}  // namespace

void DrawStatsOverlay(const StatsOverlayView& view) {
    GLint viewport[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, viewport);
    if (viewport[2] <= 0 || viewport[3] <= 0) return;
    if (!g_context) CreateContext();
    ImGuiContextScope use(g_context);
    SavedGlState saved;

    ImGuiIO& io = ImGui::GetIO();
    io.DisplaySize = ImVec2(static_cast<float>(viewport[2]), static_cast<float>(viewport[3]));
    io.DeltaTime = std::clamp(view.latest_ms / 1000.0f, 1e-4f, 1.0f);
    io.MousePos = ImVec2(-FLT_MAX, -FLT_MAX);
    ImGui_ImplOpenGL2_NewFrame();
    ImGui::NewFrame();

    ImGui::SetNextWindowPos(ImVec2(io.DisplaySize.x - kMargin, kMargin), ImGuiCond_Always,
                            ImVec2(1, 0));
    ImGui::SetNextWindowSize(ImVec2(kWidth, 0), ImGuiCond_Always);
    ImGui::SetNextWindowBgAlpha(0.7f);
    const ImGuiWindowFlags flags = ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_NoInputs |
                                   ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoSavedSettings |
                                   ImGuiWindowFlags_NoFocusOnAppearing | ImGuiWindowFlags_NoNav |
                                   ImGuiWindowFlags_AlwaysAutoResize;
    if (ImGui::Begin("##stats", nullptr, flags)) {
        ImGui::Text("%.1f fps   %.1f ms", view.frames_per_second, view.latest_ms);
        if (view.frame_ms && view.frame_count > 0) {
            float largest = 1000.0f / 30.0f;
            for (int i = 0; i < view.frame_count; ++i)
                largest = std::max(largest, view.frame_ms(view.data, i));
            ImGui::PlotLines("##frames", view.frame_ms, view.data, view.frame_count, 0,
                             "frame times, last 2 s", 0.0f, largest * 1.05f,
                             ImVec2(kWidth - 2 * ImGui::GetStyle().WindowPadding.x, kGraphHeight));
        }
        ImGui::Text("scale %.3g%s, drawn at %dx%d", view.scale, view.automatic ? " (auto)" : "",
                    view.drawn_width, view.drawn_height);
        for (int i = 0; i < view.entry_count; ++i) ImGui::TextUnformatted(view.entries[i]);
    }
    ImGui::End();
    ImGui::Render();
    ImGui_ImplOpenGL2_RenderDrawData(ImGui::GetDrawData());
}

void StatsOverlayTerminate() {
    if (!g_context) return;
    {
        ImGuiContextScope use(g_context);
        ImGui_ImplOpenGL2_Shutdown();
    }
    ImGui::DestroyContext(g_context);
    g_context = nullptr;
}
