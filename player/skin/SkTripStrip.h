#pragma once
// The trip strip (skin word "tripstrip"): the recordings of a trip as segments along a track,
// the current one in its own look, and a cursor at the position on the trip's timeline. A
// click or drag posts the trip time under the pointer to the dialog as the sliders post their
// values. Optional in a skin. GUI thread only.

#include "player/skin/SkSlider.h"
#include "player/skin/SkWidget.h"
#include "player/skin/SkinImage.h"
#include "player/skin/SkinMarks.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace player {

enum class TripStripPart : int32_t { Segment = 0, Current = 1, Cursor = 2, None = 3 };
inline constexpr int kTripStripPartCount = 3;

class SkTripStrip : public SkWidget {
public:
    // "segment" (another recording), "current", "cursor"; any other word: None.
    static TripStripPart PartFromWord(QStringView word);

    // No part: false. A failed load empties the slot again and returns false.
    bool SetPart(TripStripPart part, const ImageSpec& desc);
    SkinImage* Part(TripStripPart part) const;
    // Appended when the load succeeds.
    bool AddBackgroundImage(const ImageSpec& desc);
    // The track inside the control's edges and the pixels left open between two segments;
    // negative values become 0.
    void SetLayout(const SliderMargins& margins, int32_t gapPixels);

    // The durations (ms) of the trip's recordings in trip order and the index of the current
    // one; an empty trip shows the background only. Repaints.
    void SetTrip(std::vector<int64_t> segmentsMs, int32_t current);
    const std::vector<int64_t>& Segments() const { return m_segmentsMs; }
    int32_t Current() const { return m_current; }
    int64_t DurationMs() const;
    // The position on the trip's timeline (ms); the tick's positions are ignored while the user
    // drags. Repaints.
    void SetPosition(int64_t tripMs);
    int64_t Position() const { return m_positionMs; }
    bool Dragging() const { return m_dragging; }
    // The skin's look for marks; without one, marks are kept but not drawn.
    void SetMarkLook(MarkLook look) { m_markLook = std::move(look); }
    const MarkLook& MarkLookOf() const { return m_markLook; }
    // Marks at trip times (ms), drawn over the segments under the cursor; one with an end is
    // drawn as a band to it. Repaints.
    void SetMarks(std::vector<SkinMark> marks);
    const std::vector<SkinMark>& Marks() const { return m_marks; }
    // What the pointer over the strip shows above it: the text for the trip time under it, then
    // the names of the marks there. Without a text, no hint.
    void SetValueText(std::function<QString(int64_t)> text);
    // The names of the marks drawn within a few pixels of a pointer column, joined; empty
    // without one.
    QString MarkLabelAt(int32_t x) const;

    // Window half, client coordinates. The track inside the margins.
    SkinRect TrackRect() const;
    // Where a segment lies on the track (before the gap); empty for no such segment.
    SkinRect SegmentRect(int32_t index) const;
    // The trip time under a pointer column, clamped into the track.
    int64_t TripMsAt(int32_t x) const;
    void DrawItem(platform::gfx::Dc& dc, const platform::DrawItemInfo& info) override;
    // A press, each move while pressed and the release post WM_USER with this widget's address
    // and the trip time (the release posts even when the time did not change).
    bool OnLButtonDown(QPoint point) override;
    bool OnMouseMove(QPoint point) override;
    bool OnLButtonUp(QPoint point) override;

private:
    int32_t PixelOf(int64_t tripMs, const SkinRect& track) const;
    void FitParts(const SkinRect& track);
    void DrawMarks(platform::gfx::Dc& dc, const SkinRect& track) const;
    void Post(int64_t tripMs) const;
    void ShowValueText(QPoint point, int64_t tripMs) const;

    std::array<std::unique_ptr<SkinImage>, kTripStripPartCount> m_parts;
    std::vector<std::unique_ptr<SkinImage>> m_backgrounds;
    SliderMargins m_margins;
    std::function<QString(int64_t)> m_valueText;
    int32_t m_gap = 0;
    std::vector<int64_t> m_segmentsMs;
    int32_t m_current = -1;
    int64_t m_positionMs = 0;
    bool m_dragging = false;
    std::optional<int64_t> m_lastPosted;
    std::optional<SkinRect> m_fittedTrack;
    MarkLook m_markLook;
    std::vector<SkinMark> m_marks;
};

}  // namespace player
