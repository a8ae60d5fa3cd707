#include "app/new_show.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "platform/show_folder.h"

namespace fs = std::filesystem;

namespace {

// What was made so far, undone newest first unless Keep() is called.
class Undo {
public:
    ~Undo() {
        if (keep_) return;
        std::error_code ignored;
        for (auto it = made_.rbegin(); it != made_.rend(); ++it) fs::remove(*it, ignored);
    }
    void Made(const fs::path& path) { made_.push_back(path); }
    void Keep() { keep_ = true; }

private:
    std::vector<fs::path> made_;
    bool keep_ = false;
};

// Makes `folder` and whichever of its parents are missing, noting each.
bool MakeFolders(const fs::path& folder, Undo& undo, std::string& error) {
    std::error_code code;
    if (fs::is_directory(folder, code)) return true;
    if (folder.has_parent_path() && folder.parent_path() != folder &&
        !MakeFolders(folder.parent_path(), undo, error))
        return false;
    if (!fs::create_directory(folder, code)) {
        error = "cannot make the folder \"" + folder.string() + "\" (" +
                (code ? code.message() : std::string("a file is in the way")) + ")";
        return false;
    }
    undo.Made(folder);
    return true;
}

// Creates `path` (never replacing a file) and writes `bytes` into it.
bool WriteNewFile(const fs::path& path, const std::string& bytes, Undo& undo, std::string& error) {
    FILE* file = fopen(path.c_str(), "wbx");
    if (!file) {
        error = "cannot write \"" + path.string() + "\" (" + strerror(errno) + ")";
        return false;
    }
    undo.Made(path);
    const bool written = fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const int write_error = errno;
    if (fclose(file) != 0 || !written) {
        error = "cannot write \"" + path.string() + "\" (" +
                strerror(written ? errno : write_error) + ")";
        return false;
    }
    return true;
}

// A path as the user would type it in the command that plays the show.
std::string Quoted(const std::string& folder) {
    if (folder.find_first_of(" \t'\"\\$`;&|<>()*?[]#~") == std::string::npos) return folder;
    std::string quoted = "'";
    for (char c : folder) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

}  // namespace

std::string NewShowProblem(const std::string& folder) {
    std::error_code code;
    const fs::file_status status = fs::status(folder, code);
    if (status.type() == fs::file_type::not_found) return "";
    if (code) return "cannot look into \"" + folder + "\" (" + code.message() + ")";
    if (status.type() != fs::file_type::directory)
        return "\"" + folder + "\" is a file; a new show needs a new or empty folder";
    const bool empty = fs::is_empty(folder, code);
    if (code) return "cannot look into \"" + folder + "\" (" + code.message() + ")";
    if (!empty)
        return "\"" + folder +
               "\" is not empty; a new show is only written into a new or empty folder, so "
               "nothing is overwritten";
    return "";
}

int WriteNewShow(const std::string& folder, const std::string& program) {
    std::string error = NewShowProblem(folder);
    if (!error.empty()) {
        fprintf(stderr, "--new-show refused: %s\n", error.c_str());
        return 1;
    }
    const std::vector<StarterFile> files = StarterShowFiles();
    for (const StarterFile& file : files) {
        if (file.bytes.empty()) {
            fprintf(stderr, "--new-show failed: %s could not be made; nothing was written\n",
                    file.path.c_str());
            return 1;
        }
    }
    Undo undo;
    for (const StarterFile& file : files) {
        const fs::path path = fs::path(folder) / file.path;
        if (!MakeFolders(path.parent_path(), undo, error) ||
            !WriteNewFile(path, file.bytes, undo, error)) {
            fprintf(stderr, "--new-show failed: %s; nothing is left behind\n", error.c_str());
            return 1;
        }
    }
    undo.Keep();
    printf(
        "A new show is in %s. Play it in a window, with the files reloaded as you save\n"
        "them and the tweak panel over it:\n"
        "\n"
        "    %s --show %s --no-dialog --windowed --size 1280x720 --watch --tweak\n"
        "\n"
        "then edit %s: its comments say what each line does.\n",
        folder.c_str(), Quoted(program).c_str(), Quoted(folder).c_str(),
        JoinShowPath(folder, kShowScript).c_str());
    return 0;
}
