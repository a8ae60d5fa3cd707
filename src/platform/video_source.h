// Video frames: the clip decoder behind the video effect.
//
// A VideoFrameSource offers four operations, called in this order:
//   Open(path)         opens the first video stream of a file of the show
//                      (platform/show_folder.h); false when the
//                      file cannot be read, is not a media file or holds no
//                      video stream.
//   Describe()         the stream's frame rectangle and length in frames.
//   PrepareDecoding()  finds and opens a decoder; false when there is none
//                      for the stream's compression.
//   DecodeFrame(n, b)  decodes frame n and scales it into the caller's buffer
//                      of buffer width x height x 4 bytes (sizes given when
//                      the source is created): first row in memory = bottom
//                      row of the picture, bytes blue, green, red, 255.
//                      False (buffer untouched) when n is outside the clip or
//                      the frame cannot be decoded; the source stays usable.
// The caller owns the buffer; the source owns everything it allocates and
// frees it in its destructor. Never raises; callers report failures.
//
// While asset reloading is on (platform/asset_reload.h), a source made by
// CreateVideoFrameSource records the file it opened. When the file changes it
// opens the new clip beside the old one and switches over only when the new
// one opens (and, if the old one was prepared, gets a decoder); otherwise it
// raises "Clip \"<path>\" cannot be used (<reason>)" and goes on decoding
// the old clip. Version() counts the switches, so a user that keeps what
// Describe() said knows when to ask again.
//
// FFmpeg backend (libavformat, libavcodec, libswscale):
//   [X] any container and codec this FFmpeg build demuxes and decodes (AVI
//       with MJPEG, MPEG-4, H.264, raw video, ...)
//   [X] random access: consecutive frames decode forward without seeking; a
//       jump back, or forward past a key frame, seeks to the nearest earlier
//       key frame and decodes forward from there
//   [X] bilinear scaling of the whole frame rectangle to the buffer size
//   [X] truncated files and corrupt frames: the frames that cannot be read
//       report false, the rest still decode
//   [ ] audio (other streams are ignored and not even demuxed)
//   [ ] frame-exact access in clips with variable frame rate: frame n is the
//       one whose time stamp is n frame periods after the stream start
//   [ ] decoding on other threads: DecodeFrame is synchronous
#pragma once

#include <cstdint>
#include <memory>

struct VideoDescription {
    int width = 0;  // frame rectangle, pixels
    int height = 0;
    int frame_count = 0;  // length of the stream in frames
};

class VideoFrameSource {
public:
    virtual ~VideoFrameSource() = default;
    virtual bool Open(const char* path) = 0;
    virtual VideoDescription Describe() const = 0;
    virtual bool PrepareDecoding() = 0;
    virtual bool DecodeFrame(int n, uint8_t* buffer) = 0;
    // 0 at first; one more each time a changed file was taken in.
    virtual int Version() const { return 0; }
};

// The FFmpeg frame source, scaling into buffers of the given size.
std::unique_ptr<VideoFrameSource> CreateVideoFrameSource(int buffer_width, int buffer_height);
