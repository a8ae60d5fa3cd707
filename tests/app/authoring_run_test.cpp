// End-to-end runs of build/demo with the authoring options, in a scratch
// folder with its own data/ and no music (a silent clock that runs on the
// wall clock). Needs the Xvfb display that ./test.sh provides.
#include <gtest/gtest.h>
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

#define REQUIRE_DISPLAY() \
    if (!getenv("DISPLAY")) GTEST_SKIP() << "no display"

const char kWindow[] = "--no-dialog --windowed --size 320x240 ";

CommandResult RunDemo(const ScratchDir& dir, const std::string& args, int timeout = 60) {
    return RunCommand("'" + DemoExecutable() + "' " + kWindow + args, dir.path(), timeout);
}

TEST(AuthoringRun, StartPlaysFromTheGivenDemoTime) {
    REQUIRE_DISPLAY();
    ScratchDir dir;
    // Without --start the end would come after 100 s, past the time limit.
    dir.Write("data/demo.txt", "none.ogg\n0\n1\nEndDemo\n100000\n100500\n");
    const CommandResult r = RunDemo(dir, "--start 99800 --fps 30", 30);
    EXPECT_EQ(0, r.exit_code) << r.err;
    EXPECT_NE(std::string::npos, r.err.find("real-time play ignores them")) << r.err;
    EXPECT_NE(std::string::npos, r.err.find("Exception: End of show\n")) << r.err;
}

TEST(AuthoringRun, ALoopNeverReachesWhatLiesBeyondIt) {
    REQUIRE_DISPLAY();
    ScratchDir dir;
    dir.Write("data/demo.txt", "none.ogg\n0\n1\nEndDemo\n1500\n100000\n");
    // The loop holds the show in 200..700 ms: the time limit ends it.
    const CommandResult r = RunDemo(dir, "--loop 200:700", 4);
    EXPECT_EQ(124, r.exit_code) << r.err;  // timeout's status
    EXPECT_EQ(std::string::npos, r.err.find("End of show")) << r.err;
    // Started beyond the loop's end, it starts at the loop's start, and says so.
    const CommandResult late = RunDemo(dir, "--loop 200:700 --start 1000", 4);
    EXPECT_EQ(124, late.exit_code) << late.err;
    EXPECT_NE(std::string::npos, late.err.find("--start 1000 lies outside --loop 200:700"))
        << late.err;
    // A loop over the EndDemo entry goes back before it (before, the show
    // ended there).
    const CommandResult over = RunDemo(dir, "--loop 1000:2000", 5);
    EXPECT_EQ(124, over.exit_code) << over.err;
    EXPECT_NE(std::string::npos,
              over.err.find("--loop 1000:2000 goes back at 1501 ms, where an EndDemo entry "
                            "would end the show\n"))
        << over.err;
}

std::string ReadWhole(const std::string& path) {
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

TEST(AuthoringRun, WatchReloadsWhileTheShowRunsAndABrokenFileQuitsNothing) {
    REQUIRE_DISPLAY();
    ScratchDir dir;
    const std::string shader = dir.Write(
        "data/layer.fs", "uniform float time;\nvoid main() { gl_FragColor = vec4(time); }\n");
    dir.Write("data/demo.txt",
              "none.ogg\n0\n2\nShaderShow\n0\n100000\ndata/layer.fs\n\nEndDemo\n6000\n7000\n");
    const std::string err = dir.path() + "/err.txt";
    const pid_t pid = fork();
    if (pid == 0) {
        if (chdir(dir.path().c_str()) != 0 || !freopen(err.c_str(), "w", stderr)) _exit(127);
        const std::string command =
            "exec '" + DemoExecutable() + "' " + kWindow + "--watch --tweak";
        execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2000));
    std::ofstream(shader, std::ios::trunc) << "void main() { gl_FragColor = vec4(1.0); }\n";
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    std::ofstream(shader, std::ios::trunc) << "void main() { broken }\n";
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    // A tweaks file that was not there at the start, with a bad line.
    std::ofstream(dir.path() + "/data/tweaks.txt") << "[ShaderShow 0]\nNope = 1\n";
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    std::ofstream(dir.path() + "/data/demo.txt", std::ios::app) << "NoSuchEffect\n0\n1\n";

    int status = -1;
    for (int i = 0; i < 300; ++i) {
        if (waitpid(pid, &status, WNOHANG) == pid) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (i == 299) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
        }
    }
    const std::string text = ReadWhole(err);
    ASSERT_TRUE(WIFEXITED(status)) << text;
    EXPECT_EQ(0, WEXITSTATUS(status)) << text;
    EXPECT_NE(std::string::npos, text.find("Reloaded data/layer.fs\n")) << text;
    EXPECT_NE(std::string::npos,
              text.find("data/layer.fs cannot be reloaded; its last good version stays:\n"
                        "Compiler error "))
        << text;
    EXPECT_NE(std::string::npos, text.find("Unknown entry 'NoSuchEffect' in file, please correct"))
        << text;
    EXPECT_NE(std::string::npos, text.find("data/tweaks.txt:2: 'Nope' is no variable of "
                                           "ShaderShow 0\nReloaded data/tweaks.txt\n"))
        << text;
    // The show went on to its planned end.
    EXPECT_NE(std::string::npos, text.find("Exception: End of show\n")) << text;
}

TEST(AuthoringRun, CaptureIgnoresTheAuthoringOptions) {
    REQUIRE_DISPLAY();
    ScratchDir dir;
    dir.Write("data/demo.txt", "none.ogg\n0\n1\nOverlays\n0\n1000\n");
    const CommandResult r =
        RunDemo(dir, "--tweak --watch --loop 0:10 --capture out --from 100 --to 100");
    EXPECT_EQ(0, r.exit_code) << r.err;
    EXPECT_NE(std::string::npos, r.err.find("do not change a capture")) << r.err;
    EXPECT_TRUE(std::ifstream(dir.path() + "/out/000000.png").good());
}

TEST(AuthoringRun, BadAuthoringOptions) {
    ScratchDir dir;
    CommandResult r = RunDemo(dir, "--loop 700:200");
    EXPECT_EQ(2, r.exit_code);
    EXPECT_NE(std::string::npos, r.err.find("--loop needs FROM:TO")) << r.err;
    r = RunDemo(dir, "--start soon");
    EXPECT_EQ(2, r.exit_code);
    r = RunDemo(dir, "--help");
    EXPECT_NE(std::string::npos, r.out.find("--watch")) << r.out;
}

}  // namespace
