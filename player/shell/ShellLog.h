#pragma once
// The shell's log: quiet by default, switched on with QT_LOGGING_RULES="roadplayer.shell=true".

#include <QLoggingCategory>

namespace player {

Q_DECLARE_LOGGING_CATEGORY(lcShell)

}  // namespace player
