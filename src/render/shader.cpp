#include "render/shader.h"

#include <fstream>
#include <iterator>

#include "platform/debug_output.h"
#include "platform/failure.h"
#include "platform/show_folder.h"
#include "render/stable_uniforms.h"

namespace {

std::string ShaderLog(GLuint shader) {
    char log[1024] = {0};
    GLsizei length = 0;
    glGetShaderInfoLog(shader, sizeof log, &length, log);
    return log;
}

// Reports a failed compile and raises the message. The shader object is kept.
[[noreturn]] void CompileError(GLuint shader, const char* source) {
    std::string message = "Compiler error ";
    message += ShaderLog(shader);
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

// Compiles a reloaded source. A failure deletes the shader (a file edited
// many times must not pile up dead shaders) and raises the compiler's log
// without the source, which is the file being edited.
GLuint CompileReloaded(const std::string& source, GLenum type) {
    const GLuint shader = glCreateShader(type);
    if (Compiles(shader, source.c_str())) return shader;
    std::string message = "Compiler error " + ShaderLog(shader);
    glDeleteShader(shader);
    Fail(std::move(message));
}

// Relinks `program` with the shaders in `fresh` in place of those in `old`
// (two stages; 0 where a stage has no shader). They are linked into a
// scratch program first, so a link error raises "Link error <log>" and
// leaves `program` as it was; the fresh shaders are deleted then. On success
// the old shaders are deleted, the slots of `old` take the fresh names and
// the uniform table is refreshed.
void Relink(GLuint program, GLuint old[2], const GLuint fresh[2]) {
    const GLuint trial = glCreateProgram();
    for (int i = 0; i < 2; ++i)
        if (fresh[i] != 0) glAttachShader(trial, fresh[i]);
    glLinkProgram(trial);
    GLint linked = 0;
    glGetProgramiv(trial, GL_LINK_STATUS, &linked);
    if (!linked) {
        char log[1024] = {0};
        GLsizei length = 0;
        glGetProgramInfoLog(trial, sizeof log, &length, log);
        glDeleteProgram(trial);
        for (int i = 0; i < 2; ++i) glDeleteShader(fresh[i]);
        Fail(std::string("Link error ") + log);
    }
    glDeleteProgram(trial);
    for (int i = 0; i < 2; ++i) {
        if (old[i] != 0) {
            glDetachShader(program, old[i]);
            glDeleteShader(old[i]);
        }
        if (fresh[i] != 0) glAttachShader(program, fresh[i]);
        old[i] = fresh[i];
    }
    glLinkProgram(program);
    RefreshUniformLocations(program);
}

}  // namespace

bool ReadShaderSource(const char* path, std::string& source) {
    std::ifstream file(ShowPath(path), std::ios::in | std::ios::binary);
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
    if (StableUniformsEnabled()) return StableUniformLocation(program, name);
    return location;
}

ShaderProgram::~ShaderProgram() {
    ForgetAsset(this);
    ForgetUniformLocations(program_);
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
    if (from_file) {
        path_ = text;
        WatchAssetFile(path_, this);
    }
}

void ShaderProgram::Reload() {
    if (path_.empty() || program_ == 0) return;
    std::string source;
    if (!ReadShaderSource(path_.c_str(), source)) FailFormat("Error opening: %s", path_.c_str());
    GLuint old[2] = {fragment_shader_, 0};
    const GLuint fresh[2] = {CompileReloaded(source, GL_FRAGMENT_SHADER), 0};
    Relink(program_, old, fresh);
    fragment_shader_ = old[0];
}

VertexFragmentProgram::~VertexFragmentProgram() {
    ForgetAsset(this);
    ForgetUniformLocations(program_);
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
    // Both files, also a missing one: it joins the program when it appears.
    fragment_path_ = fragment_path;
    vertex_path_ = vertex_path;
    WatchAssetFile(fragment_path_, this);
    WatchAssetFile(vertex_path_, this);
}

void VertexFragmentProgram::Reload() {
    const std::string* paths[2] = {&fragment_path_, &vertex_path_};
    const GLenum types[2] = {GL_FRAGMENT_SHADER, GL_VERTEX_SHADER};
    GLuint old[2] = {fragment_shader_, vertex_shader_};
    std::string sources[2];
    bool present[2] = {false, false};
    for (int i = 0; i < 2; ++i) {
        present[i] = ReadShaderSource(paths[i]->c_str(), sources[i]);
        // A stage the program had must not vanish with its file.
        if (!present[i] && old[i] != 0) FailFormat("Error opening: %s", paths[i]->c_str());
    }
    GLuint fresh[2] = {0, 0};
    try {
        for (int i = 0; i < 2; ++i)
            if (present[i]) fresh[i] = CompileReloaded(sources[i], types[i]);
    } catch (const DemoFailure&) {
        for (GLuint shader : fresh) glDeleteShader(shader);
        throw;
    }
    Relink(program_, old, fresh);
    fragment_shader_ = old[0];
    vertex_shader_ = old[1];
}
