#include "player/skin/SkSlider.h"

#include <algorithm>

namespace player {

namespace {

bool IsPart(SliderPart part) {
    const auto index = static_cast<int32_t>(part);
    return index >= 0 && index < kSliderPartCount;
}

}  // namespace

bool SkSlider::SetRange(int32_t maximum, int32_t minimum, const SliderMargins& margins,
                        int32_t value, int32_t page) {
    // The range is a 32-bit difference, so one that does not fit wraps and is refused;
    // every later mapping between pixels and values can then rely on it.
    const auto range =
        static_cast<int32_t>(static_cast<uint32_t>(maximum) - static_cast<uint32_t>(minimum));
    if (!(minimum < maximum && minimum <= value && value <= maximum && range >= page)) {
        return false;
    }
    m_maximum = maximum;
    m_minimum = minimum;
    m_value = value;
    m_page = page;
    m_margins = {std::max(margins.left, 0), std::max(margins.top, 0), std::max(margins.right, 0),
                 std::max(margins.bottom, 0)};
    return true;
}

bool SkSlider::SetPart(SliderPart part, const ImageSpec& desc) {
    if (!IsPart(part)) {
        return false;
    }
    auto& slot = m_parts[static_cast<size_t>(part)];
    if (!slot) {
        slot = std::make_unique<SkinImage>();
    }
    if (!slot->Load(desc)) {
        slot.reset();
        return false;
    }
    return true;
}

bool SkSlider::AddBackgroundImage(const ImageSpec& desc) {
    auto image = std::make_unique<SkinImage>();
    if (!image->Load(desc)) {
        return false;
    }
    m_backgrounds.push_back(std::move(image));
    return true;
}

SkinImage* SkSlider::Part(SliderPart part) const {
    return IsPart(part) ? m_parts[static_cast<size_t>(part)].get() : nullptr;
}

void SkSlider::SetValue(int32_t value) {
    m_value = std::clamp(value, m_minimum, m_maximum);
    Invalidate();
}

void SkSlider::SetMarks(std::vector<SkinMark> marks) {
    m_marks = std::move(marks);
    Invalidate();
}

}  // namespace player
