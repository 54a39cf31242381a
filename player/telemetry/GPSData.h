#pragma once
// One GPS fix read from a 'G' telemetry line (an RMC-like sentence). UI thread only.

#include <cstdint>

namespace player {

class CGPSData {
public:
    CGPSData() = default;
    CGPSData(const CGPSData&) = default;
    CGPSData& operator=(const CGPSData&) = default;
    virtual ~CGPSData() = default;

    // Fills the record from a 'G' line stamped timeMs. True when all ten fields were present;
    // fields the line does not reach stay 0. Re-entrant: the field cutter keeps no shared state.
    bool Parse(const char* line, int32_t timeMs);

    int32_t year = 0;  // two digits as written
    int32_t month = 0;
    int32_t day = 0;
    int32_t hour = 0;  // UTC hour + 9, not wrapped (9..32); the date is not adjusted
    int32_t minute = 0;
    int32_t second = 0;
    int32_t valid = 0;     // status field begins with 'A'
    double latitude = 0;   // ddmm.mmmm, negative unless 'N'
    double longitude = 0;  // dddmm.mmmm, negative unless 'E'
    double speed = 0;      // km/h, rounded through float
    double course = 0;     // degrees, rounded through float
    int32_t time = 0;      // ms from the start of the recording
};

}  // namespace player
