#pragma once
// The folder browser of the save command, reached through one replaceable function so tests
// and scripted runs can answer it. GUI thread only.

#include <QString>

#include <functional>
#include <optional>

class QWidget;

namespace settings {

// When set, answers the browser without showing it: a folder path, or empty for "cancelled".
inline constexpr char kBrowseAnswerVariable[] = "DCS_4100_BROWSE_ANSWER";

// nullopt when the user cancelled; the chosen folder otherwise.
using FolderBrowser =
    std::function<std::optional<QString>(QWidget* owner, const QString& startFolder)>;

std::optional<QString> BrowseForFolder(QWidget* owner, const QString& startFolder);
// An empty function restores the system's browser.
void SetFolderBrowser(FolderBrowser browser);

}  // namespace settings
