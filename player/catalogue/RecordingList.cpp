#include "player/catalogue/RecordingList.h"

#include "platform/system/FilePaths.h"
#include "platform/system/FindFiles.h"
#include "platform/window/ListCtrl.h"
#include "player/catalogue/CatalogueLog.h"
#include "player/catalogue/RecordingNames.h"
#include "player/common/NormalizePath.h"
#include "player/profile/AppProfile.h"

#include <QDateTime>
#include <QFileInfo>
#include <QHash>

#include <algorithm>
#include <limits>
#include <set>
#include <utility>

namespace player {
namespace {

// Cameras write two levels at most; far deeper trees are not recordings of theirs.
constexpr int kMaxFolderDepth = 64;

// Where a walk may go: below the folder it starts in (links resolved, so a link to ".." or to
// the host's folders leads nowhere) and on the card's own device (no mount inside the card).
struct WalkBounds {
    QString start;  // resolved, without the last "/"
    uint64_t device = 0;

    static std::optional<WalkBounds> Of(const QString& cardRoot, const QString& folderPath) {
        const QString root = platform::ResolvedPath(cardRoot);
        const QString start = platform::ResolvedPath(folderPath);
        const std::optional<platform::FileId> rootId = platform::IdentifyFile(cardRoot);
        if (root.isEmpty() || start.isEmpty() || !rootId || !Below(start, root, true)) {
            return std::nullopt;
        }
        return WalkBounds{start, rootId->device};
    }

    static bool Below(const QString& path, const QString& folder, bool orSame) {
        if (folder == QLatin1String("/")) {
            return orSame || path != folder;
        }
        return (orSame && path == folder) ||
               (path.startsWith(folder) && path.size() > folder.size() &&
                path[folder.size()] == u'/');
    }

    // A linked entry is followed only to a place below the start.
    bool Holds(const QString& entryPath, const platform::FoundFile& found) const {
        return found.id.device == device &&
               (!found.isLink || Below(platform::ResolvedPath(entryPath), start, false));
    }
};

QString DateText(const QDate& date) {
    return QString::asprintf("%d/%02d/%02d", date.year(), date.month(), date.day());
}

class RecordingWalk {
public:
    RecordingWalk(const RecordingFilter& filter, const WalkBounds& bounds,
                  std::vector<RecordingEntry>& entries)
        : m_filter(filter), m_bounds(bounds), m_entries(entries) {}

