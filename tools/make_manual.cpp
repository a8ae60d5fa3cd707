// make_manual PROGRAM OUTPUT SUMMARY: runs `PROGRAM --help` and writes the
// manual page made from its text (manual_page.h) to OUTPUT. Run by the build
// for the installed program (packaging/install.cmake).
#include <cstdio>
#include <string>

#include "manual_page.h"

int main(int argc, char** argv) {
    if (argc != 4) {
        fprintf(stderr, "usage: make_manual PROGRAM OUTPUT SUMMARY\n");
        return 2;
    }
    const std::string command = std::string("'") + argv[1] + "' --help";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) {
        perror("make_manual: cannot run the program");
        return 1;
    }
    std::string help;
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) help.append(buffer, n);
    if (pclose(pipe) != 0 || help.empty()) {
        fprintf(stderr, "make_manual: '%s --help' failed\n", argv[1]);
        return 1;
    }
    const std::string page = ManualPage(help, argv[3]);
    FILE* out = fopen(argv[2], "w");
    if (!out || fwrite(page.data(), 1, page.size(), out) != page.size() || fclose(out) != 0) {
        perror("make_manual: cannot write the page");
        return 1;
    }
    return 0;
}
