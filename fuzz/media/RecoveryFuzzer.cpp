// Rebuilds the index of damaged media data against a fixed healthy reference and demuxes and
// decodes what it recovered: no crash, hang or leak, whatever the bytes.
// The first input byte picks the damage: raw bytes as the whole file, bytes as the media data
// behind a real header, or bytes written over a real cut recording.

#include "platform/media/RecordingRecovery.h"

#include <QDir>
#include <QFile>
#include <QProcess>

#include <unistd.h>
#include <cstddef>
#include <cstdint>
#include <map>

using namespace platform::media;

namespace {

struct Card {
    QString reference;
    QByteArray damaged;  // the newer recording, cut
};

const Card& TheCard() {
    static const Card card = [] {
        Card made;
        const QString dir = QDir::tempPath() + QStringLiteral("/recovery-fuzz-%1").arg(getpid());
        QProcess::execute(
            QStringLiteral(SAMPLE_CARD_TOOL),
            {dir, QStringLiteral("--categories"), QStringLiteral("normal"),
             QStringLiteral("--count"), QStringLiteral("normal=2"), QStringLiteral("--length"),
             QStringLiteral("1"), QStringLiteral("--size"), QStringLiteral("160x90"),
             QStringLiteral("--rear-size"), QStringLiteral("160x90"), QStringLiteral("--cut"),
             QStringLiteral("70")});
        const QDir folder(dir + QStringLiteral("/NORMAL"));
        const QStringList names =
            folder.entryList({QStringLiteral("*.mp4")}, QDir::Files, QDir::Name);
        if (names.size() == 2) {
            made.reference = folder.filePath(names[0]);
            QFile cut(folder.filePath(names[1]));
            if (cut.open(QIODevice::ReadOnly)) {
                made.damaged = cut.readAll();
            }
        }
        return made;
    }();
    return card;
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
    const Card& card = TheCard();
    if (size == 0 || card.reference.isEmpty() || card.damaged.size() < 64) {
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
            bytes = card.damaged.left(48) + QByteArray(rest, restSize);
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
