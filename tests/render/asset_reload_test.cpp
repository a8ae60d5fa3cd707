// Reloading assets in place: shader programs (edited, broken, repaired, with
// uniforms that move or appear), pictures and meshes. Each file is changed on
// disk and ReloadAssetsOf is called as the watcher would; the asset must show
// the new version, or keep its last good one and say why.
#include <FreeImage.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/live/show_reloader.h"
#include "model3ds/mesh_display_list.h"
#include "platform/asset_reload.h"
#include "platform/show_folder.h"
#include "render/gl_guards.h"
#include "render/shader.h"
#include "render/stable_uniforms.h"
#include "render/texture.h"
#include "support/gl_context.h"
#include "support/gl_state.h"
#include "support/test_paths.h"
#include "write3ds.h"

namespace fs = std::filesystem;

namespace {

// Stable locations are for the whole process, as in a --watch show.
class ReloadingAssets : public ::testing::Test {
protected:
    void SetUp() override {
        if (!EnsureGlContext()) GTEST_SKIP() << "no GL context here";
        EnableStableUniforms();
        EnableAssetReloading(true);
    }
    void TearDown() override { EnableAssetReloading(false); }
};

void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

// Saved as editors do: a new file renamed over the old one.
void ReplaceFile(const std::string& path, const std::string& text) {
    WriteFile(path + ".new", text);
    fs::rename(path + ".new", path);
}

const char kPlain[] = "uniform vec4 colour;\nvoid main() { gl_FragColor = colour; }\n";
// The same uniform behind two new ones, so its location moves.
const char kScaled[] =
    "uniform float gain;\nuniform vec4 offset;\nuniform vec4 colour;\n"
    "void main() { gl_FragColor = colour * gain + offset; }\n";

struct Uniforms {
    GLint colour, gain, offset;
};

// A full-window quad through the program, uniforms set through the numbers
// the effect kept; returns the colour of the middle pixel.
Rgba DrawThrough(GLuint program, const Uniforms& u) {
    ResetGlState();
    glDisable(GL_TEXTURE_2D);
    Ortho2DScope view;
    glUseProgram(program);
    glUniform4f(u.colour, 0.5f, 0.25f, 1.0f, 1.0f);
    glUniform1f(u.gain, 0.5f);
    glUniform4f(u.offset, 0.0f, 0.0f, 0.0f, 0.0f);
    glTranslatef(0, 0, -2);
    Quad(1, 1).Draw(1, 1);
    glUseProgram(0);
    glEnable(GL_TEXTURE_2D);
    return PixelAt(320, 240);
}

bool Near(const Rgba& p, int r, int g, int b) {
    return std::abs(p.r - r) <= 2 && std::abs(p.g - g) <= 2 && std::abs(p.b - b) <= 2;
}

TEST_F(ReloadingAssets, AShaderEditedInPlaceRelinksWithItsUniformsFollowing) {
    ScratchDir dir;
    const std::string path = dir.Write("data/colour.fs", kPlain);
    ShaderProgram shader;
    shader.Load(true, path.c_str());
    const GLuint program = shader.Program();
    Uniforms u;
    u.colour = LocateUniform(program, "colour");
    u.gain = LocateUniform(program, "gain");  // not in the first version
    u.offset = LocateUniform(program, "offset");
    EXPECT_GE(u.gain, kFirstStandInLocation);
    EXPECT_TRUE(Near(DrawThrough(program, u), 128, 64, 255));

    WriteFile(path, kScaled);
    const AssetReload result = ReloadAssetsOf(path);
    EXPECT_EQ(1, result.assets);
    EXPECT_TRUE(result.errors.empty()) << (result.errors.empty() ? "" : result.errors[0]);
    EXPECT_EQ(program, shader.Program());  // the effect's name stays valid
    EXPECT_NE(glGetUniformLocation(program, "colour"), u.colour);
    EXPECT_TRUE(Near(DrawThrough(program, u), 64, 32, 128));

    // And back, by rename: "gain" is gone again and GL ignores it.
    ReplaceFile(path, kPlain);
    EXPECT_TRUE(ReloadAssetsOf(path).errors.empty());
    EXPECT_TRUE(Near(DrawThrough(program, u), 128, 64, 255));
}

TEST_F(ReloadingAssets, ABrokenShaderKeepsTheLastGoodProgramUntilRepaired) {
    ScratchDir dir;
    const std::string path = dir.Write("data/colour.fs", kPlain);
    ShaderProgram shader;
    shader.Load(true, path.c_str());
    const GLuint program = shader.Program();
    Uniforms u{LocateUniform(program, "colour"), LocateUniform(program, "gain"),
               LocateUniform(program, "offset")};

    struct Breakage {
        const char* what;
        std::function<void()> apply;
        const char* message;
    };
    const Breakage breakages[] = {
        {"syntax", [&] { WriteFile(path, "void main() { this is not GLSL }\n"); },
         "Compiler error "},
        {"link", [&] { WriteFile(path, "vec4 f();\nvoid main() { gl_FragColor = f(); }\n"); },
         "Link error "},
        {"empty", [&] { WriteFile(path, ""); }, "Compiler error "},
        {"deleted", [&] { fs::remove(path); }, "Error opening: "},
        {"folder", [&] { fs::create_directory(path); }, "Error opening: "},
    };
    for (const Breakage& b : breakages) {
        SCOPED_TRACE(b.what);
        b.apply();
        const AssetReload result = ReloadAssetsOf(path);
        ASSERT_EQ(1u, result.errors.size());
        EXPECT_EQ(0u, result.errors[0].find(b.message)) << result.errors[0];
        // The source is the file being edited: not repeated in the message.
        EXPECT_EQ(std::string::npos, result.errors[0].find("while compiling"));
        EXPECT_EQ(program, shader.Program());
        EXPECT_TRUE(Near(DrawThrough(program, u), 128, 64, 255));
    }
    fs::remove(path);
    ReplaceFile(path, kScaled);
    EXPECT_TRUE(ReloadAssetsOf(path).errors.empty());
    EXPECT_TRUE(Near(DrawThrough(program, u), 64, 32, 128));
}

TEST_F(ReloadingAssets, TwoStageProgramsReloadBothFiles) {
    ScratchDir dir;
    const std::string fragment = dir.Write("data/fs.txt", kPlain);
    const std::string vertex = dir.path() + "/data/vs.txt";  // missing at first
    VertexFragmentProgram shader;
    shader.Load(fragment.c_str(), vertex.c_str());
    const GLuint program = shader.Program();
    Uniforms u{LocateUniform(program, "colour"), LocateUniform(program, "gain"),
               LocateUniform(program, "offset")};
    EXPECT_TRUE(Near(DrawThrough(program, u), 128, 64, 255));

    // A stage missing from the start stays out without a word.
    WriteFile(fragment, kScaled);
    EXPECT_TRUE(ReloadAssetsOf(fragment).errors.empty());
    EXPECT_TRUE(Near(DrawThrough(program, u), 64, 32, 128));
    // It joins when it appears ...
    WriteFile(vertex, "void main() { gl_Position = ftransform(); }\n");
    EXPECT_TRUE(ReloadAssetsOf(vertex).errors.empty());
    EXPECT_TRUE(Near(DrawThrough(program, u), 64, 32, 128));
    // ... and may not vanish again.
    fs::remove(vertex);
    const AssetReload gone = ReloadAssetsOf(vertex);
    ASSERT_EQ(1u, gone.errors.size());
    EXPECT_EQ("Error opening: " + vertex, gone.errors[0]);
    EXPECT_TRUE(Near(DrawThrough(program, u), 64, 32, 128));
}

// A 4 x 4 picture of one colour.
void WritePicture(const std::string& path, int r, int g, int b) {
    FIBITMAP* image = FreeImage_Allocate(4, 4, 24);
    RGBQUAD colour{static_cast<BYTE>(b), static_cast<BYTE>(g), static_cast<BYTE>(r), 0};
    for (unsigned y = 0; y < 4; ++y)
        for (unsigned x = 0; x < 4; ++x) FreeImage_SetPixelColor(image, x, y, &colour);
    FreeImage_Save(FIF_PNG, image, (path + ".new").c_str(), 0);
    FreeImage_Unload(image);
    fs::rename(path + ".new", path);
}

// The first texel of the texture's level 0, or -1s when it has no image.
Rgba FirstTexel(const CTexture& texture) {
    glBindTexture(GL_TEXTURE_2D, texture.Name());
    GLint width = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    std::vector<uint8_t> pixels(static_cast<size_t>(std::max(width, 1)) * width * 4 + 4);
    if (width > 0) glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    if (width <= 0) return {-1, -1, -1, -1};
    return {pixels[0], pixels[1], pixels[2], pixels[3]};
}

TEST_F(ReloadingAssets, APictureReloadsIntoItsTextureOrKeepsTheLastGoodImage) {
    ScratchDir dir;
    const std::string path = dir.path() + "/pic.png";
    WritePicture(path, 255, 0, 0);
    CTextureFreeImage texture;
    texture.Load(path.c_str());
    const GLuint name = texture.Name();
    EXPECT_TRUE(Near(FirstTexel(texture), 255, 0, 0));

    WritePicture(path, 0, 255, 0);
    EXPECT_TRUE(ReloadAssetsOf(path).errors.empty());
    EXPECT_EQ(name, texture.Name());
    EXPECT_TRUE(Near(FirstTexel(texture), 0, 255, 0));
    EXPECT_EQ(0, Integer(GL_TEXTURE_BINDING_2D));

    const std::function<void()> breakages[] = {
        [&] { WriteFile(path, ""); },                              // truncated
        [&] { WriteFile(path, "\x89PNG\r\n\x1a\n not really"); },  // cut short
        [&] { fs::remove(path); },                                 // deleted
        [&] { fs::create_directory(path); },                       // a folder
    };
    for (const auto& breakage : breakages) {
        breakage();
        const AssetReload result = ReloadAssetsOf(path);
        ASSERT_EQ(1u, result.errors.size());
        EXPECT_EQ(0u, result.errors[0].find("Picture \"" + path + "\" cannot be loaded"))
            << result.errors[0];
        EXPECT_TRUE(Near(FirstTexel(texture), 0, 255, 0));
    }
    fs::remove(path);
    WritePicture(path, 0, 0, 255);
    EXPECT_TRUE(ReloadAssetsOf(path).errors.empty());
    EXPECT_TRUE(Near(FirstTexel(texture), 0, 0, 255));
}

TEST_F(ReloadingAssets, APictureMissingAtTheStartLoadsWhenItAppears) {
    ScratchDir dir;
    const std::string path = dir.path() + "/later.png";
    CTextureFreeImage texture;
    texture.Load(path.c_str());
    EXPECT_EQ(-1, FirstTexel(texture).r);
    WritePicture(path, 255, 255, 0);
    EXPECT_TRUE(ReloadAssetsOf(path).errors.empty());
    EXPECT_TRUE(Near(FirstTexel(texture), 255, 255, 0));
}

std::string WriteTriangles(const std::string& path, int count) {
    write3ds::Scene scene;
    write3ds::Mesh mesh;
    mesh.name = "Strip";
    for (int i = 0; i < count; ++i) {
        const float x = 50.0f + 100.0f * i;
        const uint16_t v = static_cast<uint16_t>(mesh.vertices.size());
        mesh.vertices.push_back({x, 50, 0});
        mesh.vertices.push_back({x + 80, 50, 0});
        mesh.vertices.push_back({x, 130, 0});
        mesh.faces.push_back({v, static_cast<uint16_t>(v + 1), static_cast<uint16_t>(v + 2)});
    }
    scene.meshes = {mesh};
    EXPECT_TRUE(write3ds::Save3ds(scene, path + ".new"));
    fs::rename(path + ".new", path);
    return path;
}

size_t TrianglesOf(const MeshDisplayList& list) {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, 640, 0, 480, -1000, 1000);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    const size_t n = FeedbackPolygons([&] { list.Call(); }, 10000).size();
    ResetGlState();
    return n;
}

