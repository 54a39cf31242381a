#include "player/skin/SkTripStrip.h"

#include <algorithm>
#include <numeric>
#include <utility>

namespace player {

namespace {

bool IsPart(TripStripPart part) {
    const auto index = static_cast<int32_t>(part);
    return index >= 0 && index < kTripStripPartCount;
}

}  // namespace

TripStripPart SkTripStrip::PartFromWord(QStringView word) {
    static constexpr std::pair<const char16_t*, TripStripPart> kParts[] = {
        {u"segment", TripStripPart::Segment},
        {u"current", TripStripPart::Current},
        {u"cursor", TripStripPart::Cursor},
    };
    for (const auto& [name, part] : kParts) {
        if (word == QStringView(name)) {
            return part;
        }
    }
    return TripStripPart::None;
}

bool SkTripStrip::SetPart(TripStripPart part, const ImageSpec& desc) {
    if (!IsPart(part)) {
        return false;
    }
    auto& slot = m_parts[static_cast<size_t>(part)];
    slot = std::make_unique<SkinImage>();
    if (!slot->Load(desc)) {
        slot.reset();
        return false;
    }
    m_fittedTrack.reset();
    return true;
}

SkinImage* SkTripStrip::Part(TripStripPart part) const {
    return IsPart(part) ? m_parts[static_cast<size_t>(part)].get() : nullptr;
}

bool SkTripStrip::AddBackgroundImage(const ImageSpec& desc) {
    auto image = std::make_unique<SkinImage>();
    if (!image->Load(desc)) {
        return false;
    }
    m_backgrounds.push_back(std::move(image));
    return true;
}

void SkTripStrip::SetLayout(const SliderMargins& margins, int32_t gapPixels) {
    m_margins = {std::max(margins.left, 0), std::max(margins.top, 0), std::max(margins.right, 0),
                 std::max(margins.bottom, 0)};
    m_gap = std::max(gapPixels, 0);
    m_fittedTrack.reset();
}

void SkTripStrip::SetTrip(std::vector<int64_t> segmentsMs, int32_t current) {
    for (int64_t& ms : segmentsMs) {
        ms = std::max<int64_t>(ms, 0);
    }
    m_segmentsMs = std::move(segmentsMs);
    m_current = current;
    m_positionMs = std::clamp<int64_t>(m_positionMs, 0, DurationMs());
    Invalidate();
}

int64_t SkTripStrip::DurationMs() const {
    return std::accumulate(m_segmentsMs.begin(), m_segmentsMs.end(), int64_t{0});
}

void SkTripStrip::SetPosition(int64_t tripMs) {
    if (m_dragging) {
        return;
    }
    const int64_t clamped = std::clamp<int64_t>(tripMs, 0, DurationMs());
    if (clamped != m_positionMs) {
        m_positionMs = clamped;
        Invalidate();
    }
}

void SkTripStrip::SetMarks(std::vector<SkinMark> marks) {
    m_marks = std::move(marks);
    Invalidate();
}

}  // namespace player
