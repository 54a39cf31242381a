#include "player/catalogue/Trips.h"

#include "CatalogueTestSupport.h"
#include "player/catalogue/RecordingList.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace player {
namespace {

constexpr int64_t kMinute = 60000;

// The trips of All() as text: each trip's rows, trips parted by "|" ("01|2").
QString Partition(const CTrips& trips) {
    QStringList parts;
    for (const CTrip& trip : trips.All()) {
        QString part;
        for (const TripMember& member : trip.Members()) {
            part += QString::number(member.row);
        }
        parts << part;
    }
    return parts.join('|');
}

TEST(TripsTest, RowsFormTripsByNameKeysAndDurations) {
    const std::optional<int64_t> none;
    struct Case {
        const char* what;
        std::vector<TripRow> rows;
        const char* trips;
    };
    const Case cases[] = {
        {"three recordings one after another",
         {{"NOR_250517_143000_F.mp4", kMinute},
          {"NOR_250517_143100_F.mp4", kMinute},
          {"NOR_250517_143200_F.mp4", kMinute}},
         "012"},
        {"starts 2 s after the end",
         {{"NOR_250517_143000_F.mp4", 58000}, {"NOR_250517_143100_F.mp4", kMinute}},
         "01"},
        {"starts 2.001 s after the end",
         {{"NOR_250517_143000_F.mp4", 57999}, {"NOR_250517_143100_F.mp4", kMinute}},
         "0|1"},
        {"starts 2 s before the end",
         {{"NOR_250517_143000_F.mp4", 62000}, {"NOR_250517_143100_F.mp4", kMinute}},
         "01"},
        {"starts 2.001 s before the end",
         {{"NOR_250517_143000_F.mp4", 62001}, {"NOR_250517_143100_F.mp4", kMinute}},
         "0|1"},
        {"over midnight and into the next month",
         {{"NOR_250531_235930_F.mp4", kMinute}, {"NOR_250601_000030_F.mp4", kMinute}},
         "01"},
        {"a keyless name between",
         {{"NOR_250517_143000_F.mp4", kMinute},
          {"NOR_250517_1431_F.mp4", kMinute},
          {"NOR_250517_143200_F.mp4", kMinute}},
         "0|1|2"},
        {"a name with a date that does not exist",
         {{"NOR_250517_143000_F.mp4", kMinute}, {"NOR_251317_143100_F.mp4", kMinute}},
         "0|1"},
        {"a missing duration between",
         {{"NOR_250517_143000_F.mp4", kMinute},
          {"NOR_250517_143100_F.mp4", none},
          {"NOR_250517_143200_F.mp4", kMinute},
          {"NOR_250517_143300_F.mp4", kMinute}},
         "0|1|23"},
        {"a missing duration last",
         {{"NOR_250517_143000_F.mp4", kMinute}, {"NOR_250517_143100_F.mp4", none}},
         "0|1"},
        {"a gap of a minute",
         {{"NOR_250517_143000_F.mp4", kMinute}, {"NOR_250517_143200_F.mp4", kMinute}},
         "0|1"},
        {"a category with one recording", {{"NOR_250517_143000_F.mp4", kMinute}}, "0"},
        {"an empty category", {}, ""},
    };
    for (const Case& c : cases) {
        const CTrips trips(c.rows);
        EXPECT_EQ(Partition(trips), QString::fromLatin1(c.trips)) << c.what;
        for (int32_t row = 0; row < trips.RowCount(); ++row) {
            EXPECT_EQ(trips.ContinuesTrip(row), trips.TripOf(row).LastRow() > row)
                << c.what << ", row " << row;
        }
    }
}

TEST(TripsTest, TimelineLaysTheRecordingsEndToEnd) {
    const CTrips trips({{"NOR_250517_143000_F.mp4", kMinute},
                        {"NOR_250517_143100_F.mp4", 59000},
                        {"NOR_250517_143200_F.mp4", kMinute}});
    const CTrip trip = trips.TripOf(1);
    ASSERT_EQ(trip.Size(), 3);
    EXPECT_EQ(trip.DurationMs(), 179000);
    struct Case {
        int64_t tripMs;
        int32_t row;
        int64_t positionMs;
    };
    const Case cases[] = {{-5, 0, 0},           {0, 0, 0},           {59999, 0, 59999},
                          {60000, 1, 0},        {118999, 1, 58999},  {119000, 2, 0},
                          {179000, 2, kMinute}, {900000, 2, kMinute}};
    for (const Case& c : cases) {
        const std::optional<TripPoint> point = trip.At(c.tripMs);
        ASSERT_TRUE(point.has_value());
        EXPECT_EQ(point->row, c.row) << c.tripMs;
        EXPECT_EQ(point->positionMs, c.positionMs) << c.tripMs;
    }
    EXPECT_EQ(trip.TripMsOf(2, 1500), 120500);
    EXPECT_FALSE(trip.TripMsOf(3, 0).has_value());
    EXPECT_FALSE(CTrip().At(0).has_value());
    EXPECT_TRUE(trips.TripOf(3).IsEmpty());
}

// The event tab lists two folders merged by key: a drive that went on in the other folder
// is one trip.
TEST(TripsTest, EventFoldersMergedFormOneTrip) {
    cataloguetest::App();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString root = dir.path() + "/card/";
    const QStringList files = {"EVENT/EVT_250517_100000_F.mp4", "EVENT_N/EVN_250517_100100_F.mp4",
                               "EVENT/EVT_250517_100200_F.mp4", "EVENT/EVT_250517_110000_F.mp4"};
    for (const QString& file : files) {
        ASSERT_TRUE(QDir().mkpath(root + file.section('/', 0, 0)));
        QFile out(root + file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    }
    const RecordingListing listing =
        FillRecordingList(RecordingFilter{root, {"mp4"}}, root + "EVENT/", root + "EVENT_N/");
    std::vector<TripRow> rows;
    for (const RecordingRow& row : listing.rows) {
        rows.push_back({row[kColumnName], kMinute});
    }
    const CTrips trips(rows);
    EXPECT_EQ(Partition(trips), "012|3");
    EXPECT_EQ(listing.rows[1][kColumnName], "EVN_250517_100100_F.mp4");
}

}  // namespace
}  // namespace player
