// make_emblem: writes the source file with Quill3D's emblem tables.
//
//   cmake --build build --target make_emblem
//   build/make_emblem [output]   (default: src/effects/image/quill3d_emblem.cpp)
//
// Run from the project root. The tables come from tools/emblem_mesh.cpp; the
// same program always writes the same file.
#include <cstdio>
#include <exception>
#include <string>

#include "emblem_mesh.h"

int main(int argc, char** argv) {
    const std::string path = argc > 1 ? argv[1] : "src/effects/image/quill3d_emblem.cpp";
    std::string text;
    try {
        text = emblem::EmblemSource(emblem::BuildEmblem());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make_emblem: %s\n", e.what());
        return 1;
    }
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        std::fprintf(stderr, "make_emblem: cannot write %s\n", path.c_str());
        return 1;
    }
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    if (std::fclose(file) != 0 || !written) {
        std::fprintf(stderr, "make_emblem: cannot write %s\n", path.c_str());
        return 1;
    }
    std::printf("make_emblem: wrote %s\n", path.c_str());
    return 0;
}
