#include "platform/system/Process.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>

#include <sys/types.h>

namespace platform {
namespace {

// Whether a process runs; one that ended but was not yet reaped by its new parent (the
// system's first process) does not.
bool Alive(int64_t pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly)) {
        return false;
    }
    const QByteArray line = stat.readAll();
    const qsizetype close = line.lastIndexOf(')');
    return close >= 0 && line.size() > close + 2 && line[close + 2] != 'Z';
}

TEST(ProcessTest, StartsInItsFolderAndTerminatesOnlyTheHeldProcess) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    Process first;
    Process record;
    ASSERT_TRUE(first.Start("/bin/sh", {"-c", "pwd > where; exec sleep 30"}, dir.path()));
    const int64_t firstPid = first.ProcessId();
    first.Close();  // the first start's record is replaced by the second

    ASSERT_TRUE(record.Start("/bin/sleep", {"30"}, dir.path()));
    const int64_t secondPid = record.ProcessId();
    EXPECT_TRUE(record.IsRunning());
    EXPECT_TRUE(record.Terminate());
    EXPECT_FALSE(record.IsRunning());
    EXPECT_FALSE(record.HasHandle());
    EXPECT_FALSE(record.Terminate());  // nothing held any more

    EXPECT_TRUE(Alive(firstPid));
    ::kill(static_cast<pid_t>(firstPid), SIGKILL);
    for (int i = 0; i < 200 && Alive(secondPid); ++i) {
        QThread::msleep(10);
    }
    EXPECT_FALSE(Alive(secondPid));
    QFile where(dir.path() + "/where");
    ASSERT_TRUE(where.open(QIODevice::ReadOnly));
    EXPECT_EQ(QDir(QString::fromUtf8(where.readAll().trimmed())), QDir(dir.path()));
}

TEST(ProcessTest, EndedOrMissingProgramsCannotBeTerminated) {
    Process process;
    EXPECT_FALSE(process.Start("/nonexistent/DCS_4100", {}, "/"));
    EXPECT_FALSE(process.HasHandle());
    EXPECT_FALSE(process.Terminate());

    ASSERT_TRUE(process.Start("/bin/true", {}, "/"));
    for (int i = 0; i < 200 && process.IsRunning(); ++i) {
        QThread::msleep(10);
    }
    EXPECT_FALSE(process.IsRunning());
    EXPECT_FALSE(process.Terminate());
}

}  // namespace
}  // namespace platform
