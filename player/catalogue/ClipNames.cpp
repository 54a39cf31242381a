#include "player/catalogue/ClipNames.h"

#include <algorithm>

namespace player {

namespace {

constexpr qsizetype kDateKey = 4;
constexpr qsizetype kTimeKey = 11;
constexpr qsizetype kKeyLength = 6;

QStringView FileName(QStringView path) {
    const qsizetype slash = std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
    return path.mid(slash + 1);
}

// The six digits at a key's position as three two-digit numbers, or false.
bool ReadKey(QStringView name, qsizetype at, int parts[3]) {
    if (name.size() < at + kKeyLength) {
        return false;
    }
    for (qsizetype i = 0; i < kKeyLength; ++i) {
        if (name[at + i] < u'0' || name[at + i] > u'9') {
            return false;
        }
    }
    for (qsizetype i = 0; i < 3; ++i) {
        const qsizetype tens = at + 2 * i;
        parts[i] = (name[tens].unicode() - u'0') * 10 + (name[tens + 1].unicode() - u'0');
    }
    return true;
}

QString ClockText(QStringView recording, int64_t ms) {
    QDateTime start = RecordingStartTime(recording);
    if (!start.isValid()) {
        start = QDateTime(QDate(2000, 1, 1), QTime(0, 0), Qt::UTC);
    }
    return start.addMSecs(ms - ms % 1000).toString(QStringLiteral("HHmmss"));
}

}  // namespace

QDateTime RecordingStartTime(QStringView name) {
    name = FileName(name);
    int date[3] = {};
    int time[3] = {};
    if (!ReadKey(name, kDateKey, date) || !ReadKey(name, kTimeKey, time)) {
        return {};
    }
    const QDate day(2000 + date[0], date[1], date[2]);
    const QTime clock(time[0], time[1], time[2]);
    if (!day.isValid() || !clock.isValid()) {
        return {};
    }
    // The camera's clock has no zone; UTC keeps arithmetic free of daylight-saving jumps.
    return QDateTime(day, clock, Qt::UTC);
}

QString ProposeClipName(QStringView firstRecording, int64_t startMs, QStringView lastRecording,
                        int64_t endMs) {
    QStringView base = FileName(firstRecording);
    if (const qsizetype dot = base.lastIndexOf(u'.'); dot > 0) {
        base = base.left(dot);
    }
    return base.toString() + QStringLiteral("_clip_") + ClockText(firstRecording, startMs) +
           QLatin1Char('-') + ClockText(lastRecording, endMs) + QStringLiteral(".mp4");
}

}  // namespace player
