// Drawing a quad only where its picture is not black: the coverage of a
// picture (with the wrap-round padding bilinear samples reach) and QuadTrim,
// which must give exactly the pixels of the quad drawn whole, in every
// placement, while drawing less.
#include "render/quad_trim.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "render/gl_guards.h"
#include "support/gl_context.h"

namespace {

// A 64 x 64 picture, black but for a few lit texels: two at corners and one
// on an edge (which the wrap-round padding must see from the other side), a
// 6 x 4 block, and one lone texel.
std::vector<uint8_t> Picture() {
    std::vector<uint8_t> rgba(64 * 64 * 4, 0);
    auto lit = [&](int u, int v, uint8_t r, uint8_t g, uint8_t b) {
        uint8_t* t = &rgba[(static_cast<size_t>(v) * 64 + u) * 4];
        t[0] = r;
        t[1] = g;
        t[2] = b;
        t[3] = 255;
    };
    lit(0, 0, 255, 255, 255);
    lit(63, 63, 0, 0, 200);
    lit(63, 30, 255, 0, 0);
    for (int v = 40; v < 44; ++v)
        for (int u = 10; u < 16; ++u) lit(u, v, 0, 255, 60);
    lit(33, 12, 1, 0, 0);                                       // the least that counts
    for (size_t i = 3; i < rgba.size(); i += 4) rgba[i] = 255;  // opaque black elsewhere
    return rgba;
}

TEST(TexelCoverage, FindsLitTexelsWithTheWrapRoundPadding) {
    const std::vector<uint8_t> picture = Picture();
    TexelCoverage coverage;
    coverage.Build(picture.data(), 64, 64);
    const struct {
        int u0, v0, u1, v1;
        bool lit;
    } rows[] = {
        {20, 20, 30, 30, false},  {10, 40, 10, 40, true},   {16, 44, 30, 60, false},
        {33, 12, 33, 12, true},   {34, 13, 40, 20, false},  {-1, 5, -1, 20, false},
        {-1, 30, -1, 30, true},  // texel 63 of row 30, seen left of column 0
        {64, 0, 64, 0, true},    // texel 0, seen right of column 63
        {64, 64, 64, 64, true},  // corner (0, 0) again
        {-1, -1, -1, -1, true},  // corner (63, 63)
        {-50, 20, -2, 30, false}, {100, 0, 200, 63, false}, {30, 30, 20, 20, false},
    };
    for (const auto& r : rows)
        EXPECT_EQ(coverage.AnyLit(r.u0, r.v0, r.u1, r.v1), r.lit)
            << r.u0 << "," << r.v0 << " .. " << r.u1 << "," << r.v1;
    EXPECT_FALSE(TexelCoverage().AnyLit(0, 0, 10, 10));
}

class QuadTrimPicture : public ::testing::Test {
protected:
    void SetUp() override {
        if (!EnsureGlContext()) GTEST_SKIP() << "no GL context here";
        const std::vector<uint8_t> picture = Picture();
        glGenTextures(1, &texture_);
        glBindTexture(GL_TEXTURE_2D, texture_);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 64, 64, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                     picture.data());
        coverage_.Read(texture_);
    }
    void TearDown() override {
        glDeleteTextures(1, &texture_);
        ResetGlState();
    }
    GLuint texture_ = 0;
    TexelCoverage coverage_;
};

TEST_F(QuadTrimPicture, GivesThePixelsOfTheWholeQuadInEveryPlacement) {
    const struct {
        const char* what;
        bool flat;  // the 2D view instead of the standard perspective
        Vec3 at;
        Vec3 turn;
        float half;
        int width, height;  // the window the effects see
    } rows[] = {
        {"facing the viewer", false, {0, 0, -2}, {0, 0, 0}, 0.6f, 640, 480},
        {"turned about the view axis", false, {0.1f, -0.2f, -1.5f}, {0, 0, 37}, 0.5f, 640, 480},
        {"tilted far back", false, {0, 0, -2}, {62, 0, 0}, 0.8f, 640, 480},
        {"almost edge-on", false, {0.2f, 0, -1.5f}, {0, 84, 10}, 0.8f, 640, 480},
        {"through the near plane", false, {0, 0, -0.3f}, {70, 0, 20}, 1.0f, 640, 480},
        {"far larger than the view", false, {0.02f, 0, -0.2f}, {0, 0, 5}, 3.0f, 640, 480},
        {"half off the window", false, {1.2f, 0.5f, -2}, {0, 0, -15}, 0.7f, 640, 480},
        {"behind the eye", false, {0, 0, 1}, {0, 0, 0}, 0.5f, 640, 480},
        {"far away", false, {0, 0, -40}, {0, 0, 30}, 0.5f, 640, 480},
        {"2D view", true, {0.1f, 0.05f, -1}, {0, 0, 12}, 1.25f, 640, 480},
        {"an odd drawn size", false, {0, 0.1f, -1.2f}, {10, 0, 33}, 0.6f, 333, 250},
    };
    QuadTrim trim(640, 480);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        SetWindowSize(row.width, row.height);
        auto draw = [&](bool trimmed) {
            ResetGlState();
            glClearColor(0.2f, 0.2f, 0.2f, 1);
            glClear(GL_COLOR_BUFFER_BIT);
            if (row.flat) {
                glMatrixMode(GL_PROJECTION);
                glLoadIdentity();
                glOrtho(-1, 1, 1, -1, 0.1, 100);
            }
            glMatrixMode(GL_MODELVIEW);
            glLoadIdentity();
            glTranslatef(row.at.x, row.at.y, row.at.z);
            RotateXYZ(row.turn);
            glEnable(GL_BLEND);
            glBlendFunc(GL_ONE, GL_ONE);
            glBindTexture(GL_TEXTURE_2D, texture_);
            glColor4f(1, 1, 1, 1);
            const Quad quad(row.half, row.half);
            int boxes = 1;
            if (trimmed) {
                glEnable(GL_SCISSOR_TEST);
                boxes = trim.Draw(quad, coverage_);
                glDisable(GL_SCISSOR_TEST);
            } else {
                quad.Draw(1, 1);
            }
            glDisable(GL_BLEND);
            glBindTexture(GL_TEXTURE_2D, 0);
            return std::make_pair(ReadPixels(0, 0, 640, 480), boxes);
        };
        const auto whole = draw(false);
        const auto trimmed = draw(true);
        size_t different = 0;
        for (size_t i = 0; i < whole.first.size(); ++i)
            different += whole.first[i] != trimmed.first[i];
        EXPECT_EQ(0u, different);
        EXPECT_GE(trimmed.second, 0);
    }
    SetWindowSize(640, 480);

    // Drawing less: facing the viewer, the boxes leave most of the window.
    ResetGlState();
    glEnable(GL_SCISSOR_TEST);
    glTranslatef(0, 0, -2);
    glColor4f(1, 1, 1, 1);
    const int boxes = trim.Draw(Quad(0.6f, 0.6f), coverage_);
    GLint box[4];
    glGetIntegerv(GL_SCISSOR_BOX, box);
    glDisable(GL_SCISSOR_TEST);
    EXPECT_GT(boxes, 1);
    EXPECT_LT(box[2] * box[3], 640 * 480 / 4);
    // Nothing to show: not drawn at all.
    glLoadIdentity();
    glTranslatef(0, 0, 1);
    EXPECT_EQ(0, trim.Draw(Quad(0.5f, 0.5f), coverage_));
}

}  // namespace
