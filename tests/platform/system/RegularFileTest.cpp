#include "platform/system/RegularFile.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace platform {
namespace {

// Every reader of outside files goes through here: what is not a regular file of a fitting
// size is refused at once, whatever stands at the path.
TEST(RegularFileTest, OnlyRegularFilesWithinTheBoundAreRead) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const auto path = [&dir](const char* name) { return dir.filePath(QLatin1String(name)); };
    {
        QFile file(path("small"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("012345678");
    }
    ASSERT_EQ(::mkfifo(QFile::encodeName(path("fifo")).constData(), 0600), 0);
    ASSERT_TRUE(QFile::link(path("fifo"), path("to-fifo")));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), path("to-zero")));

    struct Case {
        const char* name;
        int64_t bound;
        Oversize oversize;
        FileReadStatus status;
        QByteArray bytes;
    };
    const Case cases[] = {
        {"small", 9, Oversize::Refuse, FileReadStatus::Ok, "012345678"},
        {"small", 8, Oversize::Refuse, FileReadStatus::TooLarge, ""},
        {"small", 4, Oversize::ReadPrefix, FileReadStatus::Ok, "0123"},
        {"absent", 9, Oversize::Refuse, FileReadStatus::Missing, ""},
        {"fifo", 9, Oversize::ReadPrefix, FileReadStatus::NotRegular, ""},
        {"to-fifo", 9, Oversize::ReadPrefix, FileReadStatus::NotRegular, ""},
        {"to-zero", 1 << 20, Oversize::ReadPrefix, FileReadStatus::NotRegular, ""},
        {".", 9, Oversize::ReadPrefix, FileReadStatus::NotRegular, ""},
    };
    for (const Case& c : cases) {
        QByteArray bytes = "stale";
        QString error;
        EXPECT_EQ(ReadRegularFile(path(c.name), c.bound, &bytes, &error, c.oversize), c.status)
            << c.name;
        EXPECT_EQ(bytes, c.bytes) << c.name;
        EXPECT_EQ(error.isEmpty(), c.status == FileReadStatus::Ok) << c.name;

        QFile file;
        const FileReadStatus opened = OpenRegularFile(path(c.name), c.bound, file);
        if (c.oversize == Oversize::Refuse) {
            EXPECT_EQ(opened, c.status) << c.name;
        }
        EXPECT_EQ(file.isOpen(), opened == FileReadStatus::Ok) << c.name;
    }
}

}  // namespace
}  // namespace platform
