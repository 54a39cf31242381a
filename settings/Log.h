#pragma once
// The settings tool's log category "roadplayer.settings": quiet by default, switched on with
// QT_LOGGING_RULES="roadplayer.settings=true". Any thread may log.

#include <QLoggingCategory>

namespace settings {

Q_DECLARE_LOGGING_CATEGORY(lcSettings)

}  // namespace settings
