// Video files: rendered frames and the music encoded into one file (FFmpeg's
// libraries), the back end of --export.
//
//   [X] ".mp4": H.264 (libx264, 4:2:0, CRF 18, the "superfast" preset) and AAC
//       (FFmpeg's encoder, 44.1 kHz stereo, 192 kb/s), with the index at the
//       front of the file (fast start), which ordinary players and web sites
//       take
//   [X] ".webm": VP9 (libvpx, 4:2:0, constant quality, real-time speed) and
//       Opus (libopus, 48 kHz stereo, 160 kb/s)
//   [X] frames as the GL reads them with GL_BGRA (rows bottom-up), turned
//       into limited-range BT.709 YUV and tagged so
//   [X] the sound is a stretch of a decoded track (interleaved float stereo
//       at 44.1 kHz), read round the end of the track as the music loops,
//       or silence without one; it lasts exactly as long as the pictures:
//       frames / fps seconds, to the sample
//   [X] written under "<path>.<process id>.part" beside the target and
//       renamed to the target by Finish: a writer destroyed unfinished
//       removes its partial file, so nothing half written is ever left under
//       the target's name, and two exports to one name never mix their bytes
//   [ ] odd widths or heights: 4:2:0 needs even sides, refused at Open
//   [ ] other containers, codecs or quality settings
//
// Not thread-safe: Open on one thread, then one thread at a time (the
// export's encoder thread). Never raises; failures come back as messages.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

struct DecodedMusic;

class VideoFileWriter {
public:
    virtual ~VideoFileWriter() = default;

    // The track heard from the first frame on, starting at its frame
    // `first_frame` (wrapped round the track); null: silence. Set before the
    // first AddFrame; the track must outlive the writer.
    virtual void SetMusic(const DecodedMusic* track, int64_t first_frame) = 0;
    // Encodes the next picture (width x height x 4 bytes, BGRA, rows
    // bottom-up) and the sound that goes with it.
    virtual bool AddFrame(const uint8_t* bgra, std::string& error) = 0;
    // Ends the streams, completes the file and gives it the target's name.
    // A file without frames is refused.
    virtual bool Finish(std::string& error) = 0;

    virtual int64_t FramesWritten() const = 0;
    // "<path>.<process id>.part"
    virtual const std::string& PartialPath() const = 0;
};

// True when the name ends in ".mp4" or ".webm" (any case).
bool IsVideoFileName(const std::string& path);

// Opens the encoders and creates the partial file with its header. On
// failure returns null and says why in `error`: an unknown extension, a
// folder that does not exist, a file that cannot be created, an encoder
// this FFmpeg lacks, odd sides. Creates nothing on failure.
std::unique_ptr<VideoFileWriter> OpenVideoFile(const std::string& path, int width, int height,
                                               int fps, std::string& error);
