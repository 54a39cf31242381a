#pragma once
// The graph owner's log category "roadplayer.playback": quiet by default, switched on with
// QT_LOGGING_RULES="roadplayer.playback=true". Any thread may log.

#include <QLoggingCategory>

namespace player {

Q_DECLARE_LOGGING_CATEGORY(lcPlayback)

}  // namespace player
