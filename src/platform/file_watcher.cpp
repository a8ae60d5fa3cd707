#include "platform/file_watcher.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

#include "platform/debug_output.h"

namespace {

constexpr uint32_t kFolderEvents = IN_CLOSE_WRITE | IN_MODIFY | IN_ATTRIB | IN_CREATE | IN_DELETE |
                                   IN_MOVED_FROM | IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF |
                                   IN_ONLYDIR;

void SplitPath(const std::string& path, std::string& folder, std::string& name) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        folder = ".";
        name = path;
    } else {
        folder = slash == 0 ? "/" : path.substr(0, slash);
        name = path.substr(slash + 1);
    }
}

void AddOnce(std::vector<std::string>& list, const std::string& path) {
    if (std::find(list.begin(), list.end(), path) == list.end()) list.push_back(path);
}

}  // namespace

uint64_t SteadyMilliseconds() {
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                     std::chrono::steady_clock::now().time_since_epoch())
                                     .count());
}

void ChangeDebouncer::Changed(const std::string& path, uint64_t now_ms) {
    for (Waiting& p : pending_) {
        if (p.path == path) {
            p.last_ms = now_ms;
            return;
        }
    }
    pending_.push_back(Waiting{path, now_ms, now_ms});
}

void ChangeDebouncer::TakeDue(uint64_t now_ms, std::vector<std::string>& due) {
    size_t kept = 0;
    for (size_t i = 0; i < pending_.size(); ++i) {
        Waiting& p = pending_[i];
        // Unsigned on purpose: a clock that went back counts as long ago.
        const bool quiet = now_ms - p.last_ms >= quiet_ms_;
        const bool waited = now_ms - p.first_ms >= longest_ms_;
        if (quiet || waited) {
            due.push_back(std::move(p.path));
        } else {
            if (kept != i) pending_[kept] = std::move(p);
            ++kept;
        }
    }
    pending_.resize(kept);
}

FileWatcher::FileWatcher() : fd_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
    if (fd_ < 0)
        DebugOutputFormat("File watching is not available (%s); files are not reloaded\n",
                          strerror(errno));
}

FileWatcher::~FileWatcher() {
    if (fd_ >= 0) close(fd_);
}

void FileWatcher::Watch(Folder& folder) {
    if (fd_ < 0) return;
    folder.wd = inotify_add_watch(fd_, folder.path.c_str(), kFolderEvents);
}

void FileWatcher::SetFiles(const std::vector<std::string>& paths) {
    std::vector<Folder> folders;
    for (const std::string& path : paths) {
        std::string folder_path, name;
        SplitPath(path, folder_path, name);
        auto it = std::find_if(folders.begin(), folders.end(),
                               [&](const Folder& f) { return f.path == folder_path; });
        if (it == folders.end()) {
            folders.push_back(Folder{folder_path, {}, -1});
            it = folders.end() - 1;
        }
        AddOnce(it->names, name);
    }
    // Folders watched already keep their watch; the rest are dropped or added.
    for (Folder& old : folders_) {
        auto it = std::find_if(folders.begin(), folders.end(),
                               [&](const Folder& f) { return f.path == old.path; });
        if (it != folders.end()) {
            it->wd = old.wd;
        } else if (old.wd >= 0 && fd_ >= 0) {
            // Another folder may share the watch (the same folder by another
            // name): only a watch nobody keeps is removed.
            const bool shared = std::any_of(folders.begin(), folders.end(),
                                            [&](const Folder& f) { return f.wd == old.wd; });
            if (!shared) inotify_rm_watch(fd_, old.wd);
        }
    }
    for (Folder& folder : folders)
        if (folder.wd < 0) Watch(folder);
    folders_ = std::move(folders);
}

void FileWatcher::Report(const Folder& folder, const char* name,
                         std::vector<std::string>& changed) const {
    for (const std::string& watched : folder.names) {
        if (name && watched != name) continue;
        AddOnce(changed, folder.path == "/" ? "/" + watched : folder.path + "/" + watched);
    }
}

void FileWatcher::RetryMissingFolders(std::vector<std::string>& changed) {
    const bool missing =
        std::any_of(folders_.begin(), folders_.end(), [](const Folder& f) { return f.wd < 0; });
    if (!missing) return;
    const uint64_t now = SteadyMilliseconds();
    if (now - last_retry_ms_ < 1000) return;
    last_retry_ms_ = now;
    for (Folder& folder : folders_) {
        if (folder.wd >= 0) continue;
        Watch(folder);
        // The folder is back: whatever it holds now may differ from before.
        if (folder.wd >= 0) Report(folder, nullptr, changed);
    }
}

void FileWatcher::Poll(std::vector<std::string>& changed) {
    if (fd_ < 0) return;
    for (;;) {
        const ssize_t length = read(fd_, buffer_, sizeof buffer_);
        if (length <= 0) break;  // EAGAIN: nothing more queued
        for (ssize_t offset = 0; offset < length;) {
            const inotify_event* event = reinterpret_cast<const inotify_event*>(buffer_ + offset);
            offset += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            if (event->mask & IN_Q_OVERFLOW) {
                for (const Folder& folder : folders_) Report(folder, nullptr, changed);
                continue;
            }
            for (Folder& folder : folders_) {
                if (folder.wd != event->wd) continue;
                if (event->mask & (IN_IGNORED | IN_DELETE_SELF | IN_MOVE_SELF)) {
                    // The folder went away: its files are gone with it.
                    if (folder.wd >= 0 && !(event->mask & IN_IGNORED))
                        inotify_rm_watch(fd_, folder.wd);
                    folder.wd = -1;
                    Report(folder, nullptr, changed);
                } else if (event->len > 0) {
                    Report(folder, event->name, changed);
                }
            }
        }
    }
    RetryMissingFolders(changed);
}
