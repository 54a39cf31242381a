// Damaged recordings through the player's own opening and playback: files cut at 10 to 90 % of
// their bytes and files with flipped bytes, in each container the camera family writes. Every
// one must be refused (the player then shows "error-invalid-stream") or play its readable part
// to the end the player watches for; none may crash or hang it.
// ROADPLAYER_DAMAGED_COUNT sets how many cut files (default 10; the flipped ones are half as
// many); scripts/damaged-recordings.sh runs the long version.

#include "player/playback/VideoPlayer.h"

#include "tests/support/Clips.h"
#include "tests/support/TestApp.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QWidget>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>

namespace {

using namespace player;

constexpr int kDefaultCutCount = 10;
constexpr int kFlippedBytes = 24;
// A file that opened must reach its end within its length, this margin and its length again.
constexpr qint64 kEndMarginMs = 4000;

enum class Outcome { Refused, PlayedToEnd, Stuck };

struct Tally {
    int refused = 0;
    int playedToEnd = 0;
    int stuck = 0;
    qint64 slowestMs = 0;
};

int CutCount() {
    bool ok = false;
    const int count = qEnvironmentVariableIntValue("ROADPLAYER_DAMAGED_COUNT", &ok);
    return ok && count > 0 ? count : kDefaultCutCount;
}

bool WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

class DamagedRecordingTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        qputenv("ROADPLAYER_REGISTRY_DIR", (m_dir.path() + "/registry").toUtf8());
        qputenv("ROADPLAYER_AUDIO_DEVICE", "none");
        m_front.resize(320, 180);
        m_rear.resize(160, 90);
    }

    // Opens and plays a file as the main window does: a refused file or one without a
    // duration is told as an invalid stream; otherwise it runs until its position reaches the
    // duration (where the window moves on).
    Outcome Play(const QString& path, qint64* elapsedMs) {
        QElapsedTimer clock;
        clock.start();
        Outcome outcome = Outcome::Refused;
        {
            CVideoPlayer player;
            player.AttachViews(&m_front, &m_rear);
            if (player.Open(path) != 0 && player.Graph() != nullptr &&
                player.GetDurationMs() != 0) {
                CPlayGraph* graph = player.Graph();
                const auto durationMs = static_cast<qint64>(player.GetDurationMs());
                graph->Run();
                outcome = Outcome::Stuck;
                const qint64 limit = clock.elapsed() + 2 * durationMs + kEndMarginMs;
                while (clock.elapsed() < limit) {
                    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
                    if (graph->GetPositionMs() >= durationMs) {
                        outcome = Outcome::PlayedToEnd;
                        break;
                    }
                }
                graph->Stop();
            }
            player.Release();
        }
        *elapsedMs = clock.elapsed();
        return outcome;
    }

    testsupport::AppFirst m_application;
    QTemporaryDir m_dir;
    QWidget m_front;
    QWidget m_rear;
};

TEST_F(DamagedRecordingTest, CutAndFlippedRecordingsAreRefusedOrPlayToTheirEnd) {
    QList<QByteArray> sources;
    for (const char* container : {"mp4", "mkv", "avi"}) {
        const QString clip = testsupport::MakeClip(
            m_dir.path(), {"--length", "2", "--container", container, "--fps", "10"});
        ASSERT_FALSE(clip.isEmpty()) << container;
        QFile file(clip);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        sources.append(file.readAll());
    }
    const QStringList extensions = {"mp4", "mkv", "avi"};

    const int cuts = CutCount();
    const int flips = std::max(1, cuts / 2);
    std::mt19937 random(20250517);
    Tally tally;
    for (int i = 0; i < cuts + flips; ++i) {
        const int source = i % static_cast<int>(sources.size());
        QByteArray bytes = sources[source];
        QString what;
        if (i < cuts) {
            // Evenly from 10 % to 90 %.
            const double share = 0.1 + 0.8 * (cuts > 1 ? double(i) / (cuts - 1) : 0.5);
            bytes.truncate(static_cast<qsizetype>(share * bytes.size()));
            what = QStringLiteral("cut at %1 %").arg(qRound(share * 100));
        } else {
            std::uniform_int_distribution<qsizetype> at(0, bytes.size() - 1);
            for (int n = 0; n < kFlippedBytes; ++n) {
                const qsizetype position = at(random);
                bytes[position] = static_cast<char>(~bytes[position]);
            }
            what = QStringLiteral("%1 bytes flipped").arg(kFlippedBytes);
        }
        const QString path =
            m_dir.path() + QStringLiteral("/damaged-%1.%2").arg(i).arg(extensions[source]);
        ASSERT_TRUE(WriteFile(path, bytes));
        qint64 elapsedMs = 0;
        const Outcome outcome = Play(path, &elapsedMs);
        tally.slowestMs = std::max(tally.slowestMs, elapsedMs);
        switch (outcome) {
            case Outcome::Refused:
                ++tally.refused;
                break;
            case Outcome::PlayedToEnd:
                ++tally.playedToEnd;
                break;
            case Outcome::Stuck:
                ++tally.stuck;
                ADD_FAILURE() << extensions[source].toStdString() << " " << what.toStdString()
                              << ": opened but never reached its end";
                break;
        }
        QFile::remove(path);
    }
    std::printf(
        "damaged recordings: %d tried, %d refused (invalid stream), %d played to their "
        "end, %d stuck; slowest %lld ms\n",
        cuts + flips, tally.refused, tally.playedToEnd, tally.stuck,
        static_cast<long long>(tally.slowestMs));
    // Some cuts keep a readable part: a reader that refuses everything damaged fails here.
    EXPECT_GT(tally.playedToEnd, 0);
}

}  // namespace
