#pragma once
// recording-info's --incidents, and the marks its track files carry: the incidents the player
// finds in the recording's telemetry with the user's thresholds, and the user's bookmarks.

#include "player/telemetry/RecordingMarks.h"
#include "player/telemetry/TextData.h"

#include <QString>
#include <QTextStream>

#include <vector>

// One line per incident: peak time in ms from the start, kind word and peak in g with two
// decimals, tab-separated; a recording without G-sensor readings gets one line saying so.
void WriteIncidents(const player::CTextData& telemetry, QTextStream& out);

// The recording's incidents and its bookmarks in the user's data folder, in time order.
std::vector<player::RecordingMark> MarksOfRecording(const player::CTextData& telemetry,
                                                    const QString& recordingPath);
