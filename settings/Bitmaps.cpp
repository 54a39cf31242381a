#include "Bitmaps.h"

#include <QHash>
#include <QString>

namespace settings {

QPixmap LoadBitmap(int id) {
    // Kept for the process's life: pixmaps must not be freed after the application object.
    static auto* cache = new QHash<int, QPixmap>;
    const auto found = cache->constFind(id);
    if (found != cache->constEnd()) {
        return *found;
    }
    QPixmap pixmap(QStringLiteral(":/dcs_4100/%1.png").arg(id));
    if (!pixmap.isNull()) {
        cache->insert(id, pixmap);
    }
    return pixmap;
}

}  // namespace settings
