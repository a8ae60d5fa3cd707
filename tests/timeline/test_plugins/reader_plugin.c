/* A plug-in for the loader's tests: Init reads two raw lines from the
 * script; both entry points count their calls, which the test reads back
 * through the Probe functions. */
#define DEMO_PLUGIN_IMPLEMENTATION
#include "demo_plugin.h"

static int init_calls, draw_calls, last_start, last_end, last_time;
static float last_beat;
static char lines[2][64];

void Init(FILE* script, int start, int end) {
    ++init_calls;
    last_start = start;
    last_end = end;
    for (int i = 0; i < 2; ++i) {
        if (!fgets(lines[i], sizeof lines[i], script)) lines[i][0] = '\0';
    }
}

void Draw(int demo_time, float beat) {
    ++draw_calls;
    last_time = demo_time;
    last_beat = beat;
}

DEMO_PLUGIN_EXPORT int ProbeInitCalls(void) { return init_calls; }
DEMO_PLUGIN_EXPORT int ProbeDrawCalls(void) { return draw_calls; }
DEMO_PLUGIN_EXPORT int ProbeStart(void) { return last_start; }
DEMO_PLUGIN_EXPORT int ProbeEnd(void) { return last_end; }
DEMO_PLUGIN_EXPORT int ProbeTime(void) { return last_time; }
DEMO_PLUGIN_EXPORT float ProbeBeat(void) { return last_beat; }
DEMO_PLUGIN_EXPORT const char* ProbeLine(int i) { return lines[i & 1]; }
