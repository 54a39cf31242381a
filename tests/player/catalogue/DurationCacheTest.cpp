#include "player/catalogue/DurationCache.h"

#include "CatalogueTestSupport.h"
#include "tests/support/Clips.h"

#include <QDateTime>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <atomic>

namespace player {
namespace {

class DurationCacheTest : public ::testing::Test {
protected:
    void SetUp() override {
        cataloguetest::App();
        ASSERT_TRUE(m_dir.isValid());
    }
    QString Write(const QString& name, qint64 size) {
        const QString path = m_dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::ReadWrite));
        EXPECT_TRUE(file.resize(size));
        return path;
    }
    static void Pass(CDurationCache& cache, const QStringList& paths) {
        cache.Request(paths);
        EXPECT_TRUE(QTest::qWaitFor([&cache] { return cache.PassDone(); }, 10000));
    }
    QTemporaryDir m_dir;
};

// The probe reads the size as the duration, so a stale answer shows.
TEST_F(DurationCacheTest, ChangedFilesAreProbedAgain) {
    std::atomic<int> probes{0};
    CDurationCache cache([&probes](const QString& path) -> std::optional<int64_t> {
        ++probes;
        return QFileInfo(path).size();
    });
    const QString a = Write("a.mp4", 100);
    const QString b = Write("b.mp4", 200);
    const QString gone = m_dir.filePath("gone.mp4");
    Pass(cache, {a, b, gone});
    EXPECT_EQ(probes, 2);
    EXPECT_EQ(cache.DurationMs(a), 100);
    EXPECT_EQ(cache.DurationMs(b), 200);
    EXPECT_FALSE(cache.DurationMs(gone).has_value());

    struct Case {
        const char* what;
        std::function<void()> change;
        int probes;
        int64_t durationOfA;
    };
    const Case cases[] = {
        {"unchanged", [] {}, 2, 100},
        {"grown", [&] { Write("a.mp4", 150); }, 3, 150},
        {"touched",
         [&] {
             QFile file(a);
             ASSERT_TRUE(file.open(QIODevice::ReadWrite));
             ASSERT_TRUE(file.setFileTime(QDateTime::currentDateTime().addSecs(-3600),
                                          QFileDevice::FileModificationTime));
         },
         4, 150},
    };
    for (const Case& c : cases) {
        c.change();
        Pass(cache, {a, b});
        EXPECT_EQ(probes, c.probes) << c.what;
        EXPECT_EQ(cache.DurationMs(a), c.durationOfA) << c.what;
        EXPECT_EQ(cache.RequestedDurationMs(0), c.durationOfA) << c.what;
    }
    // What is known answers by index as soon as it is asked for, in the new request's order.
    cache.Request({gone, b, a});
    EXPECT_FALSE(cache.RequestedDurationMs(0).has_value());
    EXPECT_EQ(cache.RequestedDurationMs(1), 200);
    EXPECT_EQ(cache.RequestedDurationMs(2), 150);
    EXPECT_FALSE(cache.RequestedDurationMs(3).has_value());
    EXPECT_TRUE(QTest::qWaitFor([&cache] { return cache.PassDone(); }, 10000));
    EXPECT_EQ(cache.RequestedDurationMs(2), 150);
}

// The real probe reads the index: a recording's own length, none for what is no recording.
TEST_F(DurationCacheTest, IndexGivesTheRecordingsLength) {
    const QString clip = testsupport::MakeClip(m_dir.path(), {"--length", "2"});
    ASSERT_FALSE(clip.isEmpty());
    const QString junk = Write("junk.mp4", 4096);
    CDurationCache cache;
    Pass(cache, {clip, junk});
    ASSERT_TRUE(cache.DurationMs(clip).has_value());
    EXPECT_NEAR(static_cast<double>(*cache.DurationMs(clip)), 2000.0, 100.0);
    EXPECT_FALSE(cache.DurationMs(junk).has_value());
}

}  // namespace
}  // namespace player
