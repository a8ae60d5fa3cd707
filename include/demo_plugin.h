/* demo_plugin.h: the interface of a plug-in effect library.
 *
 * A plug-in is a shared library named in the demo script:
 *
 *     Plugin
 *     <start time in ms>
 *     <end time in ms>
 *     <library file name>
 *     <the plug-in's own parameter lines, if it reads any>
 *
 * It exports two functions with C linkage and undecorated names:
 *
 *   Init(script, start, end)
 *       Called once while the script loads, with the OpenGL context current.
 *       `script` is the open demo script, positioned on the line after the
 *       library name; read your parameter lines from it (the script reader
 *       goes on after what you consumed; DemoPluginReadLine below reads them
 *       the way the reader does). Create textures, display lists and the like
 *       here. `start` and `end` are the entry's times as written.
 *   Draw(demo_time, beat)
 *       Called once per frame while start < demo_time < end. `demo_time` is
 *       the absolute demo time in milliseconds, `beat` the beat level 0..1.
 *       Draw with the state every effect finds: 40-degree perspective view,
 *       identity modelview, GL_TEXTURE_2D enabled, texture 0 bound, no
 *       blending, no fog, program 0, colour and depth cleared at the start
 *       of the frame; and leave it so (glPushAttrib/glPopAttrib and
 *       glPushMatrix/glPopMatrix are the easy way).
 *
 * A library without both functions stops the show during loading. Whatever
 * Init or Draw does wrong is not caught. The library is never unloaded, and
 * an entry naming the same library again gets another Init call.
 *
 * Library lookup: a name with a '/' is used as written (relative to the
 * working directory, the project root). A plain name is looked for in the
 * working directory, then beside the demo executable, then by the system's
 * library search.
 */
#ifndef DEMO_PLUGIN_H
#define DEMO_PLUGIN_H

#include <stdio.h>
#include <string.h>

#ifdef __cplusplus
extern "C" {
#endif

#define DEMO_PLUGIN_EXPORT __attribute__((visibility("default")))

typedef void (*DemoPluginInitFunction)(FILE* script, int start, int end);
typedef void (*DemoPluginDrawFunction)(int demo_time, float beat);

/* Reads the next value line of the script into `line` the way the demo
 * reads its own: lines starting with '#' are skipped, trailing blanks and
 * line breaks removed. Returns 0 at the end of the file (`line` empty). */
static inline int DemoPluginReadLine(FILE* script, char* line, int size) {
    for (;;) {
        if (size < 1 || !fgets(line, size, script)) {
            if (size > 0) line[0] = '\0';
            return 0;
        }
        if (line[0] == '#') continue;
        size_t length = strlen(line);
        while (length > 0 && (line[length - 1] == ' ' || line[length - 1] == '\t' ||
                              line[length - 1] == '\r' || line[length - 1] == '\n')) {
            line[--length] = '\0';
        }
        return 1;
    }
}

#ifdef DEMO_PLUGIN_IMPLEMENTATION
/* Define DEMO_PLUGIN_IMPLEMENTATION in the plug-in's source before including
 * this header to have the compiler check your definitions against these. */
DEMO_PLUGIN_EXPORT void Init(FILE* script, int start, int end);
DEMO_PLUGIN_EXPORT void Draw(int demo_time, float beat);
#endif

#ifdef __cplusplus
}
#endif

#endif /* DEMO_PLUGIN_H */
