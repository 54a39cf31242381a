#include "player/telemetry/TextData.h"

#include "player/telemetry/Log.h"

#include <array>

namespace player {

namespace {

constexpr int kLineBufferBytes = 1024;

}  // namespace

void CTextData::Clear() {
    m_gsensorList.clear();
    m_gpsList.clear();
}

int CTextData::AddLine(const char* line, int32_t timeMs) {
    if (line == nullptr) {
        return 0;
    }
    if (IsGSensorLine(line)) {
        m_gsensorList.push_back(CGSensorData::FromLine(line, timeMs));
    } else if (IsGpsLine(line)) {
        CGPSData fix;
        if (!fix.Parse(line, timeMs)) {  // a short line still gives a record
            qCDebug(lcTelemetry) << "short GPS line at" << timeMs << "ms:" << line;
        }
        m_gpsList.push_back(fix);
    } else {
        qCDebug(lcTelemetry) << "line at" << timeMs << "ms ignored:" << line;
    }
    return 0;
}

const CGPSData* CTextData::FindGPS(uint32_t positionMs) const {
    for (const CGPSData& fix : m_gpsList) {
        if (static_cast<uint32_t>(fix.time) > positionMs) {
            return &fix;
        }
    }
    return nullptr;
}

const CGPSData* CTextData::FindGPSAtOrBefore(uint32_t positionMs) const {
    const CGPSData* found = nullptr;
    for (const CGPSData& fix : m_gpsList) {
        if (static_cast<uint32_t>(fix.time) <= positionMs) {
            found = &fix;
        } else {
            break;  // delivered in time order
        }
    }
    return found;
}

int CTextData::LoadLines(const ReadLineFn& readLine) {
    Clear();
    if (!readLine) {
        return 0;
    }
    int lines = 0;
    int otherAnswers = 0;
    while (otherAnswers < kMaxOtherAnswersInRow) {
        std::array<char, kLineBufferBytes> buffer{};
        int length = kLineBufferBytes;
        int timeMs = 0;
        const std::optional<int32_t> result = readLine(buffer.data(), &length, &timeMs);
        if (!result) {
            qCInfo(lcTelemetry) << "the source offers no telemetry";
            break;  // no telemetry interface: asking again cannot help
        }
        if (*result == kReadEndOfLines) {
            break;
        }
        if (*result != kReadOk) {
            if (++otherAnswers == kMaxOtherAnswersInRow) {
                qCWarning(lcTelemetry)
                    << "telemetry load stopped after" << lines << "lines: the source answered"
                    << *result << kMaxOtherAnswersInRow << "times in a row";
            }
            continue;
        }
        otherAnswers = 0;
        buffer.back() = '\0';  // a source that fills all 1,024 bytes must not run us off the end
        AddLine(buffer.data(), timeMs);
        ++lines;
    }
    return lines;
}

}  // namespace player
