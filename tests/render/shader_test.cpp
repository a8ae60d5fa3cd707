// Shader programs: building from files and text, the exact compiler message
// on failure, odd source files, uniform lookup diagnostics, and pictures
// drawn with and without a program.
#include "render/shader.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/failure.h"
#include "render/gl_guards.h"
#include "support/gl_context.h"
#include "support/test_paths.h"

namespace {

const char kGreen[] = "void main() { gl_FragColor = vec4(0.0, 1.0, 0.0, 1.0); }\n";
const char kUsesTint[] =
    "uniform vec4 tint;\n"
    "uniform float time;\n"  // declared but never read: GLSL drops it
    "void main() { gl_FragColor = tint; }\n";
const char kBroken[] = "void main() { gl_FragColor = vec4(1.0) }\n";  // missing ';'
const char kVertex[] =
    "void main() { gl_Position = ftransform(); gl_TexCoord[0] = gl_MultiTexCoord0; }\n";

GLint Status(GLuint program, GLenum what) {
    GLint value = -1;
    glGetProgramiv(program, what, &value);
    return value;
}

// The message raised by `load`, and what was written to standard error.
template <class Load>
std::pair<std::string, std::string> FailureOf(Load load) {
    std::string raised;
    testing::internal::CaptureStderr();
    try {
        load();
        ADD_FAILURE() << "nothing raised";
    } catch (const DemoFailure& failure) {
        raised = failure.text();
    }
    return {raised, testing::internal::GetCapturedStderr()};
}

std::string MessageFor(const std::string& source) { return " while compiling:\n " + source + "\n"; }

// Draws a full-window quad in the 2D view with the given program.
void DrawFullWindow(GLuint program) {
    Ortho2DScope view;
    glUseProgram(program);
    glTranslatef(0, 0, -1);
    Quad(1, 1).Draw(1, 1);
    glUseProgram(0);
}

}  // namespace

TEST(ShaderProgramTest, BuildsFromTextAndFromFile) {
    REQUIRE_GL();
    ShaderProgram from_text;
    EXPECT_EQ(0u, from_text.Program());
    from_text.Load(false, kGreen);
    ASSERT_NE(0u, from_text.Program());
    EXPECT_EQ(GL_TRUE, Status(from_text.Program(), GL_LINK_STATUS));
    EXPECT_EQ(1, Status(from_text.Program(), GL_ATTACHED_SHADERS));

    ScratchDir dir;
    const std::string path = dir.Write("green.txt", kGreen);  // the extension does not matter
    ShaderProgram from_file;
    from_file.Load(true, path.c_str());
    ASSERT_NE(0u, from_file.Program());
    EXPECT_EQ(GL_TRUE, Status(from_file.Program(), GL_LINK_STATUS));

    glDisable(GL_TEXTURE_2D);
    glColor3f(1, 0, 0);
    DrawFullWindow(from_file.Program());
    const Rgba p = PixelAt(320, 240);
    EXPECT_EQ(0, p.r);
    EXPECT_EQ(255, p.g);
    // Program 0 (a program never loaded) is the fixed-function pipeline.
    ShaderProgram never_loaded;
    DrawFullWindow(never_loaded.Program());
    EXPECT_EQ(255, PixelAt(320, 240).r);
    EXPECT_EQ(0, PixelAt(320, 240).g);
    glEnable(GL_TEXTURE_2D);
    EXPECT_EQ(0, [] {
        GLint current = -1;
        glGetIntegerv(GL_CURRENT_PROGRAM, &current);
        return current;
    }());
}

TEST(ShaderProgramTest, DeletesItsObjectsWithItsOwner) {
    REQUIRE_GL();
    GLuint program = 0;
    {
        ShaderProgram shader;
        shader.Load(false, kGreen);
        program = shader.Program();
        EXPECT_TRUE(glIsProgram(program));
    }
    EXPECT_FALSE(glIsProgram(program));
}

TEST(ShaderProgramTest, MissingFileRaisesErrorOpening) {
    REQUIRE_GL();
    ShaderProgram program;
    try {
        program.Load(true, "data/no/such/shader.fs");
        FAIL() << "nothing raised";
    } catch (const DemoFailure& failure) {
        EXPECT_STREQ("Error opening: data/no/such/shader.fs", failure.what());
    }
    EXPECT_EQ(0u, program.Program());
}

