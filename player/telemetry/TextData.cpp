#include "player/telemetry/TextData.h"

#include <array>

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
    if (line[0] == 'M') {
        m_gsensorList.push_back(CGSensorData::FromLine(line, timeMs));
    } else if (line[0] == 'G') {
        CGPSData fix;
        fix.Parse(line, timeMs);  // a short line still gives a record
        m_gpsList.push_back(fix);
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
            break;  // no telemetry interface: asking again cannot help
        }
        if (*result == kReadEndOfLines) {
            break;
        }
        if (*result != kReadOk) {
            ++otherAnswers;
            continue;
        }
        otherAnswers = 0;
        buffer.back() = '\0';  // a source that fills all 1,024 bytes must not run us off the end
        AddLine(buffer.data(), timeMs);
        ++lines;
    }
    return lines;
}
