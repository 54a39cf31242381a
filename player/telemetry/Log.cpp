#include "player/telemetry/Log.h"

namespace player {

Q_LOGGING_CATEGORY(lcTelemetry, "roadplayer.telemetry", QtCriticalMsg)

}  // namespace player
