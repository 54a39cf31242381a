#include "player/catalogue/RecoveryReferences.h"

#include "player/catalogue/RecordingNames.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cstdlib>
#include <utility>

namespace player {

namespace {

// Seconds since 2000 by the name's keys (calendar-approximate), so that nearness is in time
// and a recording a minute earlier is nearer than one a day later.
int64_t KeySeconds(const QString& name) {
    const RecordingNameKeys keys = ReadRecordingNameKeys(name);
    const int64_t date = keys.date;
    const int64_t time = keys.time;
    const int64_t days = (date / 10000) * 372 + (date / 100 % 100) * 31 + date % 100;
    return days * 86400 + (time / 10000) * 3600 + (time / 100 % 100) * 60 + time % 100;
}

// The folder's recordings with the given extension, nearest to target first; stable on ties.
QStringList Nearest(const QDir& folder, const QString& suffix, int64_t target,
                    const QString& except) {
    std::vector<std::pair<int64_t, QString>> found;
    const QFileInfoList files = folder.entryInfoList(QDir::Files, QDir::Name);
    for (const QFileInfo& file : files) {
        if (file.suffix().compare(suffix, Qt::CaseInsensitive) == 0 &&
            file.absoluteFilePath() != except) {
            found.emplace_back(std::llabs(KeySeconds(file.fileName()) - target),
                               file.absoluteFilePath());
        }
    }
    std::stable_sort(found.begin(), found.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    QStringList paths;
    for (auto& [distance, path] : found) {
        paths << std::move(path);
    }
    return paths;
}

}  // namespace

QStringList RecoveryReferences(const QString& damagedPath) {
    const QFileInfo damaged(damagedPath);
    const QDir folder = damaged.absoluteDir();
    const int64_t target = KeySeconds(damaged.fileName());
    const QString self = damaged.absoluteFilePath();
    QStringList paths = Nearest(folder, damaged.suffix(), target, self);
    QDir card = folder;
    if (!card.cdUp()) {
        return paths;
    }
    for (const QFileInfo& other :
         card.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        if (other.absoluteFilePath() != folder.absolutePath()) {
            paths << Nearest(QDir(other.absoluteFilePath()), damaged.suffix(), target, self);
        }
    }
    return paths;
}

}  // namespace player
