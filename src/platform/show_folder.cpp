#include "platform/show_folder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

struct Folders {
    std::string show;
    std::string plugins;
};

Folders& TheFolders() {
    static Folders folders;
    return folders;
}

// 0 for a folder, kNotAFolder for anything else that exists, or the errno
// of stat.
constexpr int kNotAFolder = -1;
int FolderStatus(const std::string& path) {
    struct stat info;
    if (stat(path.c_str(), &info) != 0) return errno;
    return S_ISDIR(info.st_mode) ? 0 : kNotAFolder;
}

}  // namespace

std::string JoinShowPath(const std::string& folder, const std::string& path) {
    if (path.empty() || path[0] == '/' || folder.empty()) return path;
    return folder.back() == '/' ? folder + path : folder + "/" + path;
}

void SetShowFolder(std::string folder) { TheFolders().show = std::move(folder); }

const std::string& ShowFolder() { return TheFolders().show; }

std::string ShowPath(const std::string& path) { return JoinShowPath(TheFolders().show, path); }

std::string ShowFolderProblem(const std::string& folder) {
    const std::string shown = folder.empty() ? "." : folder;
    const int status = FolderStatus(shown);
    if (status == kNotAFolder) return "\"" + shown + "\" is a file, not a show folder";
    // ENOTDIR: a path through a file ("notes.txt/show").
    if (status == ENOENT || status == ENOTDIR)
        return "The show folder \"" + shown + "\" does not exist";
    if (status != 0)
        return "The show folder \"" + shown + "\" cannot be read (" + strerror(status) + ")";
    const std::string script = JoinShowPath(folder, kShowScript);
    const int script_status = FolderStatus(script);
    const std::string no_show = "The show folder \"" + shown + "\" holds no show: " + script;
    if (script_status == 0) return no_show + " is a folder";
    if (script_status == ENOENT) return no_show + " is missing";
    if (script_status != kNotAFolder)
        return no_show + " cannot be read (" + strerror(script_status) + ")";
    return "";
}

std::string ProgramFolder() {
    char path[4096];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) return {};
    const std::string program(path, static_cast<size_t>(length));
    const size_t slash = program.rfind('/');
    if (slash == std::string::npos) return {};
    return slash == 0 ? "/" : program.substr(0, slash);
}

void SetInstalledPluginFolder(std::string folder) { TheFolders().plugins = std::move(folder); }

const std::string& InstalledPluginFolder() { return TheFolders().plugins; }
