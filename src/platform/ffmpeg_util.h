// FFmpeg helpers shared by the platform layers that decode with FFmpeg
// (music decoding and video frames). Internal to the platform library.
//
// QuietLog silences FFmpeg's own log for its lifetime and restores the
// previous level on exit: the layers report a file they cannot read through
// their own results, in one line, instead of the library's messages on
// standard error. The log level is process-wide: QuietLogs on several
// threads at once keep it silent until the last one ends.
// AvError turns an FFmpeg error code into its text; an unknown code gives
// FFmpeg's generic text, never an exception.
// The deleters let std::unique_ptr own FFmpeg objects, so every early return
// releases them; each accepts null.
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswresample/swresample.h>
}

#include <string>

class QuietLog {
public:
    QuietLog();
    ~QuietLog();
    QuietLog(const QuietLog&) = delete;
    QuietLog& operator=(const QuietLog&) = delete;
};

std::string AvError(int code);

struct FormatCloser {
    void operator()(AVFormatContext* c) const { avformat_close_input(&c); }
};
struct CodecFreer {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct SwrFreer {
    void operator()(SwrContext* c) const { swr_free(&c); }
};
struct PacketFreer {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct FrameFreer {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
