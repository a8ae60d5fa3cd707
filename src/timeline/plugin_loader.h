// Effekter::PluginLoader: an effect that lives in a separately built shared
// library (see include/demo_plugin.h for what the library exports).
//
// [X] construction loads the library (dlopen), finds "Init" and "Draw"
//     (dlsym) and calls Init with the open script stream, which may read the
//     plug-in's own lines; Draw forwards the frame's values
// [X] a plain file name is looked for in the show's folder, then beside the
//     running program, then in the installed plug-in folder, then by the
//     system's library search; a name with a '/' is a path of the show
//     (platform/show_folder.h)
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
#include <vector>

#include "demo_plugin.h"
#include "timeline/effekt.h"

// The paths tried for a library named `file_name` in the script, in order
// (the lookup above): for a plain name the show folder ("" for the working
// directory), the program's folder and the installed plug-in folder, each
// skipped when empty, then the plain name for the system's search. Nothing
// for an empty name or one holding a zero byte.
std::vector<std::string> PluginCandidates(const std::string& file_name,
                                          const std::string& show_folder,
                                          const std::string& program_folder,
                                          const std::string& installed_folder);

// The dlopen handle of the first candidate that loads, with the show and
// installed plug-in folders of platform/show_folder.h, or null. Writes
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
