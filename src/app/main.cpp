// Entry point: reads the options and runs the show.
#include <cstdio>
#include <string>

#include "app/options.h"
#include "app/show.h"

int main(int argc, char** argv) {
    Options options;
    std::string error;
    if (!ParseOptions(argc, argv, options, error)) {
        fprintf(stderr, "demo: %s\n\n%s", error.c_str(), UsageText());
        return kExitBadOption;
    }
    if (options.help) {
        fputs(UsageText(), stdout);
        return 0;
    }
    return RunShow(options);
}
