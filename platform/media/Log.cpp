#include "platform/media/Log.h"

extern "C" {
#include <libavutil/log.h>
}

#include <cstdarg>
#include <cstring>
#include <mutex>

namespace platform::media {

Q_LOGGING_CATEGORY(lcMedia, "roadplayer.media", QtCriticalMsg)

namespace {

// Called on FFmpeg's threads; one line each (a line FFmpeg writes in parts comes in parts).
void ForwardFfmpegLine(void* object, int level, const char* format, va_list arguments) {
    if (level > AV_LOG_WARNING || !lcMedia().isWarningEnabled()) {
        return;
    }
    char line[1024] = {};
    int printPrefix = 1;
    va_list copy;
    va_copy(copy, arguments);
    av_log_format_line2(object, level, format, copy, line, sizeof line, &printPrefix);
    va_end(copy);
    size_t length = std::strlen(line);
    while (length > 0 && (line[length - 1] == '\n' || line[length - 1] == '\r')) {
        line[--length] = '\0';
    }
    if (length > 0) {
        qCWarning(lcMedia, "ffmpeg: %s", line);
    }
}

}  // namespace

void RouteFfmpegLog() {
    static std::once_flag routed;
    std::call_once(routed, [] {
        av_log_set_level(AV_LOG_WARNING);
        av_log_set_callback(&ForwardFfmpegLine);
    });
}

}  // namespace platform::media
