#include "player/catalogue/RecoveryReferences.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

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
                             "EVENT/EVT_250517_143130_F.mp4", "SETTING/BK_Setting.cfg"}) {
        QFile file(root.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    const QString damaged = root.filePath("NORMAL/NOR_250517_143100_F.mp4");
    QStringList names;
    for (const QString& path : player::RecoveryReferences(damaged)) {
        names << QDir(card.path()).relativeFilePath(path);
    }
    EXPECT_EQ(names,
              (QStringList{"NORMAL/NOR_250517_143000_F.mp4", "NORMAL/NOR_250517_143200_F.mp4",
                           "NORMAL/NOR_250517_142900_F.MP4", "NORMAL/NOR_250518_143100_F.mp4",
                           "EVENT/EVT_250517_143130_F.mp4", "EVENT/EVT_250517_150000_F.mp4"}));
}

}  // namespace
