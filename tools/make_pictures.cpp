// make_pictures: draws every picture of the show and saves it under a data
// folder.
//
//   cmake --build build-<name> --target make_pictures
//   build-<name>/make_pictures [output-root]     (default: data)
//
// Run from the project root to refresh data/. The pictures are drawn from
// code only (see tools/picture_art.cpp and tools/picture_portraits.cpp);
// the same program always writes the same pixels.
#include <cstdio>
#include <string>

#include "picture_art.h"

int main(int argc, char** argv) {
    std::string root = argc > 1 ? argv[1] : "data";
    std::vector<std::string> failed = pictures::WriteAllPictures(root);
    for (const std::string& path : failed)
        std::fprintf(stderr, "make_pictures: cannot write %s\n", path.c_str());
    if (!failed.empty()) return 1;
    std::printf("make_pictures: wrote %zu pictures under %s\n", pictures::AllPictures().size(),
                root.c_str());
    return 0;
}
