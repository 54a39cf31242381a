// SkGSensorGraph painting: pages of one minute drawn once into the cache, the cursor drawn
// over a copy of it at every paint.

#include "player/skin/SkGSensorGraph.h"

#include "platform/gfx/Blit.h"
#include "player/skin/SkMemDC.h"
#include "player/skin/SkinDraw.h"

#include <QPainter>
#include <QPolygon>

#include <algorithm>
#include <limits>

namespace player {

namespace gfx = platform::gfx;

namespace {

constexpr int32_t kFullScale = 128;   // 2 g in 1/64 g fills half the band
constexpr int32_t kMaxPenWidth = 64;  // a skin cannot make every line a flood fill
// Coordinates far outside any window are held here, so a wild reading cannot overflow.
constexpr double kCoordinateLimit = 1'000'000.0;

int Truncate(double value) {
    return static_cast<int>(std::clamp(value, -kCoordinateLimit, kCoordinateLimit));
}

QPen PenOf(const GraphPen& pen) {
    const uint32_t argb = pen.colour;
    // Width 0 is Qt's one-pixel cosmetic pen, as GDI draws a pen of width 0.
    return {QColor(qRed(argb), qGreen(argb), qBlue(argb)),
            static_cast<qreal>(std::clamp(pen.width, 0, kMaxPenWidth)), Qt::SolidLine, Qt::FlatCap,
            Qt::MiterJoin};
}

}  // namespace

void SkGSensorGraph::DrawItem(gfx::Dc& dc, const platform::DrawItemInfo&) {
    const gfx::Rect client = ClientRect();
    SkMemDC memory(dc, client, false);
    gfx::Dc& buffer = memory.Dc();
    const auto position = static_cast<uint32_t>(m_positionMs);
    if (m_cache.IsNull()) {
        m_currentPage = 0;
        m_lastPage = 0;
        DrawPage(buffer, 0);
        StoreCache(buffer);
        return;
    }
    if (m_cache.Width() != client.Width() || m_cache.Height() != client.Height()) {
        DrawPage(buffer, m_currentPage);
        StoreCache(buffer);
    }
    const uint64_t pageStartMs = uint64_t{static_cast<uint32_t>(m_currentPage)} * kPageMs;
    if (m_currentPage != 0 && position / kPageMs < static_cast<uint32_t>(m_currentPage)) {
        // Moved back: straight to the position's page.
        m_currentPage = static_cast<int32_t>(position / kPageMs);
        DrawPage(buffer, m_currentPage);
        StoreCache(buffer);
    } else if (m_lastPage != 0 && position > kPageMs && pageStartMs + kPageMs < position) {
        // Moved on: one page per paint, and no cursor on the paint that turns the page.
        ++m_currentPage;
        DrawPage(buffer, m_currentPage);
        StoreCache(buffer);
        return;
    }
    gfx::BitBlt(buffer, 0, 0, client.Width(), client.Height(), m_cache, 0, 0);
    if (!m_samples.empty()) {  // without readings the graph is only its background
        DrawCursor(buffer, position - static_cast<uint32_t>(m_currentPage) * kPageMs);
    }
}

std::optional<int32_t> SkGSensorGraph::TimeAt(QPoint point) const {
    const int64_t span = int64_t{m_band.endPos} - m_band.startPos;
    if (m_samples.empty() || span <= 0 || point.x() < m_band.startPos ||
        point.x() > m_band.endPos || point.y() < m_band.top ||
        point.y() > int64_t{m_band.top} + m_band.height) {
        return std::nullopt;
    }
    const int64_t offsetMs = (int64_t{point.x()} - m_band.startPos) * kPageMs / span;
    const int64_t timeMs = int64_t{m_currentPage} * kPageMs + offsetMs;
    return static_cast<int32_t>(std::min<int64_t>(timeMs, std::numeric_limits<int32_t>::max()));
}

bool SkGSensorGraph::OnLButtonDown(QPoint point) {
    const std::optional<int32_t> timeMs = TimeAt(point);
    if (!timeMs || !m_seekHandler) {
        return false;
    }
    m_seekHandler(*timeMs);
    return true;
}

void SkGSensorGraph::StoreCache(const gfx::Dc& dc) {
    m_cache = dc.CreateCompatible(dc.Width(), dc.Height());
    gfx::BitBlt(m_cache, 0, 0, dc.Width(), dc.Height(), dc, 0, 0);
}

void SkGSensorGraph::DrawPage(gfx::Dc& dc, int32_t page) {
    const gfx::Rect client = ClientRect();
    dc.Fill(0x000000);
    gfx::BitBlt(dc, 0, 0, client.Width(), client.Height(), BackgroundCopy(), 0, 0);
    if (m_background) {
        RenderImage(*m_background, &dc, client, &BackgroundCopy(), false);
        BlitImage(client, *m_background, &dc);
    }
    if (m_samples.empty()) {
        return;
    }
    m_lastPage = static_cast<int32_t>(static_cast<uint32_t>(m_samples.back().timeMs) / kPageMs);
    DrawCurves(dc, page);
}

void SkGSensorGraph::DrawCurves(gfx::Dc& dc, int32_t page) {
    const auto pageIndex = static_cast<size_t>(page);
    if (page < 0 || pageIndex >= m_pageStart.size()) {
        return;  // no reading reaches this page: it stays empty
    }
    const int64_t centreRow = int64_t{m_band.top} + m_band.height / 2;  // whole pixels
    const auto centre = static_cast<double>(centreRow);
    const double scale = m_band.height * 0.5 / kFullScale;
    const uint64_t pageBegin = uint64_t{pageIndex} * kPageMs;
    const uint64_t pageEnd = pageBegin + kPageMs;
    std::array<QPolygon, 3> traces;
    for (QPolygon& trace : traces) {
        trace << QPoint(m_band.startPos, static_cast<int>(centre));
    }
    for (size_t i = m_pageStart[pageIndex]; i < m_samples.size(); ++i) {
        const GraphSample& sample = m_samples[i];
        const auto time = static_cast<uint32_t>(sample.timeMs);
        if (time > pageEnd) {
            if (m_pageStart.size() < pageIndex + 2) {
                m_pageStart.resize(pageIndex + 2);
            }
            m_pageStart[pageIndex + 1] = i;
            break;
        }
        const double offset = static_cast<double>(time) - static_cast<double>(pageBegin);
        const int x = Truncate(offset * kPixelsPerMs + m_band.startPos);
        // A reading beyond 2 g is drawn at the band's edge, not over the rest of the window.
        const auto row = [&](int32_t value) {
            return Truncate(centre - std::clamp(value, -kFullScale, kFullScale) * scale);
        };
        traces[0] << QPoint(x, row(sample.x));
        traces[1] << QPoint(x, row(sample.y));
        traces[2] << QPoint(x, row(sample.z));
    }
    QPainter painter(&dc.Bitmap());
    for (size_t axis = 0; axis < traces.size(); ++axis) {
        painter.setPen(PenOf(m_pens[axis]));
        painter.drawPolyline(traces[axis]);
    }
}

void SkGSensorGraph::DrawCursor(gfx::Dc& dc, uint32_t offsetMs) const {
    if (offsetMs == 0) {
        return;
    }
    const double span = static_cast<double>(m_band.endPos) - m_band.startPos;
    const int x = Truncate(span / kPageMs * offsetMs + m_band.startPos);
    QPainter painter(&dc.Bitmap());
    painter.setPen(PenOf(m_pens[static_cast<size_t>(GSensorTrace::Time)]));
    painter.drawLine(x, m_band.top, x, m_band.top + m_band.height);
}

}  // namespace player
