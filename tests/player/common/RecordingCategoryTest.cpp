#include "player/common/RecordingCategory.h"

#include <QString>

#include <gtest/gtest.h>

namespace player {
namespace {

TEST(RecordingCategoryTest, IdWordsAreExact) {
    struct Case {
        QStringView id;
        RecordingCategory expected;
    };
    const Case cases[] = {
        {u"normal", RecordingCategory::Normal},   {u"event", RecordingCategory::Event},
        {u"event_n", RecordingCategory::EventN},  {u"manual", RecordingCategory::Manual},
        {u"motion", RecordingCategory::Motion},   {u"Event", RecordingCategory::Unknown},
        {u"event_N", RecordingCategory::Unknown}, {u"event ", RecordingCategory::Unknown},
        {u"", RecordingCategory::Unknown},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(RecordingCategoryFromId(c.id), c.expected) << c.id.toString().toStdString();
    }
    for (int code = 0; code < kRecordingCategoryCount; ++code) {
        const auto category = static_cast<RecordingCategory>(code);
        EXPECT_EQ(RecordingCategoryFromId(RecordingCategoryId(category)), category);
    }
    EXPECT_TRUE(RecordingCategoryId(RecordingCategory::Unknown).isEmpty());
}

}  // namespace
}  // namespace player
