#include "platform/window/CopyProgress.h"

#include "platform/window/Window.h"

#include <QFileInfo>
#include <QLocale>
#include <QProgressBar>
#include <QTimer>

#include <array>

namespace platform {
namespace {

constexpr int64_t kStepBytes = int64_t{1024} * 1024;
constexpr int kBarSteps = 1000;

constexpr std::array kItems = {
    DialogItem{CopyProgressDlg::kIdName, ChildKind::Static, 16, 14, 388, 20, ""},
    DialogItem{CopyProgressDlg::kIdBar, ChildKind::Custom, 16, 42, 388, 20, ""},
    DialogItem{CopyProgressDlg::kIdAmount, ChildKind::Static, 16, 70, 260, 20, ""},
    DialogItem{IDCANCEL, ChildKind::Button, 304, 92, 100, 28, "Cancel"},
};
constexpr DialogTemplate kTemplate{CopyProgressDlg::kTemplateId, "Copying", 420, 132, 0, kItems};

CopyFileHandler& CopySlot() {
    static CopyFileHandler handler;
    return handler;
}

}  // namespace

CopyResult CopyFileWithProgress(QWidget* owner, const QString& source, const QString& target) {
    if (CopySlot()) {
        return CopySlot()(CopyRequest{owner, source, target});
    }
    CopyProgressDlg window(owner, source, target);
    window.DoModal();
    return window.Result();
}

CopyFileHandler SetCopyFileHandler(CopyFileHandler handler) {
    CopyFileHandler previous = std::move(CopySlot());
    CopySlot() = std::move(handler);
    return previous;
}

CopyProgressDlg::CopyProgressDlg(QWidget* owner, const QString& source, const QString& target)
    : Dialog(kTemplate, owner), m_name(QFileInfo(target).fileName()), m_copy(source, target) {}

CopyProgressDlg::~CopyProgressDlg() = default;

bool CopyProgressDlg::OnInitDialog() {
    Dialog::OnInitDialog();
    m_bar = new QProgressBar(this);
    m_bar->setRange(0, kBarSteps);
    m_bar->setTextVisible(false);
    SubclassDlgItem(kIdBar, m_bar);
    SetWindowText(GetDlgItem(kIdName), tr("Copying %1").arg(m_name));
    if (!m_copy.Begin()) {
        m_finished = true;
        m_result = CopyResult::Failed;
        EndDialog(IDABORT);
        return true;
    }
    ShowProgress();
    QTimer::singleShot(0, this, &CopyProgressDlg::CopyStep);
    return true;
}

void CopyProgressDlg::CopyStep() {
    if (m_finished) {
        return;
    }
    switch (m_copy.Copy(kStepBytes)) {
        case FileCopy::Step::More:
            ShowProgress();
            QTimer::singleShot(0, this, &CopyProgressDlg::CopyStep);
            return;
        case FileCopy::Step::Done:
            m_finished = true;
            m_result = CopyResult::Copied;
            EndDialog(IDOK);
            return;
        case FileCopy::Step::Failed:
            m_finished = true;
            m_result = CopyResult::Failed;
            EndDialog(IDABORT);
            return;
    }
}

void CopyProgressDlg::ShowProgress() {
    const int64_t total = m_copy.TotalBytes();
    const int64_t copied = m_copy.BytesCopied();
    m_bar->setValue(total <= 0 ? 0 : static_cast<int>(copied * kBarSteps / total));
    const QLocale locale;
    SetWindowText(
        GetDlgItem(kIdAmount),
        tr("%1 of %2").arg(locale.formattedDataSize(copied), locale.formattedDataSize(total)));
}

void CopyProgressDlg::OnOK() {}

void CopyProgressDlg::OnCancel() {
    if (m_finished) {
        return;
    }
    m_finished = true;
    m_copy.Cancel();
    m_result = CopyResult::Cancelled;
    EndDialog(IDCANCEL);
}

}  // namespace platform
