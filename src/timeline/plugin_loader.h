// Effekter::PluginLoader: an effect that lives in a separately built shared
// library (see include/demo_plugin.h for what the library exports).
//
// [X] construction loads the library (dlopen), finds "Init" and "Draw"
//     (dlsym) and calls Init with the open script stream, which may read the
//     plug-in's own lines; Draw forwards the frame's values
// [X] a plain file name is looked for in the working directory, then beside
//     the running executable, then by the system's library search; a name
//     with a '/' is used as written
// [ ] the library is never unloaded, also when Init or Draw is missing
// [ ] nothing a plug-in does inside Init or Draw is caught
//
// Needs a current GL context (Init may create GL objects). Failures raise
// "Unable to load plugin: %s", "Unable to fint Init function in plugin: %s"
// or "Unable to fint Draw function in plugin: %s" with the file name; in the
// last two cases Init is never called.
#pragma once

#include <cstdio>
#include <string>

#include "demo_plugin.h"
#include "timeline/effekt.h"

// The dlopen handle of a library found by the lookup above, or null. Writes
// nothing and raises nothing.
void* OpenPluginLibrary(const std::string& file_name);

namespace Effekter {

class PluginLoader : public Effekt {
public:
    PluginLoader(int start, int end, const std::string& file_name, FILE* script);
    void Draw(uint32_t demo_time, float beat) override;

private:
    void* library_ = nullptr;
    DemoPluginInitFunction init_ = nullptr;
    DemoPluginDrawFunction draw_ = nullptr;
};

}  // namespace Effekter
