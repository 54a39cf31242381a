#pragma once
// What the clip dialog chooses, and the exporter's request made of a span and those choices.
// UI thread (reads the telemetry store of the recording that is open).

#include "platform/media/ClipExporter.h"
#include "player/catalogue/ClipMarks.h"
#include "player/telemetry/ClipTelemetry.h"
#include "player/telemetry/TextData.h"

#include <QString>

namespace player {

struct ClipChoices {
    platform::media::ClipLayout layout = platform::media::ClipLayout::Copy;  // Copy: lossless
    platform::media::ClipCorner corner = platform::media::ClipCorner::BottomRight;
    bool overlay = true;  // rendered layouts only: date and time, speed and place burned in
    bool withoutLocation = false;
    bool operator==(const ClipChoices&) const = default;
};

// The telemetry of the recording that is open, which a clip need not read again.
struct OpenTelemetry {
    QString path;
    const CTextData* store = nullptr;
};

// The request for a range written to target. The overlay's cues come from each recording's
// telemetry (the open one's store, the others read from their files); without location the
// telemetry track loses its GPS lines and the overlay its speed and place.
platform::media::ClipRequest MakeClipRequest(const ClipRange& range, const ClipChoices& choices,
                                             const QString& target, SpeedUnit unit,
                                             const OpenTelemetry& open);

}  // namespace player
