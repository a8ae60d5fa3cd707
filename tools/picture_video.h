// The show's video clip: a looping neon landscape (sun, mountains, moving
// grid floor and a spinning wire cube), drawn frame by frame from code and
// written as Motion-JPEG in an AVI file with FFmpeg's libraries.
//
// RenderVideoFrame is pure and deterministic; frame `frames` equals frame 0,
// so the clip loops without a jump. WriteVideo returns an empty string on
// success and a message naming the failed step otherwise (it never throws);
// a half-written file may remain after a failure.
#pragma once

#include <string>

#include "picture_canvas.h"

namespace pictures {

struct VideoSettings {
    int width = 320;
    int height = 240;
    int frames = 200;  // 8 s at 25 fps
    int fps = 25;
    int quality = 5;  // MJPEG quantiser scale: 2 (best) .. 31 (smallest)
};

Image RenderVideoFrame(int index, const VideoSettings& settings);

std::string WriteVideo(const std::string& path, const VideoSettings& settings);

}  // namespace pictures
