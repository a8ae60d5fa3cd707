// Reading a video file back with FFmpeg's libraries, for the tests of
// --export: its streams, every video frame counted (the first and the last
// kept as RGB) and the whole sound decoded.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct MediaContents {
    std::string error;  // empty when the file was read
    int streams = 0;
    std::string video_codec, audio_codec;
    int width = 0, height = 0;
    std::string pixel_format;
    int video_frames = 0;
    double video_start = 0;            // seconds: time of the first frame
    double video_end = 0;              // time of the last frame plus one frame period
    double duration = 0;               // the container's duration
    std::vector<uint8_t> first_frame;  // RGB, top row first, width x height x 3
    std::vector<uint8_t> last_frame;   // the same of the last frame
    int audio_rate = 0;
    double audio_start = 0;     // time of the first sample heard
    double audio_duration = 0;  // the length the audio stream declares (0: none)
    // The left channel as the decoder gives it: an AAC decoder gives the
    // encoder's padding of the last frame too, up to 1023 samples more than
    // the stream declares.
    std::vector<float> sound;
};

MediaContents ReadMedia(const std::string& path);

// Mean absolute difference of two RGB pictures of the same size (255 when
// the sizes differ).
double MeanDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b);

// Time in seconds of the first stretch of 5 ms, from `from` seconds on,
// whose RMS is above `level` (or below it, when `rising` is false); -1 if none.
double SoundEdge(const std::vector<float>& sound, int rate, double from, float level, bool rising);
