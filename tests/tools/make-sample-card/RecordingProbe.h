#pragma once
// Reads back what make-sample-card wrote, straight through libavformat/libavcodec.

#include <QString>

#include <string>
#include <vector>

extern "C" {
#include <libavcodec/codec_id.h>
#include <libavutil/avutil.h>
}

namespace probe {

struct Stream {
    AVMediaType type = AVMEDIA_TYPE_UNKNOWN;
    AVCodecID codec = AV_CODEC_ID_NONE;
    int width = 0;
    int height = 0;
};

struct TextLine {
    int timeMs = 0;
    std::string text;
};

struct Recording {
    bool opened = false;
    std::vector<Stream> streams;
    std::vector<TextLine> telemetry;  // lines of the first text track, in file order
};

Recording Read(const QString& path);

// Frame codes of every decoded frame of the video stream, in decoding output order.
std::vector<int> FrameCodes(const QString& path, int streamIndex);

// Mono samples of the first audio stream, decoded and converted to float.
std::vector<float> AudioSamples(const QString& path, int& sampleRate);

}  // namespace probe
