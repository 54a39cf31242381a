#pragma once
// The G-sensor plot: three acceleration traces and a time cursor drawn in a band over a
// background image. This holds what the skin gives (background, pens, band). GUI thread only.

#include "player/skin/SkWidget.h"
#include "player/skin/SkinImage.h"
#include "player/skin/SkinSyntax.h"

#include <array>
#include <memory>

namespace player {

enum class GSensorTrace : int32_t { X = 0, Y = 1, Z = 2, Time = 3 };
inline constexpr int kGSensorTraceCount = 4;

struct GraphPen {
    uint32_t colour = kOpaqueWhite;  // ARGB; the alpha byte is not drawn
    int32_t width = 1;
};

// The plot band: left and right edges (the right one places the cursor only), top, height.
struct GraphBand {
    int32_t startPos = 0;
    int32_t endPos = 0;
    int32_t top = 0;
    int32_t height = 0;
};

class SkGSensorGraph : public SkWidget {
public:
    // A failed load leaves no background image and returns false.
    bool SetBackgroundImage(const ImageSpec& desc);
    SkinImage* BackgroundImage() const { return m_background.get(); }

    void SetPen(GSensorTrace trace, const GraphPen& pen);
    const GraphPen& Pen(GSensorTrace trace) const;
    // Stored only when band.endPos >= band.startPos; false otherwise.
    bool SetBand(const GraphBand& band);
    const GraphBand& Band() const { return m_band; }

    // Window half, until the plot is drawn: the background copy, then the background image.
    void DrawItem(platform::gfx::Dc& dc, const platform::DrawItemInfo& info) override;

private:
    std::unique_ptr<SkinImage> m_background;
    std::array<GraphPen, kGSensorTraceCount> m_pens;
    GraphBand m_band;
};

}  // namespace player
