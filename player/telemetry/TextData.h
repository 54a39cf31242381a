#pragma once
// The telemetry store of the open recording: G-sensor and GPS samples in delivery order.
// Owned by the main window and reused for every recording; UI thread only.

#include "player/telemetry/GPSData.h"
#include "player/telemetry/GSensorData.h"

#include <cstdint>
#include <functional>
#include <list>
#include <optional>
#include <string_view>

namespace platform::media {
struct IBaseFilter;
}

namespace player {

// The kinds of telemetry line the store reads, by their first character.
inline bool IsGpsLine(std::string_view line) {
    return !line.empty() && line.front() == 'G';
}
inline bool IsGSensorLine(std::string_view line) {
    return !line.empty() && line.front() == 'M';
}

class CTextData {
public:
    // One ReadTextLine call through a freshly asked telemetry interface: its result, or nullopt
    // when the source offers no such interface.
    using ReadLineFn =
        std::function<std::optional<int32_t>(char* buffer, int* length, int* timeMs)>;

    static constexpr int32_t kReadOk = 0;
    static constexpr int32_t kReadEndOfLines = 38;  // ERROR_HANDLE_EOF
    // A source that neither delivers a line nor reports the end this many times in a row has
    // nothing more to give; the load stops there.
    static constexpr int kMaxOtherAnswersInRow = 16;

    CTextData() = default;
    CTextData(const CTextData&) = delete;
    CTextData& operator=(const CTextData&) = delete;
    virtual ~CTextData() = default;

    // Empties the G-sensor list, then the GPS list.
    void Clear();

    // Appends a sample for an 'M' or 'G' line; any other line is ignored. Always 0.
    int AddLine(const char* line, int32_t timeMs);

    // The first GPS sample whose time is greater than positionMs (both unsigned), or null.
    const CGPSData* FindGPS(uint32_t positionMs) const;
    // The last GPS sample whose time is at or before positionMs: what is known at that moment
    // (the readout's fix); null before the first.
    const CGPSData* FindGPSAtOrBefore(uint32_t positionMs) const;

    // Clears the store and reads every line the source delivers. Returns the lines read.
    int LoadLines(const ReadLineFn& readLine);
    // The same through the source filter's telemetry interface, asked afresh for every line.
    int LoadFromSource(platform::media::IBaseFilter* source);

    const std::list<CGSensorData>& GSensorList() const { return m_gsensorList; }
    const std::list<CGPSData>& GPSList() const { return m_gpsList; }

private:
    std::list<CGSensorData> m_gsensorList;
    std::list<CGPSData> m_gpsList;
};

}  // namespace player
