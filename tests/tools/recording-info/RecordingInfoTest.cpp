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
#include <unistd.h>

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
        qputenv("ROADPLAYER_DATA_DIR", (m_dir.path() + "/data").toUtf8());
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
    EXPECT_EQ(csvHeader.join(','), "time_ms,utc,latitude,longitude,speed_kmh,course,event");
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
        ASSERT_EQ(c.size(), 7);
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

// The incidents make-sample-card labels are the lines --incidents prints (peak ms, kind, g with
// two decimals, tab-separated), and the track files carry them as waypoints and events. A calm
// recording has none and one without G-sensor readings says so; both end with status 0.
TEST_F(RecordingInfoTest, IncidentsAreListedAndCarriedIntoTheTrackFiles) {
    const QString card = m_dir.path() + "/card";
    const ToolRun made = testsupport::RunTool(
        testsupport::ToolPath("make-sample-card"),
        {card, "--incidents", "--categories", "normal", "--length", "52", "--size", "160x90",
         "--rear-size", "160x90", "--fps", "5", "--audio", "none"});
    ASSERT_EQ(made.exitCode, 0) << made.err.toStdString();
    QString clip;
    std::vector<QStringList> labels;  // peak ms, kind
    for (const QString& line : made.out.split('\n')) {
        const QStringList fields = line.split('\t');
        if (fields.size() == 5 && fields[0] == "incident") {
            clip = card + '/' + fields[1];
            labels.push_back({fields[2], fields[3]});
        }
    }
    ASSERT_EQ(labels.size(), 4u) << made.out.toStdString();
    const QString gpx = m_dir.path() + "/track.gpx";
    const QString csv = m_dir.path() + "/track.csv";
    const ToolRun run = RunInfo({clip, "--incidents", "--gpx", gpx, "--csv", csv});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    static const QRegularExpression line("^(\\d+)\t([a-z]+)\t(\\d+\\.\\d\\d)$");
    std::vector<QStringList> found;
    for (const QString& text : run.out.split('\n')) {
        if (const QRegularExpressionMatch m = line.match(text); m.hasMatch()) {
            found.push_back({m.captured(1), m.captured(2), m.captured(3)});
        } else {
            EXPECT_FALSE(text.contains('\t')) << text.toStdString();
        }
    }
    ASSERT_EQ(found.size(), labels.size()) << run.out.toStdString();
    const ToolRun babel =
        testsupport::RunTool("gpsbabel", {"-w", "-i", "gpx", "-f", gpx, "-o", "unicsv", "-F", "-"});
    ASSERT_EQ(babel.exitCode, 0) << "gpsbabel: " << babel.err.toStdString();
    QStringList babelHeader;
    const std::vector<QStringList> waypoints = CsvRows(babel.out, &babelHeader);
    QStringList csvHeader;
    std::vector<QStringList> events;
    for (const QStringList& row : CsvRows(ReadText(csv), &csvHeader)) {
        if (!row.last().isEmpty()) {
            events.push_back(row);
        }
    }
    ASSERT_EQ(waypoints.size(), found.size()) << babel.out.toStdString();
    ASSERT_EQ(events.size(), found.size());
    for (size_t i = 0; i < found.size(); ++i) {
        EXPECT_NEAR(found[i][0].toInt(), labels[i][0].toInt(), 500);
        EXPECT_EQ(found[i][1], labels[i][1]);
        EXPECT_EQ(waypoints[i][babelHeader.indexOf("Name")], '"' + labels[i][1] + '"');
        EXPECT_EQ(events[i].last(), labels[i][1]);
        EXPECT_NEAR(events[i][0].toInt(), found[i][0].toInt(), 500);  // the fix nearest the peak
    }

    const struct {
        QStringList options;
        bool gsensor;
    } quiet[] = {{{"--length", "3"}, true}, {{"--length", "2", "--telemetry", "off"}, false}};
    for (const auto& c : quiet) {
        const QString plain = testsupport::MakeClip(m_dir.path(), c.options);
        ASSERT_FALSE(plain.isEmpty());
        const ToolRun none = RunInfo({plain, "--incidents"});
        EXPECT_EQ(none.exitCode, 0) << none.err.toStdString();
        EXPECT_FALSE(none.out.contains('\t'));
        EXPECT_EQ(none.out.contains("no G-sensor readings"), !c.gsensor) << none.out.toStdString();
    }
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
    const QByteArray firstBefore = ReadAll(first);
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
    // The original by other names: a link, a hard link, a path through "..", a linked folder.
    const QString folder = cut.left(cut.lastIndexOf('/'));
    const QString name = cut.mid(cut.lastIndexOf('/') + 1);
    ASSERT_TRUE(QFile::link(cut, m_dir.path() + "/link.mp4"));
    ASSERT_EQ(::link(QFile::encodeName(cut).constData(),
                     QFile::encodeName(m_dir.path() + "/hard.mp4").constData()),
              0);
    ASSERT_TRUE(QFile::link(folder, m_dir.path() + "/card-link"));
    const Case refused[] = {
        {{cut, "--repair", cut}, "must not replace the original"},
        {{cut, "--repair", m_dir.path() + "/link.mp4"}, "must not replace the original"},
        {{cut, "--repair", m_dir.path() + "/hard.mp4"}, "must not replace the original"},
        {{cut, "--repair", folder + "/../" + folder.mid(folder.lastIndexOf('/') + 1) + '/' + name},
         "must not replace the original"},
        {{cut, "--repair", m_dir.path() + "/card-link/" + name}, "must not replace the original"},
        {{cut, "--repair", copy, "--reference", first, "--gpx", first},
         "must not replace the original"},
        {{first, "--csv", m_dir.path() + "/card-link/" + first.mid(first.lastIndexOf('/') + 1)},
         "must not replace the original"},
        {{first, "--repair", copy}, "no recording cut by a power loss"},
        {{cut, "--repair", copy, "--reference", cut}, "reference"},
    };
    for (const Case& c : refused) {
        const ToolRun run = RunInfo(c.arguments);
        EXPECT_EQ(run.exitCode, 1) << c.error;
        EXPECT_TRUE(run.err.contains(QLatin1String(c.error))) << run.err.toStdString();
    }
    EXPECT_EQ(ReadAll(cut), before);
    EXPECT_EQ(ReadAll(first), firstBefore);
}

