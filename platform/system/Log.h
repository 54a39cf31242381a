#pragma once
// The system layer's log category "roadplayer.system": quiet by default, switched on with
// QT_LOGGING_RULES="roadplayer.system=true". Any thread may log.

#include <QLoggingCategory>

namespace platform {

Q_DECLARE_LOGGING_CATEGORY(lcSystem)

}  // namespace platform
