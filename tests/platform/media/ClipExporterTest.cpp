// The clip exporter on recordings from make-sample-card (frame codes on both cameras): what a
// lossless clip copies, where a rendered clip puts each camera and which text it burns in,
// and what a failure leaves behind.
#include "MediaTestSupport.h"

#include "platform/media/ClipExporter.h"
#include "platform/media/ClipOverlay.h"
#include "platform/media/FormatReader.h"
#include "tools/make-sample-card/FrameCode.h"

#include <QCryptographicHash>
#include <QDir>

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <optional>
#include <thread>

namespace {

using namespace mediatest;

constexpr int kFps = 15;                // a key frame every second (15 pictures)
constexpr int64_t kRecordingMs = 3000;  // each recording's length

struct SourcePacket {
    int stream = 0;
    int64_t ptsMs = 0;
    int64_t dtsMs = 0;
    bool key = false;
    QByteArray hash;
};

// Every packet of a file, in file order.
std::vector<SourcePacket> Packets(const QString& path) {
    std::vector<SourcePacket> packets;
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, path.toUtf8().constData(), nullptr, nullptr) < 0) {
        return packets;
    }
    const FormatContextPtr context(raw);
    avformat_find_stream_info(context.get(), nullptr);
    const PacketPtr packet(av_packet_alloc());
    while (av_read_frame(context.get(), packet.get()) >= 0) {
        const AVRational base = context->streams[packet->stream_index]->time_base;
        packets.push_back(
            {packet->stream_index, av_rescale_q(packet->pts, base, {1, 1000}),
             av_rescale_q(packet->dts, base, {1, 1000}), (packet->flags & AV_PKT_FLAG_KEY) != 0,
             QCryptographicHash::hash(
                 QByteArray(reinterpret_cast<const char*>(packet->data), packet->size),
                 QCryptographicHash::Sha1)});
        av_packet_unref(packet.get());
    }
    return packets;
}

struct Picture {
    QImage image;
    int64_t ms = 0;
};

// The first video stream's pictures, decoded.
std::vector<Picture> Pictures(const QString& path) {
    std::vector<Picture> pictures;
    HRESULT error = S_OK;
    const FormatContextPtr context = OpenRecording(path, nullptr, &error);
    const int stream =
        context ? av_find_best_stream(context.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0) : -1;
    if (stream < 0) {
        return pictures;
    }
    const AVStream* video = context->streams[stream];
    const CodecContextPtr decoder(
        avcodec_alloc_context3(avcodec_find_decoder(video->codecpar->codec_id)));
    avcodec_parameters_to_context(decoder.get(), video->codecpar);
    decoder->pkt_timebase = video->time_base;
    avcodec_open2(decoder.get(), nullptr, nullptr);
    const PacketPtr packet(av_packet_alloc());
    const FramePtr frame(av_frame_alloc());
    const auto receive = [&] {
        while (avcodec_receive_frame(decoder.get(), frame.get()) >= 0) {
            QImage image(frame->width, frame->height, QImage::Format_RGB32);
            const SwsContextPtr scale(sws_getContext(frame->width, frame->height,
                                                     static_cast<AVPixelFormat>(frame->format),
                                                     frame->width, frame->height, AV_PIX_FMT_BGRA,
                                                     SWS_BILINEAR, nullptr, nullptr, nullptr));
            uint8_t* planes[1] = {image.bits()};
            const int strides[1] = {static_cast<int>(image.bytesPerLine())};
            sws_scale(scale.get(), frame->data, frame->linesize, 0, frame->height, planes, strides);
            pictures.push_back(
                {image, av_rescale_q(frame->best_effort_timestamp, video->time_base, {1, 1000})});
            av_frame_unref(frame.get());
        }
    };
    while (av_read_frame(context.get(), packet.get()) >= 0) {
        if (packet->stream_index == stream) {
            avcodec_send_packet(decoder.get(), packet.get());
            receive();
        }
        av_packet_unref(packet.get());
    }
    avcodec_send_packet(decoder.get(), nullptr);
    receive();
    return pictures;
}

// Mean colour of a band near the top of a camera's picture: the sky.
QColor Sky(const QImage& image, const QRect& camera) {
    long red = 0;
    long blue = 0;
    long count = 0;
    for (int y = camera.top() + camera.height() / 20; y < camera.top() + camera.height() / 8; ++y) {
        for (int x = camera.left() + camera.width() / 4; x < camera.right() - camera.width() / 4;
             ++x) {
            red += qRed(image.pixel(x, y));
            blue += qBlue(image.pixel(x, y));
            ++count;
        }
    }
    return QColor(static_cast<int>(red / count), 0, static_cast<int>(blue / count));
}

