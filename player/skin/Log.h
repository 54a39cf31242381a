#pragma once
// The skin engine's log category "roadplayer.skin": quiet by default, switched on with
// QT_LOGGING_RULES="roadplayer.skin=true". Any thread may log.

#include <QLoggingCategory>

namespace player {

Q_DECLARE_LOGGING_CATEGORY(lcSkin)

}  // namespace player
