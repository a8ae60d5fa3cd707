#include "effects/shader/shader_suite3d.h"

#include "render/gl_guards.h"

namespace Effekter {

ShaderSuiteFrame ComputeShaderSuiteFrame(uint32_t demo_time, uint32_t start, uint32_t end) {
    const uint32_t since_start = demo_time - start;
    ShaderSuiteFrame f;
    f.edge = 0;
    // Unsigned on purpose: before the start the difference wraps and is large.
    if (since_start < 250) f.edge = 1 - static_cast<float>(since_start) / 250;
    // Tested second, so in a window shorter than 500 ms the end ramp decides.
    if (demo_time > end - 250) f.edge = 1 - static_cast<float>(end - demo_time) / 250;
    f.x = static_cast<float>(since_start / 75.0 - 150.0);
    f.y = f.edge * 500;
    const float tf = static_cast<float>(demo_time);
    f.turn = tf / 20;
    f.seconds = static_cast<float>(tf / 1000.0);
    return f;
}

ShaderSuite3D::ShaderSuite3D(int start, int end)
    : Effekt(start, end),
      mesh_("data/rubber/simple.3ds", MeshDisplayList::kNormals | MeshDisplayList::kTexCoords) {
    environment_.Load("data/rubber/env.jpg");
    background_.Load("data/rubber/background.jpg");
    background1_.Load("data/rubber/background1.jpg");
    program_.Load("data/suite/fs.txt", "data/suite/vs.txt");
    step_location_ = LocateUniform(program_.Program(), "step");
    time_location_ = LocateUniform(program_.Program(), "time");
}

void ShaderSuite3D::Draw(uint32_t demo_time, float /*beat*/) {
    const ShaderSuiteFrame f = ComputeShaderSuiteFrame(demo_time, start_time_, end_time_);

    // The mesh, twenty translucent layers deep, in the standard view.
    ResetPerspective();
    CEnabler depth(GL_DEPTH_TEST);
    CEnabler cull(GL_CULL_FACE);
    TextureBind environment(environment_);
    MatrixScope matrix;
    glTranslatef(f.x, f.y, -500);
    RotateXYZ(Vec3(0, f.turn, 0));
    CTransparency additive(GL_ONE, GL_ONE);
    // This blend function is the one in force: bright layer colours replace
    // what is beneath, dark ones let it through.
    CTransparency layered(GL_SRC_COLOR, GL_ONE_MINUS_SRC_COLOR);
    glUseProgram(program_.Program());
    glUniform1f(time_location_, f.seconds);
    for (int i = 0; i < kLayers; ++i) {
        glDepthMask(GL_FALSE);
        glUniform1f(step_location_, LayerStep(i));
        MatrixScope layer;
        glColor4f(1, 1, 1, 1);
        mesh_.Call();
    }
    // Depth writes back on: left off, they would break depth testing in every
    // later 3D effect and keep the frame loop's clear off the depth buffer.
    glDepthMask(GL_TRUE);
    glUseProgram(0);
}

}  // namespace Effekter
