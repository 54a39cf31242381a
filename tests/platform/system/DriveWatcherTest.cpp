#include "platform/system/DriveWatcher.h"
#include "platform/system/Drives.h"
#include "tests/support/TestApp.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <utility>
#include <vector>

namespace platform {
namespace {

using Notice = std::pair<uint32_t, QString>;

class DriveWatcherTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_a = m_dir.path() + "/a";
        m_b = m_dir.path() + "/b";
        qputenv(kVirtualDrivesVariable, (m_a + "=QOR-SD;" + m_b).toUtf8());
        m_watcher.SetHandler(
            [this](uint32_t code, const QString& root) { m_notices.emplace_back(code, root); });
    }
    void TearDown() override { qunsetenv(kVirtualDrivesVariable); }

    QTemporaryDir m_dir;
    QString m_a;
    QString m_b;
    DriveWatcher m_watcher;
    std::vector<Notice> m_notices;
};

TEST_F(DriveWatcherTest, ReportsEachChangeOnce) {
    m_watcher.Start(60000);
    m_watcher.Poll();
    EXPECT_TRUE(m_notices.empty());

    ASSERT_TRUE(QDir().mkpath(m_a));
    m_watcher.Poll();
    m_watcher.Poll();
    ASSERT_EQ(m_notices, (std::vector<Notice>{{kDriveAddedCode, m_a + '/'}}));

    // One card out and another in between two polls: the removal comes first.
    m_notices.clear();
    ASSERT_TRUE(QDir(m_a).removeRecursively());
    ASSERT_TRUE(QDir().mkpath(m_b));
    m_watcher.Poll();
    EXPECT_EQ(m_notices,
              (std::vector<Notice>{{kDriveRemovedCode, m_a + '/'}, {kDriveAddedCode, m_b + '/'}}));
}

// Changes a presence check cannot see: another card (new label, or the folder made anew) under
// the same root within one poll is a removal and an addition.
TEST_F(DriveWatcherTest, SameRootWithAnotherCardIsRemovedAndAdded) {
    ASSERT_TRUE(QDir().mkpath(m_b));
    m_watcher.Start(60000);
    const std::vector<Notice> replaced{{kDriveRemovedCode, m_b + '/'},
                                       {kDriveAddedCode, m_b + '/'}};
    const std::vector<std::function<bool()>> changes = {
        [this] {
            QFile label(m_b + '/' + kVirtualLabelFile);
            return label.open(QIODevice::WriteOnly) && label.write("OTHER\n") > 0;
        },
        [this] { return QDir(m_b).removeRecursively() && QDir().mkpath(m_b); },
    };
    for (const auto& change : changes) {
        m_notices.clear();
        ASSERT_TRUE(change());
        m_watcher.Poll();
        EXPECT_EQ(m_notices, replaced);
    }
}

TEST_F(DriveWatcherTest, TimerDeliversTheNoticeOnTheEventLoop) {
    testsupport::EnsureApp();
    m_watcher.Start(20);
    ASSERT_TRUE(QDir().mkpath(m_b));
    QElapsedTimer clock;
    clock.start();
    while (m_notices.empty() && clock.elapsed() < 5000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    m_watcher.Stop();
    EXPECT_EQ(m_notices, (std::vector<Notice>{{kDriveAddedCode, m_b + '/'}}));
}

}  // namespace
}  // namespace platform
