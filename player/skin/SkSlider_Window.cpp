// SkSlider's window behaviour: layout of track, filled part and thumb, painting, mouse
// dragging and the WM_USER notice to the dialog.

#include "player/skin/SkSlider.h"

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

SkinRect SkSlider::TrackRect() const {
    const gfx::Rect client = ClientRect();
    return SkinRect{m_margins.left, m_margins.top,
                    client.Width() - m_margins.left - m_margins.right,
                    client.Height() - m_margins.top - m_margins.bottom};
}

int32_t SkSlider::FillLength() const {
    const SkinRect track = TrackRect();
    const int64_t length = m_vertical ? track.h : track.w;
    const int64_t range = int64_t{m_maximum} - m_minimum;
    return static_cast<int32_t>((int64_t{m_value} - m_minimum) * length / range);
}

void SkSlider::DrawPart(SliderPart part, gfx::Dc& dc, const gfx::Rect& client,
                        const std::optional<SkinRect>& dest, const std::optional<SkinRect>& src) {
    if (SkinImage* image = Part(part)) {
        RenderImage(*image, &dc, client, nullptr, true);
        BlitImage(client, *image, &dc, dest, src);
    }
}

void SkSlider::Layout(const gfx::Rect& client, const SkinRect& track) {
    const QRect laidOut(0, 0, client.Width(), client.Height());
    if (m_lastLayout == laidOut) {
        return;
    }
    for (SliderPart part : {SliderPart::BTrack, SliderPart::Track}) {
        if (SkinImage* image = Part(part)) {
            image->DiscardRendering();
            if (image->Desc().dest != track) {
                image->SetDestination(track);
            }
        }
    }
    m_lastLayout = laidOut;
}

void SkSlider::DrawItem(gfx::Dc& dc, const platform::DrawItemInfo&) {
    const gfx::Rect client = ClientRect();
    SkMemDC memory(dc, client, true);
    DrawBackdrop(memory.Dc(), client, BackgroundCopy(), m_backgrounds);
    DrawPart(SliderPart::Tics, memory.Dc(), client, std::nullopt, std::nullopt);
    const SkinRect track = TrackRect();
    Layout(client, track);
    DrawPart(SliderPart::BTrack, memory.Dc(), client, track, std::nullopt);
    const int32_t fill = FillLength();
    if (const SkinImage* thumb = Part(SliderPart::Thumb)) {
        m_thumb = thumb->Desc().dest;
        (m_vertical ? m_thumb.y : m_thumb.x) += fill + m_grabOffset;
    }
    // The filled part grows from the track's start, where the thumb starts too.
    const SkinRect filled = m_vertical ? SkinRect{track.x, track.y, track.w, fill}
                                       : SkinRect{track.x, track.y, fill, track.h};
    const SkinRect source =
        m_vertical ? SkinRect{0, 0, track.w, fill} : SkinRect{0, 0, fill, track.h};
    if (fill > 0) {
        DrawPart(SliderPart::Track, memory.Dc(), client, filled, source);
    }
    DrawMarks(memory.Dc());
    if (Part(SliderPart::Thumb) != nullptr) {
        DrawPart(SliderPart::Thumb, memory.Dc(), client, m_thumb, std::nullopt);
    }
}

bool SkSlider::OnLButtonDown(QPoint point) {
    m_dragging = true;
    m_grabOffset = 0;
    const int64_t px = point.x();
    const int64_t py = point.y();
    if (m_thumb.x < px && px < int64_t{m_thumb.x} + m_thumb.w && m_thumb.y < py &&
        py < int64_t{m_thumb.y} + m_thumb.h) {
        m_grabOffset = m_vertical ? m_thumb.y + m_thumb.h / 2 - point.y()
                                  : m_thumb.x + m_thumb.w / 2 - point.x();
    }
    OnMouseMove(point);
    return true;
}

int32_t SkSlider::ValueAt(QPoint point) const {
    const SkinRect track = TrackRect();
    const int64_t length = m_vertical ? track.h : track.w;
    if (length <= 0) {
        return m_value;  // no track to map the pointer onto
    }
    int64_t d = m_vertical ? int64_t{point.y()} - track.y : int64_t{point.x()} - track.x;
    d = std::clamp<int64_t>(d, 0, length);
    return static_cast<int32_t>(m_minimum + (int64_t{m_maximum} - m_minimum) * d / length);
}

