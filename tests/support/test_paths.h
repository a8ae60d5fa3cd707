// Paths and processes for tests: the built demo, scratch folders, running a
// command and collecting its exit code and standard error.
#pragma once

#include <string>

// The project's root and build folders.
std::string SourceDir();
std::string BinaryDir();
// Path of build/demo.
std::string DemoExecutable();

// A new empty folder under the system's temporary folder, removed by the
// destructor with everything in it.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::string& path() const { return path_; }
    // Writes a file (creating folders on the way) and returns its path.
    std::string Write(const std::string& relative, const std::string& contents) const;

private:
    std::string path_;
};

struct CommandResult {
    int exit_code = -1;  // the process's exit status; -1 when it did not exit normally
    std::string err;     // standard error
    std::string out;     // standard output
};

// Runs `command` through /bin/sh in `working_dir`, with a time limit in seconds.
CommandResult RunCommand(const std::string& command, const std::string& working_dir,
                         int timeout_seconds = 120);

// Files in `folder` that would claim to be complete but are not: "*.part"
// files and PNG files without their closing IEND chunk ("a.png b.part ").
std::string UnfinishedFiles(const std::string& folder);
