// Effekter::ShaderSuite3D ("ShaderSuite3D"): a mesh drawn twenty times in the
// same place through a vertex and fragment program, each layer with its own
// step value (0, 0.05, ..., 0.95) and blended over the ones before it with
// (GL_SRC_COLOR, GL_ONE_MINUS_SRC_COLOR). The object drifts from left to
// right over the window, turns about its vertical axis, drops in from above
// during the first 250 ms and rises away during the last 250 ms.
//
// Construct with the GL context current: loads "data/rubber/simple.3ds" as a
// display list with normals and texture coordinates, the textures
// "data/rubber/env.jpg" (given to the program on unit 0), "background.jpg"
// and "background1.jpg" (loaded, never shown: the backgrounds they belong to
// would be drawn black under additive blending, which changes no pixel), and
// the program "data/suite/fs.txt" + "data/suite/vs.txt" with the uniforms
// "step" and "time" (seconds of demo time). A missing shader file is left
// out of the program, a broken one stops the show at start-up; a missing
// picture leaves its texture empty; a missing mesh draws nothing.
//
// Draw starts from the standard perspective view and leaves depth testing,
// culling and blending off, depth writes on, no program, texture 0 bound, the
// colour white, the blend function (GL_SRC_COLOR, GL_ONE_MINUS_SRC_COLOR) and
// the standard perspective view. The layers are drawn without depth writes
// (they only test against what is already there); depth writes are switched
// back on afterwards, so later 3D effects and later clears work as usual.
// Ignores the beat; keeps no state between frames.
#pragma once

#include <cstdint>

#include "model3ds/mesh_display_list.h"
#include "render/shader.h"
#include "render/texture.h"
#include "timeline/effekt.h"

namespace Effekter {

// The numbers of one ShaderSuite3D frame, computed before any GL call.
struct ShaderSuiteFrame {
    float edge;     // 1 -> 0 over the first 250 ms, 0 -> 1 over the last 250 ms
    float x;        // drift: (t - start) / 75 - 150
    float y;        // drop: 500 * edge
    float turn;     // degrees about the vertical axis: t / 20
    float seconds;  // the program's time: t / 1000
};
ShaderSuiteFrame ComputeShaderSuiteFrame(uint32_t demo_time, uint32_t start, uint32_t end);

class ShaderSuite3D : public Effekt {
public:
    static constexpr int kLayers = 20;
    // The step value of layer i: i / 20.
    static float LayerStep(int layer) { return static_cast<float>(layer / 20.0); }

    ShaderSuite3D(int start, int end);
    void Draw(uint32_t demo_time, float beat) override;
    GLuint ProgramName() const { return program_.Program(); }
    GLuint MeshList() const { return mesh_.Name(); }

private:
    MeshDisplayList mesh_;
    CTextureFreeImage environment_;
    CTextureFreeImage background_;
    CTextureFreeImage background1_;
    VertexFragmentProgram program_;
    GLint step_location_ = -1;
    GLint time_location_ = -1;
};

}  // namespace Effekter