TEST_F(ReloadingAssets, AMeshRecompilesIntoTheSameList) {
    ScratchDir dir;
    const std::string path = WriteTriangles(dir.path() + "/strip.3ds", 1);
    MeshDisplayList list(path.c_str(), 0);
    const GLuint name = list.Name();
    EXPECT_EQ(1u, TrianglesOf(list));

    WriteTriangles(path, 3);
    EXPECT_TRUE(ReloadAssetsOf(path).errors.empty());
    EXPECT_EQ(name, list.Name());
    EXPECT_EQ(3u, TrianglesOf(list));

    WriteFile(path, "");
    const AssetReload empty = ReloadAssetsOf(path);
    ASSERT_EQ(1u, empty.errors.size());
    EXPECT_EQ("No mesh in \"" + path + "\" (missing, unreadable or empty)", empty.errors[0]);
    EXPECT_EQ(3u, TrianglesOf(list));
}

// With --show the record of reloadable files names the real file inside the
// show folder (what the watcher reports), and messages keep the path as the
// show writes it.
TEST_F(ReloadingAssets, TheRecordFollowsTheShowFolder) {
    ScratchDir dir;
    const std::string picture = dir.path() + "/data/pic.png";
    fs::create_directories(dir.path() + "/data");
    WritePicture(picture, 255, 0, 0);
    SetShowFolder(dir.path());
    CTextureFreeImage texture;
    texture.Load("data/pic.png");
    EXPECT_TRUE(Near(FirstTexel(texture), 255, 0, 0));
    EXPECT_EQ(std::vector<std::string>{picture}, AssetFiles());
    EXPECT_EQ("data/pic.png", ShownPath(picture));

    // The watcher reports the real file; the error names the show's path.
    WritePicture(picture, 0, 255, 0);
    EXPECT_TRUE(ReloadAssetsOf(picture).errors.empty());
    EXPECT_TRUE(Near(FirstTexel(texture), 0, 255, 0));
    fs::remove(picture);
    const AssetReload gone = ReloadAssetsOf("data/pic.png");
    SetShowFolder("");
    ASSERT_EQ(1u, gone.errors.size());
    EXPECT_EQ(0u, gone.errors[0].find("Picture \"data/pic.png\" cannot be loaded"))
        << gone.errors[0];
}

TEST_F(ReloadingAssets, DestroyedAssetsAreForgotten) {
    ScratchDir dir;
    const std::string path = dir.Write("data/colour.fs", kPlain);
    {
        ShaderProgram shader;
        shader.Load(true, path.c_str());
        CTextureFreeImage texture;
        texture.Load(path.c_str());  // not a picture: recorded all the same
        EXPECT_EQ(2, ReloadAssetsOf(path).assets);
    }
    EXPECT_EQ(0, ReloadAssetsOf(path).assets);
    // A program built from text has no file to reload.
    ShaderProgram inline_program;
    inline_program.Load(false, kPlain);
    EXPECT_TRUE(AssetFiles().empty());
}

}  // namespace
