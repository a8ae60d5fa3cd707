#include "timeline/plugin_loader.h"

#include <dlfcn.h>

#include "platform/failure.h"
#include "platform/show_folder.h"

std::vector<std::string> PluginCandidates(const std::string& file_name,
                                          const std::string& show_folder,
                                          const std::string& program_folder,
                                          const std::string& installed_folder) {
    // dlopen treats an empty name as the program itself; that is no plug-in.
    if (file_name.empty() || file_name.find('\0') != std::string::npos) return {};
    if (file_name.find('/') != std::string::npos) return {JoinShowPath(show_folder, file_name)};

    // A plain name: the show first, then what ships with the program, the
    // way a program on Windows finds a library that lies beside it. The
    // show's own folder is spelt "./" so that dlopen does not search.
    std::vector<std::string> paths;
    paths.push_back(show_folder.empty() ? "./" + file_name : JoinShowPath(show_folder, file_name));
    for (const std::string* folder : {&program_folder, &installed_folder})
        if (!folder->empty()) paths.push_back(JoinShowPath(*folder, file_name));
    paths.push_back(file_name);
    return paths;
}

void* OpenPluginLibrary(const std::string& file_name) {
    for (const std::string& path :
         PluginCandidates(file_name, ShowFolder(), ProgramFolder(), InstalledPluginFolder()))
        if (void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) return library;
    return nullptr;
}

namespace Effekter {

PluginLoader::PluginLoader(int start, int end, const std::string& file_name, FILE* script)
    : Effekt(start, end) {
    library_ = OpenPluginLibrary(file_name);
    if (!library_) FailFormat("Unable to load plugin: %s", file_name.c_str());
    init_ = reinterpret_cast<DemoPluginInitFunction>(dlsym(library_, "Init"));
    if (!init_) FailFormat("Unable to fint Init function in plugin: %s", file_name.c_str());
    draw_ = reinterpret_cast<DemoPluginDrawFunction>(dlsym(library_, "Draw"));
    if (!draw_) FailFormat("Unable to fint Draw function in plugin: %s", file_name.c_str());
    init_(script, start, end);
}

void PluginLoader::Draw(uint32_t demo_time, float beat) {
    // The frame loop only calls inside the window; the check keeps that
    // promise to the library even for a caller that does not.
    if (!IsActiveAt(demo_time)) return;
    draw_(static_cast<int>(demo_time), beat);
}

}  // namespace Effekter
