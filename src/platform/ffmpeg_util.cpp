#include "platform/ffmpeg_util.h"

extern "C" {
#include <libavutil/error.h>
#include <libavutil/log.h>
}

QuietLog::QuietLog() : level_(av_log_get_level()) { av_log_set_level(AV_LOG_QUIET); }

QuietLog::~QuietLog() { av_log_set_level(level_); }

std::string AvError(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}
