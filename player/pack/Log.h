#pragma once
// The resource pack's and image cache's log category "roadplayer.pack": quiet by default, switched
// on with QT_LOGGING_RULES="roadplayer.pack=true". Any thread may log.

#include <QLoggingCategory>

namespace player {

Q_DECLARE_LOGGING_CATEGORY(lcPack)

}  // namespace player
