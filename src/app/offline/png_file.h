// PNG files of captured frames, written for speed.
//
// Frames come as the GL back buffer reads them with GL_BGRA: rows bottom-up,
// four bytes per pixel (blue, green, red, unused). The file is an 8-bit RGB
// PNG, top row first, every row with the "up" filter, deflated at the fastest
// level (libdeflate): about ten times faster than a default PNG writer for
// files about half again as large. Pictures are exact: any PNG reader gives
// back the frame's pixels.
//
// A PngEncoder keeps its scratch buffers between frames, so encoding a run
// of frames of one size allocates only for the first; one per thread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct libdeflate_compressor;

class PngEncoder {
public:
    PngEncoder();
    ~PngEncoder();
    PngEncoder(const PngEncoder&) = delete;
    PngEncoder& operator=(const PngEncoder&) = delete;

    // The PNG file's bytes for the frame; valid until the next call.
    const std::vector<uint8_t>& Encode(const uint8_t* bgra_bottom_up, int width, int height);

    // Encodes and writes `path`, through "<path>.part" renamed when complete.
    // False, with the reason in `error` (strerror), when the file cannot be
    // written completely: nothing is then left under either name.
    bool Write(const std::string& path, const uint8_t* bgra_bottom_up, int width, int height,
               std::string& error);

private:
    libdeflate_compressor* compressor_;
    std::vector<uint8_t> filtered_;
    std::vector<uint8_t> file_;
};
