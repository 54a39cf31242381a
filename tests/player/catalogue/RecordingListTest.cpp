#include "player/catalogue/RecordingList.h"
#include "player/catalogue/RecordingLister.h"

#include "CatalogueTestSupport.h"
#include "platform/system/FilePaths.h"
#include "platform/system/FindFiles.h"
#include "platform/window/ListCtrl.h"

#include <QCoreApplication>
#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <ctime>
#include <utility>

#include <fcntl.h>
#include <unistd.h>

namespace player {
namespace {

QStringList Column(const std::vector<RecordingRow>& rows, int column) {
    QStringList texts;
    for (const RecordingRow& row : rows) {
        texts << row[static_cast<size_t>(column)];
    }
    return texts;
}

QStringList ListColumn(const platform::ListCtrl& list, int column) {
    QStringList texts;
    for (int row = 0; row < list.GetItemCount(); ++row) {
        texts << list.GetItemText(row, column);
    }
    return texts;
}

// The order in which the file system returns these names of a folder.
QStringList WalkOrder(const QString& folder, const QStringList& names) {
    QStringList order;
    const auto listing = platform::FindFiles(folder, [](const QString&) { return true; });
    for (const platform::FoundFile& found : listing->entries) {
        if (names.contains(found.name)) {
            order << found.name;
        }
    }
    return order;
}

class RecordingListTest : public ::testing::Test {
protected:
    void SetUp() override {
        cataloguetest::App();
        ASSERT_TRUE(m_dir.isValid());
        m_root = m_dir.path() + "/card/";
    }
    void File(const QString& relative, qint64 size = 100) {
        const QString path = m_root + relative;
        ASSERT_TRUE(QDir().mkpath(path.left(path.lastIndexOf('/'))));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_TRUE(file.resize(size));
    }
    RecordingFilter Filter() const { return RecordingFilter{m_root, {"mp4", "avi"}}; }

