#include "FolderBrowser.h"

#include <QFileDialog>

namespace settings {
namespace {

FolderBrowser& Override() {
    static FolderBrowser browser;
    return browser;
}

std::optional<QString> SystemBrowser(QWidget* owner, const QString& startFolder) {
    if (qEnvironmentVariableIsSet(kBrowseAnswerVariable)) {
        const QString answer = qEnvironmentVariable(kBrowseAnswerVariable);
        return answer.isEmpty() ? std::nullopt : std::optional<QString>(answer);
    }
    const QString folder =
        QFileDialog::getExistingDirectory(owner, QString(), startFolder, QFileDialog::ShowDirsOnly);
    return folder.isEmpty() ? std::nullopt : std::optional<QString>(folder);
}

}  // namespace

std::optional<QString> BrowseForFolder(QWidget* owner, const QString& startFolder) {
    return Override() ? Override()(owner, startFolder) : SystemBrowser(owner, startFolder);
}

void SetFolderBrowser(FolderBrowser browser) {
    Override() = std::move(browser);
}

}  // namespace settings
