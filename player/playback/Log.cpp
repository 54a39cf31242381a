#include "player/playback/Log.h"

namespace player {

Q_LOGGING_CATEGORY(lcPlayback, "roadplayer.playback", QtCriticalMsg)

}  // namespace player
