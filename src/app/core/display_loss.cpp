#include "app/core/display_loss.h"

#include <X11/Xlib.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

// Newest last; main thread only.
std::vector<const OnDisplayLost*>& Registered() {
    static std::vector<const OnDisplayLost*> registered;
    return registered;
}

// Writes the line once, whichever thread comes first, and ends the process.
[[noreturn]] void End(const std::string& line) {
    static std::atomic_flag said = ATOMIC_FLAG_INIT;
    if (!said.test_and_set()) {
        fflush(stdout);
        fputs(line.c_str(), stderr);
        fflush(stderr);
    }
    _exit(1);
}

int DisplayLost(Display* display) {
    const char* name = display ? DisplayString(display) : nullptr;
    char text[256];
    snprintf(text, sizeof text,
             "Exception: The display %s%swas lost (its X server ended or the connection broke)\n",
             name ? name : "", name && *name ? " " : "");
    const std::string line = text;
    static bool ending = false;
    // An action that talked to the display after all lands here again.
    if (ending) End(line);
    ending = true;

    std::vector<std::string> late;
    for (const OnDisplayLost* item : Registered())
        if (!item->RemoveWhenLate().empty()) late.push_back(item->RemoveWhenLate());
    std::thread([late, line] {
        std::this_thread::sleep_for(kDisplayLossGrace);
        for (const std::string& path : late)
            if (remove(path.c_str()) == 0)
                fprintf(stderr, "%s could not be completed in time and was removed\n",
                        path.c_str());
        End(line);
    }).detach();

    const std::vector<const OnDisplayLost*>& registered = Registered();
    for (auto it = registered.rbegin(); it != registered.rend(); ++it) {
        try {
            (*it)->Run();
        } catch (...) {
            // The process ends either way; the other actions still run.
        }
    }
    End(line);
}

}  // namespace

void WatchDisplayConnection() {
    // A write to a dead connection must fail and reach the handler, not end
    // the process by SIGPIPE (every file this program writes checks its
    // writes anyway).
    signal(SIGPIPE, SIG_IGN);
    XSetIOErrorHandler(DisplayLost);
}

OnDisplayLost::OnDisplayLost(std::function<void()> action, std::string remove_when_late)
    : action_(std::move(action)), remove_when_late_(std::move(remove_when_late)) {
    Registered().push_back(this);
}

OnDisplayLost::~OnDisplayLost() {
    std::vector<const OnDisplayLost*>& registered = Registered();
    registered.erase(std::remove(registered.begin(), registered.end(), this), registered.end());
}
