#include "render/stable_uniforms.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace {

struct LocatedUniform {
    std::string name;
    GLint handed_out;  // the number the effect keeps
    GLint current;     // where the uniform is in the program as linked now
};

struct ProgramTable {
    GLuint program = 0;
    // False while every handed-out number is the program's own location:
    // then calls pass through untouched.
    bool translating = false;
    GLint next_stand_in = kFirstStandInLocation;
    std::vector<LocatedUniform> uniforms;
};

struct State {
    bool enabled = false;
    std::vector<std::unique_ptr<ProgramTable>> tables;
    GLuint current_program = 0;             // the program in use
    const ProgramTable* current = nullptr;  // its table, if it has one
};

State g_state;

ProgramTable* FindTable(GLuint program) {
    for (auto& table : g_state.tables)
        if (table->program == program) return table.get();
    return nullptr;
}

GLint Translate(GLint location) {
    const ProgramTable* table = g_state.current;
    if (!table || !table->translating) return location;
    for (const LocatedUniform& u : table->uniforms)
        if (u.handed_out == location) return u.current;
    return location;
}

// GL's own entry points, saved when the routing is installed.
PFNGLUSEPROGRAMPROC g_use_program = nullptr;

void GLAPIENTRY RoutedUseProgram(GLuint program) {
    g_state.current_program = program;
    g_state.current = program != 0 ? FindTable(program) : nullptr;
    g_use_program(program);
}

// One routed entry point per glUniform* form: the same call with the
// location translated.
#define ROUTED_UNIFORM(Name, Params, Args) \
    PFNGL##Name##PROC g_##Name = nullptr;  \
    void GLAPIENTRY Routed##Name Params { g_##Name Args; }

ROUTED_UNIFORM(UNIFORM1F, (GLint l, GLfloat a), (Translate(l), a))
ROUTED_UNIFORM(UNIFORM2F, (GLint l, GLfloat a, GLfloat b), (Translate(l), a, b))
ROUTED_UNIFORM(UNIFORM3F, (GLint l, GLfloat a, GLfloat b, GLfloat c), (Translate(l), a, b, c))
ROUTED_UNIFORM(UNIFORM4F, (GLint l, GLfloat a, GLfloat b, GLfloat c, GLfloat d),
               (Translate(l), a, b, c, d))
ROUTED_UNIFORM(UNIFORM1I, (GLint l, GLint a), (Translate(l), a))
ROUTED_UNIFORM(UNIFORM2I, (GLint l, GLint a, GLint b), (Translate(l), a, b))
ROUTED_UNIFORM(UNIFORM3I, (GLint l, GLint a, GLint b, GLint c), (Translate(l), a, b, c))
ROUTED_UNIFORM(UNIFORM4I, (GLint l, GLint a, GLint b, GLint c, GLint d), (Translate(l), a, b, c, d))
ROUTED_UNIFORM(UNIFORM1FV, (GLint l, GLsizei n, const GLfloat* v), (Translate(l), n, v))
ROUTED_UNIFORM(UNIFORM2FV, (GLint l, GLsizei n, const GLfloat* v), (Translate(l), n, v))
ROUTED_UNIFORM(UNIFORM3FV, (GLint l, GLsizei n, const GLfloat* v), (Translate(l), n, v))
ROUTED_UNIFORM(UNIFORM4FV, (GLint l, GLsizei n, const GLfloat* v), (Translate(l), n, v))
ROUTED_UNIFORM(UNIFORM1IV, (GLint l, GLsizei n, const GLint* v), (Translate(l), n, v))
ROUTED_UNIFORM(UNIFORM2IV, (GLint l, GLsizei n, const GLint* v), (Translate(l), n, v))
ROUTED_UNIFORM(UNIFORM3IV, (GLint l, GLsizei n, const GLint* v), (Translate(l), n, v))
ROUTED_UNIFORM(UNIFORM4IV, (GLint l, GLsizei n, const GLint* v), (Translate(l), n, v))
ROUTED_UNIFORM(UNIFORMMATRIX2FV, (GLint l, GLsizei n, GLboolean t, const GLfloat* v),
               (Translate(l), n, t, v))
