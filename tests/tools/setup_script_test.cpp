// scripts/setup.sh, as ./demo.sh and ./test.sh run it, with apt-get and
// cmake stood in for by stubs that write down how they were called: the
// show's first run installs and configures nothing of the tests, and a later
// ./test.sh adds them to the same build folder.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/test_paths.h"

namespace {

// dpkg-query finds nothing installed; apt-get, sudo and cmake write their
// arguments to calls.log; cmake's configure writes the cache's testing flag.
const char kStubs[] =
    "mkdir -p stubs\n"
    "printf '#!/bin/sh\\nexit 1\\n' > stubs/dpkg-query\n"
    "printf '#!/bin/sh\\necho \"apt-get $*\" >> \"$LOG\"\\n' > stubs/apt-get\n"
    "printf '#!/bin/sh\\nexec \"$@\"\\n' > stubs/sudo\n"
    "cat > stubs/cmake <<'END'\n"
    "#!/bin/sh\n"
    "echo \"cmake $*\" >> \"$LOG\"\n"
    "if [ \"$1\" = -S ]; then\n"
    "  mkdir -p build\n"
    "  flag=$(echo \"$*\" | sed -n 's/.*-DBUILD_TESTING=\\([A-Z]*\\).*/\\1/p')\n"
    "  echo \"BUILD_TESTING:BOOL=$flag\" > build/CMakeCache.txt\n"
    "fi\n"
    "END\n"
    "chmod +x stubs/*\n";

std::string ReadAll(const std::string& path) {
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(SetupScript, TheShowAloneThenTheTestsInTheSameBuild) {
    ScratchDir dir;
    dir.Write("scripts/setup.sh", ReadAll(SourceDir() + "/scripts/setup.sh"));
    dir.Write("stubs.sh", kStubs);
    ASSERT_EQ(RunCommand("sh stubs.sh", dir.path()).exit_code, 0);

    // In order: ./demo.sh's first run, ./test.sh, ./demo.sh again.
    const struct {
        const char* args;
        std::vector<std::string> present, absent;
    } runs[] = {
        {"--show demo sample_plugin",
         {"apt-get install", "libsdl1.2-compat-dev", "libgtk-3-dev", "libavcodec-dev",
          "-DBUILD_TESTING=OFF", "--build build", "--target demo --target sample_plugin"},
         {"libgtest-dev", "lib3ds-dev", "libassimp-dev", "xvfb", "xdotool", " ffmpeg",
          "BUILD_TESTING=ON"}},
        {"",
         {"libgtest-dev", "lib3ds-dev", "libassimp-dev", "xvfb", "xdotool", " ffmpeg",
          "cmake -S . -B build -DBUILD_TESTING=ON"},
         {"--target"}},
        {"--show demo", {"--target demo"}, {"-DBUILD_TESTING", "libgtest-dev"}},
    };
    for (const auto& run : runs) {
        SCOPED_TRACE(run.args);
        const CommandResult r =
            RunCommand(std::string("rm -f calls.log; LOG=$PWD/calls.log PATH=$PWD/stubs:$PATH "
                                   "bash scripts/setup.sh ") +
                           run.args,
                       dir.path());
        ASSERT_EQ(r.exit_code, 0) << r.err << r.out;
        const std::string calls = ReadAll(dir.path() + "/calls.log");
        for (const std::string& text : run.present)
            EXPECT_NE(calls.find(text), std::string::npos) << text << " in\n" << calls;
        for (const std::string& text : run.absent)
            EXPECT_EQ(calls.find(text), std::string::npos) << text << " in\n" << calls;
    }
}

}  // namespace
