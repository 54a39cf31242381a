#pragma once
// What a recording's container holds, for reports on files the player will not play and for
// lists that need more than a name. Any thread.

#include <QString>

#include <cstdint>
#include <string>
#include <vector>

namespace platform::media {

// What a container holds, whether or not it can be played.
struct StreamCounts {
    int video = 0;  // attached cover pictures not counted
    int audio = 0;
    int text = 0;
    int64_t durationMs = -1;                 // -1: the file does not say
    double frameIntervalMs = 0.0;            // of the first video stream; 0 when unknown
    std::vector<uint32_t> undecodableVideo;  // the codec tags of video streams without a decoder
};

// False when the file is no readable recording container at all.
bool ProbeStreams(const QString& path, StreamCounts* counts);

// The duration the file's own index gives (its header, no stream read), in ms; false (and -1)
// when the file is no readable container or its index gives none, as for a cut recording.
bool ProbeIndexDuration(const QString& path, int64_t* durationMs);

// One telemetry line of a recording: its sample's time (ms from the start) and text.
struct TelemetryText {
    int32_t timeMs = 0;
    std::string text;
};
// Every telemetry line of a recording in time order, without building a graph; false when it
// is no recording the player would open (a recording without telemetry gives none and true).
bool ReadRecordingTelemetry(const QString& path, std::vector<TelemetryText>* lines);

}  // namespace platform::media
