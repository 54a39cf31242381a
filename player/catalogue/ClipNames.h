#pragma once
// Names and times of clips cut from recordings: when a recording started by its name's keys,
// and the name proposed for a clip. Any thread may call.

#include <QDateTime>
#include <QString>
#include <QStringView>

#include <cstdint>

namespace player {

// The camera's local date and time at which a recording started, from the date key
// (YYMMDD at characters 4-9) and time key (HHMMSS at 11-16) of its file name (a path's folders
// are ignored); invalid unless both are complete and a real date and time.
QDateTime RecordingStartTime(QStringView name);

// "<first recording's name without extension>_clip_HHMMSS-HHMMSS.mp4": the camera's local
// times of the clip's start (startMs into the first recording) and end (endMs into the last),
// to the second. Without time keys a recording counts from 00:00:00.
QString ProposeClipName(QStringView firstRecording, int64_t startMs, QStringView lastRecording,
                        int64_t endMs);

}  // namespace player
