#pragma once
// Turns decoded sound into the device's format (48 kHz stereo 16-bit) and stretches it to the
// playback rate keeping its pitch: a libavfilter chain abuffer -> atempo -> aformat. Internal;
// used by one thread at a time. The first conversion loads libavfilter if nothing did before.

#include "platform/media/AvFilterLibrary.h"
#include "platform/media/AvHandles.h"

#include <cstdint>
#include <vector>

namespace platform::media {

class AudioConverter {
public:
    AudioConverter() = default;
    ~AudioConverter();
    AudioConverter(const AudioConverter&) = delete;
    AudioConverter& operator=(const AudioConverter&) = delete;

    // Adds the frame's sound (interleaved stereo) to out; false when it cannot be converted.
    bool Convert(const AVFrame* frame, double rate, std::vector<int16_t>* out);
    void Reset();

private:
    bool Configure(const AVFrame* frame, double rate);

    FilterGraphPtr m_graph;
    AVFilterContext* m_input = nullptr;   // owned by m_graph
    AVFilterContext* m_output = nullptr;  // owned by m_graph
    int m_sampleRate = 0;
    int m_format = -1;
    AVChannelLayout m_layout{};
    double m_rate = 0.0;
};

}  // namespace platform::media
