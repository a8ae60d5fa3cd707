// Every shader the show loads compiles and links here, so a broken edit of a
// bundled shader fails the tests instead of the show.
//
// Found by themselves: every *.fs under data/, every *.txt under data/ but the
// ones listed as not shaders, and the fragment shader of every "ShaderShow"
// entry of data/demo.txt. Vertex shaders are told by name (kVertexShaders).
// A new shader needs no change here unless it is a vertex shader or a .txt
// that is not a shader at all.
#include <GL/glew.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "platform/failure.h"
#include "render/shader.h"
#include "support/gl_context.h"
#include "support/test_paths.h"
#include "timeline/script.h"

namespace {

namespace fs = std::filesystem;

// Relative to the project root.
const std::set<std::string> kNotShaders = {"data/demo.txt"};
const std::set<std::string> kVertexShaders = {"data/suite/vs.txt"};
// Shaders the show has today: the search must find at least these.
const char* const kKnownShaders[] = {
    "data/plasma/effekt2.fs",
    "data/ostra/video/video.fs",
    "data/ostra/video/distort.fs",
    "data/misc/split.txt",
    "data/polar.fs",
    "data/banger/slider.txt",
    "data/circles/circles.txt",
};

std::string Relative(const fs::path& path) {
    return fs::relative(path, SourceDir()).generic_string();
}

// The shader path of each "ShaderShow" entry: the value line after its
// keyword, start and end.
std::vector<std::string> ScriptShaders() {
    std::vector<std::string> paths;
    FILE* script = std::fopen((SourceDir() + "/data/demo.txt").c_str(), "r");
    if (!script) return paths;
    std::string line;
    while (ReadScriptLine(script, line)) {
        if (line != "ShaderShow") continue;
        ReadScriptLine(script);
        ReadScriptLine(script);
        const std::string path = ReadScriptLine(script);
        if (!path.empty()) paths.push_back(path);
    }
    std::fclose(script);
    return paths;
}

std::vector<std::string> BundledShaders() {
    std::set<std::string> found;
    for (const fs::directory_entry& entry :
         fs::recursive_directory_iterator(fs::path(SourceDir()) / "data")) {
        if (!entry.is_regular_file()) continue;
        const std::string extension = entry.path().extension().string();
        const std::string path = Relative(entry.path());
        if (extension == ".fs" || (extension == ".txt" && kNotShaders.count(path) == 0))
            found.insert(path);
    }
    for (const std::string& path : ScriptShaders()) found.insert(path);
    return {found.begin(), found.end()};
}

// Compiles (and links alone, as the fixed pipeline's partner) one shader
// file; returns the reason it fails, or "" when it is fine.
std::string Check(const std::string& path) {
    std::string source;
    if (!ReadShaderSource((SourceDir() + "/" + path).c_str(), source)) return "cannot be read";
    const GLenum type = kVertexShaders.count(path) ? GL_VERTEX_SHADER : GL_FRAGMENT_SHADER;
    GLuint shader = 0;
    try {
        shader = CompileShader(source.c_str(), type);
    } catch (const DemoFailure& failure) {
        return failure.text();
    }
    const GLuint program = glCreateProgram();
    glAttachShader(program, shader);
    glLinkProgram(program);
    GLint linked = 0;
    glGetProgramiv(program, GL_LINK_STATUS, &linked);
    std::string reason;
    if (!linked) {
        char log[2048] = {0};
        glGetProgramInfoLog(program, sizeof log, nullptr, log);
        reason = std::string("does not link: ") + log;
    }
    glDeleteProgram(program);
    glDeleteShader(shader);
    return reason;
}

}  // namespace

TEST(BundledShaders, EveryShaderOfTheShowCompilesAndLinks) {
    REQUIRE_GL();
    const std::vector<std::string> shaders = BundledShaders();
    for (const char* known : kKnownShaders)
        EXPECT_NE(shaders.end(), std::find(shaders.begin(), shaders.end(), known))
            << known << " was not found";
    for (const std::string& path : shaders) {
        testing::internal::CaptureStderr();  // the compiler message is also written there
        const std::string reason = Check(path);
        testing::internal::GetCapturedStderr();
        EXPECT_EQ("", reason) << path;
    }
}
