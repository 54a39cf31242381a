#include "player/catalogue/Snapshot.h"

#include "platform/gfx/ImageFile.h"
#include "platform/system/AtomicFile.h"
#include "player/catalogue/CatalogueLog.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace player {
namespace {

constexpr char kJpegExtension[] = ".jpg";

QString FileNameOf(const QString& path) {
    return path.mid(path.lastIndexOf(u'/') + 1);
}

QString FolderOf(const QString& path) {
    const qsizetype slash = path.lastIndexOf(u'/');
    return slash < 0 ? QStringLiteral(".") : path.left(slash + 1);
}

// Existing files of the folder whose names are prefix*.jpg.
int CountSnapshots(const QString& folder, const QString& prefix) {
    const QStringList names = QDir(folder).entryList(QDir::Files | QDir::Hidden);
    return static_cast<int>(std::count_if(names.begin(), names.end(), [&](const QString& name) {
        return name.startsWith(prefix) && name.endsWith(QLatin1String(kJpegExtension));
    }));
}

}  // namespace

SnapshotProposal ProposeSnapshotName(const QString& currentPath) {
    QString name = FileNameOf(currentPath);
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot >= 0) {
        name.truncate(dot);
    }
    return SnapshotProposal{name + QLatin1String(kJpegExtension), static_cast<int>(name.size())};
}

platform::SaveFileRequest SnapshotSaveRequest(QWidget* owner, const SnapshotProposal& proposal) {
    return platform::SaveFileRequest{owner, proposal.name, QString::fromLatin1(kSnapshotFilter),
                                     true};
}

QString SnapshotBase(const QString& chosenPath, const QString& reportedExtension) {
    if (reportedExtension.isEmpty() || !chosenPath.endsWith(u'.' + reportedExtension)) {
        return chosenPath;
    }
    return chosenPath.chopped(reportedExtension.size() + 1);
}

QString SnapshotSuffix(const QString& base, int proposedLength, int videoCount) {
    const QString name = FileNameOf(base);
    if (name.size() != proposedLength) {
        return {};
    }
    const QString prefix =
        name + (videoCount >= 2 ? QStringLiteral("_front_") : QStringLiteral("_"));
    int number = CountSnapshots(FolderOf(base), prefix);
    for (;;) {
        QString suffix = QString::asprintf("_%03d", number);
        const QStringList files = SnapshotFiles(base, suffix, videoCount);
        if (std::none_of(files.begin(), files.end(),
                         [](const QString& file) { return QFileInfo::exists(file); })) {
            return suffix;
        }
        ++number;
    }
}

QStringList SnapshotFiles(const QString& base, const QString& suffix, int videoCount) {
    const QLatin1String jpg(kJpegExtension);
    if (videoCount >= 2) {
        return {base + QStringLiteral("_front") + suffix + jpg,
                base + QStringLiteral("_rear") + suffix + jpg};
    }
    return {base + suffix + jpg};
}

QStringList PlanSnapshotFiles(const platform::SaveFileResult& chosen, int proposedLength,
                              int videoCount) {
    const QString base = SnapshotBase(chosen.path, chosen.extension);
    return SnapshotFiles(base, SnapshotSuffix(base, proposedLength, videoCount), videoCount);
}

bool WriteSnapshot(const QString& path, const QImage& picture) {
    const QByteArray jpeg = platform::gfx::EncodeImage(picture, "jpg");
    if (jpeg.isEmpty() || !platform::WriteFileAtomically(path, jpeg)) {
        qCWarning(lcCatalogue) << "cannot write the snapshot" << path;
        return false;
    }
    return true;
}

}  // namespace player
