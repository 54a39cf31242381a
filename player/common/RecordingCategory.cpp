#include "player/common/RecordingCategory.h"

#include <array>

namespace player {

namespace {

constexpr std::array<QStringView, kRecordingCategoryCount> kCategoryIds = {
    u"normal", u"event", u"event_n", u"manual", u"motion"};

}  // namespace

RecordingCategory RecordingCategoryFromId(QStringView id) {
    for (int i = 0; i < kRecordingCategoryCount; ++i) {
        if (id == kCategoryIds[static_cast<size_t>(i)]) {
            return static_cast<RecordingCategory>(i);
        }
    }
    return RecordingCategory::Unknown;
}

QStringView RecordingCategoryId(RecordingCategory category) {
    const auto index = static_cast<int>(category);
    if (index < 0 || index >= kRecordingCategoryCount) {
        return {};
    }
    return kCategoryIds[static_cast<size_t>(index)];
}

}  // namespace player
