#include "player/telemetry/BookmarkStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using namespace player;

class BookmarkStoreTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_recording = m_dir.filePath("card/NORMAL/NOR_250517_143000_F.mp4");
        ASSERT_TRUE(QDir().mkpath(QFileInfo(m_recording).path()));
        WriteRecording("0123456789");
    }
    void WriteRecording(const QByteArray& bytes) {
        QFile file(m_recording);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }
    static std::vector<int32_t> Times(const std::vector<Bookmark>& bookmarks) {
        std::vector<int32_t> times;
        for (const Bookmark& b : bookmarks) {
            times.push_back(b.timeMs);
        }
        return times;
    }
    QTemporaryDir m_dir;
    QString m_recording;
};

// Bookmarks live in the user's data folder, survive a new store (a restart) and belong to the
// recording by name, size and time: the card is never written.
TEST_F(BookmarkStoreTest, PersistPerRecordingByNameSizeAndTime) {
    const QString folder = m_dir.filePath("data/bookmarks");
    const RecordingKey key = *RecordingKey::OfFile(m_recording);
    {
        CBookmarkStore store(folder);
        ASSERT_TRUE(store.Add(key, 40000, "near miss,\n\"cyclist\"\t"));
        ASSERT_TRUE(store.Add(key, 5000, {}));
        ASSERT_TRUE(store.Add(key, 40700, "the cyclist"));  // within a second: replaces
    }
    const CBookmarkStore restarted(folder);
    const std::vector<Bookmark> kept = restarted.List(key);
    EXPECT_EQ(Times(kept), (std::vector<int32_t>{5000, 40700}));
    EXPECT_EQ(kept[1].note, "the cyclist");
    EXPECT_TRUE(QFileInfo(restarted.FileFor(key)).path() == folder);
    EXPECT_EQ(QDir(m_dir.filePath("card/NORMAL")).entryList(QDir::Files | QDir::Hidden),
              QStringList{"NOR_250517_143000_F.mp4"});

    RecordingKey renamed = key;
    renamed.fileName = "NOR_250517_143100_F.mp4";
    RecordingKey touched = key;
    touched.modifiedSecs += 2;
    WriteRecording("01234567890");  // another size: another recording
    for (const RecordingKey& other : {renamed, touched, *RecordingKey::OfFile(m_recording)}) {
        EXPECT_TRUE(restarted.List(other).empty()) << other.fileName.toStdString();
    }
    EXPECT_FALSE(RecordingKey::OfFile(m_dir.filePath("card/NORMAL")).has_value());

    // A note is one short line.
    CBookmarkStore store(folder);
    ASSERT_TRUE(store.Add(key, 1000, "a\nb\r\n" + QString(500, 'x')));
    const QString note = store.List(key)[0].note;
    EXPECT_TRUE(note.startsWith("a b x"));
    EXPECT_EQ(note.size(), CBookmarkStore::kMaxNoteChars);
}

TEST_F(BookmarkStoreTest, RemovesTheNearestWithinASecondAndSurvivesDamage) {
    const RecordingKey key = *RecordingKey::OfFile(m_recording);
    CBookmarkStore store(m_dir.filePath("bookmarks"));
    for (const int32_t timeMs : {10000, 12000, 30000}) {
        ASSERT_TRUE(store.Add(key, timeMs, {}));
    }
    struct Case {
        int32_t positionMs;
        bool removed;
        std::vector<int32_t> left;
    };
    const Case cases[] = {
        {11001, true, {10000, 30000}},  // 12000 is nearer than 10000
        {31001, false, {10000, 30000}},
        {28999, false, {10000, 30000}},
        {29000, true, {10000}},
        {10000, true, {}},
        {10000, false, {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(store.Remove(key, c.positionMs), c.removed) << c.positionMs;
        EXPECT_EQ(Times(store.List(key)), c.left) << c.positionMs;
    }
    EXPECT_FALSE(QFile::exists(store.FileFor(key)));  // nothing left behind

    // A damaged file, or one of another recording, lists nothing; the next change replaces it.
    for (const char* bytes : {"{not json", "[]",
                              R"({"recording":"other.mp4","size":10,)"
                              R"("modified":1,"bookmarks":[{"time_ms":5}]})"}) {
        QFile file(store.FileFor(key));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
        file.close();
        EXPECT_TRUE(store.List(key).empty()) << bytes;
    }
    ASSERT_TRUE(store.Add(key, 3000, {}));
    EXPECT_EQ(Times(store.List(key)), std::vector<int32_t>{3000});
}

// Incidents and bookmarks in one time order; going to a mark lands 5 s before it (not before
// the start) and going back from just after a landing goes to the mark before.
TEST(RecordingMarks, MergeInTimeOrderAndStepWithTheLeadIn) {
    Incident braking;
    braking.peakMs = 40000;
    braking.kind = IncidentKind::Braking;
    Incident impact;
    impact.peakMs = 3000;
    impact.kind = IncidentKind::Impact;
    const std::vector<RecordingMark> marks =
        MarksOf({braking, impact}, {{40000, "same time"}, {20000, {}}});
    QStringList names;
    for (const RecordingMark& mark : marks) {
        names << QString::number(mark.timeMs) + ' ' + mark.Name();
    }
    EXPECT_EQ(names.join(", "), "3000 impact, 20000 bookmark, 40000 braking, 40000 same time");
    EXPECT_EQ(LandingMs(marks[0]), 0);
    EXPECT_EQ(LandingMs(marks[2]), 35000);
    struct Case {
        int32_t positionMs;
        std::optional<size_t> next;
        std::optional<size_t> previous;
    };
    const Case cases[] = {
        {0, 1, std::nullopt},
        {15000, 2, 0},  // the landing of 20000 lies ahead
        {15500, 2, 0},  // just after that landing: back goes to the one before
        {17001, 2, 1},
        {35000, std::nullopt, 1},
        {37001, std::nullopt, 3},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(NextMark(marks, c.positionMs), c.next) << c.positionMs;
        EXPECT_EQ(PreviousMark(marks, c.positionMs), c.previous) << c.positionMs;
    }

    // Over a trip: the recording's own first, else the nearest recording holding one, skipping
    // those without (a mark within the lead-in of a start lands on that start).
    const std::vector<std::vector<RecordingMark>> trip = {marks, {}, MarksOf({}, {{2000, {}}})};
    struct TripCase {
        size_t current;
        int32_t positionMs;
        int direction;
        std::optional<std::pair<size_t, size_t>> chosen;
    };
    const TripCase tripCases[] = {
        {0, 37001, 1, std::pair<size_t, size_t>{2, 0}},
        {1, 0, -1, std::pair<size_t, size_t>{0, 3}},
        {2, 0, 1, std::nullopt},
        {2, 1500, -1, std::pair<size_t, size_t>{0, 3}},  // within the slack of its own landing
        {2, 2500, -1, std::pair<size_t, size_t>{2, 0}},
        {0, 0, -1, std::nullopt},
        {3, 0, 1, std::nullopt},  // not a recording of the trip
    };
    for (const TripCase& c : tripCases) {
        const std::optional<TripMarkChoice> chosen =
            ChooseTripMark(trip, c.current, c.positionMs, c.direction);
        EXPECT_EQ(chosen ? std::optional(std::pair(chosen->recording, chosen->mark)) : std::nullopt,
                  c.chosen)
            << c.current << ' ' << c.positionMs << ' ' << c.direction;
    }
}

}  // namespace
