#pragma once
// Export of the open recording (the Save command): the Save As request it shows and the copy
// that follows, with its progress window. GUI thread only.

#include "platform/window/SystemDialogs.h"

#include <QString>

class QWidget;

namespace player {

// "video(*.%s)|*.%s||" with the source's extension, "*" when its name has none.
QString ExportFilter(const QString& source);
// The user's Desktop folder followed by the source's file name.
QString ProposedExportTarget(const QString& source);
// The Save As request: no owner, the proposed target, the filter, asking before overwriting.
platform::SaveFileRequest ExportSaveRequest(const QString& source);

// Copies source to the chosen target with the progress window over owner. False on any
// failure, a cancelled copy, or a target that is the source itself (the caller shows
// "error-copy-file"); the target is then as it was before.
bool ExportRecording(QWidget* owner, const QString& source, const QString& target);

}  // namespace player
