#pragma once
// The catalogue's log: failures it drops on purpose (unreadable folders, files that cannot be
// examined, snapshots that cannot be written). Quiet unless switched on with
// QT_LOGGING_RULES="roadplayer.catalogue.debug=true".

#include <QLoggingCategory>

namespace player {

Q_DECLARE_LOGGING_CATEGORY(lcCatalogue)

}  // namespace player