    bool Folder(const QString& folderPath, int depth) {
        const auto listing = platform::FindFiles(
            folderPath, [this](const QString& name) { return m_filter.IsRecording(name); });
        if (!listing || listing->folder.device != m_bounds.device) {
            qCWarning(lcCatalogue) << "cannot read folder" << folderPath;
            return false;
        }
        m_visited.insert(listing->folder);
        for (const platform::FoundFile& found : listing->entries) {
            const QString path = folderPath + found.name;
            if (!m_bounds.Holds(path, found)) {
                qCWarning(lcCatalogue) << "leads off the card, passed over:" << path;
            } else if (!found.isFolder) {
                m_entries.push_back(RecordingEntry{path, found.name, RecordingSizeKiB(found.size),
                                                   m_days.Of(found.creationTime)});
            } else if (m_visited.count(found.id) != 0) {
                qCWarning(lcCatalogue) << "folder seen before, not walked again:" << path;
            } else if (depth >= kMaxFolderDepth) {
                qCWarning(lcCatalogue) << "folder too deep, not walked:" << path;
            } else {
                Folder(path + '/', depth + 1);
            }
        }
        return true;
    }

private:
    const RecordingFilter& m_filter;
    const WalkBounds& m_bounds;
    std::vector<RecordingEntry>& m_entries;
    std::set<platform::FileId> m_visited;
    LocalDateTexts m_days;
};

QString AbsolutePath(const QString& path) {
    return NormalizePath(QFileInfo(path).absoluteFilePath());
}

QString FolderPath(const QString& cardRoot, const QString& folder) {
    return NormalizePath(cardRoot + '/' + folder) + '/';
}

}  // namespace

RecordingFilter RecordingFilter::FromProfile(const AppProfile& profile, const QString& cardRoot) {
    return RecordingFilter{cardRoot, profile.Extensions()};
}

bool RecordingFilter::IsRecording(const QString& fileName) const {
    const qsizetype dot = fileName.lastIndexOf(u'.');
    if (dot < 0) {
        return false;
    }
    const QStringView extension = QStringView(fileName).mid(dot + 1);
    return !extension.isEmpty() &&
           std::any_of(extensions.begin(), extensions.end(),
                       [extension](const QString& known) { return known == extension; });
}

std::optional<int> CountRecordings(const RecordingFilter& filter, const QString& folderPath) {
    std::vector<RecordingEntry> entries;
    if (!CollectRecordings(filter, folderPath, entries)) {
        return std::nullopt;
    }
    return static_cast<int>(entries.size());
}

bool CollectRecordings(const RecordingFilter& filter, const QString& folderPath,
                       std::vector<RecordingEntry>& entries) {
    if (filter.cardRoot.isEmpty()) {
        return false;
    }
    const std::optional<WalkBounds> bounds = WalkBounds::Of(filter.cardRoot, folderPath);
    if (!bounds) {
        qCWarning(lcCatalogue) << "not on the card, not walked:" << folderPath;
        return false;
    }
    return RecordingWalk(filter, *bounds, entries).Folder(folderPath, 0);
}

RecordingListing FillRecordingList(const RecordingFilter& filter, const QString& firstFolder,
                                   const QString& secondFolder) {
    std::vector<RecordingEntry> entries;
    CollectRecordings(filter, firstFolder, entries);
    const size_t firstCount = entries.size();
    if (!secondFolder.isEmpty()) {
        CollectRecordings(filter, secondFolder, entries);
    }

    // Each name's keys are read once; the sorts are stable, and the merge takes the first
    // folder's recording first among equal keys.
    using Keyed = std::pair<RecordingNameKeys, size_t>;
    std::vector<Keyed> order;
    order.reserve(entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        order.emplace_back(ReadRecordingNameKeys(entries[i].name), i);
    }
    const auto byKeys = [](const Keyed& a, const Keyed& b) { return a.first < b.first; };
    const auto middle = order.begin() + static_cast<std::ptrdiff_t>(firstCount);
    std::stable_sort(order.begin(), middle, byKeys);
    std::stable_sort(middle, order.end(), byKeys);
    std::inplace_merge(order.begin(), middle, order.end(), byKeys);

    RecordingListing listing;
    listing.firstCount = static_cast<int>(firstCount);
    listing.total = static_cast<int>(entries.size());
    listing.rows.reserve(entries.size());
    // Recordings of one camera come in few sizes: their texts are made once and shared.
    QHash<int32_t, QString> sizeTexts;
    for (const Keyed& keyed : order) {
        RecordingEntry& entry = entries[keyed.second];
        const int32_t shown = entry.size <= 1024 ? entry.size : -(entry.size / 1024);
        auto text = sizeTexts.constFind(shown);
        if (text == sizeTexts.cend()) {
            text = sizeTexts.insert(shown, RecordingSizeText(entry.size));
        }
        listing.rows.push_back(RecordingRow{std::move(entry.name), std::move(entry.date), *text,
                                            std::move(entry.path)});
    }
    return listing;
}

int32_t RecordingSizeKiB(int64_t bytes) {
    return static_cast<int32_t>(
        std::clamp<int64_t>(bytes / 1024, 0, std::numeric_limits<int32_t>::max()));
}

QString RecordingSizeText(int32_t sizeKiB) {
    if (sizeKiB <= 1024) {
        return QString::asprintf("%dKB", sizeKiB);
    }
    return QString::asprintf("%dMB", sizeKiB / 1024);
}

QString RecordingDateText(int64_t secondsUtc) {
    return DateText(QDateTime::fromSecsSinceEpoch(secondsUtc, Qt::LocalTime).date());
}

QString LocalDateTexts::Of(int64_t secondsUtc) {
    for (const Day& day : m_days) {
        if (day.fromUtc <= secondsUtc && secondsUtc < day.toUtc) {
            return day.text;
        }
    }
    const QDate date = QDateTime::fromSecsSinceEpoch(secondsUtc, Qt::LocalTime).date();
    QString text = DateText(date);
    Day day{date.startOfDay(Qt::LocalTime).toSecsSinceEpoch(),
            date.addDays(1).startOfDay(Qt::LocalTime).toSecsSinceEpoch(), text};
    if (day.fromUtc <= secondsUtc && secondsUtc < day.toUtc) {
        if (m_days.size() >= kMaxDays) {
            m_days.clear();
        }
        m_days.push_back(std::move(day));
    }
    return text;
}

RecordingRow RecordingRowOf(const RecordingEntry& entry) {
    return RecordingRow{entry.name, entry.date, RecordingSizeText(entry.size), entry.path};
}

void WriteRecordingRows(platform::ListCtrl& list, const std::vector<RecordingRow>& rows) {
    list.SetRedraw(false);
    list.DeleteAllItems();
    int index = 0;
    for (const RecordingRow& row : rows) {
        list.InsertItem(index, row[kColumnName]);
        for (int column = kColumnDate; column < kRecordingColumnCount; ++column) {
            list.SetItemText(index, column, row[static_cast<size_t>(column)]);
        }
        ++index;
    }
    list.SetRedraw(true);
}

QString RecordingPathOfRow(const platform::ListCtrl& list, int row) {
    return list.GetItemText(row, kColumnPath);
}

std::optional<CategoryFolders> CategoryFolderPaths(const AppProfile& profile,
                                                   const QString& cardRoot,
                                                   RecordingCategory shown) {
    if (shown == RecordingCategory::Unknown) {
        return std::nullopt;
    }
    const QString folder = profile.GetCategoryFolder(shown);
    if (folder.isEmpty()) {
        return std::nullopt;
    }
    CategoryFolders folders{FolderPath(cardRoot, folder), {}};
    if (shown == RecordingCategory::Event) {
        const QString second = profile.GetCategoryFolder(RecordingCategory::EventN);
        if (!second.isEmpty()) {
            folders.second = FolderPath(cardRoot, second);
        }
    }
    return folders;
}

RecordingCategory CategoryOfRecording(const AppProfile& profile, const QString& cardRoot,
                                      const QString& path) {
    const auto holds = [file = AbsolutePath(path)](const QString& folder) {
        return !folder.isEmpty() && file.startsWith(AbsolutePath(folder) + '/');
    };
    for (const RecordingCategory shown : {RecordingCategory::Normal, RecordingCategory::Event,
                                          RecordingCategory::Manual, RecordingCategory::Motion}) {
        const std::optional<CategoryFolders> folders =
            CategoryFolderPaths(profile, cardRoot, shown);
        if (folders && (holds(folders->first) || holds(folders->second))) {
            return shown;
        }
    }
    return RecordingCategory::Unknown;
}

std::optional<int> ListCategory(platform::ListCtrl& list, const AppProfile& profile,
                                const QString& cardRoot, RecordingCategory shown) {
    const std::optional<CategoryFolders> folders = CategoryFolderPaths(profile, cardRoot, shown);
    if (!folders) {
        return std::nullopt;
    }
    const RecordingListing listing = FillRecordingList(
        RecordingFilter::FromProfile(profile, cardRoot), folders->first, folders->second);
    WriteRecordingRows(list, listing.rows);
    return listing.total;
}

}  // namespace player
