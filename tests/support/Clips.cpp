#include "Clips.h"

#include "RunTool.h"
#include "platform/media/AvHandles.h"

#include <QDir>

namespace testsupport {

QString MakeClip(const QString& folder, const QStringList& options) {
    QString card;
    for (int n = 1; card.isEmpty() || QFileInfo::exists(card); ++n) {
        card = QStringLiteral("%1/card-%2").arg(folder).arg(n);
    }
    const QStringList arguments =
        QStringList{card, QStringLiteral("--categories"), QStringLiteral("normal"),
                    QStringLiteral("--count"), QStringLiteral("normal=1")} +
        options;
    if (RunTool(ToolPath(QStringLiteral("make-sample-card")), arguments).exitCode != 0) {
        return {};
    }
    const QDir root(card);
    for (const QString& category : root.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        const QDir recordings(root.filePath(category));
        const QStringList files = recordings.entryList(
            {QStringLiteral("*.mp4"), QStringLiteral("*.mkv"), QStringLiteral("*.avi")},
            QDir::Files, QDir::Name);
        if (!files.isEmpty()) {
            return recordings.filePath(files.first());
        }
    }
    return {};
}

using platform::media::FormatContextPtr;
using platform::media::OutputFormatPtr;
using platform::media::PacketPtr;

bool Remux(const QString& from, const QString& to, const std::vector<int>& streams) {
    AVFormatContext* rawInput = nullptr;
    if (avformat_open_input(&rawInput, from.toUtf8().constData(), nullptr, nullptr) < 0) {
        return false;
    }
    const FormatContextPtr input(rawInput);
    bool ok = avformat_find_stream_info(input.get(), nullptr) >= 0;
    AVFormatContext* rawOutput = nullptr;
    ok = ok &&
         avformat_alloc_output_context2(&rawOutput, nullptr, nullptr, to.toUtf8().constData()) >= 0;
    const OutputFormatPtr output(rawOutput);
    std::vector<std::vector<int>> map(input->nb_streams);  // input stream -> its copies
    for (int index : streams) {
        if (!ok || index < 0 || index >= static_cast<int>(input->nb_streams)) {
            ok = false;
            break;
        }
        AVStream* stream = avformat_new_stream(output.get(), nullptr);
        ok = stream != nullptr &&
             avcodec_parameters_copy(stream->codecpar, input->streams[index]->codecpar) >= 0;
        if (ok) {
            stream->codecpar->codec_tag = 0;
            stream->time_base = input->streams[index]->time_base;
            map[static_cast<size_t>(index)].push_back(stream->index);
        }
    }
    ok = ok && avio_open(&output->pb, to.toUtf8().constData(), AVIO_FLAG_WRITE) >= 0;
    ok = ok && avformat_write_header(output.get(), nullptr) >= 0;
    const PacketPtr packet(av_packet_alloc());
    while (ok && av_read_frame(input.get(), packet.get()) >= 0) {
        const int from = packet->stream_index;
        for (int target : map[static_cast<size_t>(from)]) {
            const PacketPtr copy(av_packet_clone(packet.get()));
            av_packet_rescale_ts(copy.get(), input->streams[from]->time_base,
                                 output->streams[target]->time_base);
            copy->stream_index = target;
            ok = ok && av_interleaved_write_frame(output.get(), copy.get()) >= 0;
        }
        av_packet_unref(packet.get());
    }
    return ok && av_write_trailer(output.get()) >= 0;
}

}  // namespace testsupport
