#include "player/catalogue/Export.h"

#include "platform/system/ShellFolders.h"
#include "platform/window/CopyProgress.h"
#include "player/catalogue/CatalogueLog.h"

namespace player {
namespace {

QString FileNameOf(const QString& path) {
    return path.mid(path.lastIndexOf(u'/') + 1);
}

}  // namespace

QString ExportFilter(const QString& source) {
    const QString name = FileNameOf(source);
    const qsizetype dot = name.lastIndexOf(u'.');
    const QString extension = dot < 0 ? QStringLiteral("*") : name.mid(dot + 1);
    return QStringLiteral("video(*.%1)|*.%1||").arg(extension);
}

QString ProposedExportTarget(const QString& source) {
    return platform::GetDesktopFolder() + '/' + FileNameOf(source);
}

platform::SaveFileRequest ExportSaveRequest(const QString& source) {
    return platform::SaveFileRequest{nullptr, ProposedExportTarget(source), ExportFilter(source),
                                     true};
}

bool ExportRecording(QWidget* owner, const QString& source, const QString& target) {
    if (target == source) {
        return false;
    }
    const platform::CopyResult result = platform::CopyFileWithProgress(owner, source, target);
    if (result == platform::CopyResult::Failed) {
        qCWarning(lcCatalogue) << "copy failed:" << source << "->" << target;
    }
    return result == platform::CopyResult::Copied;
}

}  // namespace player
