#include "player/catalogue/Snapshot.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

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
        // Another length than the proposed name: no number.
        {"trip.jpg", 2, {"trip_front.jpg", "trip_rear.jpg"}},
        {"trip.jpg", 2, {"trip_front.jpg", "trip_rear.jpg"}},  // the user agreed to overwrite
        {"trip", 1, {"trip.jpg"}},                             // no extension typed
        {"trip.jpeg", 1, {"trip.jpg"}},                        // the typed extension goes
        {"NOR_250517_143000_X", 1, {"NOR_250517_143000_X_000.jpg"}},  // the same length
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Capture(c.typed, c.videoCount), c.written) << c.typed;
    }
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
