// Mesh display lists, read back through GL feedback: which triangles the list
// holds and which attributes its vertices carry for each flag.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "model3ds/mesh_display_list.h"
#include "render/texture.h"
#include "support/gl_context.h"
#include "support/test_paths.h"
#include "write3ds.h"

namespace {

// One vertex of GL_3D_COLOR_TEXTURE feedback: window position, colour and
// texture coordinate.
struct FedVertex {
    float x, y, z;
    float r, g, b, a;
    float s, t, p, q;
};

// Calls the list in a window-aligned orthographic view (object x, y = window
// x, y) and returns the triangles as fed back.
std::vector<std::vector<FedVertex>> Feedback(const MeshDisplayList& list, float dx = 0,
                                             float dy = 0) {
    std::vector<GLfloat> buffer(400000);
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D_COLOR_TEXTURE, buffer.data());
    glRenderMode(GL_FEEDBACK);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, 640, 0, 480, -1000, 1000);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(dx, dy, 0);
    list.Call();
    const GLint used = glRenderMode(GL_RENDER);
    std::vector<std::vector<FedVertex>> polygons;
    for (GLint i = 0; i < used;) {
        const GLint token = static_cast<GLint>(buffer[i++]);
        if (token != GL_POLYGON_TOKEN) {
            ADD_FAILURE() << "unexpected feedback token " << token;
            break;
        }
        const int count = static_cast<int>(buffer[i++]);
        std::vector<FedVertex> polygon(count);
        for (int k = 0; k < count; ++k, i += 11) {
            std::copy(&buffer[i], &buffer[i] + 11, reinterpret_cast<float*>(&polygon[k]));
        }
        polygons.push_back(polygon);
    }
    return polygons;
}

// Mesh 1: a quad at window position (100..300, 100..300), two triangles in
// smoothing groups 1 and 2; u runs against x so that the vertex binormals
// are (0, 1, 0). Mesh 2: a triangle that must not appear.
std::string WriteQuadFile(const ScratchDir& dir) {
    write3ds::Scene scene;
    write3ds::Mesh quad;
    quad.name = "Quad";
    quad.vertices = {{100, 100, 0}, {300, 100, 0}, {300, 300, 0}, {100, 300, 0}};
    quad.texcoords = {{-0.1f, 0.1f}, {-0.3f, 0.1f}, {-0.3f, 0.3f}, {-0.1f, 0.3f}};
    quad.faces = {{0, 1, 2}, {0, 2, 3}};
    quad.smoothing = {1, 2};
    write3ds::Mesh other;
    other.name = "Other";
    other.vertices = {{0, 0, 0}, {10, 0, 0}, {0, 10, 0}};
    other.faces = {{0, 1, 2}};
    scene.meshes = {quad, other};
    const std::string path = dir.path() + "/quad.3ds";
    EXPECT_TRUE(write3ds::Save3ds(scene, path));
    return path;
}

int Brightness(const Rgba& p) { return p.r + p.g + p.b; }

bool AnyClientArrayEnabled() {
    return glIsEnabled(GL_VERTEX_ARRAY) || glIsEnabled(GL_NORMAL_ARRAY) ||
           glIsEnabled(GL_COLOR_ARRAY) || glIsEnabled(GL_TEXTURE_COORD_ARRAY);
}

}  // namespace

TEST(DisplayListTest, PositionsAndFirstMeshOnly) {
    REQUIRE_GL();
    ScratchDir dir;
    const MeshDisplayList list(WriteQuadFile(dir).c_str(), 0);
    EXPECT_FALSE(AnyClientArrayEnabled());
    glColor4f(1, 0.5f, 0, 1);
    glTexCoord4f(0.25f, 0.75f, 0, 1);
    const auto polygons = Feedback(list);
    ASSERT_EQ(polygons.size(), 2u);
    const float expected[2][3][2] = {{{100, 100}, {300, 100}, {300, 300}},
                                     {{100, 100}, {300, 300}, {100, 300}}};
    for (int p = 0; p < 2; ++p) {
        ASSERT_EQ(polygons[p].size(), 3u);
        for (int k = 0; k < 3; ++k) {
            EXPECT_FLOAT_EQ(polygons[p][k].x, expected[p][k][0]);
            EXPECT_FLOAT_EQ(polygons[p][k].y, expected[p][k][1]);
            // Without arrays for them the current colour and coordinate apply.
            EXPECT_FLOAT_EQ(polygons[p][k].g, 0.5f);
            EXPECT_FLOAT_EQ(polygons[p][k].t, 0.75f);
        }
    }
    EXPECT_FALSE(AnyClientArrayEnabled());
}

