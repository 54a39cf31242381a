#pragma once
// What a recording's container holds, for reports on files the player will not play. Any
// thread.

#include <QString>

#include <cstdint>
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

}  // namespace platform::media
