// The installed program: `cmake --install` of this build into a DESTDIR
// under another prefix, then the installed kilnworks-demo run from an
// unrelated working directory, without --show, captures one second of the
// bundled show (the sample plug-in's part, so the plug-in comes from the
// installed plug-in folder). Needs the Xvfb display that ./test.sh provides
// and a build of everything (cmake --install installs what is built).
#include <gtest/gtest.h>

#include <filesystem>

#include "support/test_paths.h"

namespace fs = std::filesystem;

namespace {

TEST(Install, TheInstalledProgramPlaysTheInstalledShowFromAnywhere) {
    if (!getenv("DISPLAY")) GTEST_SKIP() << "no display";
    ScratchDir dir;
    const std::string root = dir.path() + "/root";
    const CommandResult installed =
        RunCommand("env DESTDIR='" + root + "' '" CMAKE_PROGRAM "' --install '" + BinaryDir() +
                       "' --prefix /opt/kiln",
                   dir.path());
    ASSERT_EQ(0, installed.exit_code) << installed.out << installed.err;
    const std::string prefix = root + "/opt/kiln";
    for (const char* file :
         {"bin/kilnworks-demo", "share/kilnworks-demo/data/demo.txt",
          "share/applications/kilnworks-demo.desktop", "share/man/man1/kilnworks-demo.1.gz"})
        EXPECT_TRUE(fs::exists(prefix + "/" + file)) << file;

    fs::create_directory(dir.path() + "/work");
    const std::string program = "'" + prefix + "/bin/kilnworks-demo' ";
    const CommandResult r = RunCommand(
        program + "--no-dialog --size 160x120 --capture frames --fps 5 --from 92000 --to 93000",
        dir.path() + "/work");
    ASSERT_EQ(0, r.exit_code) << r.err;
    for (const char* problem : {"cannot be loaded", "cannot be played", "no mesh", "Unable"})
        EXPECT_EQ(std::string::npos, r.err.find(problem)) << problem << " in\n" << r.err;
    EXPECT_NE(std::string::npos, r.err.find("Loaded Plugin ")) << r.err;
    EXPECT_TRUE(fs::exists(dir.path() + "/work/frames/000005.png"));
    EXPECT_FALSE(fs::exists(dir.path() + "/work/frames/000006.png"));

    // The manual page is the program's own --help, every option in it.
    const CommandResult help = RunCommand(program + "--help", dir.path());
    EXPECT_EQ(0u, help.out.find("Usage: kilnworks-demo ")) << help.out;
    const CommandResult manual =
        RunCommand("gzip -dc '" + prefix + "/share/man/man1/kilnworks-demo.1.gz'", dir.path());
    ASSERT_EQ(0, manual.exit_code) << manual.err;
    for (size_t at = help.out.find("\n  --"); at != std::string::npos;
         at = help.out.find("\n  --", at + 1)) {
        const std::string option = help.out.substr(at + 5, help.out.find(' ', at + 5) - at - 5);
        std::string escaped;
        for (char c : option) escaped += c == '-' ? std::string("\\-") : std::string(1, c);
        EXPECT_NE(std::string::npos, manual.out.find("\\fB\\-\\-" + escaped + "\\fR"))
            << "--" << option;
    }
}

}  // namespace
