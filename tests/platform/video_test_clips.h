// Small clips for the video tests, made with the ffmpeg command-line tool in
// a scratch folder, and a reference decoder that runs the same tool.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/test_paths.h"

namespace video_test {

// Runs ffmpeg quietly in `dir`; true when it succeeded.
inline bool Ffmpeg(const std::string& dir, const std::string& arguments) {
    const CommandResult result = RunCommand("ffmpeg -nostdin -v error -y " + arguments, dir, 300);
    if (result.exit_code != 0) ADD_FAILURE() << "ffmpeg " << arguments << ": " << result.err;
    return result.exit_code == 0;
}

// A 25 fps test picture of the given size and length in the given codec.
inline std::string MakeClip(const ScratchDir& dir, const std::string& name, int frames,
                            const std::string& codec = "-c:v mjpeg -q:v 3",
                            const std::string& size = "320x240") {
    Ffmpeg(dir.path(), "-f lavfi -i testsrc=size=" + size + ":rate=25 -frames:v " +
                           std::to_string(frames) + " " + codec + " " + name);
    return dir.path() + "/" + name;
}

inline std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

inline void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

// Frame n of a clip as ffmpeg decodes it, scaled bilinearly to side x side,
// bytes blue, green, red, alpha, top row first.
inline std::vector<uint8_t> ReferenceFrame(const ScratchDir& dir, const std::string& clip, int n,
                                           int side) {
    const std::string out = dir.path() + "/reference-" + std::to_string(n) + ".raw";
    Ffmpeg(dir.path(), "-i " + clip + " -vf \"select=eq(n\\," + std::to_string(n) +
                           "),scale=" + std::to_string(side) + ":" + std::to_string(side) +
                           ":flags=bilinear\" -frames:v 1 -f rawvideo -pix_fmt bgra " + out);
    return ReadBytes(out);
}

// Offsets of the first `count` "00dc" frame chunks of an AVI file (the
// chunk header; the frame's bytes start 8 bytes later).
inline std::vector<size_t> AviFrameChunks(const std::vector<uint8_t>& file, size_t count) {
    std::vector<size_t> offsets;
    const std::string movi = "movi";
    auto start = std::search(file.begin(), file.end(), movi.begin(), movi.end());
    const std::string tag = "00dc";
    for (auto it = start; offsets.size() < count;) {
        it = std::search(it, file.end(), tag.begin(), tag.end());
        if (it == file.end()) break;
        offsets.push_back(static_cast<size_t>(it - file.begin()));
        it += 4;
    }
    return offsets;
}

}  // namespace video_test
