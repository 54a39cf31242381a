#pragma once
// The telemetry store's log category "roadplayer.telemetry": quiet by default, switched on with
// QT_LOGGING_RULES="roadplayer.telemetry=true". Any thread may log.

#include <QLoggingCategory>

namespace player {

Q_DECLARE_LOGGING_CATEGORY(lcTelemetry)

}  // namespace player
