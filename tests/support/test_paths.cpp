#include "support/test_paths.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

std::string SourceDir() { return DEMO_SOURCE_DIR; }
std::string BinaryDir() { return DEMO_BINARY_DIR; }
std::string DemoExecutable() { return BinaryDir() + "/demo"; }

ScratchDir::ScratchDir() {
    std::string pattern = (fs::temp_directory_path() / "demo-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) abort();
    path_ = pattern;
}

ScratchDir::~ScratchDir() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

std::string ScratchDir::Write(const std::string& relative, const std::string& contents) const {
    const fs::path target = fs::path(path_) / relative;
    fs::create_directories(target.parent_path());
    std::ofstream(target, std::ios::binary) << contents;
    return target.string();
}

static std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

CommandResult RunCommand(const std::string& command, const std::string& working_dir,
                         int timeout_seconds) {
    ScratchDir outputs;
    const std::string out = outputs.path() + "/out", err = outputs.path() + "/err";
    // A command that outlives its limit gets SIGTERM, and SIGKILL 10 s later
    // (the demo takes SIGTERM as a request to end the show, which a hung
    // process never acts on).
    const std::string full = "cd '" + working_dir + "' && timeout -k 10 " +
                             std::to_string(timeout_seconds) + " " + command + " >'" + out +
                             "' 2>'" + err + "'";
    const int status = system(full.c_str());
    CommandResult result;
    if (status != -1 && WIFEXITED(status)) result.exit_code = WEXITSTATUS(status);
    result.out = Slurp(out);
    result.err = Slurp(err);
    return result;
}

std::string UnfinishedFiles(const std::string& folder) {
    static const std::string kEnd("IEND\xAE\x42\x60\x82", 8);
    std::string found;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string bytes = entry.path().extension() == ".png" ? Slurp(entry.path()) : kEnd;
        if (entry.path().extension() == ".part" || bytes.size() < 8 ||
            bytes.compare(bytes.size() - 8, 8, kEnd) != 0)
            found += entry.path().filename().string() + " ";
    }
    return found;
}
