// recording-info run as a user runs it, on recordings from make-sample-card.
#include "tests/support/Clips.h"
#include "tests/support/RunTool.h"
#include "tools/make-sample-card/FrameCode.h"

#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using testsupport::ToolRun;

ToolRun RunInfo(const QStringList& arguments) {
    return testsupport::RunTool(testsupport::ToolPath("recording-info"), arguments, 60000);
}

// The value after "name: " in the summary, empty when the line is missing.
QString Field(const QString& out, const QString& name) {
    for (const QString& line : out.split('\n')) {
        if (line.startsWith(name + ": ")) {
            return line.mid(name.size() + 2);
        }
    }
    return {};
}

class RecordingInfoTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        qputenv("ROADPLAYER_REGISTRY_DIR", (m_dir.path() + "/registry").toUtf8());
    }
    QTemporaryDir m_dir;
};

TEST_F(RecordingInfoTest, SummaryShowsWhatTheGeneratorWrote) {
    struct Case {
        QStringList options;
        const char* videos;
        const char* audio;
        int durationMs;
        const char* gps;
        const char* gsensor;
    };
    const Case cases[] = {
        {{"--cameras", "2", "--audio", "aac", "--length", "3"}, "2", "AAC", 3000, "3", "30"},
        {{"--cameras", "1", "--audio", "pcm", "--length", "2"}, "1", "PCM", 2000, "2", "20"},
        {{"--cameras", "2", "--audio", "none", "--length", "2", "--telemetry", "off", "--container",
          "mkv"},
         "2",
         "none",
         2000,
         "0",
         "0"},
    };
    for (const Case& c : cases) {
        const QString clip = testsupport::MakeClip(m_dir.path(), c.options);
        ASSERT_FALSE(clip.isEmpty());
        const ToolRun run = RunInfo({clip});
        const std::string label = c.options.join(' ').toStdString();
        ASSERT_EQ(run.exitCode, 0) << label << run.err.toStdString();
        EXPECT_EQ(Field(run.out, "video streams"), c.videos) << label;
        EXPECT_EQ(Field(run.out, "audio"), c.audio) << label;
        EXPECT_NEAR(Field(run.out, "duration ms").toInt(), c.durationMs, 100) << label;
        EXPECT_EQ(Field(run.out, "gps samples"), c.gps) << label;
        EXPECT_EQ(Field(run.out, "g-sensor samples"), c.gsensor) << label;
        EXPECT_FALSE(run.out.contains("kind,")) << label;  // no CSV unless asked
    }
}

