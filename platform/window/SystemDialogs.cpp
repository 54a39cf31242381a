#include "platform/window/SystemDialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>

namespace platform {

namespace {

SaveFileHandler& SaveSlot() {
    static SaveFileHandler handler;
    return handler;
}

FolderHandler& FolderSlot() {
    static FolderHandler handler;
    return handler;
}

// Qt's dialog reads a typed name holding a double quote as a list of quoted names ("a" "b"),
// so a recording named NOR'"q.mp4 would come back as q.mp4; a Save As takes one name, so its
// line is taken as it stands.
class SaveDialog : public QFileDialog {
public:
    using QFileDialog::QFileDialog;

    const std::optional<QString>& QuotedChoice() const { return m_quoted; }

    void accept() override {
        const auto* edit = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        const QString typed = edit != nullptr ? edit->text() : QString();
        if (!typed.contains(u'"')) {
            QFileDialog::accept();
            return;
        }
        const QString path =
            QDir::isAbsolutePath(typed) ? typed : directory().absoluteFilePath(typed);
        if (!testOption(DontConfirmOverwrite) && QFileInfo::exists(path) &&
            QMessageBox::warning(this, windowTitle(),
                                 tr("%1 already exists.\nDo you want to replace it?")
                                     .arg(QFileInfo(path).fileName()),
                                 QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) != QMessageBox::Yes) {
            return;
        }
        m_quoted = path;
        done(Accepted);  // the dialog's own accept would read the line as a list again
    }

private:
    std::optional<QString> m_quoted;
};

std::optional<QString> RunSaveDialog(const SaveFileRequest& request) {
    SaveDialog dialog(request.owner);
    // Qt's own dialog behaves the same under every desktop and under a bare X server.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.promptOverwrite);
    const QStringList filters = ToNameFilters(request.filter);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
    }
    const QFileInfo initial(request.initialPath);
    if (!request.initialPath.isEmpty() && initial.isAbsolute()) {
        dialog.setDirectory(initial.absolutePath());
    }
    if (!request.initialPath.isEmpty()) {
        dialog.selectFile(initial.fileName());
    }
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    if (dialog.QuotedChoice()) {
        return dialog.QuotedChoice();
    }
    if (dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().constFirst();
}

std::optional<QString> RunFolderDialog(const FolderRequest& request) {
    const QString folder = QFileDialog::getExistingDirectory(
        request.owner, request.title, request.startFolder,
        QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
    if (folder.isEmpty()) {
        return std::nullopt;
    }
    return folder;
}

}  // namespace

QStringList ToNameFilters(const QString& toolkitFilter) {
    const QStringList parts = toolkitFilter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty()) {
            break;
        }
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        // A label that already ends with its patterns shows them once.
        QString label = parts[i];
        const QString shown = QLatin1Char('(') + patterns + QLatin1Char(')');
        if (label.endsWith(shown)) {
            label = label.chopped(shown.size()).trimmed();
        }
        filters << QStringLiteral("%1 (%2)").arg(label, patterns);
    }
    return filters;
}

QString FileExtensionOf(const QString& path) {
    const qsizetype slash =
        std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    if (dot <= slash) {
        return {};
    }
    return path.mid(dot + 1);
}

std::optional<SaveFileResult> GetSaveFileName(const SaveFileRequest& request) {
    const std::optional<QString> path = SaveSlot() ? SaveSlot()(request) : RunSaveDialog(request);
    if (!path || path->isEmpty()) {
        return std::nullopt;
    }
    return SaveFileResult{*path, FileExtensionOf(*path)};
}

SaveFileHandler SetSaveFileHandler(SaveFileHandler handler) {
    SaveFileHandler previous = std::move(SaveSlot());
    SaveSlot() = std::move(handler);
    return previous;
}

std::optional<QString> BrowseForFolder(const FolderRequest& request) {
    std::optional<QString> folder = FolderSlot() ? FolderSlot()(request) : RunFolderDialog(request);
    if (folder && folder->isEmpty()) {
        return std::nullopt;
    }
    return folder;
}

FolderHandler SetFolderBrowserHandler(FolderHandler handler) {
    FolderHandler previous = std::move(FolderSlot());
    FolderSlot() = std::move(handler);
    return previous;
}

}  // namespace platform
