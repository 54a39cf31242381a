#pragma once
// recording-info's --gpx and --csv: the recording's GPS track written as a file.

#include "player/telemetry/RecordingMarks.h"
#include "player/telemetry/TextData.h"

#include <QString>
#include <QStringList>

enum class TrackFormat { Gpx, Csv };

// Writes the track of the telemetry read from recordingPath, with the marks, to outPath in one
// atomic step, the speed also in the unit the player's settings choose. False with *error set
// when the recording has no valid fix (no file is made) or the write fails (an existing file
// stays as it was).
bool WriteTrackFile(const player::CTextData& telemetry, const QString& recordingPath,
                    const std::vector<player::RecordingMark>& marks, TrackFormat format,
                    const QString& outPath, QString* error);

// The GPX of several recordings (a trip) in one atomic step: one track named after the first
// with "_trip", one segment per recording in the order given, fixes read from each file. False
// with *error set when a recording cannot be read or none holds a valid fix.
bool WriteTripGpx(const QStringList& recordingPaths, const QString& outPath, QString* error);
