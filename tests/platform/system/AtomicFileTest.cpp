#include "platform/system/AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace platform {
namespace {

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

QStringList Entries(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

class AtomicFileTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }
    QString Path(const QString& name) const { return m_dir.path() + '/' + name; }
    void Write(const QString& name, const QByteArray& bytes) {
        QFile file(Path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    QTemporaryDir m_dir;
};

TEST_F(AtomicFileTest, CreatesAndReplacesWithoutLeftovers) {
    EXPECT_TRUE(WriteFileAtomically(Path("a.cfg"), "123456   "));
    EXPECT_EQ(ReadAll(Path("a.cfg")), "123456   ");
    EXPECT_TRUE(WriteFileAtomically(Path("a.cfg"), "0"));
    EXPECT_EQ(ReadAll(Path("a.cfg")), "0");
    EXPECT_TRUE(WriteFileAtomically(Path("empty"), ""));
    EXPECT_EQ(ReadAll(Path("empty")), "");
    EXPECT_EQ(Entries(m_dir.path()), (QStringList{"a.cfg", "empty"}));
}

TEST_F(AtomicFileTest, FolderThatTakesNoFileFailsAndLeavesNothing) {
    Write("plain-file", "x");
    ASSERT_TRUE(QDir().mkpath(Path("taken/BK_Setting.cfg")));
    struct Case {
        const char* target;
    };
    const Case cases[] = {
        {"plain-file/BK_Setting.cfg"},  // the folder is a regular file
        {"absent/BK_Setting.cfg"},      // the folder does not exist
        {"taken/BK_Setting.cfg"},       // a folder stands where the file goes
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(WriteFileAtomically(Path(c.target), "032304   ")) << c.target;
    }
    EXPECT_EQ(Entries(m_dir.path()), (QStringList{"plain-file", "taken"}));
    EXPECT_EQ(Entries(Path("taken")), QStringList{"BK_Setting.cfg"});
    EXPECT_TRUE(Entries(Path("taken/BK_Setting.cfg")).isEmpty());
}

TEST_F(AtomicFileTest, ShortWriteIsAFailure) {
    const int fd = ::open("/dev/full", O_WRONLY | O_CLOEXEC);
    if (fd < 0) {
        GTEST_SKIP() << "no /dev/full";
    }
    EXPECT_FALSE(WriteAll(fd, "032304   ", 9));
    ::close(fd);
}

// A card that fills up part-way: the file-size limit makes the kernel stop after 4 bytes.
TEST_F(AtomicFileTest, FullMediumKeepsTheOldFileAndLeavesNoPart) {
    Write("old.cfg", "old");
    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 4;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);

    const bool replaced = WriteFileAtomically(Path("old.cfg"), "123456789");
    const bool created = WriteFileAtomically(Path("new.cfg"), "123456789");
    const bool fits = WriteFileAtomically(Path("fits.cfg"), "1234");

    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_FALSE(replaced);
    EXPECT_FALSE(created);
    EXPECT_TRUE(fits);
    EXPECT_EQ(ReadAll(Path("old.cfg")), "old");
    EXPECT_EQ(Entries(m_dir.path()), (QStringList{"fits.cfg", "old.cfg"}));
}

// Files that belong together (the camera's settings and clock) change together or not at all,
// and the reason reaches the caller.
TEST_F(AtomicFileTest, SetOfFilesIsReplacedWholeOrNotAtAll) {
    Write("BK_Setting.cfg", "old");
    Write("BK_Time.cfg", "old");
    ASSERT_TRUE(QDir().mkpath(Path("folder.cfg")));
    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 12;  // the first file fits, the second does not
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    QString fullError;
    const bool full = WriteFilesAtomically(
        {{Path("BK_Setting.cfg"), "032304   "}, {Path("BK_Time.cfg"), "2024 01 02 03 04 05 2 "}},
        &fullError);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    QString folderError;
    const bool folder = WriteFilesAtomically(
        {{Path("BK_Setting.cfg"), "032304   "}, {Path("folder.cfg"), "x"}}, &folderError);

    EXPECT_FALSE(full);
    EXPECT_TRUE(fullError.startsWith(Path("BK_Time.cfg") + ": ")) << fullError.toStdString();
    EXPECT_FALSE(folder);
    EXPECT_TRUE(folderError.startsWith(Path("folder.cfg") + ": ")) << folderError.toStdString();
    EXPECT_EQ(ReadAll(Path("BK_Setting.cfg")), "old");
    EXPECT_EQ(ReadAll(Path("BK_Time.cfg")), "old");
    EXPECT_EQ(Entries(m_dir.path()), (QStringList{"BK_Setting.cfg", "BK_Time.cfg", "folder.cfg"}));

    EXPECT_TRUE(WriteFilesAtomically(
        {{Path("BK_Setting.cfg"), "032304   "}, {Path("BK_Time.cfg"), "2024 01 02 03 04 05 2 "}}));
    EXPECT_EQ(ReadAll(Path("BK_Setting.cfg")), "032304   ");
    EXPECT_EQ(ReadAll(Path("BK_Time.cfg")), "2024 01 02 03 04 05 2 ");
}

// The temporary file's name is short, so any name the folder takes can be written; a set that
// must not replace anything takes back what it placed when a later file finds one there.
TEST_F(AtomicFileTest, LongNamesAndSetsThatKeepExistingFiles) {
    const QString longest(255, u'n');
    QString error;
    EXPECT_TRUE(WriteFileAtomically(Path(longest), "x", &error)) << error.toStdString();
    EXPECT_FALSE(WriteFileAtomically(Path(longest + 'n'), "x", &error));
    EXPECT_TRUE(error.contains("File name too long")) << error.toStdString();
    EXPECT_EQ(Entries(m_dir.path()), QStringList{longest});

    Write("b.jpg", "old");
    EXPECT_FALSE(WriteFilesAtomically({{Path("a.jpg"), "new"}, {Path("b.jpg"), "new"}}, &error,
                                      Existing::Keep));
    EXPECT_TRUE(error.startsWith(Path("b.jpg") + ": ")) << error.toStdString();
    EXPECT_EQ(ReadAll(Path("b.jpg")), "old");
    EXPECT_EQ(Entries(m_dir.path()), (QStringList{"b.jpg", longest}));
    EXPECT_TRUE(WriteFilesAtomically({{Path("a.jpg"), "new"}, {Path("c.jpg"), "new"}}, &error,
                                     Existing::Keep));
    EXPECT_EQ(ReadAll(Path("c.jpg")), "new");
}

TEST_F(AtomicFileTest, ReadOnlyFolderFailsForAnOrdinaryUser) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "root writes into read-only folders";
    }
    ASSERT_TRUE(QDir().mkpath(Path("ro")));
    ASSERT_TRUE(QFile::setPermissions(Path("ro"), QFile::ReadOwner | QFile::ExeOwner));
    EXPECT_FALSE(WriteFileAtomically(Path("ro/a.cfg"), "x"));
    EXPECT_TRUE(Entries(Path("ro")).isEmpty());
    QFile::setPermissions(Path("ro"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

TEST_F(AtomicFileTest, StreamedFileAppearsOnlyAtCommit) {
    Write("clip.mp4", "old");
    {
        AtomicFileWriter writer(Path("clip.mp4"));
        ASSERT_TRUE(writer.Open());
        ASSERT_TRUE(writer.Write("new ", 4));
        ASSERT_TRUE(writer.Write("bytes", 5));
        EXPECT_EQ(ReadAll(Path("clip.mp4")), "old");
        EXPECT_EQ(Entries(m_dir.path()).size(), 2);  // the target and one temporary file
        EXPECT_TRUE(writer.Commit());
    }
    EXPECT_EQ(ReadAll(Path("clip.mp4")), "new bytes");

    // Discarded on purpose, or by going out of scope: the old file stays, nothing else.
    for (const bool discard : {true, false}) {
        AtomicFileWriter writer(Path("clip.mp4"));
        ASSERT_TRUE(writer.Open());
        ASSERT_TRUE(writer.Write("part", 4));
        if (discard) {
            writer.Discard();
            EXPECT_FALSE(writer.Commit());
        }
    }
    EXPECT_EQ(ReadAll(Path("clip.mp4")), "new bytes");
    EXPECT_EQ(Entries(m_dir.path()), QStringList{"clip.mp4"});
}

}  // namespace
}  // namespace platform