TEST(DisplayListTest, FlagsAddNormalsTexCoordsAndColours) {
    REQUIRE_GL();
    ScratchDir dir;
    const std::string path = WriteQuadFile(dir);

    // Normals, seen through normal-map texture generation as the effects use
    // it (coordinates are generated only for a unit with a complete texture).
    const MeshDisplayList normals(path.c_str(), MeshDisplayList::kNormals);
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    const uint8_t white[4] = {255, 255, 255, 255};
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, white);
    glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_NORMAL_MAP);
    glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_NORMAL_MAP);
    glTexGeni(GL_R, GL_TEXTURE_GEN_MODE, GL_NORMAL_MAP);
    glEnable(GL_TEXTURE_GEN_S);
    glEnable(GL_TEXTURE_GEN_T);
    glEnable(GL_TEXTURE_GEN_R);
    for (const auto& polygon : Feedback(normals)) {
        for (const FedVertex& v : polygon) {
            EXPECT_NEAR(v.s, 0, 1e-6);
            EXPECT_NEAR(v.t, 0, 1e-6);
            EXPECT_NEAR(v.p, 1, 1e-6);
        }
    }
    glDisable(GL_TEXTURE_GEN_S);
    glDisable(GL_TEXTURE_GEN_T);
    glDisable(GL_TEXTURE_GEN_R);
    glBindTexture(GL_TEXTURE_2D, 0);
    glDeleteTextures(1, &texture);

    const MeshDisplayList texcoords(path.c_str(), MeshDisplayList::kTexCoords);
    const auto fed = Feedback(texcoords);
    ASSERT_EQ(fed.size(), 2u);
    EXPECT_FLOAT_EQ(fed[0][1].s, -0.3f);
    EXPECT_FLOAT_EQ(fed[1][2].t, 0.3f);

    glColor4f(1, 0, 1, 1);
    const MeshDisplayList colours(path.c_str(), MeshDisplayList::kBinormalColours);
    for (const auto& polygon : Feedback(colours)) {
        for (const FedVertex& v : polygon) {
            EXPECT_NEAR(v.r, 0, 1e-6);
            EXPECT_NEAR(v.g, 1, 1e-6);
            EXPECT_NEAR(v.b, 0, 1e-6);
        }
    }
    EXPECT_FALSE(AnyClientArrayEnabled());
}

TEST(DisplayListTest, ShowMeshKeepsItsTriangleCount) {
    REQUIRE_GL();
    const MeshDisplayList list("data/rubber/simple.3ds", MeshDisplayList::kNormals);
    // Centred in the window, nothing is clipped.
    const auto polygons = Feedback(list, 320, 240);
    // Split vertices add no triangles: 3 x the file's 5,184 triangles indices.
    EXPECT_EQ(polygons.size(), 5184u);
}

TEST(DisplayListTest, MissingOrMeshlessFilesGiveAnEmptyListAndOneLine) {
    REQUIRE_GL();
    ScratchDir dir;
    write3ds::Scene no_mesh;
    no_mesh.materials.push_back(write3ds::Material{"Lonely", {}, {}, {}});
    const std::string meshless = dir.path() + "/meshless.3ds";
    ASSERT_TRUE(write3ds::Save3ds(no_mesh, meshless));
    for (const std::string& path : {std::string("data/rubber/nothing.3ds"), meshless,
                                    std::string("data"), std::string("data/rubber/env.jpg")}) {
        testing::internal::CaptureStderr();
        const MeshDisplayList list(path.c_str(), MeshDisplayList::kNormals);
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_NE(list.Name(), 0u);
        EXPECT_TRUE(Feedback(list).empty()) << path;
        EXPECT_NE(err.find("MeshDisplayList"), std::string::npos) << err;
        EXPECT_NE(err.find(path), std::string::npos) << err;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    }
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST(DisplayListTest, DrawsTheShowMeshesEnvironmentMapped) {
    REQUIRE_GL();
    struct Show {
        const char* mesh;
        const char* environment;
        float distance;
        const char* picture;
        int covered_y;  // a pixel of the middle column the mesh covers
    };
    for (const Show& show :
         {Show{"data/misc/simple.3ds", "data/misc/env.jpg", 400, "misc_mesh", 225},
          Show{"data/rubber/simple.3ds", "data/rubber/env.jpg", 400, "rubber_mesh", 150}}) {
        ResetGlState();
        const MeshDisplayList list(show.mesh, MeshDisplayList::kNormals);
        CTextureFreeImage environment;
        environment.Load(show.environment);
        glBindTexture(GL_TEXTURE_2D, environment.Name());
        glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_NORMAL_MAP);
        glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_NORMAL_MAP);
        glEnable(GL_TEXTURE_GEN_S);
        glEnable(GL_TEXTURE_GEN_T);
        glEnable(GL_DEPTH_TEST);
        glEnable(GL_CULL_FACE);
        glTranslatef(0, 0, -show.distance);
        glRotatef(30, 1, 1, 0);
        list.Call();
        glDisable(GL_CULL_FACE);
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_TEXTURE_GEN_S);
        glDisable(GL_TEXTURE_GEN_T);
        glBindTexture(GL_TEXTURE_2D, 0);
        MaybeSavePicture(show.picture);
        // At distance 400 the blob (radius 20) covers the middle of the
        // window, the torus (outer radius about 113) a ring round it; neither
        // reaches the corner.
        EXPECT_EQ(Brightness(PixelAt(5, 5)), 0) << show.mesh;
        EXPECT_GT(Brightness(PixelAt(320, show.covered_y)), 0) << show.mesh;
    }
    ResetGlState();
}
