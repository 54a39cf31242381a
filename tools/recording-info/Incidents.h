#pragma once
// recording-info's --incidents: the incidents the player finds in the recording's telemetry
// with the user's thresholds.

#include "player/telemetry/TextData.h"

#include <QTextStream>

// One line per incident: peak time in ms from the start, kind word and peak in g with two
// decimals, tab-separated; a recording without G-sensor readings gets one line saying so.
void WriteIncidents(const player::CTextData& telemetry, QTextStream& out);
