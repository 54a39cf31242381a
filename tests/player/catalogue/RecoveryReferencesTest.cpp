#include "player/catalogue/RecoveryReferences.h"

#include "platform/system/FilePaths.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Its own folder nearest in time first (a minute before beats a day after), then the other
// category folders' nearest first; other kinds of file and the damaged file itself never.
TEST(RecoveryReferences, OwnFolderNearestFirstThenTheOtherFolders) {
    QTemporaryDir card;
    const QDir root(card.path());
    ASSERT_TRUE(root.mkpath("NORMAL") && root.mkpath("EVENT") && root.mkpath("SETTING"));
    for (const char* name : {"NORMAL/NOR_250517_143000_F.mp4", "NORMAL/NOR_250518_143100_F.mp4",
                             "NORMAL/NOR_250517_143200_F.mp4", "NORMAL/NOR_250517_143100_F.jpg",
                             "NORMAL/NOR_250517_142900_F.MP4", "EVENT/EVT_250517_150000_F.mp4",
                             "EVENT/EVT_250517_143130_F.mp4", "SETTING/BK_Setting.cfg",
                             "NORMAL/._NOR_250517_143100_F.mp4"}) {
        QFile file(root.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    // Only regular files stand as references: never a FIFO, nor a link to one.
    ASSERT_EQ(::mkfifo(QFile::encodeName(root.filePath("NORMAL/NOR_250517_143101_F.mp4")), 0600),
              0);
    ASSERT_TRUE(QFile::link(root.filePath("NORMAL/NOR_250517_143101_F.mp4"),
                            root.filePath("EVENT/EVT_250517_143101_F.mp4")));
    // A name that is no UTF-8 is a reference under its own bytes.
    const QByteArray odd =
        QFile::encodeName(root.filePath("EVENT")) + "/EVT_250517_143140_\xff.mp4";
    ::close(::creat(odd.constData(), 0600));
    const QString damaged = root.filePath("NORMAL/NOR_250517_143100_F.mp4");
    QStringList names;
    for (const QString& path : player::RecoveryReferences(damaged)) {
        EXPECT_TRUE(platform::PathExists(path)) << path.toStdString();
        names << QString::fromLatin1(platform::EncodePath(path).mid(card.path().size() + 1));
    }
    EXPECT_EQ(names,
              (QStringList{"NORMAL/NOR_250517_143000_F.mp4", "NORMAL/NOR_250517_143200_F.mp4",
                           "NORMAL/NOR_250517_142900_F.MP4", "NORMAL/NOR_250518_143100_F.mp4",
                           "EVENT/EVT_250517_143130_F.mp4",
                           QString::fromLatin1("EVENT/EVT_250517_143140_\xff.mp4"),
                           "EVENT/EVT_250517_150000_F.mp4"}));
    ::unlink(odd.constData());  // the toolkit's removal of the folder cannot name it
}

}  // namespace
