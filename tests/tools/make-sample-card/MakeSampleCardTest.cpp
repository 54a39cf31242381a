// Runs the built tool and reads its cards back through libavformat.

#include "RecordingProbe.h"
#include "tests/support/RunTool.h"

#include "tools/make-sample-card/CardOptions.h"
#include "tools/make-sample-card/DriveModel.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>

namespace {

using testsupport::ToolRun;

ToolRun RunTool(const QStringList& arguments) {
    return testsupport::RunTool(testsupport::ToolPath("make-sample-card"), arguments);
}

QStringList FilesBelow(const QString& root) {
    QStringList files;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        files << QDir(root).relativeFilePath(it.next());
    }
    files.sort();
    return files;
}

int CountType(const probe::Recording& r, AVMediaType type) {
    int n = 0;
    for (const probe::Stream& s : r.streams) {
        n += s.type == type ? 1 : 0;
    }
    return n;
}

// Options as the tool would parse them, so the expected drive can be rebuilt here.
samplecard::CardOptions Parsed(const QStringList& arguments) {
    const samplecard::ParseResult parsed = samplecard::ParseCardOptions(arguments);
    EXPECT_EQ(parsed.status, samplecard::ParseStatus::Run) << parsed.error.toStdString();
    return parsed.options;
}

TEST(MakeSampleCard, WritesFoldersNamesSettingsAndLabelInCardOrder) {
    QTemporaryDir dir;
    const QStringList args{dir.path(),
                           QStringLiteral("--count"),
                           QStringLiteral("normal=2,event_n=0,motion=1"),
                           QStringLiteral("--length"),
                           QStringLiteral("1"),
                           QStringLiteral("--start"),
                           QStringLiteral("2024-12-31 23:59:59"),
                           QStringLiteral("--label"),
                           QStringLiteral("MY CARD")};
    const ToolRun run = RunTool(args);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QStringList expected{QStringLiteral("NORMAL/NOR_241231_235959_F.mp4"),
                               QStringLiteral("NORMAL/NOR_250101_000000_F.mp4"),
                               QStringLiteral("EVENT/EVT_250101_000001_F.mp4"),
                               QStringLiteral("MANUAL/MAN_250101_000002_F.mp4"),
                               QStringLiteral("MOTION/MOT_250101_000003_F.mp4"),
                               QStringLiteral("SETTING/BK_Setting.cfg"),
                               QStringLiteral(".volume_label")};
    QStringList printed;
    for (const QString& path : expected) {
        printed << QStringLiteral("wrote ") + path;
    }
    EXPECT_EQ(run.out.trimmed().split(QLatin1Char('\n')), printed);
    QStringList sorted = expected;
    sorted.sort();
    EXPECT_EQ(FilesBelow(dir.path()), sorted);  // nothing half-written left behind
    EXPECT_TRUE(QDir(dir.filePath(QStringLiteral("EVENT_N"))).exists());
    QFile settings(dir.filePath(QStringLiteral("SETTING/BK_Setting.cfg")));
    ASSERT_TRUE(settings.open(QIODevice::ReadOnly));
    EXPECT_EQ(settings.readAll(), QByteArray("032304   "));
    QFile label(dir.filePath(QStringLiteral(".volume_label")));
    ASSERT_TRUE(label.open(QIODevice::ReadOnly));
    EXPECT_EQ(label.readLine().trimmed(), QByteArray("MY CARD"));
}

