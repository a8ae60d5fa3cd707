// End-to-end runs of build/demo in a scratch folder with its own data/.
// Needs the Xvfb display that ./test.sh provides, xdotool for the key and
// message-box cases, and the Xvfb program for the display-lost cases.
#include <gtest/gtest.h>

#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <thread>

#include "support/media_reader.h"
#include "support/test_paths.h"

namespace fs = std::filesystem;

namespace {

bool HaveDisplay() { return getenv("DISPLAY") != nullptr; }
bool HaveTool(const char* name) {
    return system((std::string("command -v ") + name + " >/dev/null 2>&1").c_str()) == 0;
}

#define REQUIRE_DISPLAY() \
    if (!HaveDisplay()) GTEST_SKIP() << "no display"

// The demo runs without any sanitizer options from the environment: a
// sanitizer build of the demo must carry its own leak suppressions and end
// with the same exit status as the plain build.
const char kDemoEnvironment[] = "env -u LSAN_OPTIONS ";

CommandResult RunDemo(const ScratchDir& dir, const std::string& args, int timeout = 120) {
    const std::string command = std::string(kDemoEnvironment) + "'" + DemoExecutable() + "' ";
    return RunCommand(command + args, dir.path(), timeout);
}

TEST(DemoRun, EndDemoEndsTheShowWithItsMessage) {
    REQUIRE_DISPLAY();
    ScratchDir dir;
    dir.Write("data/demo.txt", "data/none.ogg\n0\n2\nOverlays\n0\n100000\nEndDemo\n300\n100000\n");
    const CommandResult r = RunDemo(dir, "--no-dialog --windowed --size 320x240");
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_NE(r.err.find("Loaded Overlays with start time 0 and end time 100000\n"),
              std::string::npos);
    EXPECT_NE(r.err.find("Exception: End of show\n"), std::string::npos) << r.err;
    // The missing music is reported once and the show ran on a silent clock.
    EXPECT_NE(r.err.find("data/none.ogg"), std::string::npos) << r.err;
}

// Every failure ends the process with status 1, so a script running the
// show can tell a broken show from a good one.
TEST(DemoRun, FailuresExitWithStatusOne) {
    REQUIRE_DISPLAY();
    const std::string args = "--no-dialog --windowed --size 320x240";
    ScratchDir empty;
    CommandResult r = RunDemo(empty, args);
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_NE(r.err.find("Exception: Unable to load data/demo.txt (No such file or directory)\n"),
              std::string::npos)
        << r.err;

    ScratchDir unknown;
    unknown.Write("data/demo.txt", "m.ogg\n0\n1\nStroboscope\n0\n1000\n");
    r = RunDemo(unknown, args);
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_NE(
        r.err.find("Exception: Unknown entry 'Stroboscope' in file, please correct (line 4)\n"),
        std::string::npos)
        << r.err;

    ScratchDir no_shader;  // Plasma2D's shader is not there
    no_shader.Write("data/demo.txt", "m.ogg\n0\n1\nPlasma2D\n0\n1000\n7\n");
    r = RunDemo(no_shader, args);
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_NE(r.err.find("Exception: "), std::string::npos) << r.err;

    ScratchDir no_plugin;
    no_plugin.Write("data/demo.txt", "m.ogg\n0\n1\nPlugin\n0\n1000\n./libnone.so\n");
    r = RunDemo(no_plugin, args);
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_NE(
        r.err.find("Exception: Unable to load plugin: ./libnone.so (Plugin entry at line 4)\n"),
        std::string::npos)
        << r.err;
}

TEST(DemoRun, CaptureWritesTheExpectedFrames) {
    REQUIRE_DISPLAY();
    ScratchDir dir;
    dir.Write("data/demo.txt", "m.ogg\n0\n1\nOverlays\n0\n500\nEndDemo\n11050\n12000\n");
    CommandResult r =
        RunDemo(dir, "--no-dialog --size 160x120 --capture out --from 11000 --to 11000");
    EXPECT_EQ(r.exit_code, 0) << r.err;
    EXPECT_TRUE(fs::exists(dir.path() + "/out/000000.png"));
    EXPECT_FALSE(fs::exists(dir.path() + "/out/000001.png"));

    // 0..250 ms at 20 fps: 0, 50, ..., 250 gives six frames.
    r = RunDemo(dir, "--no-dialog --size 160x120 --capture out2 --fps 20 --to 250");
    EXPECT_EQ(r.exit_code, 0) << r.err;
    EXPECT_TRUE(fs::exists(dir.path() + "/out2/000005.png"));
    EXPECT_FALSE(fs::exists(dir.path() + "/out2/000006.png"));

    // By default the capture runs to the end of the last entry, but the
    // EndDemo entry ends it first: frames up to 11050 only (11050 is not
    // inside the window, 11066 is), and that is the end announced.
    r = RunDemo(dir, "--no-dialog --size 160x120 --capture out3 --from 11000");
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_NE(r.err.find("Capture ends at 11050 ms, where an EndDemo entry ends the show\n"),
              std::string::npos)
        << r.err;
    EXPECT_TRUE(fs::exists(dir.path() + "/out3/000003.png"));
    EXPECT_FALSE(fs::exists(dir.path() + "/out3/000004.png"));
}

// A WAV file of silence: 16-bit stereo at 44.1 kHz.
std::string SilentWav(double seconds) {
    const uint32_t frames = static_cast<uint32_t>(seconds * 44100);
    const uint32_t data = frames * 4;
    std::string bytes = "RIFF";
    auto u32 = [&bytes](uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes += static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    auto u16 = [&bytes](uint16_t v) {
        bytes += static_cast<char>(v & 0xFF);
        bytes += static_cast<char>(v >> 8);
    };
    u32(36 + data);
    bytes += "WAVEfmt ";
    u32(16);
    u16(1);  // PCM
    u16(2);
    u32(44100);
    u32(44100 * 4);
    u16(4);
    u16(16);
    bytes += "data";
    u32(data);
    bytes.append(data, '\0');
    return bytes;
}

int PngCount(const std::string& folder) {
    int count = 0;
    for (const auto& entry : fs::directory_iterator(folder))
        count += entry.path().extension() == ".png";
    return count;
}

// An entry with a negative end time (a very late one) once made the default
// capture run for days. By default the capture ends where the music does;
// and a range that holds no frame is a failure, not silence.
TEST(DemoRun, CaptureEndsWithTheMusicAndRefusesAnEmptyRange) {
    REQUIRE_DISPLAY();
    ScratchDir dir;
    dir.Write("data/two.wav", SilentWav(2.0));
    dir.Write("data/demo.txt", "data/two.wav\n0\n1\nOverlays\n0\n-1\n");
    CommandResult r = RunDemo(dir, "--no-dialog --size 160x120 --capture out --fps 10", 60);
    EXPECT_EQ(r.exit_code, 0) << r.err;
    // Demo times 0, 100, ..., 1900 lie within the music's 2000 ms.
    EXPECT_EQ(PngCount(dir.path() + "/out"), 20);
    EXPECT_NE(r.err.find("Capture ends at 1999 ms, where the music ends"), std::string::npos)
        << r.err;

    r = RunDemo(dir, "--no-dialog --size 160x120 --capture empty --from 5000 --to 1000");
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_NE(r.err.find("Exception: Nothing to capture: the range starts at 5000 ms, after its "
                         "end at 1000 ms\n"),
              std::string::npos)
        << r.err;

    // A start offset of 2^31 - 1 puts the show's first frame after the end
    // of its only entry.
    ScratchDir late;
    late.Write("data/demo.txt", "m.ogg\n2147483647\n1\nOverlays\n0\n100000\n");
    r = RunDemo(late, "--no-dialog --size 160x120 --capture out");
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_NE(r.err.find("Exception: Nothing to capture"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(late.path() + "/out/000000.png"));
}

// Without --no-dialog a capture still opens neither the settings dialog nor
// a message box: it must end by itself (before, it waited on the "End of
// show" box until the time limit killed it).
TEST(DemoRun, CaptureNeverWaitsForADialog) {
    REQUIRE_DISPLAY();
    ScratchDir dir;
    dir.Write("data/demo.txt", "m.ogg\n0\n1\nEndDemo\n100\n1000\n");
    CommandResult r = RunDemo(dir, "--size 160x120 --capture out --fps 10", 40);
    EXPECT_EQ(r.exit_code, 0) << r.err;
    EXPECT_NE(r.err.find("Capture ends at 100 ms, where an EndDemo entry ends the show\n"),
              std::string::npos)
        << r.err;
    EXPECT_TRUE(fs::exists(dir.path() + "/out/000001.png"));

    ScratchDir empty;
    r = RunDemo(empty, "--size 160x120 --capture out", 40);
    EXPECT_EQ(r.exit_code, 1) << r.err;
    EXPECT_NE(r.err.find("Exception: Unable to load data/demo.txt (No such file or directory)\n"),
              std::string::npos);
}

TEST(DemoRun, HelpAndBadOptions) {
    ScratchDir dir;
    CommandResult r = RunDemo(dir, "--help");
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_NE(r.out.find("--capture DIR"), std::string::npos);
    r = RunDemo(dir, "--size banana");
    EXPECT_EQ(r.exit_code, 2);
    EXPECT_NE(r.err.find("--size"), std::string::npos);
}

// Starts the demo in the background, with `env` ("NAME=value ") added to
// its environment; returns its pid.
pid_t Spawn(const ScratchDir& dir, const std::string& args, const std::string& err_path,
            const std::string& env = "") {
    const pid_t pid = fork();
    if (pid == 0) {
        if (chdir(dir.path().c_str()) != 0) _exit(127);
        if (!freopen(err_path.c_str(), "w", stderr) || !freopen("/dev/null", "w", stdout))
            _exit(127);
        execl("/bin/sh", "sh", "-c",
              ("exec " + std::string(kDemoEnvironment) + env + "'" + DemoExecutable() + "' " + args)
                  .c_str(),
              static_cast<char*>(nullptr));
        _exit(127);
    }
    return pid;
}

// Waits for the process; -1 on timeout (the process is then killed).
int WaitExit(pid_t pid, int seconds) {
    for (int i = 0; i < seconds * 10; ++i) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : -2;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return -1;
}

std::string ReadFile(const std::string& path) {
    CommandResult r = RunCommand("cat '" + path + "'", "/");
    return r.out;
}

TEST(DemoRun, EscapeReleaseQuitsQuietly) {
    REQUIRE_DISPLAY();
    if (!HaveTool("xdotool")) GTEST_SKIP() << "xdotool missing";
    ScratchDir dir;
    dir.Write("data/demo.txt", "m.ogg\n0\n1\nOverlays\n0\n1000000\n");
    const std::string err = dir.path() + "/err.txt";
    const pid_t pid = Spawn(dir, "--no-dialog --windowed --size 320x240", err);
    // Wait for the window, focus it and release Escape in it.
    // Without a window manager the window is focused directly; the key then
    // goes through XTEST like a real key press and release.
    const std::string find =
        "xdotool search --sync --onlyvisible --pid " + std::to_string(pid) + " Kilnworks";
    const CommandResult sent = RunCommand(find + " windowfocus --sync key Escape", "/", 30);
    EXPECT_EQ(sent.exit_code, 0) << sent.err;
    EXPECT_EQ(WaitExit(pid, 20), 0) << "the demo did not quit on Escape";
    const std::string text = ReadFile(err);
    EXPECT_EQ(text.find("Exception"), std::string::npos) << text;
}

// An interrupt, termination or hang-up signal ends the show the way closing
// the window does: "You quit?" and status 0, in every mode, and never with a
// message box (before, SIGHUP killed the process; with the dialog, a
// "You quit?" box waited for a click, and a signal while the settings dialog
// was open did nothing).
TEST(DemoRun, SignalEndsTheShowWithYouQuit) {
    REQUIRE_DISPLAY();
    if (!HaveTool("xdotool")) GTEST_SKIP() << "xdotool missing";
    struct Case {
        const char* args;
        int signal;
        const char* window;  // the window on screen when the signal comes
    };
    const Case cases[] = {
        {"--no-dialog --windowed --size 320x240", SIGTERM, "Kilnworks"},
        {"--no-dialog --windowed --size 320x240 --watch", SIGHUP, "Kilnworks"},
        {"--windowed --size 320x240", SIGTERM, "Kilnworks"},  // the dialog answered first
        {"--windowed --size 320x240", SIGINT, "^Video setup$"},
        {"--no-dialog --size 320x240 --capture out --fps 10", SIGHUP, "Kilnworks"},
        {"--no-dialog --size 320x240 --timedemo", SIGHUP, "Kilnworks"},
    };
    for (const Case& c : cases) {
        ScratchDir dir;
        dir.Write("data/demo.txt", "m.ogg\n0\n1\nOverlays\n0\n1000000\n");
        const std::string err = dir.path() + "/err.txt";
        const pid_t pid = Spawn(dir, c.args, err);
        const std::string find =
            "xdotool search --sync --onlyvisible --pid " + std::to_string(pid) + " ";
        if (std::string(c.args).find("--no-dialog") == std::string::npos &&
            std::string(c.window) == "Kilnworks")
            RunCommand(find + "'^Video setup$' windowfocus --sync key Return", "/", 30);
        const CommandResult found = RunCommand(find + "'" + c.window + "'", "/", 30);
        EXPECT_EQ(found.exit_code, 0) << c.args << "\n" << found.err;
        kill(pid, c.signal);
        EXPECT_EQ(WaitExit(pid, 20), 0) << c.args << " " << strsignal(c.signal);
        EXPECT_NE(ReadFile(err).find("Exception: You quit?\n"), std::string::npos) << c.args << "\n"
                                                                                   << ReadFile(err);
    }
}

TEST(DemoRun, FailureShowsAMessageBoxWithoutNoDialog) {
    REQUIRE_DISPLAY();
    if (!HaveTool("xdotool")) GTEST_SKIP() << "xdotool missing";
    ScratchDir dir;  // no data/demo.txt
    const std::string err = dir.path() + "/err.txt";
    // --windowed and --size only; the settings dialog is covered elsewhere,
    // so it is answered with Return if it shows up.
    const pid_t pid = Spawn(dir, "--windowed --size 320x240", err);
    bool closed_box = false;
    for (int i = 0; i < 60 && !closed_box; ++i) {
        CommandResult setup =
            RunCommand("xdotool search --onlyvisible --name '^Video setup$'", "/", 5);
        if (setup.exit_code == 0 && !setup.out.empty())
            RunCommand(
                "xdotool search --onlyvisible --name '^Video setup$' windowfocus --sync key Return",
                "/", 10);
        CommandResult box = RunCommand("xdotool search --onlyvisible --name '^Error$'", "/", 5);
        if (box.exit_code == 0 && !box.out.empty()) {
            RunCommand(
                "xdotool search --onlyvisible --name '^Error$' windowfocus --sync key Return", "/",
                10);
            closed_box = true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
    }
    EXPECT_TRUE(closed_box) << "no message box titled Error appeared";
    EXPECT_EQ(WaitExit(pid, 20), 1);
    EXPECT_NE(
        ReadFile(err).find("Exception: Unable to load data/demo.txt (No such file or directory)\n"),
        std::string::npos);
}

// An X server of the test's own, on the first free display, once it has
// taken a client; its messages go to `log`.
class PrivateDisplay {
public:
    explicit PrivateDisplay(const std::string& log) {
        int fds[2];
        if (pipe(fds) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            close(fds[0]);
            if (!freopen(log.c_str(), "w", stderr)) _exit(127);
            // -noreset: a reset would write the number again, into a closed pipe.
            execlp("Xvfb", "Xvfb", "-displayfd", std::to_string(fds[1]).c_str(), "-screen", "0",
                   "640x480x24", "-nolisten", "tcp", "-noreset", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        pollfd ready{fds[0], POLLIN, 0};
        char text[32] = {};
        if (pid_ > 0 && poll(&ready, 1, 20000) == 1 && read(fds[0], text, sizeof text - 1) > 0) {
            const std::string name = ":" + std::to_string(atoi(text));
            if (RunCommand("env DISPLAY=" + name + " xdotool getmouselocation", "/", 10)
                    .exit_code == 0)
                name_ = name;
        }
        close(fds[0]);
    }
    ~PrivateDisplay() { Kill(); }
    const std::string& name() const { return name_; }  // empty: no server
    void Kill() {
        if (pid_ <= 0) return;
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

private:
    pid_t pid_ = -1;
    std::string name_;
};

class DisplayLost : public ::testing::TestWithParam<std::pair<const char*, const char*>> {};

// The X server killed under a running show ends the run at once with status
// 1 and one line that says so; a capture's frames are written whole, an
// export is completed so that it plays. Before, Xlib's exit ran the window
// library's teardown, which spun on the dead connection for ever (or the
// process died of SIGPIPE without a word).
TEST_P(DisplayLost, EndsTheRunAtOnceWithStatusOne) {
    if (!HaveTool("Xvfb") || !HaveTool("xdotool")) GTEST_SKIP() << "Xvfb or xdotool missing";
    ScratchDir dir;
    PrivateDisplay display(dir.path() + "/xvfb.txt");
    ASSERT_FALSE(display.name().empty()) << ReadFile(dir.path() + "/xvfb.txt");
    dir.Write("data/demo.txt", "m.ogg\n0\n1\nOverlays\n0\n1000000\n");
    const std::string err = dir.path() + "/err.txt";
    const pid_t pid = Spawn(dir, GetParam().second, err, "DISPLAY=" + display.name() + " ");
    for (int i = 0; i < 300 && ReadFile(err).find("Loaded Overlays") == std::string::npos; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    std::this_thread::sleep_for(std::chrono::seconds(1));  // frames on their way
    display.Kill();
    // A hang check (-1: still running after 10 s); it takes well under 2 s.
    EXPECT_EQ(WaitExit(pid, 10), 1) << ReadFile(err);
    const std::string text = ReadFile(err);
    const std::string lost = "Exception: The display " + display.name() + " was lost";
    EXPECT_NE(text.find(lost), std::string::npos) << text;
    EXPECT_EQ(text.find(lost), text.rfind(lost)) << text;
    EXPECT_EQ(UnfinishedFiles(dir.path()), "");
    if (fs::exists(dir.path() + "/out")) {
        EXPECT_GT(PngCount(dir.path() + "/out"), 0);
        EXPECT_EQ(UnfinishedFiles(dir.path() + "/out"), "");
    }
    if (std::string(GetParam().first) == "export") {
        EXPECT_GT(ReadMedia(dir.path() + "/show.mp4").video_frames, 0) << text;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Modes, DisplayLost,
    ::testing::Values(std::make_pair("live", "--no-dialog --windowed --size 320x240 --watch"),
                      std::make_pair("capture",
                                     "--no-dialog --size 320x240 --capture out --fps 10"),
                      std::make_pair("export", "--no-dialog --size 320x240 --export show.mp4"),
                      std::make_pair("timedemo", "--no-dialog --size 320x240 --timedemo")),
    [](const auto& info) { return std::string(info.param.first); });

}  // namespace
