#pragma once
// One G-sensor reading read from an 'M' telemetry line, in units of 1/64 g. UI thread only.

#include <cstdint>

namespace player {

class CGSensorData {
public:
    CGSensorData() = default;
    CGSensorData(int32_t xValue, int32_t yValue, int32_t zValue, int32_t timeMs)
        : x(xValue), y(yValue), z(zValue), time(timeMs) {}
    CGSensorData(const CGSensorData&) = default;
    CGSensorData& operator=(const CGSensorData&) = default;
    virtual ~CGSensorData() = default;

    // Reads the three fixed five-character columns of an 'M' line.
    static CGSensorData FromLine(const char* line, int32_t timeMs);

    int32_t x = 0;
    int32_t y = 0;
    int32_t z = 0;
    int32_t time = 0;  // ms from the start of the recording
};

}  // namespace player