class ClipExporterTest : public testing::Test, public testsupport::AppFirst {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        const QString first = testsupport::MakeClip(
            m_dir.path(), {"--count", "normal=3", "--length", "3", "--fps", QString::number(kFps),
                           "--size", "480x270", "--rear-size", "320x180", "--frame-code"});
        ASSERT_FALSE(first.isEmpty());
        const QDir folder = QFileInfo(first).dir();
        for (const QString& name : folder.entryList({"*.mp4"}, QDir::Files, QDir::Name)) {
            m_recordings << folder.filePath(name);
        }
        ASSERT_EQ(m_recordings.size(), 3);
        m_out = m_dir.path() + "/out";
        ASSERT_TRUE(QDir().mkpath(m_out));
    }

    ClipRequest Request(ClipPoint from, ClipPoint to, ClipLayout layout) const {
        ClipRequest request;
        request.recordings = m_recordings;
        request.from = from;
        request.to = to;
        request.layout = layout;
        request.target = m_out + "/clip.mp4";
        return request;
    }

    QStringList OutFiles() const {
        return QDir(m_out).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    }

    QTemporaryDir m_dir;
    QStringList m_recordings;
    QString m_out;
};

TEST_F(ClipExporterTest, LosslessCopiesEveryPacketOfTheSpanFromTheKeyFrameOn) {
    struct Case {
        ClipPoint from;
        ClipPoint to;
    };
    const Case cases[] = {
        {{0, 1500}, {1, 1200}},  // across a boundary
        {{0, 0}, {2, 3000}},     // three whole recordings
        {{1, 2100}, {1, 2900}},  // inside one recording, in its last second
    };
    for (const Case& c : cases) {
        const std::string label = QStringLiteral("%1:%2-%3:%4")
                                      .arg(c.from.recording)
                                      .arg(c.from.ms)
                                      .arg(c.to.recording)
                                      .arg(c.to.ms)
                                      .toStdString();
        ClipExportControl control;
        const ClipRequest request = Request(c.from, c.to, ClipLayout::Copy);
        const ClipOutcome outcome = ExportClip(request, control);
        ASSERT_EQ(outcome.status, ClipStatus::Done) << label << outcome.reason.toStdString();
        EXPECT_EQ(OutFiles(), QStringList{"clip.mp4"}) << label;
        // The key frame at or before the start: whole seconds here.
        const int64_t keyMs = c.from.ms / 1000 * 1000;
        std::map<int, std::vector<QByteArray>> expected;
        std::vector<QString> lines;
        for (int r = c.from.recording; r <= c.to.recording; ++r) {
            const int64_t fromMs = r == c.from.recording ? keyMs : 0;
            const int64_t toMs = r == c.to.recording ? c.to.ms : kRecordingMs;
            for (const SourcePacket& p : Packets(m_recordings[r])) {
                if (p.stream < 2 && p.ptsMs >= fromMs && p.dtsMs < toMs) {
                    expected[p.stream].push_back(p.hash);
                }
            }
            for (const TelemetryLine& line : ReadRecordingTelemetry(m_recordings[r])) {
                if (line.timeMs >= fromMs && line.timeMs < toMs) {
                    const int64_t clipMs =
                        (r - c.from.recording) * kRecordingMs + line.timeMs - keyMs;
                    lines.push_back(
                        QStringLiteral("%1 %2").arg(clipMs).arg(QString::fromStdString(line.text)));
                }
            }
        }
        std::map<int, std::vector<QByteArray>> copied;
        for (const SourcePacket& p : Packets(request.target)) {
            if (p.stream < 2) {
                copied[p.stream].push_back(p.hash);
            }
        }
        EXPECT_EQ(copied[0], expected[0]) << label << ": front camera";
        EXPECT_EQ(copied[1], expected[1]) << label << ": rear camera";
        EXPECT_FALSE(expected[1].empty()) << label;
        // Telemetry: the same lines, their times moved onto the clip's continuous timeline.
        std::vector<QString> read;
        for (const TelemetryLine& line : ReadRecordingTelemetry(request.target)) {
            read.push_back(
                QStringLiteral("%1 %2").arg(line.timeMs).arg(QString::fromStdString(line.text)));
        }
        EXPECT_EQ(read, lines) << label;
        StreamCounts streams;
        ASSERT_TRUE(ProbeStreams(request.target, &streams));
        const int64_t span =
            (c.to.recording - c.from.recording) * kRecordingMs + c.to.ms - c.from.ms;
        EXPECT_GE(streams.durationMs, span) << label;
        EXPECT_LE(streams.durationMs, span + 1000 + 1000 / kFps) << label;
        QFile::remove(request.target);
    }
}

