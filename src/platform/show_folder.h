// The show folder: where the files a show names are found.
//
// A show is a folder holding the script data/demo.txt. The script and the
// effects name their files relative to that folder ("data/sky/clouds.jpg",
// "libsample_plugin.so"); without --show the folder is the working
// directory. Every loader (pictures, shaders, meshes, the clip, the music,
// plug-ins, and the record of reloadable files that --watch follows) opens
// ShowPath(path) and keeps `path` as written for its messages, so a message
// names a file the way the script does.
//
//   SetShowFolder(dir)      once at start-up, before anything loads and
//                           before any thread reads it; "" (the default) is
//                           the working directory
//   ShowPath(path)          the file to open for a path of the show
//   JoinShowPath(dir, p)    the same for any folder, without global state
//   ShowFolderProblem(dir)  why `dir` cannot be played, or "" when it can
//
// Paths the user gives on the command line (--show, --capture, --export)
// are the user's own, relative to the working directory: they never go
// through ShowPath.
#pragma once

#include <string>

// The script of the show in `folder` ("" for the working directory).
constexpr char kShowScript[] = "data/demo.txt";

// `path` as seen from the working directory when it is relative to `folder`:
// an empty path, an absolute path or an empty folder leave it unchanged;
// otherwise folder + "/" + path, with nothing folded away (so "../x" means
// what it would mean inside the folder).
std::string JoinShowPath(const std::string& folder, const std::string& path);

void SetShowFolder(std::string folder);
// The folder as set ("" for the working directory).
const std::string& ShowFolder();
// JoinShowPath(ShowFolder(), path).
std::string ShowPath(const std::string& path);

// What keeps `folder` from being played, naming it: a folder that does not
// exist, a file, a folder without data/demo.txt. Empty when the script is
// there.
std::string ShowFolderProblem(const std::string& folder);

// The folder of the running program, absolute, without a trailing '/'; empty
// when the system does not say.
std::string ProgramFolder();

// The folder of installed plug-ins, searched after the show's folder and the
// program's (empty: none). Set once at start-up like the show folder.
void SetInstalledPluginFolder(std::string folder);
const std::string& InstalledPluginFolder();
