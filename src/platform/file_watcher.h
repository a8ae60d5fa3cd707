// File watching: which of a set of files changed on disk (Linux inotify),
// and a debouncer that turns bursts of changes into single reloads.
//
// FileWatcher watches the folders that hold the files rather than the files
// themselves, so a file an editor replaces (a new file written and renamed
// over the old one) stays watched, and a file deleted and made again is seen
// when it comes back. Poll() reads what the kernel has queued and never
// waits; with nothing queued it makes one read() and allocates nothing.
//   [X] writes, truncation, creation, deletion, renames into and out of the
//       folder, attribute changes (touch)
//   [X] a folder that does not exist, or is deleted or renamed away: looked
//       for again at most once a second; when it is back, all its files
//       count as changed
//   [X] a kernel queue overflow: every file counts as changed
//   [ ] network file systems, where inotify does not see remote changes
//   [ ] symbolic links are not followed: a change to the file a link points
//       to, in another folder, is not seen
// Without inotify (Available() false) nothing is ever reported; one
// diagnostic line says so. Paths are compared as given: pass normalised
// paths (NormalAssetPath) to SetFiles.
//
// ChangeDebouncer holds each changed path until it has been quiet for
// `quiet_ms`, or has been waiting `longest_ms` while it keeps changing, so a
// file written in pieces is reloaded once, and one rewritten a hundred times
// a second is still reloaded a few times a second.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The steady clock in whole milliseconds, the count the debouncer and the
// watcher's retries go by.
uint64_t SteadyMilliseconds();

class ChangeDebouncer {
public:
    explicit ChangeDebouncer(uint32_t quiet_ms = 50, uint32_t longest_ms = 250)
        : quiet_ms_(quiet_ms), longest_ms_(longest_ms) {}

    // Notes a change of `path` at `now_ms` (any steady millisecond count).
    void Changed(const std::string& path, uint64_t now_ms);
    // Appends the paths due at `now_ms` to `due`, oldest change first, and
    // forgets them.
    void TakeDue(uint64_t now_ms, std::vector<std::string>& due);
    bool Pending() const { return !pending_.empty(); }

private:
    struct Waiting {
        std::string path;
        uint64_t first_ms;
        uint64_t last_ms;
    };
    uint32_t quiet_ms_;
    uint32_t longest_ms_;
    std::vector<Waiting> pending_;
};

class FileWatcher {
public:
    FileWatcher();
    ~FileWatcher();
    FileWatcher(const FileWatcher&) = delete;
    FileWatcher& operator=(const FileWatcher&) = delete;

    bool Available() const { return fd_ >= 0; }

    // Watches exactly these files from now on (earlier ones are dropped).
    void SetFiles(const std::vector<std::string>& paths);
    // Appends the watched files that changed since the last call, each once.
    void Poll(std::vector<std::string>& changed);

private:
    struct Folder {
        std::string path;
        std::vector<std::string> names;  // the watched files in it
        int wd = -1;                     // -1 while the folder cannot be watched
    };
    void Watch(Folder& folder);
    void Report(const Folder& folder, const char* name, std::vector<std::string>& changed) const;
    void RetryMissingFolders(std::vector<std::string>& changed);

    int fd_ = -1;
    std::vector<Folder> folders_;
    uint64_t last_retry_ms_ = 0;
    alignas(8) char buffer_[8192];
};
