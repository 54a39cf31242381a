#include "player/telemetry/GSensorData.h"

#include "player/telemetry/TelemetryNumbers.h"

#include <cstring>
#include <string_view>

namespace player {

namespace {

constexpr size_t kMaxLineChars = 1023;
constexpr size_t kValueChars = 5;
constexpr size_t kXColumn = 3;
constexpr size_t kYColumn = 10;
constexpr size_t kZColumn = 17;
constexpr double kUnitsPerG = 64.0;

int32_t ReadColumn(std::string_view line, size_t column) {
    if (column >= line.size()) {
        return 0;
    }
    return telemetry::TruncateScaled(telemetry::ReadDecimal(line.substr(column, kValueChars)),
                                     kUnitsPerG);
}

}  // namespace

CGSensorData CGSensorData::FromLine(const char* line, int32_t timeMs) {
    if (line == nullptr) {
        return CGSensorData(0, 0, 0, timeMs);
    }
    const std::string_view text(line, strnlen(line, kMaxLineChars));
    return CGSensorData(ReadColumn(text, kXColumn), ReadColumn(text, kYColumn),
                        ReadColumn(text, kZColumn), timeMs);
}

}  // namespace player
