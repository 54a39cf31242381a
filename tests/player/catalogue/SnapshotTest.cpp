#include "player/catalogue/Snapshot.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>

#include <sys/resource.h>

namespace player {
namespace {

class SnapshotTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_picture = QImage(64, 36, QImage::Format_RGB32);
        m_picture.fill(qRgb(200, 40, 40));
    }
    QString Path(const QString& name) const { return m_dir.path() + '/' + name; }
    // Capture as the command does it: the dialog's answer, then every planned file written.
    QStringList Capture(const QString& chosenName, int videoCount) {
        const SnapshotProposal proposal =
            ProposeSnapshotName("/media/card/NORMAL/NOR_250517_143000_F.mp4");
        const QString chosen = Path(chosenName);
        const QStringList files =
            PlanSnapshotFiles(platform::SaveFileResult{chosen, platform::FileExtensionOf(chosen)},
                              proposal.length, videoCount);
        QStringList names;
        for (const QString& file : files) {
            EXPECT_TRUE(WriteSnapshot(file, m_picture)) << file.toStdString();
            names << file.mid(m_dir.path().size() + 1);
        }
        return names;
    }
    QStringList Files() const {
        return QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }

    QTemporaryDir m_dir;
    QImage m_picture;
};

TEST_F(SnapshotTest, ProposedNameIsTheRecordingsWithoutItsExtension) {
    struct Case {
        const char* currentPath;
        const char* name;
        int length;
    };
    const Case cases[] = {
        {"/media/card/NORMAL/NOR_250517_143000_F.mp4", "NOR_250517_143000_F.jpg", 19},
        {"/media/card.d/NORMAL/clip", "clip.jpg", 4},
        {"/media/card/a.b.mkv", "a.b.jpg", 3},
    };
    for (const Case& c : cases) {
        const SnapshotProposal proposal = ProposeSnapshotName(c.currentPath);
        EXPECT_EQ(proposal.name, c.name);
        EXPECT_EQ(proposal.length, c.length);
        const platform::SaveFileRequest request = SnapshotSaveRequest(nullptr, proposal);
        EXPECT_EQ(request.initialPath, c.name);
        EXPECT_EQ(request.filter, "jpeg file (*.jpg)|*.jpg||");
        EXPECT_TRUE(request.promptOverwrite);
    }
}

TEST_F(SnapshotTest, KeptNamesAreNumberedAndNothingIsOverwritten) {
    const char* kept = "NOR_250517_143000_F.jpg";
    EXPECT_EQ(Capture(kept, 2), (QStringList{"NOR_250517_143000_F_front_000.jpg",
                                             "NOR_250517_143000_F_rear_000.jpg"}));
    EXPECT_EQ(Capture(kept, 2), (QStringList{"NOR_250517_143000_F_front_001.jpg",
                                             "NOR_250517_143000_F_rear_001.jpg"}));

    // One camera: every B_*.jpg counts, the two-camera files and others alike.
    QFile(Path("NOR_250517_143000_F_front_000.jpg")).remove();
    EXPECT_EQ(Capture(kept, 1), QStringList{"NOR_250517_143000_F_003.jpg"});

    // A removed earlier snapshot lowers the count onto a file that is still there: the next
    // free number is taken instead.
    EXPECT_EQ(Capture(kept, 2), (QStringList{"NOR_250517_143000_F_front_002.jpg",
                                             "NOR_250517_143000_F_rear_002.jpg"}));
    EXPECT_EQ(Files().size(), 6);
}

TEST_F(SnapshotTest, OneCameraWithAnotherSnapshotPresent) {
    QFile other(Path("B_a.jpg"));
    ASSERT_TRUE(other.open(QIODevice::WriteOnly));
    other.close();
    const QString chosen = Path("B.jpg");
    EXPECT_EQ(PlanSnapshotFiles({chosen, "jpg"}, 1, 1), QStringList{Path("B_001.jpg")});
}

