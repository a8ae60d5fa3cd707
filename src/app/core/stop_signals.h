// Stop signals: SIGINT (Ctrl+C), SIGTERM and SIGHUP (the terminal or the
// session closed) end the show the way closing the window does: the next
// SwapAndPoll of the window raises "You quit?" (exit status 0), an export
// completes its file and a capture writes the frames drawn so far; the
// settings dialog takes it as Cancel. A show ended by a signal never opens
// a message box: nobody may be there to close it.
//
// StopSignals installs the handler for each of the three signals whose
// action is the default one (a signal the caller chose to ignore, as nohup
// does with SIGHUP, stays ignored), before the window library and the sound
// start (SDL then leaves them alone), and puts the default actions back when
// it ends, so that a signal after that ends the process at once. One at a
// time; main thread only.
#pragma once

#include <csignal>

class StopSignals {
public:
    StopSignals();
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

private:
    bool installed_[3] = {};
};

// True once one of the three signals has arrived while a StopSignals was in
// place (it stays true for the rest of the process).
bool StopSignalReceived();
