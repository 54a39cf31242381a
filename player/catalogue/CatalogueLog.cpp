#include "player/catalogue/CatalogueLog.h"

namespace player {

Q_LOGGING_CATEGORY(lcCatalogue, "roadplayer.catalogue", QtCriticalMsg)

}  // namespace player
