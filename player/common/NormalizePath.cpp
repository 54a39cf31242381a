#include "player/common/NormalizePath.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStringList>

namespace player {

QString NormalizePath(const QString& path) {
    QStringList kept;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= path.size(); ++i) {
        if (i < path.size() && path[i] != u'\\' && path[i] != u'/') {
            continue;
        }
        const QStringView part = QStringView(path).mid(start, i - start);
        start = i + 1;
        if (part.isEmpty() || part == u".") {
            continue;
        }
        if (part == u"..") {
            if (!kept.isEmpty()) {
                kept.removeLast();
            }
            continue;
        }
        kept.append(part.toString());
    }
    QString joined = kept.join(u'/');
    if (!path.startsWith(u'/')) {
        return joined;
    }
    return u'/' + joined;
}

QString ExecutableFolder() {
    if (QCoreApplication::instance() != nullptr) {
        return QCoreApplication::applicationDirPath();
    }
    const QString target = QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
    if (target.isEmpty()) {
        return {};
    }
    return QFileInfo(target).absolutePath();
}

}  // namespace player
