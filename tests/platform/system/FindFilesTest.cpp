#include "platform/system/FindFiles.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>

namespace platform {
namespace {

class FindFilesTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }
    QString Path(const QString& name) const { return m_dir.path() + '/' + name; }
    void Write(const QString& name, qsizetype size) {
        QFile file(Path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(size, 'x'));
    }
    QTemporaryDir m_dir;
};

TEST_F(FindFilesTest, ReportsFoldersAndWantedFilesWithSizeAndTime) {
    ASSERT_TRUE(QDir().mkpath(Path("card/EVENT")));
    Write("card/a.mp4", 1500);
    Write("card/b.txt", 10);
    Write("card/.hidden.mp4", 0);
    ASSERT_TRUE(QFile::link(Path("card/a.mp4"), Path("card/link.mp4")));
    ASSERT_TRUE(QFile::link(Path("card/EVENT"), Path("card/linked-folder")));
    ASSERT_TRUE(QFile::link(Path("card/gone.mp4"), Path("card/dangling.mp4")));
    const qint64 before = QDateTime::currentSecsSinceEpoch() - 5;

    QStringList asked;
    const auto listing = FindFiles(Path("card"), [&](const QString& name) {
        asked << name;
        return name.endsWith(".mp4");
    });
    ASSERT_TRUE(listing);
    std::map<QString, FoundFile> byName;
    for (const FoundFile& found : listing->entries) {
        byName[found.name] = found;
    }
    // The dangling link cannot be examined; b.txt is not wanted.
    ASSERT_EQ(byName.size(), 5u);
    EXPECT_FALSE(asked.contains("EVENT"));
    EXPECT_EQ(byName["a.mp4"].size, 1500);
    EXPECT_FALSE(byName["a.mp4"].isFolder);
    EXPECT_GE(byName["a.mp4"].creationTime, before);
    EXPECT_LE(byName["a.mp4"].creationTime, QDateTime::currentSecsSinceEpoch());
    EXPECT_EQ(byName[".hidden.mp4"].size, 0);
    EXPECT_EQ(byName["link.mp4"].id, byName["a.mp4"].id);
    EXPECT_TRUE(byName["EVENT"].isFolder);
    EXPECT_TRUE(byName["linked-folder"].isFolder);
    EXPECT_EQ(byName["linked-folder"].id, byName["EVENT"].id);

    const auto inner = FindFiles(Path("card/EVENT"), [](const QString&) { return true; });
    ASSERT_TRUE(inner);
    EXPECT_EQ(inner->folder, byName["EVENT"].id);
    EXPECT_TRUE(inner->entries.empty());
}

TEST_F(FindFilesTest, WhatIsNoReadableFolderGivesNone) {
    Write("plain.mp4", 1);
    const auto all = [](const QString&) { return true; };
    EXPECT_FALSE(FindFiles(Path("absent"), all));
    EXPECT_FALSE(FindFiles(Path("plain.mp4"), all));
    EXPECT_FALSE(FindFiles(QString(), all));
}

}  // namespace
}  // namespace platform
