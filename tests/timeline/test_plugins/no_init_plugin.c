/* A plug-in without "Init". */
#include "demo_plugin.h"

DEMO_PLUGIN_EXPORT void Draw(int demo_time, float beat) {
    (void)demo_time;
    (void)beat;
}
