#include "player/skin/Log.h"

namespace player {

Q_LOGGING_CATEGORY(lcSkin, "roadplayer.skin", QtCriticalMsg)

}  // namespace player