ROUTED_UNIFORM(UNIFORMMATRIX3FV, (GLint l, GLsizei n, GLboolean t, const GLfloat* v),
               (Translate(l), n, t, v))
ROUTED_UNIFORM(UNIFORMMATRIX4FV, (GLint l, GLsizei n, GLboolean t, const GLfloat* v),
               (Translate(l), n, t, v))

#undef ROUTED_UNIFORM

// Saves GLEW's pointer and puts the routed one in its place.
#define ROUTE(Name, GlewName) \
    g_##Name = GlewName;      \
    GlewName = Routed##Name

void InstallRouting() {
    g_use_program = __glewUseProgram;
    __glewUseProgram = RoutedUseProgram;
    ROUTE(UNIFORM1F, __glewUniform1f);
    ROUTE(UNIFORM2F, __glewUniform2f);
    ROUTE(UNIFORM3F, __glewUniform3f);
    ROUTE(UNIFORM4F, __glewUniform4f);
    ROUTE(UNIFORM1I, __glewUniform1i);
    ROUTE(UNIFORM2I, __glewUniform2i);
    ROUTE(UNIFORM3I, __glewUniform3i);
    ROUTE(UNIFORM4I, __glewUniform4i);
    ROUTE(UNIFORM1FV, __glewUniform1fv);
    ROUTE(UNIFORM2FV, __glewUniform2fv);
    ROUTE(UNIFORM3FV, __glewUniform3fv);
    ROUTE(UNIFORM4FV, __glewUniform4fv);
    ROUTE(UNIFORM1IV, __glewUniform1iv);
    ROUTE(UNIFORM2IV, __glewUniform2iv);
    ROUTE(UNIFORM3IV, __glewUniform3iv);
    ROUTE(UNIFORM4IV, __glewUniform4iv);
    ROUTE(UNIFORMMATRIX2FV, __glewUniformMatrix2fv);
    ROUTE(UNIFORMMATRIX3FV, __glewUniformMatrix3fv);
    ROUTE(UNIFORMMATRIX4FV, __glewUniformMatrix4fv);
}

#undef ROUTE

}  // namespace

void EnableStableUniforms() {
    if (g_state.enabled) return;
    g_state.enabled = true;
    InstallRouting();
}

bool StableUniformsEnabled() { return g_state.enabled; }

GLint StableUniformLocation(GLuint program, const char* name) {
    if (program == 0) return -1;
    ProgramTable* table = FindTable(program);
    if (!table) {
        g_state.tables.push_back(std::make_unique<ProgramTable>());
        table = g_state.tables.back().get();
        table->program = program;
        if (g_state.current_program == program) g_state.current = table;
    }
    for (const LocatedUniform& u : table->uniforms)
        if (u.name == name) return u.handed_out;
    const GLint location = glGetUniformLocation(program, name);
    LocatedUniform u{name, location, location};
    // A uniform the program lacks, or one asked for after a relink (whose
    // own location may be a number already handed out for another name),
    // gets a stand-in that only the routing understands.
    if (location < 0 || table->translating) {
        u.handed_out = table->next_stand_in++;
        table->translating = true;
    }
    table->uniforms.push_back(u);
    return u.handed_out;
}

void RefreshUniformLocations(GLuint program) {
    ProgramTable* table = FindTable(program);
    if (!table) return;
    table->translating = true;
    for (LocatedUniform& u : table->uniforms)
        u.current = glGetUniformLocation(program, u.name.c_str());
}

void ForgetUniformLocations(GLuint program) {
    auto& tables = g_state.tables;
    for (auto it = tables.begin(); it != tables.end(); ++it) {
        if ((*it)->program != program) continue;
        if (g_state.current == it->get()) g_state.current = nullptr;
        tables.erase(it);
        return;
    }
}
