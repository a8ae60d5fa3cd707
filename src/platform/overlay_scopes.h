// Scopes for drawing an on-screen overlay (the tweak panel, the stats
// overlay) with Dear ImGui over a frame of the show.
//
// ImGuiContextScope makes an overlay's own ImGui context current for a
// scope and puts back whatever context was current before, so overlays with
// contexts of their own never see each other's.
//
// SavedGlState saves the GL state an overlay may touch for a scope and puts
// it back when it ends, so the frames after it draw exactly as if it had
// never been drawn. Entering saves every attribute group, the client
// arrays, the program in use and the active texture units, then gives the
// overlay the plain fixed-function state it draws with whatever the effects
// left behind (program 0, texture unit 0, no fog, alpha test or texture
// generation, all colour channels written, an identity texture matrix).
// Needs a current GL context; allocates nothing.
#pragma once

#include <GL/glew.h>
#include <imgui.h>

class ImGuiContextScope {
public:
    explicit ImGuiContextScope(ImGuiContext* ours) : previous_(ImGui::GetCurrentContext()) {
        ImGui::SetCurrentContext(ours);
    }
    ~ImGuiContextScope() { ImGui::SetCurrentContext(previous_); }
    ImGuiContextScope(const ImGuiContextScope&) = delete;
    ImGuiContextScope& operator=(const ImGuiContextScope&) = delete;

private:
    ImGuiContext* previous_;
};

class SavedGlState {
public:
    SavedGlState() {
        glGetIntegerv(GL_CURRENT_PROGRAM, &program_);
        glGetIntegerv(GL_ACTIVE_TEXTURE, &active_texture_);
        glGetIntegerv(GL_CLIENT_ACTIVE_TEXTURE, &client_active_texture_);
        glPushAttrib(GL_ALL_ATTRIB_BITS);
        glPushClientAttrib(GL_CLIENT_ALL_ATTRIB_BITS);
        if (program_ != 0) glUseProgram(0);
        glActiveTexture(GL_TEXTURE0);
        glClientActiveTexture(GL_TEXTURE0);
        glDisable(GL_FOG);
        glDisable(GL_ALPHA_TEST);
        glDisable(GL_TEXTURE_GEN_S);
        glDisable(GL_TEXTURE_GEN_T);
        glDisable(GL_TEXTURE_GEN_R);
        glDisable(GL_TEXTURE_GEN_Q);
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        glMatrixMode(GL_TEXTURE);
        glPushMatrix();
        glLoadIdentity();
    }
    ~SavedGlState() {
        glMatrixMode(GL_TEXTURE);
        glPopMatrix();
        glPopClientAttrib();
        glPopAttrib();  // also the matrix mode
        if (program_ != 0) glUseProgram(static_cast<GLuint>(program_));
        glActiveTexture(static_cast<GLenum>(active_texture_));
        glClientActiveTexture(static_cast<GLenum>(client_active_texture_));
    }
    SavedGlState(const SavedGlState&) = delete;
    SavedGlState& operator=(const SavedGlState&) = delete;

private:
    GLint program_ = 0;
    GLint active_texture_ = GL_TEXTURE0;
    GLint client_active_texture_ = GL_TEXTURE0;
};
