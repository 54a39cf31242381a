#include "player/telemetry/TextData.h"

#include "platform/media/GraphInterfaces.h"

using namespace platform::media;

namespace player {

int CTextData::LoadFromSource(IBaseFilter* source) {
    return LoadLines([source](char* buffer, int* length, int* timeMs) -> std::optional<int32_t> {
        const auto telemetry = QueryInterface<ITelemetrySource>(static_cast<IUnknown*>(source));
        if (!telemetry) {
            return std::nullopt;
        }
        return telemetry->ReadTextLine(buffer, length, timeMs);
    });
}

}  // namespace player
