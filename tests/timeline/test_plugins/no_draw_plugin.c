/* A plug-in without "Draw": loading it must fail before Init runs. */
#include "demo_plugin.h"

static int init_calls;

DEMO_PLUGIN_EXPORT void Init(FILE* script, int start, int end) {
    (void)script;
    (void)start;
    (void)end;
    ++init_calls;
}

DEMO_PLUGIN_EXPORT int ProbeInitCalls(void) { return init_calls; }