TEST(MakeSampleCard, StreamsFollowCamerasAudioAndContainer) {
    struct Case {
        QString cameras, audio, container;
        int video;
        AVCodecID audioCodec;  // AV_CODEC_ID_NONE: no audio stream
        AVCodecID textCodec;   // AV_CODEC_ID_NONE: no text track
    };
    const Case cases[] = {
        {"1", "aac", "mp4", 1, AV_CODEC_ID_AAC, AV_CODEC_ID_MOV_TEXT},
        {"2", "pcm", "mp4", 2, AV_CODEC_ID_PCM_S16LE, AV_CODEC_ID_MOV_TEXT},
        {"2", "none", "mp4", 2, AV_CODEC_ID_NONE, AV_CODEC_ID_MOV_TEXT},
        {"2", "aac", "mkv", 2, AV_CODEC_ID_AAC, AV_CODEC_ID_SUBRIP},
        {"1", "pcm", "avi", 1, AV_CODEC_ID_PCM_S16LE, AV_CODEC_ID_NONE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE((c.cameras + " " + c.audio + " " + c.container).toStdString());
        QTemporaryDir dir;
        const ToolRun run =
            RunTool({dir.path(), "--categories", "manual", "--length", "1", "--cameras", c.cameras,
                     "--audio", c.audio, "--container", c.container});
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        const probe::Recording r =
            probe::Read(dir.filePath("MANUAL/MAN_250517_143000_F." + c.container));
        ASSERT_TRUE(r.opened);
        ASSERT_EQ(CountType(r, AVMEDIA_TYPE_VIDEO), c.video);
        EXPECT_EQ(r.streams[0].type, AVMEDIA_TYPE_VIDEO);
        EXPECT_EQ(r.streams[0].width, 320);  // front first
        if (c.video == 2) {
            EXPECT_EQ(r.streams[1].width, 160);
        }
        EXPECT_EQ(CountType(r, AVMEDIA_TYPE_AUDIO), c.audioCodec == AV_CODEC_ID_NONE ? 0 : 1);
        EXPECT_EQ(CountType(r, AVMEDIA_TYPE_SUBTITLE), c.textCodec == AV_CODEC_ID_NONE ? 0 : 1);
        for (const probe::Stream& s : r.streams) {
            if (s.type == AVMEDIA_TYPE_AUDIO) {
                EXPECT_EQ(s.codec, c.audioCodec);
            }
            if (s.type == AVMEDIA_TYPE_SUBTITLE) {
                EXPECT_EQ(s.codec, c.textCodec);
            }
        }
    }
}

TEST(MakeSampleCard, TelemetryReadsBackIdenticalWithItsTimes) {
    for (const QString& container : {QStringLiteral("mp4"), QStringLiteral("mkv")}) {
        SCOPED_TRACE(container.toStdString());
        QTemporaryDir dir;
        const QStringList args{dir.path(),    "--categories",     "normal,event",
                               "--count",     "normal=2,event=1", "--length",
                               "2",           "--audio",          "aac",
                               "--container", container};
        const ToolRun run = RunTool(args);
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        const std::vector<samplecard::PlannedClip> card = samplecard::SimulateCard(Parsed(args));
        ASSERT_EQ(card.size(), 3U);
        for (const samplecard::PlannedClip& planned : card) {
            std::vector<probe::TextLine> expected;
            for (const samplecard::TelemetrySample& s :
                 samplecard::BuildTelemetry(planned.clip, planned.drive, 2)) {
                const QStringList lines = QString::fromStdString(s.text).split(QLatin1Char('\n'));
                for (const QString& line : lines) {
                    expected.push_back({s.startMs, line.toStdString()});
                }
            }
            const probe::Recording r = probe::Read(dir.filePath(planned.clip.relativePath));
            ASSERT_EQ(r.telemetry.size(), expected.size())
                << planned.clip.relativePath.toStdString();
            ASSERT_EQ(expected.size(), 2U + 20U);  // 'G' at 1 Hz, 'M' at 10 Hz
            for (std::size_t i = 0; i < expected.size(); ++i) {
                EXPECT_EQ(r.telemetry[i].timeMs, expected[i].timeMs) << i;
                EXPECT_EQ(r.telemetry[i].text, expected[i].text) << i;
            }
        }
    }
}

TEST(MakeSampleCard, TelemetryOffLeavesNoTextTrack) {
    QTemporaryDir dir;
    const ToolRun run =
        RunTool({dir.path(), "--categories", "event", "--length", "1", "--telemetry", "off"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const probe::Recording r = probe::Read(dir.filePath("EVENT/EVT_250517_143000_F.mp4"));
    ASSERT_TRUE(r.opened);
    EXPECT_EQ(CountType(r, AVMEDIA_TYPE_SUBTITLE), 0);
}

TEST(MakeSampleCard, FrameCodesCountEveryWrittenFrameInBothCameras) {
    QTemporaryDir dir;
    const ToolRun run = RunTool({dir.path(), "--categories", "normal", "--length", "2", "--fps",
                                 "12", "--frame-code", "--audio", "none"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QString path = dir.filePath("NORMAL/NOR_250517_143000_F.mp4");
    for (int stream : {0, 1}) {
        SCOPED_TRACE(stream);
        const std::vector<int> codes = probe::FrameCodes(path, stream);
        ASSERT_EQ(codes.size(), 24U);
        for (std::size_t i = 0; i < codes.size(); ++i) {
            EXPECT_EQ(codes[i], static_cast<int>(i));
        }
    }
}

TEST(MakeSampleCard, ToneIsAPureSineOfTheAskedFrequency) {
    for (const QString& audio : {QStringLiteral("pcm"), QStringLiteral("aac")}) {
        SCOPED_TRACE(audio.toStdString());
        QTemporaryDir dir;
        const ToolRun run = RunTool({dir.path(), "--categories", "motion", "--length", "1",
                                     "--cameras", "1", "--tone", "1000", "--audio", audio});
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        int rate = 0;
        const std::vector<float> samples =
            probe::AudioSamples(dir.filePath("MOTION/MOT_250517_143000_F.mp4"), rate);
        ASSERT_EQ(rate, 48000);
        ASSERT_GE(samples.size(), 47000U);
        // Rising zero crossings over the middle half second count the cycles.
        int cycles = 0;
        float peak = 0.0F;
        for (std::size_t i = 12000; i < 36000; ++i) {
            cycles += (samples[i - 1] < 0.0F && samples[i] >= 0.0F) ? 1 : 0;
            peak = std::max(peak, std::fabs(samples[i]));
        }
        EXPECT_NEAR(cycles, 500, 2);
        EXPECT_NEAR(peak, 0.5F, 0.05F);
    }
}

TEST(MakeSampleCard, HelpDescribesEveryOption) {
    const ToolRun run = RunTool({QStringLiteral("--help")});
    ASSERT_EQ(run.exitCode, 0);
    EXPECT_TRUE(run.out.startsWith(QStringLiteral("Usage: make-sample-card DIR [options]")));
    for (const char* option : {"--count", "--length", "--size", "--rear-size", "--fps", "--cameras",
                               "--audio", "--container", "--telemetry", "--start", "--frame-code",
                               "--tone", "--categories", "--label", "--incidents", "--demo"}) {
        EXPECT_TRUE(run.out.contains(QLatin1String(option))) << option;
    }
}

TEST(MakeSampleCard, BadOptionsAndWriteFailuresGiveOneLineAndNoFiles) {
    QTemporaryDir dir;
    const QString card = dir.filePath(QStringLiteral("card"));
    struct Case {
        QStringList args;
        int exitCode;
    };
    QFile blocker(dir.filePath(QStringLiteral("file")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const Case cases[] = {
        {{card, "--cameras", "3"}, 2},
        {{card, "--size", "321x180"}, 2},
        {{card, "--audio", "mp3"}, 2},
        {{card, "--count", "weekly=2"}, 2},
        {{card, "--start", "2025-13-01 00:00:00"}, 2},
        {{card, "--length"}, 2},
        {{card, "--bogus"}, 2},
        {{card, "--size", "120x90", "--frame-code"}, 2},
        {{}, 2},
        {{dir.filePath("file/card"), "--length", "1"}, 1},  // a file stands where a folder must go
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const ToolRun run = RunTool(c.args);
        EXPECT_EQ(run.exitCode, c.exitCode);
        EXPECT_TRUE(run.out.isEmpty());
        EXPECT_EQ(run.err.count(QLatin1Char('\n')), 1) << run.err.toStdString();
        EXPECT_TRUE(run.err.startsWith(QStringLiteral("make-sample-card: ")));
        EXPECT_FALSE(QDir(card).exists());
    }
}

TEST(MakeSampleCard, FailedRecordingLeavesNoPartialFile) {
    QTemporaryDir dir;
    // A folder where the finished recording must go makes the final rename fail.
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("EVENT/EVT_250517_143000_F.mp4/keep")));
    const ToolRun run = RunTool({dir.path(), "--categories", "event", "--length", "1"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("EVT_250517_143000_F.mp4")))
        << run.err.toStdString();
    EXPECT_EQ(FilesBelow(dir.path()), QStringList{});  // no temporary file, no settings, no label
}

// Parts an interrupted run left behind are never finished later: the next run removes them.
TEST(MakeSampleCard, StalePartsOfAnInterruptedRunAreRemoved) {
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("MANUAL")));
    QFile part(dir.filePath(QStringLiteral("MANUAL/.MAN_250517_120000_F.mp4.part")));
    ASSERT_TRUE(part.open(QIODevice::WriteOnly));
    part.write("cut short");
    part.close();
    const ToolRun run = RunTool({dir.path(), "--categories", "manual", "--length", "1"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_FALSE(part.exists());
    for (const QString& file : FilesBelow(dir.path())) {
        EXPECT_FALSE(file.endsWith(QLatin1String(".part"))) << file.toStdString();
    }
}

}  // namespace