TEST_F(SnapshotTest, TypedNamesKeepTheirOwnNames) {
    struct Case {
        const char* typed;
        int videoCount;
        QStringList written;
    };
    const Case cases[] = {
        // Another length than the proposed name: no number while none of the files exists.
        {"trip.jpg", 2, {"trip_front.jpg", "trip_rear.jpg"}},
        // The dialog asked about trip.jpg only: a number keeps the pair written before.
        {"trip.jpg", 2, {"trip_front_001.jpg", "trip_rear_001.jpg"}},
        {"trip", 1, {"trip.jpg"}},                                    // no extension typed
        {"trip.jpeg", 1, {"trip_001.jpg"}},                           // the typed extension goes
        {"NOR_250517_143000_X", 1, {"NOR_250517_143000_X_000.jpg"}},  // the same length
        {"solo.jpg", 1, {"solo.jpg"}},
        {"solo.jpg", 1, {"solo_001.jpg"}},  // even where the dialog asked about that very file
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Capture(c.typed, c.videoCount), c.written) << c.typed;
    }
}

TEST_F(SnapshotTest, TypedNamesPassEveryExistingFileOfThePair) {
    for (const char* existing : {"pair_rear.jpg", "pair_front_001.jpg", "pair_rear_002.jpg"}) {
        QFile file(Path(existing));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    EXPECT_EQ(Capture("pair.jpg", 2), (QStringList{"pair_front_003.jpg", "pair_rear_003.jpg"}));
}

// A capture that cannot be written says why and leaves no file of its pair behind.
TEST_F(SnapshotTest, FailingCapturesSayWhyAndWriteNeitherPicture) {
    const std::vector<QImage> pair{m_picture, m_picture};
    struct Case {
        QString chosen;
        const char* why;
    };
    const Case cases[] = {
        {Path("renamed-meanwhile/shot.jpg"), "No such file or directory"},
        {Path(QString(250, u'n') + ".jpg"), "File name too long"},
        {Path("shot.jpg"), ""},
    };
    for (const Case& c : cases) {
        QString why;
        const QStringList written =
            SaveSnapshots({c.chosen, platform::FileExtensionOf(c.chosen)}, 19, 2, pair, &why);
        EXPECT_EQ(written.size(), *c.why == '\0' ? 2 : 0) << c.chosen.toStdString();
        EXPECT_TRUE(why.contains(QLatin1String(c.why))) << why.toStdString();
    }
    EXPECT_EQ(Files(), (QStringList{"shot_front.jpg", "shot_rear.jpg"}));

    // A full card: the file-size limit stops the kernel part-way through the first picture.
    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 100;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    QString full;
    const QStringList written = SaveSnapshots({Path("full.jpg"), "jpg"}, 19, 2, pair, &full);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_TRUE(written.isEmpty());
    EXPECT_FALSE(full.isEmpty());
    EXPECT_EQ(Files(), (QStringList{"shot_front.jpg", "shot_rear.jpg"}));

    // The second file of a pair failing takes the first back.
    QString why;
    EXPECT_FALSE(WriteSnapshots({Path("a.jpg"), Path("gone/b.jpg")}, pair, &why));
    EXPECT_FALSE(why.isEmpty());
    EXPECT_EQ(Files(), (QStringList{"shot_front.jpg", "shot_rear.jpg"}));
}

TEST_F(SnapshotTest, PicturesAreWrittenAsJpegOrNotAtAll) {
    ASSERT_TRUE(WriteSnapshot(Path("shot.jpg"), m_picture));
    QFile file(Path("shot.jpg"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.read(3) == QByteArray("\xFF\xD8\xFF"));
    const QImage read(Path("shot.jpg"));
    ASSERT_EQ(read.size(), m_picture.size());
    const QColor centre = read.pixelColor(32, 18);
    EXPECT_NEAR(centre.red(), 200, 8);
    EXPECT_NEAR(centre.green(), 40, 8);

    EXPECT_FALSE(WriteSnapshot(Path("gone/shot.jpg"), m_picture));
    EXPECT_FALSE(WriteSnapshot(Path("empty.jpg"), QImage()));
    EXPECT_EQ(Files(), QStringList{"shot.jpg"});
}

}  // namespace
}  // namespace player
