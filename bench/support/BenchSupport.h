#pragma once
// What the benchmarks print about their conditions: the recording's real streams and the
// machine's load average.

#include <QString>

namespace bench {

// What a recording really holds, read from its streams.
struct ClipInfo {
    QString description;     // "30.0 s; front 3840x2160 hevc @ 30 fps, rear ..., sound aac"
    int frames[2] = {0, 0};  // per video stream (front, rear)
    double seconds = 0;
};

// Empty description and no frames when the file cannot be read.
ClipInfo DescribeClip(const QString& path);

// The 1, 5 and 15 minute load averages, as "2.10 1.80 1.50".
QString LoadAverage();

}  // namespace bench
