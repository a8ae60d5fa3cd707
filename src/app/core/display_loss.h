// A lost display: the X server ended, the session closed or a remote
// connection dropped while the window was open.
//
// Xlib reports a broken connection through its fatal I/O error handler and
// then ends the process with exit(); the window library's exit-time teardown
// would then wait forever on the dead connection. WatchDisplayConnection
// installs a handler that never returns: it runs the actions registered with
// OnDisplayLost (newest first), writes one line to standard error
//   Exception: The display :0 was lost (its X server ended or the connection broke)
// and ends the process with status 1 (_exit: no exit handlers, no
// destructors). The music stops with the process. It also ignores SIGPIPE,
// so that a write to the dead connection fails and reaches the handler
// instead of killing the process silently.
//
// The actions run on the thread that found the connection broken, which is
// the main thread (only it talks to the display), at a point where it was
// inside the window library. They finish what must not be left half done
// (PNG files being written, a video file) and must not touch X, GL or the
// window library; they must not raise. They get kDisplayLossGrace in all: an
// action still running then is abandoned, the files registered with it as
// "remove when late" are removed (a partial video file), and the process
// ends all the same.
#pragma once

#include <chrono>
#include <functional>
#include <string>

constexpr std::chrono::milliseconds kDisplayLossGrace{1500};

// Installs the handler; call once the window library has its connection.
// Calling it again is harmless.
void WatchDisplayConnection();

// Registers an action for the time of the object's life, and a file to
// remove should the actions outlast kDisplayLossGrace (empty: none).
class OnDisplayLost {
public:
    explicit OnDisplayLost(std::function<void()> action, std::string remove_when_late = "");
    ~OnDisplayLost();
    OnDisplayLost(const OnDisplayLost&) = delete;
    OnDisplayLost& operator=(const OnDisplayLost&) = delete;

    void Run() const { action_(); }
    const std::string& RemoveWhenLate() const { return remove_when_late_; }

private:
    std::function<void()> action_;
    std::string remove_when_late_;
};
