// Feeds arbitrary bytes to the telemetry line parsers, split into lines as the source delivers
// them (a line "T<number>" sets the time of the lines after it, in any order), then finds the
// incidents and writes the track files with them.
#include "player/telemetry/IncidentDetector.h"
#include "player/telemetry/TextData.h"
#include "player/telemetry/TrackExport.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    player::CTextData store;
    const std::string text(reinterpret_cast<const char*>(data), size);
    size_t start = 0;
    int32_t timeMs = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        const std::string line = text.substr(start, end - start);
        if (line.size() > 1 && line[0] == 'T') {
            timeMs = static_cast<int32_t>(std::strtol(line.c_str() + 1, nullptr, 10));
        }
        store.AddLine(line.c_str(), timeMs);
        player::CGPSData fix;
        fix.Parse(line.c_str(), timeMs);
        timeMs = static_cast<int32_t>(static_cast<uint32_t>(timeMs) + 100u);
        start = end + 1;
    }
    store.FindGPS(static_cast<uint32_t>(size) * 50u);
    const std::vector<player::Incident> incidents =
        player::DetectIncidents(player::MotionSeriesOf(store));
    const std::vector<player::RecordingMark> marks =
        player::MarksOf(incidents, {{timeMs, "note, \"quoted\""}});
    const std::vector<player::TrackPoint> track = player::TrackOf(store);
    player::TrackGpx(track, "fuzz", marks);
    player::TrackCsv(track, marks);
    return 0;
}
