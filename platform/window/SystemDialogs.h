#pragma once
// The system's own dialogs, one entry point each, so a test (or a script) can answer them in
// place of a person by installing a handler. GUI thread only.

#include <QString>

#include <functional>
#include <optional>

class QWidget;

namespace platform {

struct SaveFileRequest {
    QWidget* owner = nullptr;
    QString initialPath;  // a full path, or only a file name for the dialog's own folder
    QString filter;       // the toolkit's "name|pattern|name|pattern||" form
    bool promptOverwrite = true;
};

struct SaveFileResult {
    QString path;       // the full path chosen
    QString extension;  // what follows the last "." of the chosen file name; empty when none
};

using SaveFileHandler = std::function<std::optional<QString>(const SaveFileRequest&)>;
// The Save As dialog; none when the user cancels.
std::optional<SaveFileResult> GetSaveFileName(const SaveFileRequest& request);
// Replaces the dialog; an empty handler brings the system dialog back. Returns the previous.
SaveFileHandler SetSaveFileHandler(SaveFileHandler handler);

struct FolderRequest {
    QWidget* owner = nullptr;
    QString title;
    QString startFolder;
};

using FolderHandler = std::function<std::optional<QString>(const FolderRequest&)>;
// The folder browser (file-system folders only); none when the user cancels.
std::optional<QString> BrowseForFolder(const FolderRequest& request);
FolderHandler SetFolderBrowserHandler(FolderHandler handler);

// "video(*.mp4)|*.mp4||" -> "video (*.mp4)": the toolkit's filter as Qt name filters, each
// pattern shown once.
QStringList ToNameFilters(const QString& toolkitFilter);
// The extension the Save As dialog reports for a chosen path.
QString FileExtensionOf(const QString& path);

}  // namespace platform
