// recording-info run as a user runs it, on recordings from make-sample-card.
#include "tests/support/Clips.h"
#include "tests/support/RunTool.h"
#include "tools/make-sample-card/FrameCode.h"

#include <QDateTime>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

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

// The rows of a CSV text after its header, split at commas; the header itself in *header.
std::vector<QStringList> CsvRows(const QString& text, QStringList* header) {
    std::vector<QStringList> rows;
    QStringList lines = QString(text).remove('\r').split('\n', Qt::SkipEmptyParts);
    if (!lines.isEmpty()) {
        *header = lines.takeFirst().split(',');
    }
    for (const QString& line : lines) {
        rows.push_back(line.split(','));
    }
    return rows;
}

QString ReadText(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// ddmm.mmmm as written by --telemetry, in decimal degrees.
double Degrees(const QString& nmea) {
    const double value = nmea.toDouble() / 100.0;
    const double degrees = std::trunc(value);
    return degrees + (value - degrees) * 100.0 / 60.0;
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

// The track files against the telemetry the player reads, the GPX through an independent
// reader. The camera's clock starts just before 09:00, so the UTC times cross midnight.
TEST_F(RecordingInfoTest, TrackFilesCarryEveryFixInUtc) {
    const QString clip =
        testsupport::MakeClip(m_dir.path(), {"--length", "4", "--start", "2025-05-18 08:59:58"});
    ASSERT_FALSE(clip.isEmpty());
    const QString gpx = m_dir.path() + "/track.gpx";
    const QString csv = m_dir.path() + "/track.csv";
    const ToolRun run = RunInfo({clip, "--telemetry", "--gpx", gpx, "--csv", csv});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    QStringList fixes;
    for (const QString& line : run.out.split('\n')) {
        if (line.startsWith("G,")) {
            fixes << line;
        }
    }
    ASSERT_EQ(fixes.size(), 4);

    const ToolRun wellFormed = testsupport::RunTool("xmllint", {"--noout", gpx});
    EXPECT_EQ(wellFormed.exitCode, 0)
        << "xmllint (libxml2-utils): " << wellFormed.err.toStdString();
    // Times in UTC (utc=0), whatever the reader's own clock zone.
    qputenv("TZ", "Asia/Seoul");
    const ToolRun babel = testsupport::RunTool(
        "gpsbabel", {"-t", "-i", "gpx", "-f", gpx, "-o", "unicsv,utc=0", "-F", "-"});
    qunsetenv("TZ");
    ASSERT_EQ(babel.exitCode, 0) << "gpsbabel: " << babel.err.toStdString();
    QStringList babelHeader;
    const std::vector<QStringList> read = CsvRows(babel.out, &babelHeader);
    QStringList csvHeader;
    const std::vector<QStringList> rows = CsvRows(ReadText(csv), &csvHeader);
    EXPECT_EQ(csvHeader.join(','), "time_ms,utc,latitude,longitude,speed_kmh,course");
    ASSERT_EQ(read.size(), 4u) << babel.out.toStdString();
    ASSERT_EQ(rows.size(), 4u);
    const auto column = [&](const char* name) { return babelHeader.indexOf(name); };
    ASSERT_GE(column("Time"), 0) << babel.out.toStdString();

    const QDateTime firstUtc(QDate(2025, 5, 17), QTime(23, 59, 58), Qt::UTC);
    for (int i = 0; i < 4; ++i) {
        // kind,time_ms,year,month,day,hour,minute,second,valid,latitude,longitude,speed,course
        const QStringList fix = fixes[i].split(',');
        ASSERT_EQ(fix.size(), 13);
        const QDateTime utc = firstUtc.addSecs(i);
        const double latitude = Degrees(fix[9]);
        const double longitude = Degrees(fix[10]);
        SCOPED_TRACE(fixes[i].toStdString());

        const QStringList& b = read[static_cast<size_t>(i)];
        EXPECT_NEAR(b[column("Latitude")].toDouble(), latitude, 2e-6);
        EXPECT_NEAR(b[column("Longitude")].toDouble(), longitude, 2e-6);
        EXPECT_EQ(b[column("Date")] + ' ' + b[column("Time")], utc.toString("yyyy/MM/dd HH:mm:ss"));

        const QStringList& c = rows[static_cast<size_t>(i)];
        ASSERT_EQ(c.size(), 6);
        EXPECT_EQ(c[0], fix[1]);
        EXPECT_EQ(c[1], utc.toString("yyyy-MM-ddTHH:mm:ssZ"));
        EXPECT_NEAR(c[2].toDouble(), latitude, 2e-6);
        EXPECT_NEAR(c[3].toDouble(), longitude, 2e-6);
        EXPECT_NEAR(c[4].toDouble(), fix[11].toDouble(), 1e-4);
        EXPECT_NEAR(c[5].toDouble(), fix[12].toDouble(), 1e-4);
    }

    // Without GPS there is no track: a clear failure and no file.
    const QString plain =
        testsupport::MakeClip(m_dir.path(), {"--length", "2", "--telemetry", "off"});
    ASSERT_FALSE(plain.isEmpty());
    const QString none = m_dir.path() + "/none.gpx";
    const ToolRun refused = RunInfo({plain, "--gpx", none});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.err.contains("no valid GPS fix")) << refused.err.toStdString();
    EXPECT_FALSE(QFile::exists(none));
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
        {{clip, "--gpx"}, 2},
        {{clip, "--csv", m_dir.path() + "/no/such/folder/x.csv"}, 1},
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
