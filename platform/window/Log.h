#pragma once
// The window layer's log category "roadplayer.window": quiet by default, switched on with
// QT_LOGGING_RULES="roadplayer.window=true". Any thread may log.

#include <QLoggingCategory>

namespace platform {

Q_DECLARE_LOGGING_CATEGORY(lcWindow)

}  // namespace platform