TEST(ShaderProgramTest, FolderInsteadOfAFileCannotBeOpened) {
    REQUIRE_GL();
    ScratchDir dir;
    dir.Write("shaders/a.fs", kGreen);
    const std::string folder = dir.path() + "/shaders";
    ShaderProgram program;
    try {
        program.Load(true, folder.c_str());
        FAIL() << "nothing raised";
    } catch (const DemoFailure& failure) {
        EXPECT_EQ("Error opening: " + folder, failure.text());
    }
    // Left out silently by the two-shader program, like a missing file.
    VertexFragmentProgram both;
    testing::internal::CaptureStderr();
    both.Load((folder + "/a.fs").c_str(), folder.c_str());
    EXPECT_EQ("", testing::internal::GetCapturedStderr());
    EXPECT_EQ(1, Status(both.Program(), GL_ATTACHED_SHADERS));
}

TEST(ShaderProgramTest, CompileErrorRaisesAndWritesTheWholeMessage) {
    REQUIRE_GL();
    ScratchDir dir;
    const std::string path = dir.Write("broken.fs", kBroken);
    ShaderProgram program;
    const auto [raised, written] = FailureOf([&] { program.Load(true, path.c_str()); });
    EXPECT_EQ(0u, program.Program());  // no program object is made
    EXPECT_EQ(0u, raised.rfind("Compiler error ", 0)) << raised;
    EXPECT_GT(raised.size(), std::string("Compiler error ... while compiling:\n ").size() +
                                 sizeof kBroken);  // the log is not empty
    const std::string tail = "..." + MessageFor(kBroken);
    ASSERT_GE(raised.size(), tail.size());
    EXPECT_EQ(tail, raised.substr(raised.size() - tail.size()));
    EXPECT_EQ(raised, written);  // the same text goes to the diagnostic output
}

TEST(ShaderProgramTest, EmptyFileTakesTheCompileErrorPath) {
    REQUIRE_GL();
    ScratchDir dir;
    const std::string path = dir.Write("empty.fs", "");
    ShaderProgram program;
    const auto [raised, written] = FailureOf([&] { program.Load(true, path.c_str()); });
    EXPECT_EQ(0u, raised.rfind("Compiler error ", 0)) << raised;
    const std::string tail = "... while compiling:\n \n";
    ASSERT_GE(raised.size(), tail.size());
    EXPECT_EQ(tail, raised.substr(raised.size() - tail.size()));
    EXPECT_EQ(raised, written);
    EXPECT_EQ(0u, program.Program());
}

TEST(ShaderProgramTest, CrLfSourcesPassUnchanged) {
    REQUIRE_GL();
    ScratchDir dir;
    const std::string good =
        "uniform vec4 tint;\r\nvoid main()\r\n{\r\n    gl_FragColor = tint;\r\n}\r\n";
    const std::string path = dir.Write("crlf.fs", good);
    ShaderProgram program;
    program.Load(true, path.c_str());
    ASSERT_NE(0u, program.Program());
    EXPECT_GE(LocateUniform(program.Program(), "tint"), 0);

    // The source echoed in a compile message keeps its CR bytes.
    const std::string bad = "void main()\r\n{\r\n    gl_FragColor = vec4(1.0)\r\n}\r\n";
    const std::string bad_path = dir.Write("crlf_bad.fs", bad);
    ShaderProgram broken;
    const std::string raised = FailureOf([&] { broken.Load(true, bad_path.c_str()); }).first;
    const std::string tail = MessageFor(bad);
    ASSERT_GE(raised.size(), tail.size());
    EXPECT_EQ(tail, raised.substr(raised.size() - tail.size()));

    std::string read;
    ASSERT_TRUE(ReadShaderSource(bad_path.c_str(), read));
    EXPECT_EQ(bad, read);
}

TEST(ShaderProgramTest, SourceWithNulAndHugeSourcesAreHandled) {
    REQUIRE_GL();
    // A message longer than any fixed buffer arrives whole.
    std::string huge = "// " + std::string(30000, 'x') + "\n" + kBroken;
    ShaderProgram program;
    const std::string raised = FailureOf([&] { program.Load(false, huge.c_str()); }).first;
    const std::string tail = MessageFor(huge);
    ASSERT_GE(raised.size(), tail.size());
    EXPECT_EQ(tail, raised.substr(raised.size() - tail.size()));

    // A file holding a NUL byte: the compiler sees the text up to it, which
    // is a whole shader here.
    ScratchDir dir;
    const std::string path = dir.Write("nul.fs", std::string(kGreen) + '\0' + "garbage");
    ShaderProgram with_nul;
    with_nul.Load(true, path.c_str());
    EXPECT_NE(0u, with_nul.Program());
}