// A card of three 2 s recordings that follow each other; their paths in order.
QStringList MakeDrive(const QString& folder, const QStringList& options = {}) {
    const QString first = testsupport::MakeClip(
        folder, QStringList{"--count", "normal=3", "--length", "2"} + options);
    const QDir recordings = QFileInfo(first).dir();
    QStringList paths;
    for (const QString& name : recordings.entryList({"*.mp4"}, QDir::Files, QDir::Name)) {
        paths << recordings.filePath(name);
    }
    return paths;
}

// ffmpeg decodes every picture and the sound without a word.
bool DecodesCleanly(const QString& path) {
    const ToolRun run = testsupport::RunTool(
        "ffmpeg", {"-v", "error", "-i", path, "-map", "0:v", "-map", "0:a", "-f", "null", "-"});
    return run.exitCode == 0 && run.err.trimmed().isEmpty();
}

TEST_F(RecordingInfoTest, ClipSpansRecordingsAndOpensInThePlayerAndInFfmpeg) {
    const QStringList drive = MakeDrive(m_dir.path());
    ASSERT_EQ(drive.size(), 3);
    struct Case {
        QStringList options;
        const char* videos;
        int durationMs;  // lossless: from the key frame at 0
    };
    const Case cases[] = {
        {{}, "2", 5500},
        {{"--layout", "pip", "--corner", "tr", "--overlay", "--units", "mph"}, "1", 5000},
        {{"--layout", "side", "--overlay"}, "1", 5000},
    };
    // A name near the file system's limit: the temporary name beside it stays short.
    const QString out = m_dir.path() + "/" + QString(240, 'c') + ".mp4";
    for (const Case& c : cases) {
        const std::string label = c.options.join(' ').toStdString();
        const ToolRun run = RunInfo(
            QStringList{"--clip", out, "--from", drive[0] + ":500", "--to", drive[2] + ":1500"} +
            c.options);
        ASSERT_EQ(run.exitCode, 0) << label << run.err.toStdString();
        EXPECT_TRUE(run.out.startsWith("wrote " + out)) << label;
        EXPECT_FALSE(run.err.contains("clip:")) << label << ": progress shown off a terminal";
        const ToolRun info = RunInfo({out});
        ASSERT_EQ(info.exitCode, 0) << label << info.err.toStdString();
        EXPECT_EQ(Field(info.out, "video streams"), c.videos) << label;
        EXPECT_EQ(Field(info.out, "audio"), "AAC") << label;
        EXPECT_NEAR(Field(info.out, "duration ms").toInt(), c.durationMs, 70) << label;
        EXPECT_GE(Field(info.out, "gps samples").toInt(), 4) << label;
        EXPECT_GE(Field(info.out, "g-sensor samples").toInt(), c.durationMs / 100 - 1) << label;
        EXPECT_TRUE(DecodesCleanly(out)) << label;
    }
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

TEST_F(RecordingInfoTest, ClipWithoutLocationHoldsNoFixAndNoPlace) {
    const QStringList drive = MakeDrive(m_dir.path());
    ASSERT_EQ(drive.size(), 3);
    // Cameras may tag their files with a place; so do these, as the MP4 location box.
    for (const QString& path : drive) {
        const QString tagged = path + ".tagged.mp4";
        ASSERT_EQ(
            testsupport::RunTool("ffmpeg", {"-v", "error", "-i", path, "-map", "0", "-c", "copy",
                                            "-metadata", "location=+37.4001+127.0301/", tagged})
                .exitCode,
            0);
        ASSERT_TRUE(QFile::remove(path) && QFile::rename(tagged, path));
    }
    const auto placeTags = [](const QString& path) {
        const ToolRun probe = testsupport::RunTool(
            "ffprobe", {"-v", "error", "-show_entries", "format_tags:stream_tags", path});
        QFile file(path);
        const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        return probe.out.count("location", Qt::CaseInsensitive) + bytes.count("\xa9xyz") +
               bytes.count("+37.4001");
    };
    ASSERT_GT(placeTags(drive[0]), 0);
    const QString out = m_dir.path() + "/clip.mp4";
    struct Case {
        QStringList options;
        bool place;
    };
    const Case cases[] = {
        {{}, true},
        {{"--no-location"}, false},
        {{"--no-location", "--layout", "pip", "--overlay"}, false},
    };
    for (const Case& c : cases) {
        const std::string label = c.options.join(' ').toStdString();
        const ToolRun run = RunInfo(
            QStringList{"--clip", out, "--from", drive[0] + ":200", "--to", drive[1] + ":1800"} +
            c.options);
        ASSERT_EQ(run.exitCode, 0) << label << run.err.toStdString();
        const ToolRun telemetry = RunInfo({out, "--telemetry"});
        ASSERT_EQ(telemetry.exitCode, 0) << label;
        EXPECT_EQ(Field(telemetry.out, "gps samples").toInt() > 0, c.place) << label;
        EXPECT_EQ(telemetry.out.contains("\nG,"), c.place) << label;
        EXPECT_GE(Field(telemetry.out, "g-sensor samples").toInt(), 30) << label;
        EXPECT_EQ(placeTags(out) > 0, c.place) << label;
    }
}

TEST_F(RecordingInfoTest, ClipFailuresExitWithTheReasonAndLeaveNoFile) {
    const QStringList drive = MakeDrive(m_dir.path() + "/a");
    const QStringList other = MakeDrive(m_dir.path() + "/b", {"--length", "3"});  // gaps of 3 s
    ASSERT_EQ(drive.size(), 3);
    ASSERT_EQ(other.size(), 3);
    ASSERT_TRUE(QFile::remove(other[1]));
    const QString outFolder = m_dir.path() + "/out";
    ASSERT_TRUE(QDir().mkpath(outFolder));
    const QString out = outFolder + "/clip.mp4";
    struct Case {
        QStringList arguments;
        int exitCode;
        const char* reason;
        bool fullMedium = false;
    };
    const Case cases[] = {
        {{"--from", other[0] + ":0", "--to", other[2] + ":500"}, 1, "does not follow"},
        {{"--from", drive[2] + ":0", "--to", drive[0] + ":500"}, 1, "recorded before"},
        {{"--from", drive[0] + ":0", "--to", other[0] + ":500"}, 1, "one folder"},
        {{"--from", drive[0] + ":2500", "--to", drive[1] + ":500"}, 1, "starts after the end"},
        {{"--from", drive[0] + ":900", "--to", drive[0] + ":900"}, 1, "not after its start"},
        {{"--from", drive[0] + ":0", "--to", drive[1] + ":500", "--layout", "grid"}, 2, "usage"},
        {{"--from", drive[0] + ":0", "--to", drive[1] + ":500", "--overlay"}, 2, "usage"},
        {{"--from", drive[0] + ":0", "--to", drive[1] + ":500"}, 1, "larger than", true},
        {{"--from", drive[0] + ":0", "--to", drive[1] + ":500", "--layout", "front"},
         1,
         "larger than",
         true},
    };
    for (const Case& c : cases) {
        const QStringList arguments = QStringList{"--clip", out} + c.arguments;
        const std::string label = arguments.join(' ').toStdString();
        const ToolRun run = c.fullMedium ? testsupport::RunToolOnFullMedium(
                                               testsupport::ToolPath("recording-info"), arguments)
                                         : RunInfo(arguments);
        EXPECT_EQ(run.exitCode, c.exitCode) << label;
        EXPECT_TRUE((run.err + run.out).contains(c.reason))
            << label << (run.err + run.out).toStdString();
        EXPECT_TRUE(QDir(outFolder).entryList(QDir::Files | QDir::Hidden).isEmpty()) << label;
    }
    const ToolRun missing = RunInfo({"--clip", m_dir.path() + "/gone/clip.mp4", "--from",
                                     drive[0] + ":0", "--to", drive[0] + ":500"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(missing.err.contains("does not exist")) << missing.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(m_dir.path() + "/gone"));
}

}  // namespace
