// recording-info run as a user runs it, on recordings from make-sample-card.
#include "tests/support/Clips.h"
#include "tests/support/RunTool.h"
#include "tools/make-sample-card/FrameCode.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include <sys/stat.h>

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

// A card whose recordings follow each other: the trips of its folders, and one GPX of three.
TEST_F(RecordingInfoTest, TripsOfFoldersAndTheTrackOfSeveralRecordings) {
    const QString first = testsupport::MakeClip(
        m_dir.path(), {"--categories", "normal,event,event_n", "--count",
                       "normal=3,event=1,event_n=1", "--length", "2", "--audio", "none"});
    ASSERT_FALSE(first.isEmpty());
    const QDir card = QFileInfo(first).dir().absoluteFilePath("..");
    const QString normal = card.absoluteFilePath("NORMAL");
    const QStringList names = QDir(normal).entryList({"*.mp4"}, QDir::Files, QDir::Name);
    ASSERT_EQ(names.size(), 3);
    // An hour later, and a name without keys: trips of one each.
    ASSERT_TRUE(QFile::copy(first, normal + "/NOR_250517_153000_F.mp4"));
    ASSERT_TRUE(QFile::copy(first, normal + "/sub_clip.mp4"));
    struct Case {
        QStringList folders;
        QString lines;
    };
    const Case cases[] = {
        {{normal},
         "sub_clip.mp4\tsub_clip.mp4\t1\t2\n" + names[0] + '\t' + names[2] +
             "\t3\t6\nNOR_250517_153000_F.mp4\tNOR_250517_153000_F.mp4\t1\t2\n"},
        {{card.absoluteFilePath("EVENT_N"), card.absoluteFilePath("EVENT")},
         "EVT_250517_143006_F.mp4\tEVN_250517_143008_F.mp4\t2\t4\n"},
    };
    for (const Case& c : cases) {
        const ToolRun run = RunInfo(QStringList{"--trips"} + c.folders);
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        EXPECT_EQ(run.out, c.lines);
    }
    const ToolRun unreadable = RunInfo({"--trips", normal, m_dir.path() + "/no-such-folder"});
    EXPECT_EQ(unreadable.exitCode, 1);
    EXPECT_TRUE(unreadable.out.isEmpty()) << unreadable.out.toStdString();
    EXPECT_TRUE(unreadable.err.contains("no-such-folder")) << unreadable.err.toStdString();

    // The three as one track, a segment each, in the order given.
    QStringList paths;
    for (const QString& name : names) {
        paths << normal + '/' + name;
    }
    const QString gpx = m_dir.path() + "/trip.gpx";
    const ToolRun track = RunInfo(paths + QStringList{"--gpx", gpx});
    ASSERT_EQ(track.exitCode, 0) << track.err.toStdString();
    const QString text = ReadText(gpx);
    EXPECT_EQ(text.count("<trk>"), 1);
    EXPECT_EQ(text.count("<trkseg>"), 3);
    EXPECT_EQ(text.count("<trkpt "), 6);
    EXPECT_TRUE(text.contains("<name>" + QFileInfo(names[0]).completeBaseName() + "_trip</name>"));
    EXPECT_EQ(testsupport::RunTool("xmllint", {"--noout", gpx}).exitCode, 0);
    EXPECT_EQ(RunInfo(paths + QStringList{"--telemetry"}).exitCode, 2)
        << "several, not a trip track";
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

// A recording the player will not play still gets its streams reported, then the reason.
TEST_F(RecordingInfoTest, RefusedRecordingsShowWhatTheyHoldAndWhy) {
    const QString clip = testsupport::MakeClip(m_dir.path(), {"--cameras", "2", "--length", "2"});
    ASSERT_FALSE(clip.isEmpty());
    const QString three = m_dir.path() + "/three.mp4";
    const QString sound = m_dir.path() + "/sound.mp4";
    const QString unknown = m_dir.path() + "/unknown.mp4";
    ASSERT_TRUE(testsupport::Remux(clip, three, {0, 1, 0}));
    ASSERT_TRUE(testsupport::Remux(clip, sound, {2}));
    QFile source(clip);
    ASSERT_TRUE(source.open(QIODevice::ReadOnly));
    QFile renamed(unknown);
    ASSERT_TRUE(renamed.open(QIODevice::WriteOnly));
    renamed.write(source.readAll().replace("avc1", "zzv1").replace("mp4v", "zzv2"));
    renamed.close();
    struct Case {
        QString path;
        const char* videos;
        const char* reason;
    };
    const Case cases[] = {
        {three, "3", "3 video streams"},
        {sound, "0", "no video stream"},
        {unknown, "2", "unknown to the player"},
    };
    for (const Case& c : cases) {
        const ToolRun run = RunInfo({c.path});
        EXPECT_EQ(run.exitCode, 1) << c.reason;
        EXPECT_EQ(Field(run.out, "video streams"), c.videos) << run.out.toStdString();
        EXPECT_EQ(Field(run.out, "audio streams"),
                  c.path == unknown || c.path == sound ? "1" : "0");
        EXPECT_FALSE(Field(run.out, "duration ms").isEmpty()) << c.reason;
        EXPECT_TRUE(run.err.contains(QLatin1String(c.reason))) << run.err.toStdString();
    }
}

// --frame answers at once where no picture can come, writes the format its name asks for, and
// replaces an existing file only with a complete picture.
TEST_F(RecordingInfoTest, FrameFailuresNameTheirReasonAndKeepTheOldFile) {
    const QString clip = testsupport::MakeClip(m_dir.path(), {"--length", "2"});
    ASSERT_FALSE(clip.isEmpty());
    const QString old = m_dir.path() + "/old.jpg";
    const QByteArray oldBytes = "an older picture";
    QFile oldFile(old);
    ASSERT_TRUE(oldFile.open(QIODevice::WriteOnly));
    oldFile.write(oldBytes);
    oldFile.close();
    const QString fifo = m_dir.path() + "/fifo.mp4";
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    struct Case {
        QStringList arguments;
        const char* reason;
    };
    const Case cases[] = {
        {{clip, "--frame", "2500", old}, "beyond the recording's duration"},
        {{m_dir.path() + "/missing.mp4"}, "does not exist"},
        {{fifo}, "not a regular file"},
        {{clip, "--frame", "500", m_dir.path() + "/x.bmp"}, ".png"},
    };
    for (const Case& c : cases) {
        const ToolRun run = RunInfo(c.arguments);
        EXPECT_EQ(run.exitCode, 1) << c.reason;
        EXPECT_TRUE(run.err.contains(QLatin1String(c.reason))) << run.err.toStdString();
    }
    EXPECT_FALSE(QFile::exists(m_dir.path() + "/x.bmp"));

    const ToolRun full = testsupport::RunToolOnFullMedium(testsupport::ToolPath("recording-info"),
                                                          {clip, "--frame", "500", old}, 60000);
    EXPECT_EQ(full.exitCode, 1);
    EXPECT_TRUE(full.out.contains(QLatin1String("old.jpg: File too large")))
        << full.out.toStdString();
    ASSERT_TRUE(oldFile.open(QIODevice::ReadOnly));
    EXPECT_EQ(oldFile.readAll(), oldBytes);
    oldFile.close();

    const QString png = m_dir.path() + "/frame.png";
    const ToolRun run = RunInfo({clip, "--frame", "500", png});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_FALSE(QImage(png, "PNG").isNull());
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
