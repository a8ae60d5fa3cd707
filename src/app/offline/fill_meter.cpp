#include "app/offline/fill_meter.h"

#include <cstdio>
#include <vector>

#include "app/core/demo_window.h"
#include "render/texture.h"
#include "render/window_layer.h"

FillMeter::FillMeter(size_t effect_count)
    : queries_(effect_count, 0), entries_(effect_count), drawn_(effect_count, 0) {
    if (!queries_.empty()) glGenQueries(static_cast<GLsizei>(queries_.size()), queries_.data());
}

FillMeter::~FillMeter() {
    if (!queries_.empty()) glDeleteQueries(static_cast<GLsizei>(queries_.size()), queries_.data());
}

void FillMeter::BeforeDraw(size_t index) {
    glFinish();
    start_ = Clock::now();
    glBeginQuery(GL_SAMPLES_PASSED, queries_[index]);
    counting_ = true;
}

void FillMeter::AfterDraw(size_t index) {
    glEndQuery(GL_SAMPLES_PASSED);
    counting_ = false;
    glFinish();
    entries_[index].ms += std::chrono::duration<double, std::milli>(Clock::now() - start_).count();
    ++entries_[index].frames;
    drawn_[index] = 1;
}

void FillMeter::FrameDone() {
    for (size_t i = 0; i < queries_.size(); ++i) {
        if (!drawn_[i]) continue;
        GLuint samples = 0;
        glGetQueryObjectuiv(queries_[i], GL_QUERY_RESULT, &samples);
        entries_[i].fragments += samples;
        drawn_[i] = 0;
    }
}

void FillMeter::EndInterruptedDraw() {
    if (!counting_) return;
    glEndQuery(GL_SAMPLES_PASSED);
    counting_ = false;
}

void FillMeter::MeasureQuad(DemoWindow& window, int frames) {
    // A 512 x 512 picture with mipmaps, as the effects' pictures are, made
    // here so that the yardstick is the same for every show.
    constexpr int kSide = 512;
    std::vector<unsigned char> pixels(kSide * kSide * 4);
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x) {
            unsigned char* p = &pixels[(static_cast<size_t>(y) * kSide + x) * 4];
            p[0] = static_cast<unsigned char>(x / 2);
            p[1] = static_cast<unsigned char>(y / 2);
            p[2] = static_cast<unsigned char>((x ^ y) & 255);
            p[3] = 255;
        }
    CTexture texture;
    texture.Upload(pixels.data(), kSide, kSide, false, GL_RGBA, false);
    GLuint query = 0;
    glGenQueries(1, &query);
    for (int i = 0; i < frames; ++i) {
        window.BeginFrame();
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glFinish();
        const Clock::time_point start = Clock::now();
        glBeginQuery(GL_SAMPLES_PASSED, query);
        {
            glColor4f(1, 1, 1, 1);
            WindowLayerScope layer;
            TextureBind bind(texture);
            DrawLayerQuad();
        }
        glEndQuery(GL_SAMPLES_PASSED);
        glFinish();
        quad_.ms += std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        GLuint samples = 0;
        glGetQueryObjectuiv(query, GL_QUERY_RESULT, &samples);
        quad_.fragments += samples;
        ++quad_.frames;
        window.EndFrame();
    }
    glDeleteQueries(1, &query);
}

std::string FillMeter::Format(const EffectList& effects) const {
    std::string text;
    char line[256];
    snprintf(line, sizeof line,
             "\nFill: one plain full-window textured quad, %.0f fragments, %.2f ms, %.2f ms per "
             "million fragments\n",
             quad_.FragmentsPerFrame(), quad_.frames ? quad_.ms / quad_.frames : 0.0,
             quad_.MsPerMillion());
    text += line;
    snprintf(line, sizeof line, "%-18s %-20s %8s %12s %10s %12s %8s\n", "entry", "start-end ms",
             "frames", "Mfrag/frame", "draw ms", "ms/Mfrag", "x quad");
    text += line;
    const double quad = quad_.MsPerMillion();
    for (size_t i = 0; i < entries_.size() && i < effects.size(); ++i) {
        const Figures& f = entries_[i];
        if (f.frames == 0 || f.fragments == 0) continue;
        const std::string span =
            std::to_string(effects[i]->StartTime()) + "-" + std::to_string(effects[i]->EndTime());
        snprintf(line, sizeof line, "%-18s %-20s %8llu %12.3f %10.2f %12.2f %8.2f\n",
                 effects[i]->Keyword().c_str(), span.c_str(),
                 static_cast<unsigned long long>(f.frames), f.FragmentsPerFrame() / 1e6,
                 f.ms / static_cast<double>(f.frames), f.MsPerMillion(),
                 quad > 0 ? f.MsPerMillion() / quad : 0.0);
        text += line;
    }
    return text;
}
