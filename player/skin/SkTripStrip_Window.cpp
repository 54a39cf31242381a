// SkTripStrip's window behaviour: the segments, the marks, the cursor, the pointer's trip time
// posted to the dialog and shown above it.

#include "player/skin/SkTripStrip.h"

#include "platform/gfx/Graphics.h"
#include "platform/window/Window.h"
#include "player/skin/SkMemDC.h"
#include "player/skin/SkinDraw.h"

#include <QStringList>
#include <QToolTip>

#include <algorithm>
#include <cstdlib>

namespace player {

namespace gfx = platform::gfx;

SkinRect SkTripStrip::TrackRect() const {
    const gfx::Rect client = ClientRect();
    return SkinRect{m_margins.left, m_margins.top,
                    client.Width() - m_margins.left - m_margins.right,
                    client.Height() - m_margins.top - m_margins.bottom};
}

int32_t SkTripStrip::PixelOf(int64_t tripMs, const SkinRect& track) const {
    const int64_t duration = DurationMs();
    if (duration <= 0 || track.w <= 0) {
        return track.x;
    }
    return track.x +
           static_cast<int32_t>(std::clamp<int64_t>(tripMs, 0, duration) * track.w / duration);
}

SkinRect SkTripStrip::SegmentRect(int32_t index) const {
    if (index < 0 || index >= static_cast<int32_t>(m_segmentsMs.size())) {
        return {};
    }
    const SkinRect track = TrackRect();
    int64_t startMs = 0;
    for (int32_t i = 0; i < index; ++i) {
        startMs += m_segmentsMs[static_cast<size_t>(i)];
    }
    const int32_t left = PixelOf(startMs, track);
    int32_t right = PixelOf(startMs + m_segmentsMs[static_cast<size_t>(index)], track);
    if (index + 1 < static_cast<int32_t>(m_segmentsMs.size())) {
        right -= m_gap;
    }
    return SkinRect{left, track.y, std::max(right - left, 0), track.h};
}

int64_t SkTripStrip::TripMsAt(int32_t x) const {
    const SkinRect track = TrackRect();
    if (track.w <= 0) {
        return 0;
    }
    const int64_t offset = std::clamp<int64_t>(int64_t{x} - track.x, 0, track.w);
    return offset * DurationMs() / track.w;
}

void SkTripStrip::FitParts(const SkinRect& track) {
    if (m_fittedTrack == track) {
        return;
    }
    // The segment looks are rendered once at the track's size; segments are cut from them.
    for (TripStripPart part : {TripStripPart::Segment, TripStripPart::Current}) {
        if (SkinImage* image = Part(part)) {
            image->DiscardRendering();
            image->SetDestination(track);
        }
    }
    m_fittedTrack = track;
}

void SkTripStrip::DrawItem(gfx::Dc& dc, const platform::DrawItemInfo&) {
    const gfx::Rect client = ClientRect();
    SkMemDC memory(dc, client, true);
    DrawBackdrop(memory.Dc(), client, BackgroundCopy(), m_backgrounds);
    if (m_segmentsMs.empty() || DurationMs() <= 0) {
        return;
    }
    const SkinRect track = TrackRect();
    FitParts(track);
    for (int32_t i = 0; i < static_cast<int32_t>(m_segmentsMs.size()); ++i) {
        SkinImage* look = Part(i == m_current ? TripStripPart::Current : TripStripPart::Segment);
        const SkinRect segment = SegmentRect(i);
        if (look == nullptr || segment.w <= 0) {
            continue;
        }
        RenderImage(*look, &memory.Dc(), client, nullptr, true);
        BlitImage(client, *look, &memory.Dc(), segment,
                  SkinRect{segment.x - track.x, 0, segment.w, segment.h});
    }
    DrawMarks(memory.Dc(), track);
    if (SkinImage* cursor = Part(TripStripPart::Cursor)) {
        SkinRect place = cursor->Desc().dest;
        place.x += PixelOf(m_positionMs, track) - track.x;
        RenderImage(*cursor, &memory.Dc(), client, nullptr, true);
        BlitImage(client, *cursor, &memory.Dc(), place, std::nullopt);
    }
}

void SkTripStrip::DrawMarks(gfx::Dc& dc, const SkinRect& track) const {
    if (!m_markLook.Present()) {
        return;
    }
    // Across the track less the look's margins.
    const int32_t from = track.y + m_markLook.marginTop;
    const int32_t span = track.h - m_markLook.marginTop - m_markLook.marginBottom;
    const int64_t duration = DurationMs();
    if (span <= 0) {
        return;
    }
    // Stretches first (held to the trip), so the bars stand over them.
    for (const SkinMark& mark : m_marks) {
        if (!mark.endMs) {
            continue;
        }
        const int32_t left = PixelOf(std::min<int64_t>(mark.timeMs, *mark.endMs), track);
        const int32_t right = PixelOf(std::max<int64_t>(mark.timeMs, *mark.endMs), track);
        gfx::FillRectangle(dc, QRect(left, from, right - left, span),
                           (m_markLook.ColourOf(mark.kind) & 0x00FFFFFFU) | kMarkStretchAlpha);
    }
    for (const SkinMark& mark : m_marks) {
        if (mark.timeMs < 0 || mark.timeMs > duration) {
            continue;
        }
        const int32_t left = PixelOf(mark.timeMs, track) - m_markLook.width / 2;
        gfx::FillRectangle(dc, QRect(left, from, m_markLook.width, span),
                           m_markLook.ColourOf(mark.kind) | 0xFF000000U);
    }
}

void SkTripStrip::Post(int64_t tripMs) const {
    if (Window() != nullptr) {
        platform::PostMessage(
            Window()->parentWidget(), platform::WM_USER,
            reinterpret_cast<platform::WParam>(static_cast<const SkWidget*>(this)),
            static_cast<platform::LParam>(tripMs));
    }
}

bool SkTripStrip::OnLButtonDown(QPoint point) {
    if (DurationMs() <= 0) {
        return true;  // nothing to seek in
    }
    m_dragging = true;
    m_lastPosted.reset();
    return OnMouseMove(point);
}

bool SkTripStrip::OnMouseMove(QPoint point) {
    const int64_t tripMs = TripMsAt(point.x());
    ShowValueText(point, tripMs);
    if (!m_dragging) {
        return false;
    }
    if (tripMs != m_lastPosted) {
        m_positionMs = tripMs;
        m_lastPosted = tripMs;
        Invalidate();
        Post(tripMs);
    }
    return true;
}

void SkTripStrip::SetValueText(std::function<QString(int64_t)> text) {
    m_valueText = std::move(text);
    if (Window() != nullptr) {
        Window()->setMouseTracking(static_cast<bool>(m_valueText));
    }
}

QString SkTripStrip::MarkLabelAt(int32_t x) const {
    if (!m_markLook.Present()) {
        return {};
    }
    const int32_t reach = std::max(m_markLook.width, kMarkReachPixels);
    const SkinRect track = TrackRect();
    const int64_t duration = DurationMs();
    QStringList labels;
    for (const SkinMark& mark : m_marks) {
        if (!mark.label.isEmpty() && mark.timeMs >= 0 && mark.timeMs <= duration &&
            std::abs(PixelOf(mark.timeMs, track) - x) <= reach) {
            labels << mark.label;
        }
    }
    return labels.join(QStringLiteral(", "));
}

void SkTripStrip::ShowValueText(QPoint point, int64_t tripMs) const {
    QWidget* window = Window();
    if (!m_valueText || window == nullptr || DurationMs() <= 0) {
        return;
    }
    const QPoint at = window->mapToGlobal(QPoint(point.x(), 0)) - QPoint(0, kValueTextLift);
    QString text = m_valueText(tripMs);
    if (const QString marks = MarkLabelAt(point.x()); !marks.isEmpty()) {
        text += QStringLiteral("  ") + marks;
    }
    QToolTip::showText(at, text, window);
}

bool SkTripStrip::OnLButtonUp(QPoint point) {
    if (!m_dragging) {
        return true;
    }
    m_dragging = false;
    const int64_t tripMs = TripMsAt(point.x());
    m_positionMs = tripMs;
    Invalidate();
    Post(tripMs);
    return true;
}

}  // namespace player
