#pragma once
// The two ways of writing a clip over recordings already opened: copied packet for packet, or
// decoded, laid out and encoded again. Internal; the export's thread.

#include "platform/media/ClipExporter.h"
#include "platform/media/ClipSources.h"

namespace platform::media {

ClipOutcome RemuxClip(const ClipRequest& request, ClipSources& sources, ClipExportControl& control);
ClipOutcome RenderClip(const ClipRequest& request, ClipSources& sources,
                       ClipExportControl& control);

// How often a mode looks whether the target's folder is still there, in packets or frames.
inline constexpr int kClipTargetCheckInterval = 64;
// After the end, reading goes on this long for telemetry stored behind the pictures.
inline constexpr REFERENCE_TIME kClipTailRead = FromMilliseconds(2000);

}  // namespace platform::media
