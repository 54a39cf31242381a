#include "platform/system/Log.h"

namespace platform {

Q_LOGGING_CATEGORY(lcSystem, "roadplayer.system", QtCriticalMsg)

}  // namespace platform