TEST_F(ClipExporterTest, RenderedLayoutsPutEachCameraInPlaceFrameAccurately) {
    // 480x270 front, 320x180 rear; from picture 22 of the first recording (on show at 1.5 s)
    // to picture 17 of the second (the last before 1.2 s).
    std::vector<int> codes;
    for (int i = 22; i < 45; ++i) {
        codes.push_back(i);
    }
    for (int i = 0; i < 18; ++i) {
        codes.push_back(i);
    }
    struct Case {
        ClipLayout layout;
        ClipCorner corner;
        QRect front;
        QRect rear;  // empty: no rear camera
        bool frontCodeShows;
    };
    const Case cases[] = {
        {ClipLayout::Front, ClipCorner::BottomRight, {0, 0, 480, 270}, {}, true},
        {ClipLayout::SideBySide,
         ClipCorner::BottomRight,
         {0, 66, 240, 135},
         {240, 66, 240, 135},
         true},
        {ClipLayout::PictureInPicture,
         ClipCorner::TopRight,
         {0, 0, 480, 270},
         {306, 14, 160, 90},
         true},
        {ClipLayout::PictureInPicture,
         ClipCorner::BottomLeft,
         {0, 0, 480, 270},
         {14, 166, 160, 90},
         false},
    };
    for (const Case& c : cases) {
        const std::string label =
            ClipFilterGraph(c.layout, c.corner, {480, 270}, {320, 180}).toStdString();
        ClipExportControl control;
        ClipRequest request = Request({0, 1500}, {1, 1200}, c.layout);
        request.corner = c.corner;
        const ClipOutcome outcome = ExportClip(request, control);
        ASSERT_EQ(outcome.status, ClipStatus::Done) << label << outcome.reason.toStdString();
        const std::vector<Picture> pictures = Pictures(request.target);
        ASSERT_EQ(pictures.size(), codes.size()) << label;
        for (size_t i = 0; i < pictures.size(); ++i) {
            const QImage& image = pictures[i].image;
            ASSERT_EQ(image.size(), QSize(480, 270)) << label;
            if (c.frontCodeShows) {
                EXPECT_EQ(DecodeFrameCode(image.copy(c.front)), codes[i])
                    << label << " picture " << i;
            }
            // The front camera's sky is blue; the rear's dusk sky is not.
            const QColor frontSky = Sky(image, c.front.intersected(QRect(0, 0, 240, 270)));
            EXPECT_GT(frontSky.blue() - frontSky.red(), 90) << label << " picture " << i;
            if (!c.rear.isEmpty()) {
                EXPECT_EQ(DecodeFrameCode(image.copy(c.rear)), codes[i])
                    << label << " picture " << i;
                const QColor rearSky = Sky(image, c.rear);
                EXPECT_LT(rearSky.blue() - rearSky.red(), 60) << label << " picture " << i;
            }
        }
        StreamCounts streams;
        ASSERT_TRUE(ProbeStreams(request.target, &streams));
        EXPECT_EQ(streams.video, 1) << label;
        EXPECT_EQ(streams.audio, 1) << label;
        EXPECT_EQ(streams.text, 1) << label;
        EXPECT_NEAR(streams.durationMs, 2700, 1000 / kFps) << label;
        QFile::remove(request.target);
    }
}

