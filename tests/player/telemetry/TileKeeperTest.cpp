#include "player/telemetry/TileKeeper.h"

#include <QDir>
#include <QTemporaryDir>
#include <QThread>
#include <QThreadPool>

#include <gtest/gtest.h>

namespace {

using player::TileKeeper;

QString Url(int i) {
    return QStringLiteral("https://tiles.example/16/%1/200.png").arg(i);
}

// Tiles of 400 bytes under a 1000-byte bound: past it the tile longest unseen goes, showing a
// tile counts as seeing it, and what was kept is found again by a keeper made later.
TEST(TileKeeper, DropsTheTilesLongestUnseenPastItsBound) {
    QTemporaryDir dir;
    const QString folder = dir.filePath("tiles");
    const QByteArray tile(400, 'x');
    {
        TileKeeper keeper(folder, 1000);
        for (const int i : {1, 2}) {
            ASSERT_TRUE(keeper.Keep(Url(i), tile + char('0' + i)));
            QThread::msleep(5);  // distinct times
        }
        QThreadPool::globalInstance()->waitForDone();
        ASSERT_TRUE(keeper.Find(Url(1)).has_value());  // seen: now newer than tile 2
        QThread::msleep(5);
        ASSERT_TRUE(keeper.Keep(Url(3), tile + '3'));
        QThreadPool::globalInstance()->waitForDone();
        EXPECT_FALSE(keeper.Find(Url(2)).has_value());
        EXPECT_EQ(keeper.Find(Url(1)), tile + '1');
        EXPECT_EQ(keeper.Find(Url(3)), tile + '3');
        EXPECT_EQ(keeper.KeptBytes(), 802);
        EXPECT_EQ(QDir(folder).entryList(QDir::Files).size(), 2);

        EXPECT_FALSE(keeper.Keep(Url(4), QByteArray()));
        EXPECT_FALSE(keeper.Keep(Url(4), QByteArray(TileKeeper::kMaxTileBytes + 1, 'x')));
        EXPECT_FALSE(keeper.Find(Url(4)).has_value());
    }
    TileKeeper later(folder, 1000);
    EXPECT_EQ(later.Find(Url(3)), tile + '3');
    EXPECT_EQ(later.KeptBytes(), 802);
    EXPECT_FALSE(TileKeeper(QString(), 1000).Keep(Url(1), tile));
}

}  // namespace
