// Feeds arbitrary bytes to the telemetry line parsers, split into lines as the source delivers
// them.
#include "player/telemetry/TextData.h"

#include <cstddef>
#include <cstdint>
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
        store.AddLine(line.c_str(), timeMs);
        player::CGPSData fix;
        fix.Parse(line.c_str(), timeMs);
        timeMs += 100;
        start = end + 1;
    }
    store.FindGPS(static_cast<uint32_t>(size) * 50u);
    return 0;
}
