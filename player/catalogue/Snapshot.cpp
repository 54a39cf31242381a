#include "player/catalogue/Snapshot.h"

#include "platform/gfx/ImageFile.h"
#include "platform/system/AtomicFile.h"
#include "platform/system/FilePaths.h"
#include "platform/system/FindFiles.h"
#include "player/catalogue/CatalogueLog.h"

#include <algorithm>

namespace player {
namespace {

constexpr char kJpegExtension[] = ".jpg";
constexpr int kPlanAttempts = 3;

QString FileNameOf(const QString& path) {
    return path.mid(path.lastIndexOf(u'/') + 1);
}

QString FolderOf(const QString& path) {
    const qsizetype slash = path.lastIndexOf(u'/');
    return slash < 0 ? QStringLiteral(".") : path.left(slash + 1);
}

// Existing files of the folder whose names are prefix*.jpg.
int CountSnapshots(const QString& folder, const QString& prefix) {
    const auto listing = platform::FindFiles(folder, [&prefix](const QString& name) {
        return name.startsWith(prefix) && name.endsWith(QLatin1String(kJpegExtension));
    });
    if (!listing) {
        return 0;
    }
    return static_cast<int>(
        std::count_if(listing->entries.begin(), listing->entries.end(),
                      [](const platform::FoundFile& found) { return !found.isFolder; }));
}

bool AnyExists(const QStringList& files) {
    return std::any_of(files.begin(), files.end(),
                       [](const QString& file) { return platform::PathExists(file); });
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
    int number = 1;
    if (name.size() == proposedLength) {
        const QString prefix =
            name + (videoCount >= 2 ? QStringLiteral("_front_") : QStringLiteral("_"));
        number = CountSnapshots(FolderOf(base), prefix);
    } else if (!AnyExists(SnapshotFiles(base, {}, videoCount))) {
        return {};
    }
    for (;;) {
        QString suffix = QString::asprintf("_%03d", number);
        if (!AnyExists(SnapshotFiles(base, suffix, videoCount))) {
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

bool WriteSnapshots(const QStringList& files, const std::vector<QImage>& pictures, QString* why) {
    std::vector<platform::FileContent> contents;
    QString reason;
    for (size_t i = 0; i < pictures.size() && reason.isEmpty(); ++i) {
        const QByteArray jpeg = platform::gfx::EncodeImage(pictures[i], "jpg");
        if (static_cast<qsizetype>(i) >= files.size() || jpeg.isEmpty()) {
            reason = QStringLiteral("the picture cannot be encoded");
        } else {
            contents.push_back(platform::FileContent{files[static_cast<qsizetype>(i)], jpeg});
        }
    }
    if (reason.isEmpty() && contents.empty()) {
        reason = QStringLiteral("no picture");
    }
    if (reason.isEmpty() &&
        platform::WriteFilesAtomically(contents, &reason, platform::Existing::Keep)) {
        return true;
    }
    qCWarning(lcCatalogue) << "cannot write the snapshots" << files << ":" << reason;
    if (why != nullptr) {
        *why = reason;
    }
    return false;
}

bool WriteSnapshot(const QString& path, const QImage& picture) {
    return WriteSnapshots({path}, {picture});
}

QStringList SaveSnapshots(const platform::SaveFileResult& chosen, int proposedLength,
                          int videoCount, const std::vector<QImage>& pictures, QString* why) {
    for (int attempt = 1;; ++attempt) {
        QStringList files = PlanSnapshotFiles(chosen, proposedLength, videoCount);
        files = files.mid(0, static_cast<qsizetype>(pictures.size()));
        if (WriteSnapshots(files, pictures, why)) {
            return files;
        }
        // Another program took a name of the plan meanwhile: a new plan passes it.
        if (attempt == kPlanAttempts || !AnyExists(files)) {
            return {};
        }
    }
}

}  // namespace player
