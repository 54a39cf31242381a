#include "player/catalogue/RecoveryReferences.h"

#include "platform/system/FindFiles.h"
#include "player/catalogue/RecordingNames.h"

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

QString SuffixOf(const QString& name) {
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot < 0 ? QString() : name.mid(dot + 1);
}

// The names in folder (regular files, or folders) in name order, hidden ones left out; read
// with the file system's own bytes, so odd names stay whole and linked FIFOs or devices never
// come back as recordings.
QStringList NamesIn(const QString& folder, bool folders, const QString& suffix) {
    QStringList names;
    const auto listing = platform::FindFiles(folder, [&suffix](const QString& name) {
        return SuffixOf(name).compare(suffix, Qt::CaseInsensitive) == 0;
    });
    if (!listing) {
        return names;
    }
    for (const platform::FoundFile& found : listing->entries) {
        if (found.isFolder == folders && !found.name.startsWith(u'.') &&
            (folders || SuffixOf(found.name).compare(suffix, Qt::CaseInsensitive) == 0)) {
            names << found.name;
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

// The folder's recordings with the given extension, nearest to target first; stable on ties.
QStringList Nearest(const QString& folder, const QString& suffix, int64_t target,
                    const QString& except) {
    std::vector<std::pair<int64_t, QString>> found;
    for (const QString& name : NamesIn(folder, false, suffix)) {
        const QString path = folder + u'/' + name;
        if (path != except) {
            found.emplace_back(std::llabs(KeySeconds(name) - target), path);
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

QString ParentOf(const QString& path) {
    const qsizetype slash = path.lastIndexOf(u'/');
    return slash <= 0 ? QString() : path.left(slash);
}

}  // namespace

QStringList RecoveryReferences(const QString& damagedPath) {
    const QString self = QFileInfo(damagedPath).absoluteFilePath();
    const QString name = self.mid(self.lastIndexOf(u'/') + 1);
    const QString suffix = SuffixOf(name);
    const int64_t target = KeySeconds(name);
    const QString folder = ParentOf(self);
    QStringList paths = Nearest(folder, suffix, target, self);
    const QString card = ParentOf(folder);
    if (card.isEmpty()) {
        return paths;
    }
    for (const QString& other : NamesIn(card, true, QString())) {
        if (card + u'/' + other != folder) {
            paths << Nearest(card + u'/' + other, suffix, target, self);
        }
    }
    return paths;
}

}  // namespace player
