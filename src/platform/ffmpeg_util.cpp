#include "platform/ffmpeg_util.h"

extern "C" {
#include <libavutil/error.h>
#include <libavutil/log.h>
}

#include <mutex>

namespace {

// The log level is process-wide, and layers decode on several threads (the
// music while the effects load, the encoder of an export): the first
// QuietLog silences the log and the last one restores it.
std::mutex quiet_mutex;
int quiet_count = 0;
int level_before = AV_LOG_INFO;

}  // namespace

QuietLog::QuietLog() {
    std::lock_guard<std::mutex> lock(quiet_mutex);
    if (quiet_count++ == 0) {
        level_before = av_log_get_level();
        av_log_set_level(AV_LOG_QUIET);
    }
}

QuietLog::~QuietLog() {
    std::lock_guard<std::mutex> lock(quiet_mutex);
    if (--quiet_count == 0) av_log_set_level(level_before);
}

std::string AvError(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}
