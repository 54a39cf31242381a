#include "Bitmaps.h"

#include <QCoreApplication>
#include <QHash>
#include <QPointer>
#include <QString>

namespace settings {
namespace {

// Pixmaps must go before the application object does: the cache is the application's child.
class BitmapCache : public QObject {
public:
    using QObject::QObject;
    QHash<int, QPixmap> pixmaps;
};

BitmapCache* Cache() {
    static QPointer<BitmapCache> cache;
    if (cache == nullptr && QCoreApplication::instance() != nullptr) {
        cache = new BitmapCache(QCoreApplication::instance());
    }
    return cache;
}

}  // namespace

QPixmap LoadBitmap(int id) {
    BitmapCache* cache = Cache();
    if (cache != nullptr) {
        const auto found = cache->pixmaps.constFind(id);
        if (found != cache->pixmaps.constEnd()) {
            return *found;
        }
    }
    QPixmap pixmap(QStringLiteral(":/dcs_4100/%1.png").arg(id));
    if (cache != nullptr && !pixmap.isNull()) {
        cache->pixmaps.insert(id, pixmap);
    }
    return pixmap;
}

}  // namespace settings
