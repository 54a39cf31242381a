#include "player/telemetry/ClipTelemetry.h"

#include "platform/media/FormatReader.h"
#include "player/telemetry/TrackExport.h"

#include <QChar>

#include <algorithm>
#include <cstring>

namespace player {

namespace {

constexpr int64_t kMsPerSecond = 1000;
const QString kClockFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");

QString PlaceText(const TrackPoint& fix) {
    const QChar degree(0xb0);
    return QStringLiteral("%1%2 %3  %4%5 %6")
        .arg(std::abs(fix.latitude), 0, 'f', 5)
        .arg(degree)
        .arg(fix.latitude < 0 ? QLatin1Char('S') : QLatin1Char('N'))
        .arg(std::abs(fix.longitude), 0, 'f', 5)
        .arg(degree)
        .arg(fix.longitude < 0 ? QLatin1Char('W') : QLatin1Char('E'));
}

}  // namespace

int LoadRecordingTelemetry(const QString& path, CTextData* store) {
    const std::vector<platform::media::TelemetryLine> lines =
        platform::media::ReadRecordingTelemetry(path);
    size_t next = 0;
    return store->LoadLines([&](char* buffer, int* length, int* timeMs) -> std::optional<int32_t> {
        if (next == lines.size()) {
            return CTextData::kReadEndOfLines;
        }
        const platform::media::TelemetryLine& line = lines[next++];
        const size_t size = std::min(line.text.size(), static_cast<size_t>(*length) - 1);
        std::memcpy(buffer, line.text.data(), size);
        buffer[size] = '\0';
        *length = static_cast<int>(size);
        *timeMs = line.timeMs;
        return CTextData::kReadOk;
    });
}

std::vector<platform::media::ClipOverlayCue> ClipOverlayCues(int recording,
                                                             const QDateTime& cameraStart,
                                                             int64_t durationMs,
                                                             const CTextData& telemetry,
                                                             const ClipOverlayOptions& options) {
    const std::vector<TrackPoint> fixes =
        options.location ? TrackOf(telemetry) : std::vector<TrackPoint>();
    std::vector<int64_t> moments;
    if (cameraStart.isValid() || !fixes.empty()) {
        for (int64_t ms = 0; ms < durationMs; ms += kMsPerSecond) {
            moments.push_back(ms);
        }
    }
    for (const TrackPoint& fix : fixes) {
        moments.push_back(fix.timeMs);
    }
    std::sort(moments.begin(), moments.end());
    std::vector<platform::media::ClipOverlayCue> cues;
    auto fix = fixes.cbegin();
    const TrackPoint* shown = nullptr;
    for (const int64_t ms : moments) {
        while (fix != fixes.cend() && fix->timeMs <= ms) {
            shown = &*fix++;
        }
        QStringList lines;
        if (cameraStart.isValid()) {
            lines << cameraStart.addMSecs(ms - ms % kMsPerSecond).toString(kClockFormat);
        }
        if (options.location) {
            lines << (shown != nullptr ? FormatSpeed(shown->speedKmh, options.unit)
                                       : QStringLiteral("--"));
            if (shown != nullptr) {
                lines << PlaceText(*shown);
            }
        }
        if (cues.empty() || cues.back().lines != lines) {
            cues.push_back({{recording, ms}, lines});
        }
    }
    return cues;
}

QByteArray WithoutGpsLines(const QByteArray& sampleText) {
    QByteArray kept;
    for (const QByteArray& line : sampleText.split('\n')) {
        if (!IsGpsLine(std::string_view(line.constData(), static_cast<size_t>(line.size())))) {
            kept += line + '\n';
        }
    }
    kept.chop(1);
    return kept;
}

}  // namespace player
