#include "tools/recording-info/Repair.h"

#include "platform/media/RecordingRecovery.h"
#include "platform/system/AtomicFile.h"
#include "platform/system/FilePaths.h"
#include "platform/system/RegularFile.h"
#include "player/catalogue/RecoveryReferences.h"

#include <QFile>

#include <vector>

using namespace platform::media;

namespace {

constexpr size_t kCopyBlock = 1 << 20;

bool WriteCopy(const RecoveredRecording& recording, const QString& outPath, QString& error) {
    QFile source;
    platform::AtomicFileWriter writer(outPath);
    if (platform::OpenRegularFile(recording.Path(), INT64_MAX, source) !=
            platform::FileReadStatus::Ok ||
        !writer.Open()) {
        error = QStringLiteral("cannot write %1").arg(outPath);
        return false;
    }
    std::vector<uint8_t> block(kCopyBlock);
    for (uint64_t at = 0; at < recording.Size();) {
        const auto size =
            static_cast<size_t>(std::min<uint64_t>(kCopyBlock, recording.Size() - at));
        if (!recording.ReadAt(&source, at, block.data(), size) ||
            !writer.Write(reinterpret_cast<const char*>(block.data()), size)) {
            error = QStringLiteral("cannot copy %1 to %2").arg(recording.Path(), outPath);
            return false;
        }
        at += size;
    }
    if (!writer.Commit()) {
        error = QStringLiteral("cannot write %1").arg(outPath);
        return false;
    }
    return true;
}

}  // namespace

QString ReplacedInput(const QStringList& outputs, const QStringList& inputs) {
    for (const QString& output : outputs) {
        for (const QString& input : inputs) {
            // The file itself, not its name: a link, a hard link or ".." name it as well.
            if (!output.isEmpty() && !input.isEmpty() && platform::SameFile(output, input)) {
                return QStringLiteral("%1 names %2: an output must not replace the original")
                    .arg(output, input);
            }
        }
    }
    return {};
}

bool RepairRecording(const QString& path, const QString& reference, const QString& outPath,
                     QTextStream& out, QString& error) {
    QFile original;
    if (platform::OpenRegularFile(path, INT64_MAX, original) != platform::FileReadStatus::Ok) {
        error = QStringLiteral("%1: no such file").arg(path);
        return false;
    }
    if (!ReplacedInput({outPath}, {path}).isEmpty()) {
        error = QStringLiteral("the copy must not replace the original");
        return false;
    }
    if (!LacksIndex(path)) {
        error = QStringLiteral("%1 is no recording cut by a power loss").arg(path);
        return false;
    }
    std::shared_ptr<const RecoveredRecording> recording;
    if (!reference.isEmpty()) {
        recording = RecoverRecording(path, reference, &error);
    } else {
        recording = RecoverWithCandidates(path, player::RecoveryReferences(path));
        if (!recording) {
            error = QStringLiteral("no healthy recording beside it matches it");
        }
    }
    if (!recording) {
        return false;
    }
    out << "reference: " << recording->ReferencePath() << '\n';
    for (const RecoveredTrackSummary& track : recording->Tracks()) {
        out << track.kind << ' ' << track.codec << ": " << track.samples << " samples, "
            << track.durationMs << " ms\n";
    }
    out << "kept bytes: " << recording->KeptBytes() << " of " << original.size() << '\n';
    out.flush();
    return WriteCopy(*recording, outPath, error);
}
