#pragma once
// The user's special folders. Any thread may call.

#include <QString>

namespace platform {

// The user's Desktop folder as the desktop names it (XDG user folders), or the home folder
// when that folder does not exist; never ends in "/".
QString GetDesktopFolder();

// The program's folder in the user's cache ($XDG_CACHE_HOME/RoadPlayer, by default
// ~/.cache/RoadPlayer), made when missing; never ends in "/". Empty when it cannot be made.
QString GetUserCacheFolder();

}  // namespace platform
