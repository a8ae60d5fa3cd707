// Closing the show's window ends the run through the failure channel with
// "You quit?", as a window manager's close button does: the test sends the
// window the WM_DELETE_WINDOW request itself, since Xvfb runs no manager.
#include <gtest/gtest.h>
// Xlib after GoogleTest: its macros (None, Bool) clash with GoogleTest names.
#include <X11/Xlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include "support/test_paths.h"

namespace {

bool SendDeleteRequest(unsigned long window) {
    Display* display = XOpenDisplay(nullptr);
    if (!display) return false;
    XEvent event = {};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    const Status sent = XSendEvent(display, window, False, NoEventMask, &event);
    XFlush(display);
    XCloseDisplay(display);
    return sent != 0;
}

TEST(WindowClose, EndsTheShowWithYouQuit) {
    if (!getenv("DISPLAY")) GTEST_SKIP() << "no display";
    if (system("command -v xdotool >/dev/null 2>&1") != 0) GTEST_SKIP() << "xdotool missing";
    ScratchDir dir;
    dir.Write("data/demo.txt", "m.ogg\n0\n1\nOverlays\n0\n1000000\n");
    const std::string err = dir.path() + "/err.txt";
    const pid_t pid = fork();
    if (pid == 0) {
        if (chdir(dir.path().c_str()) != 0 || !freopen(err.c_str(), "w", stderr)) _exit(127);
        execl(DemoExecutable().c_str(), "demo", "--no-dialog", "--windowed", "--size", "320x240",
              static_cast<char*>(nullptr));
        _exit(127);
    }
    const CommandResult found = RunCommand(
        "xdotool search --sync --onlyvisible --pid " + std::to_string(pid) + " Kilnworks", "/", 30);
    ASSERT_EQ(found.exit_code, 0) << found.err;
    EXPECT_TRUE(SendDeleteRequest(std::stoul(found.out)));

    int status = 0;
    bool exited = false;
    for (int i = 0; i < 200 && !exited; ++i) {
        exited = waitpid(pid, &status, WNOHANG) == pid;
        if (!exited) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    if (!exited) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    ASSERT_TRUE(exited) << "the demo did not end when its window was closed";
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    std::stringstream text;
    text << std::ifstream(err).rdbuf();
    EXPECT_NE(text.str().find("Exception: You quit?\n"), std::string::npos) << text.str();
}

}  // namespace
