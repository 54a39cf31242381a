#pragma once
// Opening recordings safely with libavformat (local files only, the recording containers
// only) and reading their telemetry lines. Internal; any thread, one context per thread.

#include "platform/media/MediaSample.h"
#include "platform/media/StreamProbe.h"

#include <QString>

#include <memory>
#include <string>
#include <vector>

namespace platform::media {

struct TelemetryLine {
    int timeMs = 0;
    std::string text;
};

// avformat_open_input of a file from outside: only a regular file is opened (checked without
// blocking, so a FIFO or device named like a recording cannot hold the caller); error is set to
// VFW_E_NOT_FOUND, and *context freed, when it is none. format may be null (probed).
int OpenCheckedInput(AVFormatContext** context, const QString& path, const AVInputFormat* format,
                     AvDictionary* options, HRESULT* error);

// Opens and probes the file; null when it is no readable recording. interrupt (may be null)
// lets another thread cut blocking reads short.
FormatContextPtr OpenRecording(const QString& path, const AVIOInterruptCB* interrupt,
                               HRESULT* error);

// The first text subtitle stream, or -1.
int FindTelemetryStream(const AVFormatContext* context);

// Every line of the telemetry stream, in time order (lines of one sample keep their order).
std::vector<TelemetryLine> ReadTelemetryLines(const QString& path, int streamIndex);

// The same from a demuxer already open (read to its end; seek it back before reuse).
std::vector<TelemetryLine> ReadTelemetryLines(AVFormatContext* context, int streamIndex);

// Every line of a recording's telemetry (its first text track); empty without one. For front
// ends that need the telemetry of recordings they do not play.
std::vector<TelemetryLine> ReadRecordingTelemetry(const QString& path);

// The text lines of one subtitle packet of the given codec.
std::vector<std::string> SplitTelemetrySample(AVCodecID codec, const uint8_t* data, int size);

}  // namespace platform::media
