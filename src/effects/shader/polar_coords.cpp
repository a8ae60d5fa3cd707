#include "effects/shader/polar_coords.h"

#include <GL/glu.h>

#include <algorithm>
#include <cmath>

#include "platform/failure.h"
#include "render/gl_guards.h"
#include "render/window_layer.h"

namespace Effekter {

namespace {
const char kBoxPicturePath[] = "data/housing.jpg";
const char kShaderPath[] = "data/polar.fs";

// The corners of DrawBox, face by face (z = +hz, z = -hz, y = +hy, y = -hy,
// x = +hx, x = -hx): texture coordinate as multiples of (u, v), then the
// signs of the vertex's half extents.
struct BoxCorner {
    float s, t, x, y, z;
};
constexpr BoxCorner kBoxCorners[24] = {
    {0, 0, -1, -1, 1},  {1, 0, 1, -1, 1},  {1, 1, 1, 1, 1},  {0, 1, -1, 1, 1},
    {1, 0, -1, -1, -1}, {1, 1, -1, 1, -1}, {0, 1, 1, 1, -1}, {0, 0, 1, -1, -1},
    {0, 1, -1, 1, -1},  {0, 0, -1, 1, 1},  {1, 0, 1, 1, 1},  {1, 1, 1, 1, -1},
    {1, 1, -1, -1, -1}, {0, 1, 1, -1, -1}, {0, 0, 1, -1, 1}, {1, 0, -1, -1, 1},
    {1, 0, 1, -1, -1},  {1, 1, 1, 1, -1},  {0, 1, 1, 1, 1},  {0, 0, 1, -1, 1},
    {0, 0, -1, -1, -1}, {1, 0, -1, -1, 1}, {1, 1, -1, 1, 1}, {0, 1, -1, 1, -1},
};
}  // namespace

PolarFrame ComputePolarFrame(uint32_t demo_time) {
    const float tf = static_cast<float>(demo_time);
    const float sy = static_cast<float>(std::sin(static_cast<double>(tf / 300.0f)));
    const float sx = static_cast<float>(std::sin(static_cast<double>(tf / 100.0f)));
    const double t = static_cast<double>(demo_time);
    PolarFrame f;
    f.eye_x = 10.0f * sx;
    f.eye_y = 10.0f * sy;
    f.eye_z = 100.0f;
    f.turn_x = static_cast<float>(t * 0.05);
    f.turn_y = static_cast<float>(t * 0.01);
    f.turn_z = static_cast<float>(t * 0.03);
    return f;
}

void DrawBox(float u, float v, float hx, float hy, float hz) {
    glBegin(GL_QUADS);
    for (const BoxCorner& c : kBoxCorners) {
        glTexCoord2f(c.s * u, c.t * v);
        glVertex3f(c.x * hx, c.y * hy, c.z * hz);
    }
    glEnd();
}

PolarCoords::PolarCoords(int start, int end) : Effekt(start, end) {
    box_texture_.Load(kBoxPicturePath);
    program_.Load(true, kShaderPath);
    time_location_ = LocateUniform(program_.Program(), "time");
    resolution_location_ = LocateUniform(program_.Program(), "resolution");
    picture_size_location_ = LocateUniform(program_.Program(), "picture_size");

    // Without the extension its entry points are null: say so, do not call them.
    if (!GLEW_EXT_framebuffer_object) Fail("FBO not ready");
    // Each side the window's, at least 1024, at most what the driver allows.
    GLint largest_texture = 0, largest_buffer = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest_texture);
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE_EXT, &largest_buffer);
    const int largest = std::min(largest_texture, largest_buffer);
    target_width_ = std::max(kPolarTargetSide, std::min(WindowWidth(), largest));
    target_height_ = std::max(kPolarTargetSide, std::min(WindowHeight(), largest));
    const int w = target_width_, h = target_height_;
    glGenRenderbuffersEXT(1, &depth_buffer_);
    glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, depth_buffer_);
    glRenderbufferStorageEXT(GL_RENDERBUFFER_EXT, GL_DEPTH_COMPONENT, w, h);
    glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, 0);

    glGenTextures(1, &colour_texture_);
    glBindTexture(GL_TEXTURE_2D, colour_texture_);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    // Effects drawn next expect texture 0; the first frame must not find
    // this one bound.
    glBindTexture(GL_TEXTURE_2D, 0);

    glGenFramebuffersEXT(1, &framebuffer_);
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, framebuffer_);
    glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, GL_TEXTURE_2D,
                              colour_texture_, 0);
    glFramebufferRenderbufferEXT(GL_FRAMEBUFFER_EXT, GL_DEPTH_ATTACHMENT_EXT, GL_RENDERBUFFER_EXT,
                                 depth_buffer_);
    const GLenum status = glCheckFramebufferStatusEXT(GL_FRAMEBUFFER_EXT);
    BindWindowFramebuffer();
    if (status != GL_FRAMEBUFFER_COMPLETE_EXT) {
        // The destructor does not run for a failed constructor.
        DeleteTarget();
        Fail("FBO not ready");
    }
}

PolarCoords::~PolarCoords() { DeleteTarget(); }

void PolarCoords::DeleteTarget() {
    glDeleteFramebuffersEXT(1, &framebuffer_);
    glDeleteRenderbuffersEXT(1, &depth_buffer_);
    glDeleteTextures(1, &colour_texture_);
    framebuffer_ = depth_buffer_ = colour_texture_ = 0;
}

void PolarCoords::DrawBoxField(uint32_t demo_time) {
    const PolarFrame f = ComputePolarFrame(demo_time);
    gluLookAt(f.eye_x, f.eye_y, f.eye_z, 0, 0, 0, 0, 1, 0);
    // The same heights every frame.
    SeedRandom(123);
    const Vec3 turn(f.turn_x, f.turn_y, f.turn_z);
    for (int i = -kPolarGridReach; i <= kPolarGridReach; ++i) {
        for (int j = -kPolarGridReach; j <= kPolarGridReach; ++j) {
            MatrixScope box;
            glTranslatef(2.0f * static_cast<float>(i), 2.0f * static_cast<float>(j), 0);
            RotateXYZ(turn);
            const float h = RandomUnit() * 3.0f;
            DrawBox(1, 1, 1, h, 1);
        }
    }
}

void PolarCoords::Draw(uint32_t demo_time, float) {
    // Off-screen: the box field, depth-tested, in the window's viewport and
    // the standard perspective view.
    {
        CEnabler depth(GL_DEPTH_TEST);
        glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, framebuffer_);
        TextureBind bind(box_texture_);
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glColor4f(1, 1, 1, 1);
        MatrixScope camera;
        DrawBoxField(demo_time);
        BindWindowFramebuffer();
    }

    // On screen: the window cleared, then the picture through the shader.
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glColor4f(1, 1, 1, 1);
    WindowLayerScope layer;
    TextureBind bind(colour_texture_);
    glUseProgram(program_.Program());
    // Set every frame: relinking the shader after an edit resets it.
    glUniform2f(picture_size_location_, static_cast<float>(target_width_),
                static_cast<float>(target_height_));
    DrawLayerQuad();
    glUseProgram(0);
}

}  // namespace Effekter
