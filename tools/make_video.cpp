// make_video: draws the show's video clip and writes it as Motion-JPEG AVI.
//
//   cmake --build build-<name> --target make_video
//   build-<name>/make_video [output-root]     (default: data)
//
// Writes <output-root>/ostra/video/Video.avi: 200 frames of 320 x 240 at
// 25 fps (8 s, looping seamlessly), drawn from code in
// tools/picture_video.cpp. The same program always writes the same file.
#include <cstdio>
#include <filesystem>
#include <string>

#include "picture_video.h"

int main(int argc, char** argv) {
    std::string root = argc > 1 ? argv[1] : "data";
    std::filesystem::path dir = std::filesystem::path(root) / "ostra" / "video";
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    std::string path = (dir / "Video.avi").string();
    pictures::VideoSettings settings;
    std::string error = pictures::WriteVideo(path, settings);
    if (!error.empty()) {
        std::fprintf(stderr, "make_video: %s\n", error.c_str());
        return 1;
    }
    std::printf("make_video: wrote %d frames to %s\n", settings.frames, path.c_str());
    return 0;
}