TEST(ShaderProgramTest, CompileShaderGivesACompiledNameOrTheMessage) {
    REQUIRE_GL();
    const GLuint shader = CompileShader(kVertex, GL_VERTEX_SHADER);
    GLint compiled = 0, type = 0;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &compiled);
    glGetShaderiv(shader, GL_SHADER_TYPE, &type);
    EXPECT_EQ(GL_TRUE, compiled);
    EXPECT_EQ(GL_VERTEX_SHADER, type);
    glDeleteShader(shader);

    const std::string raised = FailureOf([] { CompileShader(kBroken, GL_FRAGMENT_SHADER); }).first;
    EXPECT_EQ(0u, raised.rfind("Compiler error ", 0));
}

TEST(LocateUniformTest, ReportsUniformsTheProgramDoesNotUse) {
    REQUIRE_GL();
    ShaderProgram program;
    program.Load(false, kUsesTint);
    testing::internal::CaptureStderr();
    const GLint tint = LocateUniform(program.Program(), "tint");
    EXPECT_EQ("", testing::internal::GetCapturedStderr());
    EXPECT_GE(tint, 0);

    testing::internal::CaptureStderr();
    EXPECT_EQ(-1, LocateUniform(program.Program(), "time"));
    EXPECT_EQ("Unable to locate shader handle for: time\n", testing::internal::GetCapturedStderr());

    // The located uniform drives the picture; -1 is silently ignored.
    glUseProgram(program.Program());
    glUniform4f(tint, 0.0f, 0.0f, 1.0f, 1.0f);
    glUniform1f(-1, 5.0f);
    EXPECT_EQ(GLenum(GL_NO_ERROR), glGetError());
    DrawFullWindow(program.Program());
    EXPECT_EQ(255, PixelAt(100, 100).b);
}

TEST(LocateUniformTest, ProgramZeroHasNoUniforms) {
    REQUIRE_GL();
    glGetError();
    testing::internal::CaptureStderr();
    EXPECT_EQ(-1, LocateUniform(0, "time"));
    EXPECT_EQ("Unable to locate shader handle for: time\n", testing::internal::GetCapturedStderr());
    EXPECT_EQ(GLenum(GL_NO_ERROR), glGetError());  // GL is not asked about name 0
}

TEST(VertexFragmentProgramTest, BuildsFromBothOrFromWhatExists) {
    REQUIRE_GL();
    ScratchDir dir;
    const std::string fragment = dir.Write("f.fs", kGreen);
    const std::string vertex = dir.Write("v.vs", kVertex);

    VertexFragmentProgram both;
    both.Load(fragment.c_str(), vertex.c_str());
    EXPECT_EQ(2, Status(both.Program(), GL_ATTACHED_SHADERS));
    EXPECT_EQ(GL_TRUE, Status(both.Program(), GL_LINK_STATUS));

    // A vertex path that does not exist: fragment shader alone, no message.
    testing::internal::CaptureStderr();
    VertexFragmentProgram fragment_only;
    fragment_only.Load(fragment.c_str(), (dir.path() + "/missing.vs").c_str());
    EXPECT_EQ("", testing::internal::GetCapturedStderr());
    ASSERT_NE(0u, fragment_only.Program());
    EXPECT_EQ(1, Status(fragment_only.Program(), GL_ATTACHED_SHADERS));
    EXPECT_EQ(GL_TRUE, Status(fragment_only.Program(), GL_LINK_STATUS));
    glDisable(GL_TEXTURE_2D);
    DrawFullWindow(fragment_only.Program());
    glEnable(GL_TEXTURE_2D);
    EXPECT_EQ(255, PixelAt(320, 240).g);

    // Neither file: a program with nothing attached, still no message.
    testing::internal::CaptureStderr();
    VertexFragmentProgram nothing;
    nothing.Load("data/none.fs", "data/none.vs");
    EXPECT_EQ("", testing::internal::GetCapturedStderr());
    EXPECT_NE(0u, nothing.Program());
    EXPECT_EQ(0, Status(nothing.Program(), GL_ATTACHED_SHADERS));
}

TEST(VertexFragmentProgramTest, ABrokenVertexShaderRaisesTheMessage) {
    REQUIRE_GL();
    ScratchDir dir;
    const std::string fragment = dir.Write("f.fs", kGreen);
    const std::string broken = "void main() { gl_Position = ftransform() }\n";
    const std::string vertex = dir.Write("v.vs", broken);
    VertexFragmentProgram program;
    const auto [raised, written] =
        FailureOf([&] { program.Load(fragment.c_str(), vertex.c_str()); });
    EXPECT_EQ(0u, raised.rfind("Compiler error ", 0));
    const std::string tail = MessageFor(broken);
    ASSERT_GE(raised.size(), tail.size());
    EXPECT_EQ(tail, raised.substr(raised.size() - tail.size()));
    EXPECT_EQ(raised, written);
}
