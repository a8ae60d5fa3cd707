// Entry point: reads the options, then plays a show or writes a new one.
#include <cstdio>
#include <string>

#include "app/new_show.h"
#include "app/options.h"
#include "app/show.h"

int main(int argc, char** argv) {
#ifdef DEMO_SHOW_FROM_PROGRAM
    // The installed program: its show and its plug-ins lie in the installed
    // tree, found from the program's own folder so that the tree can move
    // (another prefix, DESTDIR).
    const ProgramLayout layout =
        InstalledLayout(DEMO_PROGRAM_NAME, DEMO_SHOW_FROM_PROGRAM, DEMO_PLUGINS_FROM_PROGRAM);
#else
    // The program in its build folder: the show in the working folder, the
    // plug-ins beside the program.
    const ProgramLayout layout;
#endif
    Options options;
    std::string error;
    if (!ParseOptions(argc, argv, options, error)) {
        fprintf(stderr, "%s: %s\n\n%s", layout.name.c_str(), error.c_str(),
                UsageText(layout.name.c_str()).c_str());
        return kExitBadOption;
    }
    if (options.help) {
        fputs(UsageText(layout.name.c_str()).c_str(), stdout);
        return 0;
    }
    // The command to play it is printed the way this program was started.
    if (options.new_show_dir) return WriteNewShow(*options.new_show_dir, argv[0]);
    return RunShow(options, layout);
}
