#include "settings/Log.h"

namespace settings {

Q_LOGGING_CATEGORY(lcSettings, "roadplayer.settings", QtCriticalMsg)

}  // namespace settings
