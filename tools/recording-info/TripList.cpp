#include "tools/recording-info/TripList.h"

#include "platform/media/StreamProbe.h"
#include "player/catalogue/RecordingList.h"
#include "player/catalogue/RecordingNames.h"
#include "player/catalogue/Trips.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <vector>

namespace {

// The extensions the default profile gives the camera's recordings.
const QStringList kExtensions = {QStringLiteral("mp4"), QStringLiteral("avi"),
                                 QStringLiteral("mkv")};

}  // namespace

bool WriteTrips(const QStringList& folders, QTextStream& out, QString* error) {
    std::vector<player::RecordingEntry> entries;
    for (const QString& folder : folders) {
        const QString path = QDir::cleanPath(QDir(folder).absolutePath()) + '/';
        const player::RecordingFilter filter{path, kExtensions};
        if (!QFileInfo(folder).isDir() || !player::CollectRecordings(filter, path, entries)) {
            *error = QStringLiteral("cannot read the folder %1").arg(folder);
            return false;
        }
    }
    // Equal keys keep the order of the folders as given.
    std::stable_sort(entries.begin(), entries.end(),
                     [](const player::RecordingEntry& a, const player::RecordingEntry& b) {
                         return player::ReadRecordingNameKeys(a.name) <
                                player::ReadRecordingNameKeys(b.name);
                     });
    std::vector<player::TripRow> rows;
    for (const player::RecordingEntry& entry : entries) {
        int64_t durationMs = -1;
        platform::media::ProbeIndexDuration(entry.path, &durationMs);
        rows.push_back(
            {entry.name, durationMs > 0 ? std::optional<int64_t>(durationMs) : std::nullopt});
    }
    for (const player::CTrip& trip : player::CTrips(rows).All()) {
        out << entries[static_cast<size_t>(trip.FirstRow())].name << '\t'
            << entries[static_cast<size_t>(trip.LastRow())].name << '\t' << trip.Size() << '\t'
            << trip.DurationMs() / 1000 << '\n';
    }
    return true;
}
