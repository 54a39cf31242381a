#include "player/pack/Log.h"

namespace player {

Q_LOGGING_CATEGORY(lcPack, "roadplayer.pack", QtCriticalMsg)

}  // namespace player
