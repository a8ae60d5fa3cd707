#include "render/shader.h"

#include <fstream>
#include <iterator>

#include "platform/debug_output.h"
#include "platform/failure.h"

namespace {

// Reports a failed compile and raises the message. The shader object is kept.
[[noreturn]] void CompileError(GLuint shader, const char* source) {
    char log[1024] = {0};
    GLsizei length = 0;
    glGetShaderInfoLog(shader, sizeof log, &length, log);
    std::string message = "Compiler error ";
    message += log;
    message += "... while compiling:\n ";
    message += source;
    message += "\n";
    DebugOutput(message.c_str());
    Fail(std::move(message));
}

bool Compiles(GLuint shader, const char* source) {
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    GLint status = 0;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &status);
    return status != 0;
}

}  // namespace

bool ReadShaderSource(const char* path, std::string& source) {
    std::ifstream file(path, std::ios::in | std::ios::binary);
    if (!file) return false;
    // A folder opens like a file here, but the standard library raises its
    // own exception on the first read; it counts as a file that cannot be
    // opened.
    try {
        source.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    } catch (const std::ios_base::failure&) {
        source.clear();
        return false;
    }
    return true;
}

GLuint CompileShader(const char* source, GLenum type) {
    const GLuint shader = glCreateShader(type);
    if (!Compiles(shader, source)) CompileError(shader, source);
    return shader;
}

GLint LocateUniform(GLuint program, const char* name) {
    // Program 0 (never loaded) has no uniforms; GL would also flag the name
    // as invalid.
    const GLint location = program != 0 ? glGetUniformLocation(program, name) : -1;
    if (location == -1) {
        DebugOutput("Unable to locate shader handle for: ");
        DebugOutput(name);
        DebugOutput("\n");
    }
    return location;
}

ShaderProgram::~ShaderProgram() {
    glDeleteShader(fragment_shader_);
    glDeleteProgram(program_);
}

void ShaderProgram::Load(bool from_file, const char* text) {
    std::string source;
    if (from_file) {
        if (!ReadShaderSource(text, source)) FailFormat("Error opening: %s", text);
    } else {
        source = text;
    }
    fragment_shader_ = glCreateShader(GL_FRAGMENT_SHADER);
    if (!Compiles(fragment_shader_, source.c_str())) CompileError(fragment_shader_, source.c_str());
    program_ = glCreateProgram();
    glAttachShader(program_, fragment_shader_);
    glLinkProgram(program_);
}

VertexFragmentProgram::~VertexFragmentProgram() {
    glDeleteShader(fragment_shader_);
    glDeleteShader(vertex_shader_);
    glDeleteProgram(program_);
}

void VertexFragmentProgram::Load(const char* fragment_path, const char* vertex_path) {
    program_ = glCreateProgram();
    std::string source;
    if (ReadShaderSource(fragment_path, source)) {
        fragment_shader_ = CompileShader(source.c_str(), GL_FRAGMENT_SHADER);
        glAttachShader(program_, fragment_shader_);
    }
    if (ReadShaderSource(vertex_path, source)) {
        vertex_shader_ = CompileShader(source.c_str(), GL_VERTEX_SHADER);
        glAttachShader(program_, vertex_shader_);
    }
    glLinkProgram(program_);
}
