#pragma once
// A recording's marks as they stand now, for a track file written at the user's asking or by a
// tool: the incidents detected in its telemetry with the user's thresholds, and its bookmarks.
// Detection takes well under a millisecond a minute, so a caller may run it in place. Reads
// the store: UI thread.

#include "player/telemetry/BookmarkStore.h"
#include "player/telemetry/RecordingMarks.h"
#include "player/telemetry/TextData.h"

#include <QString>

#include <vector>

namespace player {

std::vector<RecordingMark> MarksOfRecording(const CTextData& telemetry,
                                            const QString& recordingPath,
                                            const CBookmarkStore& bookmarks = CBookmarkStore());

}  // namespace player
