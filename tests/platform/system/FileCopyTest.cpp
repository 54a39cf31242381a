#include "platform/system/FileCopy.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>

#include <sys/resource.h>
#include <sys/stat.h>

namespace platform {
namespace {

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

QStringList Entries(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

class FileCopyTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        ASSERT_TRUE(QDir().mkpath(Path("card")));
        ASSERT_TRUE(QDir().mkpath(Path("desktop")));
        m_bytes.resize(5 * 1024 * 1024 + 123);
        for (qsizetype i = 0; i < m_bytes.size(); ++i) {
            m_bytes[i] = static_cast<char>(i * 7 + i / 4096);
        }
        Write("card/NOR_250517_143000_F.mp4", m_bytes);
        const QDateTime recorded(QDate(2025, 5, 17), QTime(14, 30), Qt::UTC);
        QFile source(Source());
        ASSERT_TRUE(source.open(QIODevice::ReadWrite));
        ASSERT_TRUE(source.setFileTime(recorded, QFileDevice::FileModificationTime));
    }
    QString Path(const QString& name) const { return m_dir.path() + '/' + name; }
    QString Source() const { return Path("card/NOR_250517_143000_F.mp4"); }
    void Write(const QString& name, const QByteArray& bytes) {
        QFile file(Path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    QTemporaryDir m_dir;
    QByteArray m_bytes;
};

TEST_F(FileCopyTest, CompletedCopyReplacesTheTargetAndKeepsTheDate) {
    Write("desktop/clip.mp4", "an older file the user agreed to replace");
    std::vector<std::pair<int64_t, int64_t>> reports;
    const CopyResult result =
        CopyFileAtomically(Source(), Path("desktop/clip.mp4"), [&](int64_t done, int64_t total) {
            reports.emplace_back(done, total);
            return true;
        });
    EXPECT_EQ(result, CopyResult::Copied);
    EXPECT_EQ(ReadAll(Path("desktop/clip.mp4")), m_bytes);
    EXPECT_EQ(Entries(Path("desktop")), QStringList{"clip.mp4"});
    EXPECT_EQ(QFileInfo(Path("desktop/clip.mp4")).lastModified(),
              QFileInfo(Source()).lastModified());
    // Progress rises to the whole size, once per megabyte.
    ASSERT_EQ(reports.size(), 6u);
    EXPECT_EQ(reports.front(), (std::pair<int64_t, int64_t>{1024 * 1024, m_bytes.size()}));
    EXPECT_EQ(reports.back(), (std::pair<int64_t, int64_t>{m_bytes.size(), m_bytes.size()}));
}

TEST_F(FileCopyTest, CancelledCopyLeavesTheTargetAsItWas) {
    Write("desktop/old.mp4", "old");
    struct Case {
        const char* target;
        QByteArray expected;  // <missing> when nothing may be there afterwards
    };
    const Case cases[] = {{"desktop/new.mp4", "<missing>"}, {"desktop/old.mp4", "old"}};
    for (const Case& c : cases) {
        int calls = 0;
        const CopyResult result = CopyFileAtomically(Source(), Path(c.target),
                                                     [&](int64_t, int64_t) { return ++calls < 3; });
        EXPECT_EQ(result, CopyResult::Cancelled) << c.target;
        EXPECT_EQ(calls, 3) << c.target;
        EXPECT_EQ(ReadAll(Path(c.target)), c.expected) << c.target;
    }
    EXPECT_EQ(Entries(Path("desktop")), QStringList{"old.mp4"});
}

TEST_F(FileCopyTest, FailuresLeaveNothingAtTheTarget) {
    Write("desktop/old.mp4", "old");
    ASSERT_EQ(::mkfifo(QFile::encodeName(Path("card/fifo.mp4")).constData(), 0600), 0);
    struct Case {
        const char* what;
        QString source;
        QString target;
    };
    const Case cases[] = {
        {"missing source", Path("card/absent.mp4"), Path("desktop/absent.mp4")},
        {"source is a folder", Path("card"), Path("desktop/card")},
        {"source is a FIFO (no wait for a writer)", Path("card/fifo.mp4"), Path("desktop/f.mp4")},
        {"missing target folder", Source(), Path("nowhere/clip.mp4")},
        {"onto itself by another name", Source(), Path("card/../card/NOR_250517_143000_F.mp4")},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CopyFileAtomically(c.source, c.target), CopyResult::Failed) << c.what;
    }
    EXPECT_EQ(ReadAll(Source()), m_bytes);
    EXPECT_EQ(Entries(Path("card")), QStringList{"NOR_250517_143000_F.mp4"});  // FIFOs not listed
    EXPECT_EQ(Entries(Path("desktop")), QStringList{"old.mp4"});
}

// The card pulled or the recording cut while it is copied: the copy ends short of the size it
// started with, so it fails and leaves the target as it was.
TEST_F(FileCopyTest, SourceCutShortDuringTheCopyFailsAndKeepsTheOldTarget) {
    Write("desktop/old.mp4", "old");
    FileCopy copy(Source(), Path("desktop/old.mp4"));
    ASSERT_TRUE(copy.Begin());
    ASSERT_EQ(copy.Copy(1024 * 1024), FileCopy::Step::More);
    ASSERT_TRUE(QFile::resize(Source(), 2 * 1024 * 1024));
    FileCopy::Step step = FileCopy::Step::More;
    for (int i = 0; i < 10 && step == FileCopy::Step::More; ++i) {
        step = copy.Copy(1024 * 1024);
    }
    EXPECT_EQ(step, FileCopy::Step::Failed);
    EXPECT_EQ(ReadAll(Path("desktop/old.mp4")), "old");
    EXPECT_EQ(Entries(Path("desktop")), QStringList{"old.mp4"});
}

// A target medium that fills up part-way (the file-size limit stops the kernel at 64 KiB).
TEST_F(FileCopyTest, FullMediumFailsAndKeepsTheOldTarget) {
    Write("desktop/old.mp4", "old");
    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = rlim_t{64} * 1024;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);

    const CopyResult replaced = CopyFileAtomically(Source(), Path("desktop/old.mp4"));
    const CopyResult created = CopyFileAtomically(Source(), Path("desktop/new.mp4"));

    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_EQ(replaced, CopyResult::Failed);
    EXPECT_EQ(created, CopyResult::Failed);
    EXPECT_EQ(ReadAll(Path("desktop/old.mp4")), "old");
    EXPECT_EQ(Entries(Path("desktop")), QStringList{"old.mp4"});
}

}  // namespace
}  // namespace platform
