#include "tools/recording-info/ClipSpan.h"

#include "platform/media/StreamProbe.h"
#include "player/catalogue/ClipNames.h"
#include "player/catalogue/RecordingNames.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cstdlib>

bool ClipRecordings(const QString& from, const QString& to, QStringList* recordings,
                    QString* error) {
    const QFileInfo first(from);
    const QFileInfo last(to);
    if (first.absoluteFilePath() == last.absoluteFilePath()) {
        *recordings = {from};
        return true;
    }
    if (first.absolutePath() != last.absolutePath()) {
        *error = QStringLiteral("--from and --to must name recordings of one folder");
        return false;
    }
    const QDir folder = first.absoluteDir();
    QStringList names = folder.entryList(
        {QStringLiteral("*.mp4"), QStringLiteral("*.mkv"), QStringLiteral("*.avi")}, QDir::Files,
        QDir::Name | QDir::IgnoreCase);
    std::stable_sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        return player::CompareRecordingNames(b, a);
    });
    const qsizetype begin = names.indexOf(first.fileName());
    const qsizetype end = names.indexOf(last.fileName());
    if (begin < 0 || end < 0) {
        *error = QStringLiteral("%1 is no recording of its folder").arg(begin < 0 ? from : to);
        return false;
    }
    if (end < begin) {
        *error = QStringLiteral("%1 was recorded before %2").arg(to, from);
        return false;
    }
    recordings->clear();
    for (qsizetype i = begin; i <= end; ++i) {
        recordings->append(folder.filePath(names[i]));
    }
    return true;
}

bool RecordingsFollowEachOther(const QStringList& recordings, QString* error) {
    for (qsizetype i = 1; i < recordings.size(); ++i) {
        const QString& previous = recordings[i - 1];
        const QDateTime previousStart = player::RecordingStartTime(previous);
        const QDateTime start = player::RecordingStartTime(recordings[i]);
        platform::media::StreamCounts streams;
        if (!previousStart.isValid() || !start.isValid()) {
            *error = QStringLiteral("%1 has no date and time in its name")
                         .arg(previousStart.isValid() ? recordings[i] : previous);
            return false;
        }
        if (!platform::media::ProbeStreams(previous, &streams) || streams.durationMs < 0) {
            *error = QStringLiteral("cannot read how long %1 is").arg(previous);
            return false;
        }
        const int64_t gapMs = previousStart.msecsTo(start) - streams.durationMs;
        if (std::llabs(gapMs) > kFollowToleranceMs) {
            *error = QStringLiteral("%1 does not follow %2 (%3 s apart)")
                         .arg(QFileInfo(recordings[i]).fileName(), QFileInfo(previous).fileName())
                         .arg(static_cast<double>(gapMs) / 1000.0, 0, 'f', 1);
            return false;
        }
    }
    return true;
}
