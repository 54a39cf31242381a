#include "platform/window/Log.h"

namespace platform {

Q_LOGGING_CATEGORY(lcWindow, "roadplayer.window", QtCriticalMsg)

}  // namespace platform
