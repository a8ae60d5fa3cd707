#include "timeline/plugin_loader.h"

#include <dlfcn.h>
#include <unistd.h>

#include "platform/failure.h"

namespace {

// The folder of the running executable, with a trailing '/', or empty.
std::string ExecutableFolder() {
    char path[4096];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) return {};
    const std::string exe(path, static_cast<size_t>(length));
    const size_t slash = exe.rfind('/');
    return slash == std::string::npos ? std::string() : exe.substr(0, slash + 1);
}

void* Open(const std::string& path) { return dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL); }

}  // namespace

void* OpenPluginLibrary(const std::string& file_name) {
    // dlopen treats an empty name as the program itself; that is no plug-in.
    if (file_name.empty() || file_name.find('\0') != std::string::npos) return nullptr;
    if (file_name.find('/') != std::string::npos) return Open(file_name);

    // A plain name: the working directory first, then beside the executable
    // (where the build puts plug-ins), then the system's search, the way a
    // program on Windows finds a library that ships with it.
    if (void* library = Open("./" + file_name)) return library;
    const std::string folder = ExecutableFolder();
    if (!folder.empty()) {
        if (void* library = Open(folder + file_name)) return library;
    }
    return Open(file_name);
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
