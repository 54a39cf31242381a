#include "player/catalogue/IncidentScan.h"

#include "tests/support/Clips.h"
#include "tests/support/TestApp.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <atomic>

namespace player {
namespace {

class IncidentScanTest : public ::testing::Test {
protected:
    void SetUp() override {
        testsupport::EnsureApp();
        ASSERT_TRUE(m_dir.isValid());
    }
    QString Write(const QString& name, qint64 size) {
        const QString path = m_dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::ReadWrite));
        EXPECT_TRUE(file.resize(size));
        return path;
    }
    static void Pass(CIncidentScan& scan, const QStringList& paths,
                     const IncidentThresholds& thresholds = {}) {
        scan.Request(paths, thresholds);
        EXPECT_TRUE(QTest::qWaitFor([&scan] { return scan.PassDone(); }, 10000));
    }
    QTemporaryDir m_dir;
};

// The probe gives a file a hundred bytes long one incident per hundred bytes (none under the
// braking threshold of 0.5 g), so a stale answer shows. Unchanged files come from the cache;
// a file written anew, or other thresholds, are judged again; a superseded pass reports nothing.
// Preferred files are judged first.
TEST_F(IncidentScanTest, JudgesChangedFilesAgainAndDropsSupersededPasses) {
    std::atomic<int> probes{0};
    QStringList probed;  // written on the worker, read once a pass is done
    CIncidentScan scan([&](const QString& path, const IncidentThresholds& thresholds) {
        ++probes;
        probed << QFileInfo(path).fileName();
        return std::optional(CIncidentScan::Incidents(
            thresholds.brakingG >= 0.5 ? 0 : static_cast<size_t>(QFileInfo(path).size() / 100)));
    });
    const QString some = Write("some.mp4", 200);
    const QString none = Write("none.mp4", 50);
    const QString gone = m_dir.filePath("gone.mp4");
    scan.Prefer({none});
    Pass(scan, {some, none, gone});
    EXPECT_EQ(probes, 2);
    EXPECT_EQ(probed, (QStringList{"none.mp4", "some.mp4"}));
    EXPECT_EQ(scan.WithIncidents(), QSet<QString>{some});
    ASSERT_NE(scan.IncidentsOf(some), nullptr);
    EXPECT_EQ(scan.IncidentsOf(some)->size(), 2u);
    EXPECT_EQ(scan.IncidentsOf(gone), nullptr);

    Pass(scan, {some, none});
    EXPECT_EQ(probes, 2) << "unchanged files are not read again";
    QFile(none).resize(300);
    QFile file(none);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(QDateTime::currentDateTime().addSecs(60),
                                 QFileDevice::FileModificationTime));
    file.close();
    Pass(scan, {some, none});
    EXPECT_EQ(probes, 3);
    EXPECT_EQ(scan.WithIncidents(), (QSet<QString>{some, none}));

    IncidentThresholds strict;
    strict.brakingG = 0.5;
    Pass(scan, {some, none}, strict);
    EXPECT_EQ(probes, 5) << "other thresholds judge every file again";
    EXPECT_TRUE(scan.WithIncidents().isEmpty());

    // A request replaced before its answers arrived: only the later one's files count.
    scan.Request({some}, {});
    Pass(scan, {none}, strict);
    EXPECT_TRUE(scan.WithIncidents().isEmpty());
}

// The real probe reads a recording's telemetry without a graph and finds its incidents.
TEST_F(IncidentScanTest, FindsTheIncidentsOfARealRecording) {
    const QString with = testsupport::MakeClip(
        m_dir.filePath("with"),
        {"--length", "16", "--cameras", "1", "--audio", "none", "--fps", "5", "--incidents"});
    const QString without = testsupport::MakeClip(
        m_dir.filePath("without"), {"--length", "16", "--cameras", "1", "--audio", "none", "--fps",
                                    "5", "--telemetry", "off"});
    ASSERT_FALSE(with.isEmpty());
    CIncidentScan scan;
    Pass(scan, {with, without});
    EXPECT_EQ(scan.WithIncidents(), QSet<QString>{with});
    ASSERT_NE(scan.IncidentsOf(with), nullptr);
    EXPECT_FALSE(scan.IncidentsOf(with)->empty());
}

}  // namespace
}  // namespace player
