#include "platform/system/Process.h"
#include "platform/system/ProcessMemory.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>

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

// Writes every page of a block, so that it is resident.
void Touch(void* block, size_t bytes) {
    auto* bytesOf = static_cast<volatile char*>(block);
    for (size_t i = 0; i < bytes; i += 4096) {
        bytesOf[i] = 1;
    }
}

// A large block is handed back to the system as it is freed, also after a larger one was freed
// (which by the allocator's own rule would keep the next ones in its pools).
TEST(ProcessTest, FreedLargeBlocksLeaveTheResidentSet) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "the sanitizer's allocator does not take these settings";
#endif
    ReturnFreedMemoryPromptly();
    constexpr size_t kLarger = size_t{8} << 20;
    constexpr size_t kBlock = size_t{4} << 20;
    void* larger = std::malloc(kLarger);
    ASSERT_NE(larger, nullptr);
    Touch(larger, kLarger);
    std::free(larger);
    void* block = std::malloc(kBlock);
    ASSERT_NE(block, nullptr);
    Touch(block, kBlock);
    const int64_t before = ResidentSetBytes().value_or(0);
    std::free(block);
    const int64_t after = ResidentSetBytes().value_or(0);
    EXPECT_GE(before - after, static_cast<int64_t>(kBlock) * 3 / 4);
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
