// Recordings cut by a power loss: the index rebuilt from a healthy sibling plays what the cut
// left, frame for frame, and nothing else.
#include "MediaTestSupport.h"

#include "platform/media/FormatReader.h"
#include "platform/media/RecordingRecovery.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>

#include <gtest/gtest.h>

#include <map>

namespace mediatest {
namespace {

struct CardKind {
    int cameras;
    const char* audio;
    const char* codec;
    const char* preset = "ultrafast";  // "medium": H.264 with B-frames
};

// What was wholly in the kept bytes of the healthy file, and what the recovered copy gives.
struct Figures {
    int64_t videoKept = 0;
    int64_t videoDecoded = 0;
    int64_t audioKept = 0;  // in sound samples
    int64_t audioDecoded = 0;
    int64_t linesKept = 0;
    int64_t linesRecovered = 0;
    bool codesInOrder = true;
    bool linesInOrder = true;
    bool picturesInOrder = true;  // the front pictures are the healthy file's, in display order
    bool timesSteady = true;      // one frame apart from the healthy file's first time on
    unsigned streams = 0;
    QString recovered;  // per track, for messages
};

// Two recordings of one camera; returns {older, newer} (empty on failure).
std::pair<QString, QString> MakeCard(const QString& folder, const CardKind& kind,
                                     const QStringList& extra = {}) {
    const QString first = testsupport::MakeClip(
        folder, extra + QStringList{QStringLiteral("--categories"), QStringLiteral("normal"),
                                    QStringLiteral("--count"), QStringLiteral("normal=2"),
                                    QStringLiteral("--length"), QStringLiteral("3"),
                                    QStringLiteral("--cameras"), QString::number(kind.cameras),
                                    QStringLiteral("--audio"), QLatin1String(kind.audio),
                                    QStringLiteral("--codec"), QLatin1String(kind.codec),
                                    QStringLiteral("--preset"), QLatin1String(kind.preset),
                                    QStringLiteral("--frame-code")});
    if (first.isEmpty()) {
        return {};
    }
    QStringList names =
        QDir(QFileInfo(first).path()).entryList({QStringLiteral("*.mp4")}, QDir::Files, QDir::Name);
    if (names.size() != 2) {
        return {};
    }
    const QDir dir(QFileInfo(first).path());
    return {dir.filePath(names[0]), dir.filePath(names[1])};
}

// The healthy file as a power loss leaves it: the data box's size never written, no index,
// and only the first cut bytes.
bool CutCopy(const QString& healthy, const QString& damaged, int64_t cut) {
    QFile in(healthy);
    if (!in.open(QIODevice::ReadOnly)) {
        return false;
    }
    QByteArray bytes = in.read(cut);
    const int mdat = bytes.indexOf("mdat");
    if (mdat < 4) {
        return false;
    }
    bytes.replace(mdat - 4, 4, QByteArray(4, '\0'));
    QFile out(damaged);
    return out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size();
}

int64_t MdatEnd(const QString& healthy) {
    QFile in(healthy);
    const QByteArray head = in.open(QIODevice::ReadOnly) ? in.read(4096) : QByteArray();
    const int mdat = head.indexOf("mdat");
    if (mdat < 4) {
        return 0;
    }
    const auto* p = reinterpret_cast<const uint8_t*>(head.constData() + mdat - 4);
    return mdat - 4 + ((int64_t{p[0]} << 24) | (p[1] << 16) | (p[2] << 8) | p[3]);
}

// Counts the healthy file's telemetry lines in samples lying wholly before cut.
void CountKeptLines(const QString& healthy, int64_t cut, Figures* f) {
    HRESULT error = S_OK;
    FormatContextPtr context = OpenRecording(healthy, nullptr, &error);
    ASSERT_TRUE(context);
    PacketPtr packet(av_packet_alloc());
    while (av_read_frame(context.get(), packet.get()) >= 0) {
        const AVCodecParameters* par = context->streams[packet->stream_index]->codecpar;
        if (par->codec_type == AVMEDIA_TYPE_SUBTITLE && packet->pos >= 0 &&
            packet->pos + packet->size <= cut) {
            f->linesKept += static_cast<int64_t>(
                SplitTelemetrySample(par->codec_id, packet->data, packet->size).size());
        }
        av_packet_unref(packet.get());
    }
}

struct Decoded {
    int64_t videoFrames = 0;
    int64_t audioSamples = 0;
    bool codesInOrder = true;
    std::vector<QByteArray> pictures;  // the first video stream's, hashed, as they come out
    std::vector<int64_t> times;        // and their presentation times
};

QByteArray HashPicture(const AVFrame* frame) {
    QCryptographicHash hash(QCryptographicHash::Md5);
    for (int plane = 0; plane < 3; ++plane) {
        const int rows = plane == 0 ? frame->height : (frame->height + 1) / 2;
        const int width = plane == 0 ? frame->width : (frame->width + 1) / 2;
        for (int y = 0; y < rows; ++y) {
            hash.addData(QByteArrayView(frame->data[plane] + y * frame->linesize[plane], width));
        }
    }
    return hash.result();
}

// Decodes every sound and picture packet lying wholly before limit (the healthy file's kept
// bytes) or all of them (limit < 0).
Decoded DecodeStreams(AVFormatContext* context, int64_t limit) {
    Decoded f;
    std::map<int, CodecContextPtr> decoders;
    std::map<int, int> lastCode;
    int firstVideo = -1;
    for (unsigned i = 0; i < context->nb_streams; ++i) {
        const AVCodecParameters* par = context->streams[i]->codecpar;
        if (par->codec_type != AVMEDIA_TYPE_VIDEO && par->codec_type != AVMEDIA_TYPE_AUDIO) {
            continue;
        }
        const AVCodec* codec = avcodec_find_decoder(par->codec_id);
        CodecContextPtr decoder(avcodec_alloc_context3(codec));
        if (!decoder || avcodec_parameters_to_context(decoder.get(), par) < 0) {
            ADD_FAILURE() << "no decoder";
            return f;
        }
        decoder->thread_count = 1;
        if (avcodec_open2(decoder.get(), codec, nullptr) < 0) {
            ADD_FAILURE() << "no decoder";
            return f;
        }
        decoders[static_cast<int>(i)] = std::move(decoder);
        if (firstVideo < 0 && par->codec_type == AVMEDIA_TYPE_VIDEO) {
            firstVideo = static_cast<int>(i);
        }
        lastCode[static_cast<int>(i)] = -1;
    }
    FramePtr frame(av_frame_alloc());
    const auto drain = [&](int index) {
        AVCodecContext* decoder = decoders[index].get();
        while (avcodec_receive_frame(decoder, frame.get()) >= 0) {
            if (decoder->codec_type == AVMEDIA_TYPE_VIDEO) {
                if (index == firstVideo) {
                    f.pictures.push_back(HashPicture(frame.get()));
                    f.times.push_back(frame->best_effort_timestamp);
                }
                ++f.videoFrames;
                // Recordings made without frame codes are checked by their pictures.
                const int code = FrameCodeOfLuma(frame->data[0], frame->linesize[0], frame->width,
                                                 frame->height);
                f.codesInOrder = f.codesInOrder && (code > lastCode[index] || code < 0);
                lastCode[index] = std::max(code, lastCode[index]);
            } else {
                f.audioSamples += frame->nb_samples;
            }
            av_frame_unref(frame.get());
        }
    };
    PacketPtr packet(av_packet_alloc());
    while (av_read_frame(context, packet.get()) >= 0) {
        const auto it = decoders.find(packet->stream_index);
        if (it != decoders.end() &&
            (limit < 0 || (packet->pos >= 0 && packet->pos + packet->size <= limit))) {
            avcodec_send_packet(it->second.get(), packet.get());
            drain(it->first);
        }
        av_packet_unref(packet.get());
    }
    for (auto& [index, decoder] : decoders) {
        avcodec_send_packet(decoder.get(), nullptr);
        drain(index);
    }
    return f;
}

// Whether every item of part appears in whole, in the same order.
bool InOrderWithin(const std::vector<QByteArray>& part, const std::vector<QByteArray>& whole) {
    auto at = whole.begin();
    for (const QByteArray& item : part) {
        at = std::find(at, whole.end(), item);
        if (at == whole.end()) {
            return false;
        }
        ++at;
    }
    return true;
}

// Pictures shown one frame apart from the first time on: none twice, none out of turn.
bool Steady(const std::vector<int64_t>& times, int64_t first) {
    for (size_t i = 2; i < times.size(); ++i) {
        if (times[i] - times[i - 1] != times[1] - times[0]) {
            return false;
        }
    }
    return !times.empty() && times.front() == first && (times.size() < 2 || times[1] > times[0]);
}

bool WriteCopy(const RecoveredRecording& recording, const QString& path) {
    QFile source(recording.Path());
    QFile out(path);
    std::vector<uint8_t> bytes(static_cast<size_t>(recording.Size()));
    return source.open(QIODevice::ReadOnly) && out.open(QIODevice::WriteOnly) &&
           recording.ReadAt(&source, 0, bytes.data(), bytes.size()) &&
           out.write(reinterpret_cast<const char*>(bytes.data()),
                     static_cast<qint64>(bytes.size())) == static_cast<qint64>(bytes.size());
}

int ProbedStreams(const QString& path) {
    QProcess probe;
    probe.start(QStringLiteral("ffprobe"),
                {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-show_entries"),
                 QStringLiteral("stream=codec_type"), QStringLiteral("-of"),
                 QStringLiteral("csv=p=0"), path});
    if (!probe.waitForFinished(30000) || probe.exitCode() != 0) {
        return -1;
    }
    return static_cast<int>(probe.readAllStandardOutput().trimmed().split('\n').size());
}

Figures Measure(const QString& healthy, const QString& reference, const QString& folder,
                double percent) {
    Figures f;
    const int64_t cut =
        static_cast<int64_t>(static_cast<double>(MdatEnd(healthy)) * percent / 100.0);
    const QString damaged = folder + QStringLiteral("/cut.mp4");
    EXPECT_TRUE(CutCopy(healthy, damaged, cut));
    EXPECT_TRUE(LacksIndex(damaged));
    CountKeptLines(healthy, cut, &f);
    HRESULT error = S_OK;
    FormatContextPtr healthyContext = OpenRecording(healthy, nullptr, &error);
    const Decoded kept = DecodeStreams(healthyContext.get(), cut);
    f.videoKept = kept.videoFrames;
    f.audioKept = kept.audioSamples;
    QString why;
    const auto recording = RecoverRecording(damaged, reference, &why);
    if (f.videoKept == 0) {
        EXPECT_FALSE(recording) << "nothing whole was left, yet something was recovered";
        return f;
    }
    EXPECT_TRUE(recording) << why.toStdString();
    if (!recording) {
        return f;
    }
    for (const RecoveredTrackSummary& track : recording->Tracks()) {
        f.recovered +=
            QStringLiteral("%1 %2: %3 samples; ").arg(track.kind, track.codec).arg(track.samples);
    }
    const QString copy = folder + QStringLiteral("/repaired.mp4");
    EXPECT_TRUE(WriteCopy(*recording, copy));
    f.streams = healthyContext->nb_streams;
    EXPECT_EQ(ProbedStreams(copy), static_cast<int>(f.streams));
    auto input = RecoveredInput::Open(recording, nullptr, &error);
    EXPECT_TRUE(input);
    if (!input) {
        return f;
    }
    EXPECT_EQ(input->Context()->nb_streams, f.streams);
    const Decoded recovered = DecodeStreams(input->Context(), -1);
    f.videoDecoded = recovered.videoFrames;
    f.audioDecoded = recovered.audioSamples;
    f.codesInOrder = recovered.codesInOrder;
    f.picturesInOrder = InOrderWithin(recovered.pictures, kept.pictures);
    f.timesSteady = Steady(recovered.times, kept.times.empty() ? 0 : kept.times.front());
    const int telemetry = FindTelemetryStream(input->Context());
    if (telemetry >= 0) {
        const auto healthyLines = ReadTelemetryLines(healthy, telemetry);
        av_seek_frame(input->Context(), -1, 0, AVSEEK_FLAG_BACKWARD);
        const auto lines = ReadTelemetryLines(input->Context(), telemetry);
        f.linesRecovered = static_cast<int64_t>(lines.size());
        for (size_t i = 0; i < lines.size(); ++i) {
            f.linesInOrder = f.linesInOrder && i < healthyLines.size() &&
                             lines[i].text == healthyLines[i].text &&
                             lines[i].timeMs == healthyLines[i].timeMs;
        }
    }
    return f;
}

void ExpectFigures(const Figures& f, const QString& what) {
    SCOPED_TRACE((what + QStringLiteral(": ") + f.recovered).toStdString());
    EXPECT_TRUE(f.codesInOrder);
    EXPECT_TRUE(f.picturesInOrder);
    EXPECT_TRUE(f.timesSteady);
    EXPECT_TRUE(f.linesInOrder);
    EXPECT_LE(f.videoDecoded, f.videoKept);
    EXPECT_GE(f.videoDecoded * 100, f.videoKept * 95);
    EXPECT_GE(f.audioDecoded * 100, f.audioKept * 90);
    EXPECT_GE(f.linesRecovered * 100, f.linesKept * 90);
}

// ROADPLAYER_RECOVERY_RUNS=N cuts N recordings at random points instead of the few fixed ones
// (scripts/recovery-check.sh); the sums are printed.
TEST(RecordingRecovery, CutRecordingsGiveBackWhatTheCutLeft) {
    static const CardKind kinds[] = {{2, "aac", "h264"},
                                     {1, "pcm", "h264"},
                                     {2, "pcm", "hevc"},
                                     {1, "aac", "hevc"},
                                     {2, "aac", "h264", "medium"}};
    const int runs = qEnvironmentVariableIntValue("ROADPLAYER_RECOVERY_RUNS");
    const std::vector<double> fixed = {5.0, 41.0, 77.0, 99.0, 63.0};
    const int count = runs > 0 ? runs : static_cast<int>(fixed.size());
    QRandomGenerator random(20);
    Figures total;
    for (int i = 0; i < count; ++i) {
        const CardKind& kind = kinds[static_cast<size_t>(i) % std::size(kinds)];
        QTemporaryDir dir;
        const auto [older, newer] = MakeCard(dir.path(), kind);
        ASSERT_FALSE(newer.isEmpty());
        const double percent =
            runs > 0 ? 5.0 + random.bounded(94.0) : fixed[static_cast<size_t>(i)];
        const QString what = QStringLiteral("%1 camera(s), %2, %3 %4, cut at %5 %")
                                 .arg(kind.cameras)
                                 .arg(QLatin1String(kind.audio), QLatin1String(kind.codec),
                                      QLatin1String(kind.preset))
                                 .arg(percent, 0, 'f', 1);
        const Figures f = Measure(newer, older, dir.path(), percent);
        ExpectFigures(f, what);
        total.videoKept += f.videoKept;
        total.videoDecoded += f.videoDecoded;
        total.audioKept += f.audioKept;
        total.audioDecoded += f.audioDecoded;
        total.linesKept += f.linesKept;
        total.linesRecovered += f.linesRecovered;
    }
    std::printf(
        "recovered: video %lld of %lld frames, audio %lld of %lld samples, "
        "telemetry %lld of %lld lines over %d recordings\n",
        static_cast<long long>(total.videoDecoded), static_cast<long long>(total.videoKept),
        static_cast<long long>(total.audioDecoded), static_cast<long long>(total.audioKept),
        static_cast<long long>(total.linesRecovered), static_cast<long long>(total.linesKept),
        count);
}

// A recording as the ffmpeg program writes it (by default x264's and x265's pictures stored out
// of display order, AAC sound) from one of its test pictures, 160x96 at 25 fps.
bool EncodeWithFfmpeg(const QString& path, const char* encoder, const QStringList& options,
                      const char* picture, int seconds) {
    const QString source = QStringLiteral("%1=size=160x96:rate=25:duration=%2")
                               .arg(QLatin1String(picture))
                               .arg(seconds);
    const QString sound = QStringLiteral("sine=frequency=440:duration=%1").arg(seconds);
    const QStringList inputs = {"-v",   "error", "-y",    "-f", "lavfi", "-i",
                                source, "-f",    "lavfi", "-i", sound};
    const QStringList codecs = {"-c:v",         encoder,          "-pix_fmt", "yuv420p",
                                "-x265-params", "log-level=none", "-c:a",     "aac"};
    return RunTool(QStringLiteral("ffmpeg"), inputs + codecs + options + QStringList{path})
               .exitCode == 0;
}

// Recordings longer than their reference (twice its length, cut at 75 %): the reference's
// layout is continued to the end of what the cut kept, also where each track's chunks hold a
// second (as some cameras write). With pictures stored out of display order the rebuilt index
// puts each one back in its place and time.
TEST(RecordingRecovery, LongerAndReorderedRecordingsComeBackWhole) {
    struct Made {
        const char* encoder;
        QStringList options;
        int referenceSeconds;
    };
    const Made made[] = {
        {"libx264", {}, 2}, {"libx265", {}, 2}, {"libx264", {"-chunk_duration", "1000000"}, 6}};
    for (const Made& m : made) {
        QTemporaryDir dir;
        const QString reference = dir.filePath(QStringLiteral("reference.mp4"));
        const QString healthy = dir.filePath(QStringLiteral("healthy.mp4"));
        ASSERT_TRUE(
            EncodeWithFfmpeg(reference, m.encoder, m.options, "testsrc", m.referenceSeconds) &&
            EncodeWithFfmpeg(healthy, m.encoder, m.options, "testsrc2", 2 * m.referenceSeconds));
        const Figures f = Measure(healthy, reference, dir.path(), 75.0);
        ExpectFigures(f, QLatin1String(m.encoder) + QLatin1Char(' ') + m.options.join(' '));
        EXPECT_GT(f.videoKept, m.referenceSeconds * 25);
    }
    const std::vector<QStringList> cards = {{},
                                            {QStringLiteral("--audio"), QStringLiteral("pcm"),
                                             QStringLiteral("--cameras"), QStringLiteral("1")}};
    for (const QStringList& card : cards) {
        QTemporaryDir dir;
        const QStringList common =
            card +
            QStringList{"--fps", "5", "--size", "160x90", "--rear-size", "160x90", "--frame-code"};
        const QString reference = testsupport::MakeClip(dir.filePath(QStringLiteral("a")),
                                                        common + QStringList{"--length", "30"});
        const QString healthy = testsupport::MakeClip(
            dir.filePath(QStringLiteral("b")),
            common + QStringList{"--length", "60", "--start", "2025-05-18 09:00:00"});
        ASSERT_FALSE(reference.isEmpty() || healthy.isEmpty());
        const Figures f = Measure(healthy, reference, dir.path(), 75.0);
        ExpectFigures(f, card.join(' '));
        EXPECT_GT(f.videoKept, 30 * 5);
    }
}

// Another camera's recording, a cut inside the first chunk, bytes that are no recording: a
// reason, never a picture.
TEST(RecordingRecovery, WhatDoesNotMatchFailsWithAReason) {
    QTemporaryDir dir;
    const auto [older, newer] = MakeCard(dir.path() + QStringLiteral("/a"), {2, "aac", "h264"});
    const auto [smaller, unused1] = MakeCard(dir.path() + QStringLiteral("/b"), {2, "aac", "h264"},
                                             {QStringLiteral("--size"), QStringLiteral("160x90")});
    const auto [hevc, unused2] = MakeCard(dir.path() + QStringLiteral("/c"), {2, "aac", "hevc"});
    ASSERT_FALSE(newer.isEmpty() || smaller.isEmpty() || hevc.isEmpty());
    const QString cut = dir.filePath(QStringLiteral("cut.mp4"));
    const QString early = dir.filePath(QStringLiteral("early.mp4"));
    const QString noise = dir.filePath(QStringLiteral("noise.mp4"));
    ASSERT_TRUE(CutCopy(newer, cut, MdatEnd(newer) * 6 / 10));
    ASSERT_TRUE(CutCopy(newer, early, 48 + 300));
    {
        QFile file(noise);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        QFile head(cut);
        ASSERT_TRUE(head.open(QIODevice::ReadOnly));
        QByteArray bytes = head.read(48);
        QRandomGenerator random(7);
        for (int i = 0; i < 200000; ++i) {
            bytes.append(static_cast<char>(random.bounded(256)));
        }
        file.write(bytes);
    }
    struct Case {
        QString damaged;
        QString reference;
        const char* what;
    };
    const Case cases[] = {
        {cut, smaller, "a reference of another picture size"},
        {cut, hevc, "a reference of another codec"},
        {early, older, "a cut inside the first chunk"},
        {noise, older, "random bytes as media data"},
        {cut, cut, "a reference without an index"},
    };
    for (const Case& c : cases) {
        QString why;
        EXPECT_FALSE(RecoverRecording(c.damaged, c.reference, &why)) << c.what;
        EXPECT_FALSE(why.isEmpty()) << c.what;
    }
    QString why;
    EXPECT_TRUE(RecoverRecording(cut, older, &why)) << why.toStdString();
}

}  // namespace
}  // namespace mediatest
