#pragma once
// The file copy with a progress window (the shell's copy operation): the window shows how far
// the copy is and a Cancel button; the copy replaces the target only once it is complete
// (platform/system's FileCopy), so a failed or cancelled copy leaves the target as it was.
// One entry point, which a test can answer in place of the window. GUI thread only.

#include "platform/system/FileCopy.h"
#include "platform/window/Dialog.h"

#include <QString>

#include <functional>
#include <memory>

class QLabel;
class QProgressBar;

namespace platform {

struct CopyRequest {
    QWidget* owner = nullptr;
    QString source;
    QString target;
};

using CopyFileHandler = std::function<CopyResult(const CopyRequest&)>;

// Copies source onto target while the progress window is shown (modal to owner).
CopyResult CopyFileWithProgress(QWidget* owner, const QString& source, const QString& target);
// Replaces the window and its copy; an empty handler brings them back. Returns the previous.
CopyFileHandler SetCopyFileHandler(CopyFileHandler handler);

// The progress window; a modal hook meets it while the copy runs. The copy advances a
// megabyte per turn of the event loop, so the window and its Cancel button stay live.
class CopyProgressDlg : public Dialog {
    Q_OBJECT

public:
    static constexpr int kTemplateId = 900;
    static constexpr int kIdName = 100;
    static constexpr int kIdBar = 101;
    static constexpr int kIdAmount = 102;

    CopyProgressDlg(QWidget* owner, const QString& source, const QString& target);
    ~CopyProgressDlg() override;

    CopyResult Result() const { return m_result; }
    int64_t BytesCopied() const { return m_copy.BytesCopied(); }
    int64_t TotalBytes() const { return m_copy.TotalBytes(); }

protected:
    bool OnInitDialog() override;
    void OnOK() override;  // Enter does not end a copy
    void OnCancel() override;

private:
    void CopyStep();
    void ShowProgress();

    QString m_name;
    FileCopy m_copy;
    CopyResult m_result = CopyResult::Failed;
    bool m_finished = false;
    QProgressBar* m_bar = nullptr;  // child of this window
};

}  // namespace platform