TEST_F(RecordingInfoTest, TelemetryCsvHasOneRowPerSample) {
    const QString clip = testsupport::MakeClip(m_dir.path(), {"--length", "3"});
    ASSERT_FALSE(clip.isEmpty());
    const ToolRun run = RunInfo({clip, "--telemetry"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    QStringList gps;
    QStringList gsensor;
    for (const QString& line : run.out.split('\n')) {
        if (line.startsWith("G,")) {
            gps << line;
        } else if (line.startsWith("M,")) {
            gsensor << line;
        }
    }
    ASSERT_EQ(gps.size(), 3);
    ASSERT_EQ(gsensor.size(), 30);
    for (int i = 0; i < gps.size(); ++i) {
        const QStringList fields = gps[i].split(',');
        ASSERT_EQ(fields.size(), 13) << gps[i].toStdString();
        EXPECT_EQ(fields[1].toInt(), i * 1000);
        EXPECT_EQ(fields[8], "1");  // valid
    }
    const QStringList last = gsensor.last().split(',');
    ASSERT_EQ(last.size(), 5);
    EXPECT_EQ(last[1].toInt(), 2900);
}

TEST_F(RecordingInfoTest, FrameOptionSavesThePictureAtThePosition) {
    const QString clip = testsupport::MakeClip(
        m_dir.path(), {"--cameras", "2", "--length", "3", "--fps", "10", "--frame-code"});
    ASSERT_FALSE(clip.isEmpty());
    struct Case {
        int positionMs;
        int frame;
    };
    for (const Case c : {Case{1000, 10}, Case{0, 0}, Case{2550, 25}, Case{1230, 12}}) {
        const QString jpeg = m_dir.path() + QStringLiteral("/frame%1.jpg").arg(c.positionMs);
        const ToolRun run = RunInfo({clip, "--frame", QString::number(c.positionMs), jpeg});
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        const QImage image(jpeg, "JPEG");
        ASSERT_FALSE(image.isNull()) << c.positionMs;
        EXPECT_EQ(image.size(), QSize(320, 180));
        EXPECT_EQ(framecode::DecodeFrameCode(image), c.frame) << c.positionMs;
    }
}

TEST_F(RecordingInfoTest, FailuresAreReportedWithTheirExitCode) {
    const QString clip = testsupport::MakeClip(m_dir.path(), {"--length", "2"});
    ASSERT_FALSE(clip.isEmpty());
    QFile junk(m_dir.path() + "/junk.mp4");
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write(QByteArray(2048, '\x11'));
    junk.close();
    struct Case {
        QStringList arguments;
        int exitCode;
    };
    const Case cases[] = {
        {{}, 2},
        {{clip, "--frame", "100"}, 2},
        {{clip, "--frame", "-5", "x.jpg"}, 2},
        {{clip, "--bogus"}, 2},
        {{m_dir.path() + "/missing.mp4"}, 1},
        {{junk.fileName()}, 1},
        {{clip, "--frame", "500", m_dir.path() + "/no/such/folder/x.jpg"}, 1},
    };
    for (const Case& c : cases) {
        const ToolRun run = RunInfo(c.arguments);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.arguments.join(' ').toStdString();
        EXPECT_FALSE(run.err.isEmpty());
    }
}

}  // namespace

namespace {

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A recording cut by a power loss gets a playable copy, from its sibling or a named reference;
// the original stays as it was, and what cannot be repaired says why.
TEST_F(RecordingInfoTest, RepairWritesAPlayableCopyAndLeavesTheOriginal) {
    const QString first = testsupport::MakeClip(
        m_dir.path(),
        {"--categories", "normal", "--count", "normal=2", "--length", "2", "--cut", "60"});
    ASSERT_FALSE(first.isEmpty());
    const QString cut = first.left(first.lastIndexOf('/') + 1) + "NOR_250517_143002_F.mp4";
    const QByteArray before = ReadAll(cut);
    ASSERT_FALSE(before.isEmpty());
    const QString copy = m_dir.path() + "/repaired.mp4";
    for (const QStringList& reference : {QStringList{}, QStringList{"--reference", first}}) {
        QFile::remove(copy);
        const ToolRun run = RunInfo(QStringList{cut, "--repair", copy} + reference);
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        EXPECT_TRUE(run.out.contains("reference: " + first)) << run.out.toStdString();
        EXPECT_TRUE(run.out.contains(QRegularExpression("video h264: [1-9][0-9]* samples")));
        EXPECT_TRUE(run.out.contains(QRegularExpression("telemetry mov_text: [1-9]")));
        const ToolRun info = RunInfo({copy});
        ASSERT_EQ(info.exitCode, 0) << info.err.toStdString();
        EXPECT_EQ(Field(info.out, "video streams"), "2");
        EXPECT_EQ(Field(info.out, "audio"), "AAC");
        EXPECT_GT(Field(info.out, "gps samples").toInt(), 0);
    }
    EXPECT_EQ(ReadAll(cut), before);

    struct Case {
        QStringList arguments;
        const char* error;
    };
    const Case refused[] = {
        {{cut, "--repair", cut}, "must not replace the original"},
        {{first, "--repair", copy}, "no recording cut by a power loss"},
        {{cut, "--repair", copy, "--reference", cut}, "reference"},
    };
    for (const Case& c : refused) {
        const ToolRun run = RunInfo(c.arguments);
        EXPECT_EQ(run.exitCode, 1) << c.error;
        EXPECT_TRUE(run.err.contains(QLatin1String(c.error))) << run.err.toStdString();
    }
    EXPECT_EQ(ReadAll(cut), before);
}

}  // namespace