    QTemporaryDir m_dir;
    QString m_root;
};

TEST_F(RecordingListTest, FolderIsListedInKeyOrderWithItsSubfolders) {
    File("NORMAL/NOR_120216_000001_F.mp4", 500);
    File("NORMAL/NOR_120215_235959_F.mp4", 1048576);
    File("NORMAL/NOR_120215_000000_F.mp4", 1049600);
    File("NORMAL/sub/deeper/NOR_120214_120000_F.mp4");
    File("NORMAL/clip.mp4");                 // no keys
    File("NORMAL/other.mp4");                // no keys
    File("NORMAL/X.avi");                    // no keys
    File("NORMAL/NOR_120215_000000_R.avi");  // equal keys to an mp4 above
    File("NORMAL/NOR_120217_000000_F.AVI");  // only "avi" is a recording
    File("NORMAL/NOR_120217_000000_F");      // no extension
    File("NORMAL/NOR_120217_000000_F.txt");
    File("NORMAL/.hidden/NOR_120213_000000_F.mp4");

    const RecordingListing listing = FillRecordingList(Filter(), m_root + "NORMAL/", {});
    const QStringList keyless = WalkOrder(m_root + "NORMAL", {"clip.mp4", "other.mp4", "X.avi"});
    const QStringList equalKeys =
        WalkOrder(m_root + "NORMAL", {"NOR_120215_000000_F.mp4", "NOR_120215_000000_R.avi"});
    const QStringList expected =
        keyless + QStringList{"NOR_120213_000000_F.mp4", "NOR_120214_120000_F.mp4"} + equalKeys +
        QStringList{"NOR_120215_235959_F.mp4", "NOR_120216_000001_F.mp4"};
    EXPECT_EQ(Column(listing.rows, kColumnName), expected);
    EXPECT_EQ(listing.total, 9);
    EXPECT_EQ(listing.firstCount, 9);
    EXPECT_EQ(CountRecordings(Filter(), m_root + "NORMAL/"), 9);

    for (const RecordingRow& row : listing.rows) {
        const QString& name = row[kColumnName];
        if (name == "NOR_120214_120000_F.mp4") {
            EXPECT_EQ(row[kColumnPath], m_root + "NORMAL/sub/deeper/" + name);
        } else if (name == "NOR_120216_000001_F.mp4") {
            EXPECT_EQ(row[kColumnSize], "0KB");
        } else if (name == "NOR_120215_235959_F.mp4") {
            EXPECT_EQ(row[kColumnSize], "1024KB");
        } else if (name == "NOR_120215_000000_F.mp4") {
            EXPECT_EQ(row[kColumnSize], "1MB");
            EXPECT_EQ(row[kColumnPath], m_root + "NORMAL/" + name);
        }
        // Made just now: today's local date (birth or modification time alike).
        EXPECT_EQ(row[kColumnDate], QDate::currentDate().toString("yyyy/MM/dd"))
            << name.toStdString();
    }
}

TEST_F(RecordingListTest, EventFoldersAreMergedByKeysFirstFolderFirstOnEqualKeys) {
    File("EVENT/EVT_120215_100000_F.mp4");
    File("EVENT/EVT_120215_120000_F.mp4");
    File("EVENT/EVT_120216_080000_F.mp4");
    File("EVENT_N/EVN_120215_120000_F.mp4");
    File("EVENT_N/EVN_120215_110000_F.mp4");
    File("EVENT_N/EVN_120214_230000_F.mp4");
    File("EVENT_N/EVN_120217_000000_F.mp4");

    const auto profile = cataloguetest::LoadProfile();
    const auto folders = CategoryFolderPaths(*profile, m_root, RecordingCategory::Event);
    ASSERT_TRUE(folders);
    EXPECT_EQ(folders->first, m_root + "EVENT/");
    EXPECT_EQ(folders->second, m_root + "EVENT_N/");
    const RecordingListing listing = FillRecordingList(Filter(), folders->first, folders->second);
    EXPECT_EQ(Column(listing.rows, kColumnName),
              (QStringList{"EVN_120214_230000_F.mp4", "EVT_120215_100000_F.mp4",
                           "EVN_120215_110000_F.mp4", "EVT_120215_120000_F.mp4",
                           "EVN_120215_120000_F.mp4", "EVT_120216_080000_F.mp4",
                           "EVN_120217_000000_F.mp4"}));
    EXPECT_EQ(listing.firstCount, 3);
    EXPECT_EQ(listing.total, 7);
}

TEST_F(RecordingListTest, CategoriesGoIntoTheListOrLeaveItAsItWas) {
    File("NORMAL/NOR_120215_000000_F.mp4");
    File("DCIM/MANUAL/MAN_120215_000000_F.mp4");
    File("EVENT/EVT_120215_000000_F.mp4");
    File("EVENT_N/EVN_120214_000000_F.mp4");
    const auto profile = cataloguetest::LoadProfile(
        {{"<dir id=\"manual\">MANUAL</dir>", "<dir id=\"manual\">DCIM\\MANUAL</dir>"},
         {"<dir id=\"event_n\">EVENT_N</dir>", ""},
         {"<dir id=\"motion\">MOTION</dir>", ""}});
    platform::ListCtrl list;
    list.InsertItem(0, "earlier row");

    struct Case {
        RecordingCategory shown;
        std::optional<int> listed;
        QStringList paths;
    };
    const Case cases[] = {
        {RecordingCategory::Normal, 1, {m_root + "NORMAL/NOR_120215_000000_F.mp4"}},
        // A folder name with the other separator.
        {RecordingCategory::Manual, 1, {m_root + "DCIM/MANUAL/MAN_120215_000000_F.mp4"}},
        // Without an event_n folder in the profile only the event folder.
        {RecordingCategory::Event, 1, {m_root + "EVENT/EVT_120215_000000_F.mp4"}},
        // Not configured: the list keeps its rows.
        {RecordingCategory::Motion, std::nullopt, {m_root + "EVENT/EVT_120215_000000_F.mp4"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ListCategory(list, *profile, m_root, c.shown), c.listed);
        EXPECT_EQ(ListColumn(list, kColumnPath), c.paths);
        EXPECT_TRUE(list.IsRedrawOn());
    }

    // A configured folder missing from the card, or no card at all: an empty list.
    ASSERT_TRUE(QDir(m_root + "NORMAL").removeRecursively());
    EXPECT_EQ(ListCategory(list, *profile, m_root, RecordingCategory::Normal), 0);
    EXPECT_EQ(list.GetItemCount(), 0);
    list.InsertItem(0, "earlier row");
    EXPECT_EQ(ListCategory(list, *profile, QString(), RecordingCategory::Manual), 0);
    EXPECT_EQ(list.GetItemCount(), 0);
}

TEST_F(RecordingListTest, ARecordingBelongsToTheTabWhoseFoldersHoldIt) {
    const auto profile = cataloguetest::LoadProfile();
    const struct {
        const char* path;
        RecordingCategory tab;
    } cases[] = {
        {"NORMAL/sub/NOR_120215_000000_F.mp4", RecordingCategory::Normal},
        {"EVENT/EVT_120215_000000_F.mp4", RecordingCategory::Event},
        {"EVENT_N/EVN_120215_000000_F.mp4", RecordingCategory::Event},
        {"MOTION/MOT_120215_000000_F.mp4", RecordingCategory::Motion},
        {"NORMALS/NOR_120215_000000_F.mp4", RecordingCategory::Unknown},
        {"NOR_120215_000000_F.mp4", RecordingCategory::Unknown},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CategoryOfRecording(*profile, m_root, m_root + c.path), c.tab) << c.path;
    }
}

TEST_F(RecordingListTest, UnreadableFoldersLoopsAndEntriesAreSkipped) {
    File("NORMAL/NOR_120215_000000_F.mp4");
    File("NORMAL/inner/NOR_120216_000000_F.mp4");
    File("MANUAL");  // a file where a folder belongs
    ASSERT_TRUE(QFile::link(m_root + "NORMAL", m_root + "NORMAL/inner/back"));
    ASSERT_TRUE(QFile::link(m_root + "NORMAL/inner", m_root + "NORMAL/again"));
    ASSERT_TRUE(QFile::link(m_root + "absent.mp4", m_root + "NORMAL/dangling.mp4"));
    ASSERT_TRUE(QFile::link(m_root + "NORMAL/self.mp4", m_root + "NORMAL/self.mp4"));

    std::vector<RecordingEntry> entries;
    EXPECT_TRUE(CollectRecordings(Filter(), m_root + "NORMAL/", entries));
    QStringList names;
    for (const RecordingEntry& entry : entries) {
        names << entry.name;
    }
    names.sort();
    EXPECT_EQ(names, (QStringList{"NOR_120215_000000_F.mp4", "NOR_120216_000000_F.mp4"}));

    EXPECT_FALSE(CollectRecordings(Filter(), m_root + "MANUAL/", entries));
    EXPECT_FALSE(CollectRecordings(Filter(), m_root + "MOTION/", entries));
    EXPECT_FALSE(CollectRecordings(RecordingFilter{{}, {"mp4"}}, m_root + "NORMAL/", entries));
    EXPECT_EQ(entries.size(), 2u);
    EXPECT_EQ(CountRecordings(Filter(), m_root + "MOTION/"), std::nullopt);
}

// Links on a card lead nowhere off it: not to the host's folders or files, not to the card's
// other categories (through ".."), and a category folder that is itself such a link is not
// walked at all.
TEST_F(RecordingListTest, TheWalkStaysBelowItsFolderOnTheCard) {
    File("NORMAL/NOR_120215_000000_F.mp4");
    File("NORMAL/inner/NOR_120216_000000_F.mp4");
    File("EVENT/EVT_120215_000000_F.mp4");
    const QString host = m_dir.path() + "/host/";
    ASSERT_TRUE(QDir().mkpath(host + "videos"));
    QFile hostVideo(host + "videos/HOST_120101_000000_F.mp4");
    ASSERT_TRUE(hostVideo.open(QIODevice::WriteOnly));
    hostVideo.close();
    const struct {
        QString target;
        const char* link;
    } links[] = {
        {"/", "NORMAL/root"},
        {host, "NORMAL/host"},
        {"..", "NORMAL/up"},
        {"../EVENT/EVT_120215_000000_F.mp4", "NORMAL/EVT_120215_000000_F.mp4"},
        {hostVideo.fileName(), "NORMAL/HOST_120101_000000_F.mp4"},
        {"NOR_120215_000000_F.mp4", "NORMAL/NOR_120215_000001_F.mp4"},  // stays: same folder
        {"inner", "NORMAL/again"},                                      // walked once
        {host + "videos", "MANUAL"},
    };
    for (const auto& link : links) {
        ASSERT_TRUE(QFile::link(link.target, m_root + link.link)) << link.link;
    }
    std::vector<RecordingEntry> entries;
    EXPECT_TRUE(CollectRecordings(Filter(), m_root + "NORMAL/", entries));
    QStringList names;
    for (const RecordingEntry& entry : entries) {
        names << entry.name;
    }
    names.sort();
    EXPECT_EQ(names, (QStringList{"NOR_120215_000000_F.mp4", "NOR_120215_000001_F.mp4",
                                  "NOR_120216_000000_F.mp4"}));
    EXPECT_FALSE(CollectRecordings(Filter(), m_root + "MANUAL/", entries));
    EXPECT_EQ(entries.size(), 3u);
}

// Names are the file system's bytes: one that is not UTF-8 is listed under a path that names
// the same file again, and a line break in a name stays in the row (drawing cuts it).
TEST_F(RecordingListTest, OddNamesKeepTheirBytes) {
    const QByteArray folder = platform::EncodePath(m_root + "NORMAL");
    ASSERT_TRUE(QDir().mkpath(m_root + "NORMAL"));
    for (const QByteArray& name :
         {QByteArray("NOR_120215_000000_\xff\xfe.mp4"), QByteArray("NOR_120216_000000_\n.mp4")}) {
        const int fd = ::creat((folder + '/' + name).constData(), 0600);
        ASSERT_GE(fd, 0);
        ::close(fd);
    }
    const RecordingListing listing = FillRecordingList(Filter(), m_root + "NORMAL/", {});
    ASSERT_EQ(listing.rows.size(), 2u);
    EXPECT_EQ(platform::EncodePath(listing.rows[0][kColumnPath]),
              folder + "/NOR_120215_000000_\xff\xfe.mp4");
    EXPECT_TRUE(platform::PathExists(listing.rows[0][kColumnPath]));
    EXPECT_EQ(listing.rows[1][kColumnName], "NOR_120216_000000_\n.mp4");
    // The toolkit's removal of the folder cannot name it.
    ::unlink((folder + "/NOR_120215_000000_\xff\xfe.mp4").constData());
}

// The walk runs off the caller's thread: List returns at once and the rows come back through
// the event loop; a newer request makes the older answer void, and so does Cancel.
TEST_F(RecordingListTest, ListerAnswersThroughTheLoopAndOnlyTheLatestRequest) {
    File("NORMAL/NOR_120215_000000_F.mp4");
    File("EVENT/EVT_120215_000000_F.mp4");
    File("EVENT/EVT_120216_000000_F.mp4");
    CRecordingLister lister;
    QStringList answered;
    const auto list = [&](const char* folder) {
        lister.List(Filter(), CategoryFolders{m_root + folder, {}},
                    [&answered, folder](const RecordingListing& listing) {
                        answered << QStringLiteral("%1:%2").arg(folder).arg(listing.total);
                    });
    };
    list("NORMAL/");
    EXPECT_TRUE(lister.Pending());
    EXPECT_TRUE(answered.isEmpty()) << "answered before the loop ran";
    list("EVENT/");
    ASSERT_TRUE(lister.WaitForListing(5000));
    QCoreApplication::processEvents();
    EXPECT_EQ(answered, QStringList{"EVENT/:2"});

    list("NORMAL/");
    lister.Cancel();
    EXPECT_FALSE(lister.Pending());
    for (int i = 0; i < 20; ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(5);
    }
    EXPECT_EQ(answered, QStringList{"EVENT/:2"});
}

TEST_F(RecordingListTest, SizesAndLocalDatesAsTheListShowsThem) {
    struct SizeCase {
        int64_t bytes;
        const char* text;
    };
    const SizeCase sizes[] = {
        {500, "0KB"},
        {1048576, "1024KB"},
        {1049600, "1MB"},
        {1073741824, "1024MB"},
        {int64_t{1} << 50, "2097151MB"},  // beyond 32 bits of KiB
    };
    for (const SizeCase& c : sizes) {
        EXPECT_EQ(RecordingSizeText(RecordingSizeKiB(c.bytes)), c.text) << c.bytes;
    }

    const QByteArray savedZone = qgetenv("TZ");
    const qint64 lateEvening =
        QDateTime(QDate(2012, 2, 15), QTime(23, 30), Qt::UTC).toSecsSinceEpoch();
    const qint64 earlyMorning =
        QDateTime(QDate(2012, 3, 1), QTime(0, 30), Qt::UTC).toSecsSinceEpoch();
    struct DateCase {
        const char* zone;
        qint64 seconds;
        const char* text;
    };
    const DateCase dates[] = {
        {"UTC0", lateEvening, "2012/02/15"},
        {"KST-9", lateEvening, "2012/02/16"},  // east of UTC: already the next day
        {"PST8", lateEvening, "2012/02/15"},
        {"PST8", earlyMorning, "2012/02/29"},  // west of UTC: still the day before
    };
    for (const DateCase& c : dates) {
        qputenv("TZ", c.zone);
        ::tzset();
        EXPECT_EQ(RecordingDateText(c.seconds), c.text) << c.zone;
    }
    // Days worked out once give what each time gives on its own, up to a day's last second,
    // also on days of a clock change (one at midnight: that day starts at 01:00).
    const qint64 springForward =
        QDateTime(QDate(2025, 3, 30), QTime(0, 0), Qt::UTC).toSecsSinceEpoch();
    const qint64 midnightChange =
        QDateTime(QDate(2018, 11, 4), QTime(3, 0), Qt::UTC).toSecsSinceEpoch();
    for (const auto& [zone, around] : {std::pair<const char*, qint64>{"KST-9", lateEvening},
                                       {"PST8", earlyMorning},
                                       {"CET-1CEST,M3.5.0,M10.5.0/3", springForward},
                                       {"<-03>3<-02>,M11.1.0/0,M2.3.0/0", midnightChange}}) {
        qputenv("TZ", zone);
        ::tzset();
        LocalDateTexts days;
        for (qint64 step = -30 * 3600; step <= 30 * 3600; step += 1800) {
            for (const qint64 seconds : {around + step, around + step - 1}) {
                ASSERT_EQ(days.Of(seconds), RecordingDateText(seconds)) << zone << ' ' << seconds;
            }
        }
    }
    if (savedZone.isNull()) {
        qunsetenv("TZ");
    } else {
        qputenv("TZ", savedZone);
    }
    ::tzset();
}

}  // namespace
}  // namespace player
