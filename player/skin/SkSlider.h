#pragma once
// The skin slider: a track with a filled part and a thumb following a value within a range,
// optional tick and background images. This holds what the skin gives and the drag state.
// GUI thread only.

#include "player/skin/SkWidget.h"
#include "player/skin/SkinImage.h"
#include "player/skin/SkinMarks.h"
#include "player/skin/StyleWords.h"

#include <QString>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace player {

struct SliderMargins {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
};

class SkSlider : public SkWidget {
public:
    // Taken only when minimum < maximum, minimum <= value <= maximum and the range (as a
    // 32-bit difference) is at least page; negative margins become 0. False: nothing changed.
    bool SetRange(int32_t maximum, int32_t minimum, const SliderMargins& margins, int32_t value,
                  int32_t page);
    // No part: false. A failed load empties the slot again and returns false.
    bool SetPart(SliderPart part, const ImageSpec& desc);
    // Appended when the load succeeds, dropped otherwise.
    bool AddBackgroundImage(const ImageSpec& desc);

    SkinImage* Part(SliderPart part) const;
    const std::vector<std::unique_ptr<SkinImage>>& BackgroundImages() const {
        return m_backgrounds;
    }

    int32_t Maximum() const { return m_maximum; }
    int32_t Minimum() const { return m_minimum; }
    int32_t Page() const { return m_page; }
    const SliderMargins& Margins() const { return m_margins; }
    int32_t Value() const { return m_value; }
    // Stores value clamped to the range; sends no notification.
    void SetValue(int32_t value);
    bool Vertical() const { return m_vertical; }
    void SetVertical(bool vertical) { m_vertical = vertical; }

    // The skin's look for marks; without one, marks are kept but not drawn.
    void SetMarkLook(MarkLook look) { m_markLook = std::move(look); }
    const MarkLook& MarkLookOf() const { return m_markLook; }
    // Marks at values of the range, drawn over the track under the thumb; a mark's label
    // joins the value shown while the pointer rests on it. A mark's stretch is held to the
    // range.
    void SetMarks(std::vector<SkinMark> marks);
    const std::vector<SkinMark>& Marks() const { return m_marks; }

    // Window half. The track inside the margins, in client coordinates.
    SkinRect TrackRect() const;
    // Pixels of the track the value fills.
    int32_t FillLength() const;
    // Where the thumb was last drawn.
    const SkinRect& ThumbRect() const { return m_thumb; }
    bool Dragging() const { return m_dragging; }
    // Shows the value under the pointer while it rests on the slider, and the value while it
    // is dragged, as the text this gives; none without one.
    void SetValueText(std::function<QString(int32_t value)> text);
    void DrawItem(platform::gfx::Dc& dc, const platform::DrawItemInfo& info) override;
    // Dragging: every change of the value is posted to the dialog as WM_USER with this
    // widget's address and the value.
    bool OnLButtonDown(QPoint point) override;
    bool OnMouseMove(QPoint point) override;
    bool OnLButtonUp(QPoint point) override;

private:
    void Layout(const platform::gfx::Rect& client, const SkinRect& track);
    void DrawPart(SliderPart part, platform::gfx::Dc& dc, const platform::gfx::Rect& client,
                  const std::optional<SkinRect>& dest, const std::optional<SkinRect>& src);

    // Drag and layout state, kept for the slider's window behaviour.
    std::optional<QRect> m_lastLayout;
    // The value the track gives at a point (the range's ends beyond the track).
    int32_t ValueAt(QPoint point) const;
    // The pixel along the track of a value (the thumb's centre for it), from the client's edge.
    int32_t PixelOf(int32_t value) const;
    void DrawMarks(platform::gfx::Dc& dc) const;
    // The label of the mark drawn under a point; empty without one.
    QString MarkLabelAt(QPoint point) const;
    void ShowValueText(QPoint point, int32_t value) const;

    std::function<QString(int32_t)> m_valueText;
    bool m_dragging = false;
    int32_t m_grabOffset = 0;
    SkinRect m_thumb;

private:
    std::array<std::unique_ptr<SkinImage>, kSliderPartCount> m_parts;
    std::vector<std::unique_ptr<SkinImage>> m_backgrounds;
    int32_t m_maximum = 100;
    int32_t m_minimum = 0;
    int32_t m_value = 0;
    int32_t m_page = 20;
    SliderMargins m_margins;
    bool m_vertical = false;
    MarkLook m_markLook;
    std::vector<SkinMark> m_marks;
};

}  // namespace player
