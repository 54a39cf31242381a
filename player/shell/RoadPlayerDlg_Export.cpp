// The main window's export (Save) and snapshot (Capture) commands. Both pause a running
// playback while their Save As dialog is open and run it again afterwards.

#include "player/shell/RoadPlayerDlg.h"

#include "platform/window/SystemDialogs.h"
#include "player/catalogue/Export.h"
#include "player/catalogue/Snapshot.h"
#include "player/profile/AppProfile.h"
#include "player/profile/NotifyDlg.h"
#include "player/resources/Resource.h"
#include "player/shell/ShellLog.h"

#include <QImage>

namespace player {

namespace {

constexpr int kFrontView = 0;
constexpr int kRearView = 1;

}  // namespace

void CRoadPlayerDlg::OnSave() {
    if (FileList() == nullptr) {
        return;
    }
    CPlayGraph* graph = m_player.Graph();
    // The open recording's own path: the list may show another category by now.
    if (graph == nullptr || m_currentPath.isEmpty()) {
        ShowMessage(kMsgNoSelectFile, kMessageKind);
        return;
    }
    const bool wasRunning = graph->State() == GraphState::Running;
    if (wasRunning) {
        graph->Pause();
        m_controlState->UpdateControls(kEventPaused);
    }
    const QString source = m_currentPath;
    const std::optional<platform::SaveFileResult> chosen =
        platform::GetSaveFileName(ExportSaveRequest(source));
    if (chosen && !ExportRecording(this, source, chosen->path)) {
        ShowMessage(kMsgCopyFile, kMessageKind);
    }
    // The card may have gone meanwhile, and the recording with it.
    graph = m_player.Graph();
    if (wasRunning && graph != nullptr && graph->State() == GraphState::Paused) {
        graph->Run();
        ArmTick();
        m_controlState->UpdateControls(kEventResumed);
    }
}

void CRoadPlayerDlg::OnCapture() {
    CPlayGraph* graph = m_player.Graph();
    if (graph == nullptr ||
        (graph->State() != GraphState::Running && graph->State() != GraphState::Paused)) {
        return;
    }
    const bool wasRunning = graph->State() == GraphState::Running;
    graph->Pause();
    QImage front;
    if (graph->GetCurrentImage(kFrontView, &front) != 0) {
        const SnapshotProposal proposal = ProposeSnapshotName(m_currentPath);
        const int32_t videoCount = m_controlState->VideoCount();
        if (const auto chosen = platform::GetSaveFileName(SnapshotSaveRequest(this, proposal))) {
            const QStringList files = PlanSnapshotFiles(*chosen, proposal.length, videoCount);
            WriteSnapshot(files.constFirst(), front);
            QImage rear;
            graph = m_player.Graph();
            if (files.size() > 1 && graph != nullptr &&
                graph->GetCurrentImage(kRearView, &rear) != 0) {
                WriteSnapshot(files[1], rear);
            }
        }
    } else {
        qCInfo(lcShell) << "no front picture to capture";
    }
    graph = m_player.Graph();
    if (wasRunning && graph != nullptr && graph->State() == GraphState::Paused) {
        graph->Run();
        ArmTick();
    }
}

}  // namespace player
