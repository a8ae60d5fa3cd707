#include "platform/text_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

// Closes a descriptor when it goes out of scope.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    // Closes now; false (errno set) when closing reports a failure.
    bool Close() {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

private:
    int fd_;
};

}  // namespace

TextFileRead ReadTextFile(const std::string& path, std::string& text, std::string& error,
                          size_t limit) {
    text.clear();
    // Non-blocking, so that opening a pipe with no writer does not wait.
    Descriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (file.get() < 0) {
        if (errno == ENOENT) return TextFileRead::Missing;
        error = std::strerror(errno);
        return TextFileRead::Failed;
    }
    struct stat info {};
    if (::fstat(file.get(), &info) != 0) {
        error = std::strerror(errno);
        return TextFileRead::Failed;
    }
    if (S_ISDIR(info.st_mode)) {
        error = "it is a folder, not a file";
        return TextFileRead::Failed;
    }
    if (!S_ISREG(info.st_mode)) {  // a pipe or a device could never end
        error = "it is not a plain file";
        return TextFileRead::Failed;
    }
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(file.get(), buffer, sizeof buffer);
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            error = std::strerror(errno);
            text.clear();
            return TextFileRead::Failed;
        }
        if (text.size() + static_cast<size_t>(n) > limit) {
            error = "it is larger than " + std::to_string(limit >> 20) + " MB";
            text.clear();
            return TextFileRead::Failed;
        }
        text.append(buffer, static_cast<size_t>(n));
    }
    return TextFileRead::Ok;
}

bool WriteFileAtomically(const std::string& path, const std::string& text, std::string& error) {
    const std::string temporary = path + "." + std::to_string(::getpid()) + ".tmp";
    auto fail = [&](const char* what) {
        error = std::string(what) + " " + temporary + ": " + std::strerror(errno);
        ::unlink(temporary.c_str());
        return false;
    };
    struct stat info {};
    const bool exists = ::stat(path.c_str(), &info) == 0;
    if (exists && S_ISDIR(info.st_mode)) {
        error = path + " is a folder";
        return false;
    }
    Descriptor file(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (file.get() < 0) {
        error = "cannot create " + temporary + ": " + std::strerror(errno);
        return false;
    }
    // The new file keeps the old one's permissions.
    if (exists && ::fchmod(file.get(), info.st_mode & 07777) != 0) return fail("cannot set up");
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(file.get(), text.data() + done, text.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return fail("cannot write");
        }
        done += static_cast<size_t>(n);
    }
    if (::fsync(file.get()) != 0) return fail("cannot write");
    if (!file.Close()) return fail("cannot write");
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        const int why = errno;
        ::unlink(temporary.c_str());
        error = "cannot replace " + path + ": " + std::strerror(why);
        return false;
    }
    return true;
}
