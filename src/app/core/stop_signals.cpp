#include "app/core/stop_signals.h"

namespace {

constexpr int kSignals[3] = {SIGINT, SIGTERM, SIGHUP};

volatile sig_atomic_t received = 0;

void Receive(int) { received = 1; }

}  // namespace

StopSignals::StopSignals() {
    for (int i = 0; i < 3; ++i) {
        struct sigaction current {};
        if (sigaction(kSignals[i], nullptr, &current) != 0 || current.sa_handler != SIG_DFL)
            continue;
        struct sigaction action {};
        action.sa_handler = Receive;
        sigemptyset(&action.sa_mask);
        // Reads and writes in progress (PNG files, the video file) go on.
        action.sa_flags = SA_RESTART;
        installed_[i] = sigaction(kSignals[i], &action, nullptr) == 0;
    }
}

StopSignals::~StopSignals() {
    for (int i = 0; i < 3; ++i)
        if (installed_[i]) signal(kSignals[i], SIG_DFL);
}

bool StopSignalReceived() { return received != 0; }