int32_t SkSlider::PixelOf(int32_t value) const {
    const SkinRect track = TrackRect();
    const int64_t length = m_vertical ? track.h : track.w;
    const int64_t range = int64_t{m_maximum} - m_minimum;
    const int64_t offset = std::clamp<int64_t>(int64_t{value} - m_minimum, 0, range);
    return static_cast<int32_t>((m_vertical ? track.y : track.x) + offset * length / range);
}

void SkSlider::DrawMarks(gfx::Dc& dc) const {
    if (!m_markLook.Present() || m_marks.empty()) {
        return;
    }
    // Across the whole control, less the look's margins; along the track at each value.
    const gfx::Rect client = ClientRect();
    const int32_t across = m_vertical ? client.Width() : client.Height();
    const int32_t from = m_markLook.marginTop;
    const int32_t span = across - m_markLook.marginTop - m_markLook.marginBottom;
    if (span <= 0) {
        return;
    }
    // Stretches first, so the bars stand over them; the track shows through a stretch.
    for (const SkinMark& mark : m_marks) {
        if (!mark.endMs) {
            continue;
        }
        const int32_t start = PixelOf(std::min(mark.timeMs, *mark.endMs));
        const int32_t length = PixelOf(std::max(mark.timeMs, *mark.endMs)) - start;
        const QRect band =
            m_vertical ? QRect(from, start, span, length) : QRect(start, from, length, span);
        gfx::FillRectangle(dc, band,
                           (m_markLook.ColourOf(mark.kind) & 0x00FFFFFFU) | kMarkStretchAlpha);
    }
    for (const SkinMark& mark : m_marks) {
        if (mark.timeMs < m_minimum || mark.timeMs > m_maximum) {
            continue;
        }
        const int32_t at = PixelOf(mark.timeMs) - m_markLook.width / 2;
        const QRect bar = m_vertical ? QRect(from, at, span, m_markLook.width)
                                     : QRect(at, from, m_markLook.width, span);
        gfx::FillRectangle(dc, bar, m_markLook.ColourOf(mark.kind) | 0xFF000000U);
    }
}

QString SkSlider::MarkLabelAt(QPoint point) const {
    if (!m_markLook.Present()) {
        return {};
    }
    // Within a few pixels, so a thin bar can be pointed at.
    const int32_t reach = std::max(m_markLook.width, kMarkReachPixels);
    const int32_t along = m_vertical ? point.y() : point.x();
    QStringList labels;
    for (const SkinMark& mark : m_marks) {
        if (!mark.label.isEmpty() && mark.timeMs >= m_minimum && mark.timeMs <= m_maximum &&
            std::abs(PixelOf(mark.timeMs) - along) <= reach) {
            labels << mark.label;
        }
    }
    return labels.join(QStringLiteral(", "));
}

void SkSlider::SetValueText(std::function<QString(int32_t)> text) {
    m_valueText = std::move(text);
    if (Window() != nullptr) {
        Window()->setMouseTracking(static_cast<bool>(m_valueText));
    }
}

void SkSlider::ShowValueText(QPoint point, int32_t value) const {
    QWidget* window = Window();
    if (!m_valueText || window == nullptr) {
        return;
    }
    // Above the pointer, where the hand does not cover it.
    const QPoint at = window->mapToGlobal(QPoint(point.x(), 0)) - QPoint(0, kValueTextLift);
    QString text = m_valueText(value);
    if (const QString marks = MarkLabelAt(point); !marks.isEmpty()) {
        text += QStringLiteral("  ") + marks;
    }
    QToolTip::showText(at, text, window);
}

bool SkSlider::OnMouseMove(QPoint point) {
    if (!m_dragging) {
        ShowValueText(point, ValueAt(point));
        return false;
    }
    const SkinRect track = TrackRect();
    if ((m_vertical ? track.h : track.w) <= 0) {
        return true;
    }
    const int32_t v = ValueAt(point);
    if (v != m_value) {
        SetValue(v);
        if (Window() != nullptr) {
            platform::PostMessage(Window()->parentWidget(), platform::WM_USER,
                                  reinterpret_cast<platform::WParam>(static_cast<SkWidget*>(this)),
                                  m_value);
        }
    }
    ShowValueText(point, m_value);
    return true;
}

bool SkSlider::OnLButtonUp(QPoint) {
    m_dragging = false;
    m_grabOffset = 0;
    return true;
}

}  // namespace player
