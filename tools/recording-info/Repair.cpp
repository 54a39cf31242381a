#include "tools/recording-info/Repair.h"

#include "platform/media/RecordingRecovery.h"
#include "platform/system/AtomicFile.h"
#include "player/catalogue/RecoveryReferences.h"

#include <QFileInfo>

#include <vector>

using namespace platform::media;

namespace {

constexpr size_t kCopyBlock = 1 << 20;

bool WriteCopy(const RecoveredRecording& recording, const QString& outPath, QString& error) {
    QFile source(recording.Path());
    platform::AtomicFileWriter writer(outPath);
    if (!source.open(QIODevice::ReadOnly) || !writer.Open()) {
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

bool RepairRecording(const QString& path, const QString& reference, const QString& outPath,
                     QTextStream& out, QString& error) {
    if (!QFileInfo(path).isFile()) {
        error = QStringLiteral("%1: no such file").arg(path);
        return false;
    }
    if (QFileInfo(outPath).absoluteFilePath() == QFileInfo(path).absoluteFilePath()) {
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
    out << "kept bytes: " << recording->KeptBytes() << " of " << QFileInfo(path).size() << '\n';
    out.flush();
    return WriteCopy(*recording, outPath, error);
}
