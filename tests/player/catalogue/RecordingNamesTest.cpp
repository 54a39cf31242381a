#include "player/catalogue/RecordingNames.h"

#include <QString>

#include <gtest/gtest.h>

namespace player {
namespace {

TEST(RecordingNamesTest, KeysAreReadFromTheNameAlone) {
    struct Case {
        QString name;
        int32_t date;
        int32_t time;
    };
    const Case cases[] = {
        {"NOR_120215_143022_F.mp4", 120215, 143022},
        {"abcd120215x143022", 120215, 143022},  // characters 0-3 and 10 are not looked at
        {"NOR_120215_143022", 120215, 143022},
        {"clip.mp4", 0, 0},  // no digit where the keys belong
        {"", 0, 0},
        // Partly readable: reading stops at the first missing or non-digit key position, in
        // the order 4, 11, 5, 12, ...
        {"NOR_1202", 100000, 0},  // position 11 is missing
        {"NOR_120215_14x022_F.mp4", 120000, 140000},
        {"NOR_12021a_143022_F.mp4", 120210, 143020},
        {QString::fromUtf8("NOR_12\u0663215_143022"), 120000, 140000},  // an Arabic-Indic three
    };
    for (const Case& c : cases) {
        const RecordingNameKeys keys = ReadRecordingNameKeys(c.name);
        EXPECT_EQ(keys.date, c.date) << c.name.toStdString();
        EXPECT_EQ(keys.time, c.time) << c.name.toStdString();
    }
}

TEST(RecordingNamesTest, LaterKeysComeAfterEqualKeysNeverDo) {
    struct Case {
        const char* a;
        const char* b;
        bool after;
    };
    const Case cases[] = {
        {"NOR_120216_000001_F.mp4", "NOR_120215_235959_F.mp4", true},  // the date first
        {"NOR_120215_235959_F.mp4", "NOR_120215_000000_F.mp4", true},  // then the time
        {"NOR_120215_000000_F.mp4", "NOR_120215_235959_F.mp4", false},
        {"EVT_120215_000000_F.mp4", "NOR_120215_000000_R.avi", false},  // equal keys
        {"NOR_120215_000000_R.avi", "EVT_120215_000000_F.mp4", false},
        {"clip.mp4", "NOR_120215_000000_F.mp4", false},  // no keys: before everything
        {"NOR_000000_000001_F.mp4", "clip.mp4", true},
        {"clip.mp4", "other.mp4", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CompareRecordingNames(QString(c.a), QString(c.b)), c.after)
            << c.a << " after " << c.b;
    }
}

}  // namespace
}  // namespace player
