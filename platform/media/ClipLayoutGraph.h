#pragma once
// The libavfilter graph that lays a rendered clip's pictures out (ClipFilterGraph's text), fed
// with the cameras' decoded frames and drained of the composed ones. Internal; the export's
// thread.

#include "platform/media/AvFilterLibrary.h"
#include "platform/media/AvHandles.h"

#include <QString>

namespace platform::media {

// Frames enter and leave the graph with timestamps in this time base.
inline constexpr AVRational kClipTimeBase{1, 90000};

class ClipLayoutGraph {
public:
    enum Input { kFront, kRear };

    // Builds the graph for the description; rear (may be null) only when it names [r].
    // False with *error set when libavfilter is missing or the graph does not configure.
    bool Open(const QString& description, const AVCodecParameters* front,
              const AVCodecParameters* rear, QString* error);
    // Hands a frame (its pts in kClipTimeBase) to an input; null closes the input.
    bool Push(Input input, AVFrame* frame);
    // The next composed frame: true with *frame filled, false when none is ready (or after
    // the end, *ended set).
    bool Pull(AVFrame* frame, bool* ended);

private:
    FilterGraphPtr m_graph;
    AVFilterContext* m_sources[2] = {nullptr, nullptr};
    AVFilterContext* m_sink = nullptr;
};

}  // namespace platform::media
