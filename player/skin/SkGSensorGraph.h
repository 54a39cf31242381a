#pragma once
// The G-sensor plot: three acceleration traces of one minute per page and a time cursor, drawn
// in a band over a background image. A page is drawn once into a cache; a new position only
// copies the cache and draws the cursor. GUI thread only.

#include "platform/gfx/Dc.h"
#include "player/skin/SkWidget.h"
#include "player/skin/SkinImage.h"
#include "player/skin/SkinSyntax.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

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

// One reading as the plot needs it: the axes in 1/64 g, the time in ms from the start.
struct GraphSample {
    int32_t x = 0;
    int32_t y = 0;
    int32_t z = 0;
    int32_t timeMs = 0;
};

class SkGSensorGraph : public SkWidget {
public:
    static constexpr uint32_t kPageMs = 60000;
    // Curves run at 946 pixels per minute whatever the band's width.
    static constexpr double kPixelsPerMs = 0.015766666666666665;

    // A failed load leaves no background image and returns false.
    bool SetBackgroundImage(const ImageSpec& desc);
    SkinImage* BackgroundImage() const { return m_background.get(); }

    void SetPen(GSensorTrace trace, const GraphPen& pen);
    const GraphPen& Pen(GSensorTrace trace) const;
    // Stored only when band.endPos >= band.startPos; false otherwise.
    bool SetBand(const GraphBand& band);
    const GraphBand& Band() const { return m_band; }

    // The readings of the open recording in delivery order (times not decreasing). Drops the
    // cache, so the next paint draws page 0 afresh; none plots only the background.
    void SetSamples(std::vector<GraphSample> samples);
    // Playback position in ms (a negative one counts as 0); repaints at the next paint.
    void SetPosition(int32_t positionMs);
    int32_t Position() const { return m_positionMs; }

    // The page shown and the page of the last reading, as of the last paint.
    int32_t CurrentPage() const { return m_currentPage; }
    int32_t LastPage() const { return m_lastPage; }

    // A click in the band asks to play from the time under it; none takes no clicks.
    void SetSeekHandler(std::function<void(int32_t timeMs)> handler) {
        m_seekHandler = std::move(handler);
    }
    // The time (ms from the start) at a point of the band on the page shown, as the cursor
    // places it; none outside the band or without readings.
    std::optional<int32_t> TimeAt(QPoint point) const;

    // Window half: the cached page and the cursor, turning pages as the position asks.
    void DrawItem(platform::gfx::Dc& dc, const platform::DrawItemInfo& info) override;
    bool OnLButtonDown(QPoint point) override;

private:
    // Background, then page `page`'s curves, into dc (client size). Records where the next
    // page starts and sets the last page.
    void DrawPage(platform::gfx::Dc& dc, int32_t page);
    void DrawCurves(platform::gfx::Dc& dc, int32_t page);
    void DrawCursor(platform::gfx::Dc& dc, uint32_t offsetMs) const;
    void StoreCache(const platform::gfx::Dc& dc);

    std::unique_ptr<SkinImage> m_background;
    std::array<GraphPen, kGSensorTraceCount> m_pens;
    GraphBand m_band;

    std::vector<GraphSample> m_samples;
    // Index of the first reading of each page; entry 0 is the front. Grows as pages are drawn,
    // so a recording of any length pages to its end.
    std::vector<size_t> m_pageStart{0};
    int32_t m_lastPage = 0;
    int32_t m_currentPage = 0;
    int32_t m_positionMs = 0;
    platform::gfx::Dc m_cache;  // the current page without the cursor; null until drawn
    std::function<void(int32_t)> m_seekHandler;
};

}  // namespace player
