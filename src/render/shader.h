// GLSL programs built from source files.
//
// Needs a current GL context with OpenGL 2.0. Sources are read whole, byte
// for byte (line endings untouched).
//   ShaderProgram          one fragment shader; vertices go through the
//                          fixed-function pipeline. A missing file raises
//                          "Error opening: <path>".
//   VertexFragmentProgram  a fragment and a vertex shader; a missing file is
//                          silently left out.
// A shader that does not compile writes and raises
// "Compiler error <log>... while compiling:\n <source>\n" (never cut). Link
// errors are not reported. A program never loaded has name 0, which selects
// the fixed-function pipeline. LocateUniform reports a uniform the program
// does not use on standard error and returns -1, which later glUniform calls
// ignore (with stable uniform locations on, see stable_uniforms.h, a stand-in
// number that GL ignores the same way until the uniform appears).
//
// While asset reloading is on (platform/asset_reload.h), programs built from
// files record them; Reload() reads and compiles the sources again and
// relinks them into the same program object, so the program's name stays
// valid. The new version is linked into a scratch program first: a file that
// cannot be read ("Error opening: <path>"), a compile error ("Compiler error
// <log>", without the source) or a link error ("Link error <log>") is raised
// and the program keeps drawing as it did. A VertexFragmentProgram stage
// whose file was missing from the start stays left out while it is missing.
#pragma once

#include <GL/glew.h>

#include <string>

#include "platform/asset_reload.h"

class ShaderProgram : public ReloadableAsset {
public:
    ShaderProgram() = default;
    ~ShaderProgram() override;
    ShaderProgram(const ShaderProgram&) = delete;
    ShaderProgram& operator=(const ShaderProgram&) = delete;

    // `text` is a path when `from_file`, otherwise the source itself.
    void Load(bool from_file, const char* text);
    GLuint Program() const { return program_; }
    void Reload() override;

private:
    GLuint fragment_shader_ = 0;
    GLuint program_ = 0;
    std::string path_;  // empty for a program built from text
};

class VertexFragmentProgram : public ReloadableAsset {
public:
    VertexFragmentProgram() = default;
    ~VertexFragmentProgram() override;
    VertexFragmentProgram(const VertexFragmentProgram&) = delete;
    VertexFragmentProgram& operator=(const VertexFragmentProgram&) = delete;

    // Note the order: fragment first.
    void Load(const char* fragment_path, const char* vertex_path);
    GLuint Program() const { return program_; }
    void Reload() override;

private:
    GLuint vertex_shader_ = 0;
    GLuint fragment_shader_ = 0;
    GLuint program_ = 0;
    std::string fragment_path_;
    std::string vertex_path_;
};

// Compiles one shader and returns its name; raises the compiler message.
GLuint CompileShader(const char* source, GLenum type);

// glGetUniformLocation, with a diagnostic when the uniform is not found.
// Program 0 has no uniforms: every name is reported and gives -1.
GLint LocateUniform(GLuint program, const char* name);

// Reads a whole file of the show (a path relative to the show folder,
// platform/show_folder.h). False when it cannot be opened.
bool ReadShaderSource(const char* path, std::string& source);