TEST_F(ClipExporterTest, OverlayShowsTheCueOfEachPicturesMoment) {
    const QStringList slow{"SPEED 12.3"};
    const QStringList fast{"SPEED 45.6"};
    ClipRequest request = Request({0, 1500}, {1, 1200}, ClipLayout::Front);
    request.overlay = {{{0, 0}, slow}, {{1, 500}, fast}};
    ClipExportControl control;
    const ClipOutcome outcome = ExportClip(request, control);
    ASSERT_EQ(outcome.status, ClipStatus::Done) << outcome.reason.toStdString();
    const QSize size(480, 270);
    const QImage slowBox = ClipOverlay::Render(slow, size);
    const QImage fastBox = ClipOverlay::Render(fast, size);
    ASSERT_EQ(slowBox.size(), fastBox.size());
    const QPoint origin = ClipOverlay::Origin(size, slowBox.width(), false);
    const auto white = [](QRgb c) { return qGray(c) > 200 && qAlpha(c) > 200; };
    const std::vector<Picture> pictures = Pictures(request.target);
    ASSERT_EQ(pictures.size(), 41U);
    for (const Picture& picture : pictures) {
        // Brightness where only one of the two texts has its letters.
        double slowOnly = 0;
        double fastOnly = 0;
        int slowCount = 0;
        int fastCount = 0;
        for (int y = 0; y < slowBox.height(); ++y) {
            for (int x = 0; x < slowBox.width(); ++x) {
                const bool inSlow = white(slowBox.pixel(x, y));
                const bool inFast = white(fastBox.pixel(x, y));
                const int grey = qGray(picture.image.pixel(origin + QPoint(x, y)));
                if (inSlow != inFast) {
                    (inSlow ? slowOnly : fastOnly) += grey;
                    ++(inSlow ? slowCount : fastCount);
                }
            }
        }
        ASSERT_GT(slowCount, 0);
        ASSERT_GT(fastCount, 0);
        // The second recording's 500 ms lie 2 s into the clip.
        const bool fastShown = fastOnly / fastCount > slowOnly / slowCount;
        EXPECT_EQ(fastShown, picture.ms >= 2000) << "picture at " << picture.ms << " ms";
    }
}

TEST_F(ClipExporterTest, FailuresLeaveNothingBehindAndSayWhy) {
    enum class Action { RemoveSourceCard, RemoveTargetFolder, Cancel };
    struct Case {
        Action action;
        ClipLayout layout;
        ClipStatus status;
    };
    const Case cases[] = {
        {Action::RemoveSourceCard, ClipLayout::Copy, ClipStatus::SourceFailed},
        {Action::RemoveTargetFolder, ClipLayout::SideBySide, ClipStatus::TargetFailed},
        {Action::Cancel, ClipLayout::Copy, ClipStatus::Cancelled},
        {Action::Cancel, ClipLayout::PictureInPicture, ClipStatus::Cancelled},
    };
    for (const Case& c : cases) {
        if (&c != cases) {  // a fresh card and target folder each time
            m_recordings.clear();
            SetUp();
        }
        const QString card = QFileInfo(QFileInfo(m_recordings[0]).absolutePath()).absolutePath();
        ClipRequest request = Request({0, 500}, {2, 2500}, c.layout);
        // The fifth telemetry sample is written once the export is under way.
        std::atomic<int> samples{0};
        std::atomic<bool> reached{false};
        std::atomic<bool> proceed{false};
        request.telemetry = [&](const QByteArray& text) {
            if (++samples == 5) {
                reached = true;
                while (!proceed) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
                }
            }
            return text;
        };
        ClipExport clip;
        std::optional<ClipOutcome> finished;
        QObject::connect(&clip, &ClipExport::Finished,
                         [&](const ClipOutcome& outcome) { finished = outcome; });
        ASSERT_TRUE(clip.Start(request));
        ASSERT_TRUE(WaitFor([&] { return reached.load(); }, 30000));
        EXPECT_TRUE(clip.IsRunning());
        EXPECT_FALSE(clip.Start(request));  // one at a time
        EXPECT_GT(clip.Progress().fraction, 0.0);
        switch (c.action) {
            case Action::RemoveSourceCard:
                ASSERT_TRUE(QDir(card).removeRecursively());
                break;
            case Action::RemoveTargetFolder:
                ASSERT_TRUE(QDir(m_out).removeRecursively());
                break;
            case Action::Cancel:
                clip.Cancel();
                break;
        }
        proceed = true;
        ASSERT_TRUE(WaitFor([&] { return finished.has_value(); }, 60000));
        EXPECT_FALSE(clip.IsRunning());
        EXPECT_EQ(finished->status, c.status) << finished->reason.toStdString();
        EXPECT_FALSE(finished->reason.isEmpty());
        if (c.action == Action::RemoveTargetFolder) {
            EXPECT_FALSE(QFileInfo::exists(m_out)) << "the folder came back";
        } else {
            EXPECT_TRUE(OutFiles().isEmpty()) << OutFiles().join(' ').toStdString();
        }
    }
}

}  // namespace
