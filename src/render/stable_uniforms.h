// Stable uniform locations: numbers that stay valid when a program is
// relinked with new source.
//
// Effects look each uniform up once (LocateUniform) and keep the number. A
// program relinked from an edited shader may put its uniforms at other
// locations, or gain one it lacked. While stable locations are on:
//   - LocateUniform hands out the location a uniform had when it was first
//     looked up, or a stand-in number (from kFirstStandInLocation on) for one
//     the program did not have then, or that was first asked for after a
//     relink;
//   - RefreshUniformLocations(program), called after each relink, looks every
//     handed-out name up again;
//   - the glUniform* and glUseProgram entry points (GLEW's function
//     pointers) are routed through a table that turns a handed-out number
//     into the current program's present location (-1, which GL ignores, for
//     a uniform the program no longer has).
// A program that was never relinked and got no stand-in passes its numbers
// through unchanged. Turn it on once, after glewInit and before any program
// is built; it cannot be turned off. Off (the default), nothing is routed and
// LocateUniform returns GL's own locations.
//   [X] glUniform{1,2,3,4}{f,i}, their v forms, glUniformMatrix{2,3,4}fv
//   [ ] elements of uniform arrays located by adding to the array's
//       location: only the numbers LocateUniform handed out are translated
//   [ ] programs made current by other means than glUseProgram (a plug-in
//       with its own GL loader)
// Main thread only; the routed calls allocate nothing.
#pragma once

#include <GL/glew.h>

constexpr GLint kFirstStandInLocation = 0x40000000;

void EnableStableUniforms();
bool StableUniformsEnabled();

// The number LocateUniform hands out for `name` in `program` while stable
// locations are on (-1 only for program 0).
GLint StableUniformLocation(GLuint program, const char* name);
// After `program` was relinked: every handed-out name is looked up again.
void RefreshUniformLocations(GLuint program);
// `program` is being deleted: its table goes.
void ForgetUniformLocations(GLuint program);
