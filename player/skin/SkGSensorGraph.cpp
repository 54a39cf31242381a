#include "player/skin/SkGSensorGraph.h"

namespace player {

bool SkGSensorGraph::SetBackgroundImage(const ImageSpec& desc) {
    auto image = std::make_unique<SkinImage>();
    if (!image->Load(desc)) {
        m_background.reset();
        return false;
    }
    m_background = std::move(image);
    return true;
}

void SkGSensorGraph::SetPen(GSensorTrace trace, const GraphPen& pen) {
    m_pens[static_cast<size_t>(trace)] = pen;
}

const GraphPen& SkGSensorGraph::Pen(GSensorTrace trace) const {
    return m_pens[static_cast<size_t>(trace)];
}

bool SkGSensorGraph::SetBand(const GraphBand& band) {
    if (band.endPos < band.startPos) {
        return false;
    }
    m_band = band;
    return true;
}

void SkGSensorGraph::SetSamples(std::vector<GraphSample> samples) {
    m_samples = std::move(samples);
    m_pageStart.assign(1, 0);
    m_cache = platform::gfx::Dc();
    m_pageStale = false;
    Invalidate();
}

void SkGSensorGraph::SetMarks(std::vector<SkinMark> marks) {
    m_marks = std::move(marks);
    // Marks are drawn with the page: the page shown is drawn again at the next paint.
    m_pageStale = true;
    Invalidate();
}

void SkGSensorGraph::SetPosition(int32_t positionMs) {
    m_positionMs = positionMs < 0 ? 0 : positionMs;
    Invalidate();
}

}  // namespace player
