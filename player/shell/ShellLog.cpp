#include "player/shell/ShellLog.h"

namespace player {

Q_LOGGING_CATEGORY(lcShell, "roadplayer.shell", QtCriticalMsg)

}  // namespace player
