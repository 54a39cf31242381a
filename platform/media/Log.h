#pragma once
// The media engine's log category "roadplayer.media": quiet by default, switched on with
// QT_LOGGING_RULES="roadplayer.media=true". Any thread may log.

#include <QLoggingCategory>

namespace platform::media {

Q_DECLARE_LOGGING_CATEGORY(lcMedia)

// Sends FFmpeg's own warnings and errors to lcMedia (at warning level); once per process.
void RouteFfmpegLog();

}  // namespace platform::media
