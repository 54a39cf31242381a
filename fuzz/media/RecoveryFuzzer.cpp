// Rebuilds the index of damaged media data against a fixed healthy reference and demuxes and
// decodes what it recovered: no crash, hang or leak, whatever the bytes.
// The first input byte picks the damage (raw bytes as the whole file, bytes as the media data
// behind a real header, or bytes written over a real cut recording) and the card.

#include "platform/media/RecordingRecovery.h"

#include <QDir>
#include <QFile>
#include <QProcess>

#include <unistd.h>
#include <cstddef>
#include <cstdint>
#include <map>
#include <vector>

using namespace platform::media;

namespace {

struct Card {
    QString reference;
    QByteArray damaged;  // the newer recording, cut
};

// The newer of a card's two recordings cut as a power loss leaves it: the data box's size never
// written, 70 % of the bytes kept.
QByteArray Cut(const QString& path) {
    QFile file(path);
    QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    const qsizetype mdat = bytes.indexOf("mdat");
    if (mdat < 4) {
        return {};
    }
    bytes.replace(mdat - 4, 4, QByteArray(4, '\0'));
    return bytes.left(bytes.size() * 7 / 10);
}

// A card of make-sample-card (tool options after the folder), or of the ffmpeg program when
// the options name an encoder.
Card MakeCard(const QString& dir, const QStringList& options) {
    Card made;
    QStringList names;
    if (!options.isEmpty() && options.first() == QStringLiteral("ffmpeg")) {
        QDir().mkpath(dir);
        for (const char* picture : {"testsrc", "testsrc2"}) {
            const QString name = dir + QStringLiteral("/%1.mp4").arg(QLatin1String(picture));
            QProcess::execute(QStringLiteral("ffmpeg"),
                              {"-v", "quiet", "-y", "-f", "lavfi", "-i",
                               QStringLiteral("%1=size=160x96:rate=25:duration=1").arg(picture),
                               "-c:v", options[1], "-x265-params", "log-level=none", name});
            names << name;
        }
    } else {
        QProcess::execute(
            QStringLiteral(SAMPLE_CARD_TOOL),
            QStringList{dir, "--categories", "normal", "--count", "normal=2", "--length", "1",
                        "--size", "160x90", "--rear-size", "160x90"} +
                options);
        const QDir folder(dir + QStringLiteral("/NORMAL"));
        for (const QString& name : folder.entryList({"*.mp4"}, QDir::Files, QDir::Name)) {
            names << folder.filePath(name);
        }
    }
    if (names.size() == 2) {
        made.reference = names[0];
        made.damaged = Cut(names[1]);
    }
    return made;
}

// Pictures in display order; H.264 and HEVC pictures stored out of it (composition offsets
// rebuilt from the slice headers).
const std::vector<Card>& Cards() {
    static const std::vector<Card> cards = [] {
        const QString dir = QDir::tempPath() + QStringLiteral("/recovery-fuzz-%1").arg(getpid());
        return std::vector<Card>{
            MakeCard(dir + QStringLiteral("/plain"), {}),
            MakeCard(dir + QStringLiteral("/reordered"), {"--preset", "medium"}),
            MakeCard(dir + QStringLiteral("/hevc"), {"ffmpeg", "libx265"}),
        };
    }();
    return cards;
}

void DecodeAll(AVFormatContext* context) {
    std::map<int, CodecContextPtr> decoders;
    for (unsigned i = 0; i < context->nb_streams; ++i) {
        // Sound and pictures, as the player decodes them; text goes another way.
        const AVMediaType type = context->streams[i]->codecpar->codec_type;
        if (type != AVMEDIA_TYPE_VIDEO && type != AVMEDIA_TYPE_AUDIO) {
            continue;
        }
        const AVCodec* codec = avcodec_find_decoder(context->streams[i]->codecpar->codec_id);
        CodecContextPtr decoder(avcodec_alloc_context3(codec));
        if (codec != nullptr && decoder &&
            avcodec_parameters_to_context(decoder.get(), context->streams[i]->codecpar) >= 0 &&
            avcodec_open2(decoder.get(), codec, nullptr) >= 0) {
            decoders[static_cast<int>(i)] = std::move(decoder);
        }
    }
    PacketPtr packet(av_packet_alloc());
    FramePtr frame(av_frame_alloc());
    while (av_read_frame(context, packet.get()) >= 0) {
        if (const auto it = decoders.find(packet->stream_index); it != decoders.end()) {
            if (avcodec_send_packet(it->second.get(), packet.get()) >= 0) {
                while (avcodec_receive_frame(it->second.get(), frame.get()) >= 0) {
                    av_frame_unref(frame.get());
                }
            }
        }
        av_packet_unref(packet.get());
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    const Card& card = Cards()[(data[0] / 3) % Cards().size()];
    if (card.reference.isEmpty() || card.damaged.size() < 64) {
        return 0;
    }
    const auto* rest = reinterpret_cast<const char*>(data + 1);
    const auto restSize = static_cast<qsizetype>(size - 1);
    QByteArray bytes;
    switch (data[0] % 3) {
        case 0:
            bytes = QByteArray(rest, restSize);
            break;
        case 1:  // ftyp, free and an open data box, as the camera starts every file
            bytes =
                card.damaged.left(card.damaged.indexOf("mdat") + 4) + QByteArray(rest, restSize);
            break;
        default: {
            bytes = card.damaged;
            const qsizetype at =
                restSize >= 4
                    ? static_cast<qsizetype>((static_cast<uint32_t>(data[1]) << 8 | data[2]) %
                                             static_cast<uint32_t>(bytes.size()))
                    : 0;
            bytes.replace(at, std::min(restSize, bytes.size() - at), rest,
                          std::min(restSize, bytes.size() - at));
            break;
        }
    }
    static const QString path =
        QDir::tempPath() + QStringLiteral("/recovery-fuzz-%1.mp4").arg(getpid());
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            return 0;
        }
        file.write(bytes);
    }
    QString why;
    const auto recording = RecoverRecording(path, card.reference, &why);
    if (!recording) {
        return 0;
    }
    HRESULT error = S_OK;
    if (const auto input = RecoveredInput::Open(recording, nullptr, &error)) {
        DecodeAll(input->Context());
    }
    return 0;
}
