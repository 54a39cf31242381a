// Opening and closing recordings: by path, by row of the list, and at the end of one.

#include "player/shell/RoadPlayerDlg.h"

#include "platform/system/WaveOutVolume.h"
#include "platform/window/ListCtrl.h"
#include "platform/window/Window.h"
#include "player/profile/AppProfile.h"
#include "player/profile/NotifyDlg.h"
#include "player/resources/Resource.h"
#include "player/shell/ShellLog.h"

namespace player {

namespace {

// The column of a row that holds the recording's full path.
constexpr int kPathColumn = 3;
constexpr unsigned kRowHighlight = platform::LVIS_SELECTED | platform::LVIS_DROPHILITED;

platform::ListCtrl* ListOf(SkWidget* widget) {
    return widget != nullptr ? qobject_cast<platform::ListCtrl*>(widget->Window()) : nullptr;
}

}  // namespace

bool CRoadPlayerDlg::OpenRecording(const QString& path) {
    if (m_player.Open(path) == 0) {
        qCInfo(lcShell) << "the graph refused" << path;
        ShowMessage(kMsgInvalidStream, kMessageKind);
        return false;
    }
    CPlayGraph* graph = m_player.Graph();
    if (graph == nullptr || m_player.GetDurationMs() == 0) {
        qCInfo(lcShell) << "no duration for" << path;
        if (graph != nullptr) {
            graph->Stop();
        }
        m_player.Release();
        ShowMessage(kMsgInvalidStream, kMessageKind);
        return false;
    }
    platform::SetWaveOutVolume(CControlState::kHalfVolume);
    m_telemetry.LoadFromSource(graph->Source());
    m_controlState->SetRecordingFacts(graph->VideoStreamCount(), !m_telemetry.GPSList().empty(),
                                      !m_telemetry.GSensorList().empty());
    ShowRecordingTelemetry();
    ShowFileName(path);
    return true;
}

bool CRoadPlayerDlg::PlayRecording(const QString& path) {
    m_currentPath = path;
    return !path.isEmpty() && StartRecording(path);
}

bool CRoadPlayerDlg::StartRecording(const QString& path) {
    if (!OpenRecording(path)) {
        StopAndReset();
        return false;
    }
    m_player.Graph()->Run();
    ArmTick();
    m_pausedByUser = 0;
    m_controlState->UpdateControls(kEventStarted);
    return true;
}

void CRoadPlayerDlg::StopAndReset() {
    KillTimer(kPlaybackTimerId);
    KillTimer(kSeekGuardTimerId);
    m_pendingSeekMs.reset();
    if (CPlayGraph* graph = m_player.Graph()) {
        graph->Stop();
        if (graph->HasGraphManager()) {
            graph->SeekTo(0);
        }
        graph->Stop();
    }
    m_player.Release();
    HideGSensor();
    m_currentRow = -1;
    m_pausedByUser = 0;
    m_controlState->UpdateControls(kEventStopped);
}

void CRoadPlayerDlg::OpenRow(int32_t row) {
    m_currentRow = row;
    const QString path = RowPath(row);
    m_currentPath = path;
    if (path.isEmpty()) {
        return;
    }
    SelectRow(row);
    StartRecording(path);
}

void CRoadPlayerDlg::PlaySelectedRow() {
    platform::ListCtrl* list = ListOf(FindWidget(kMainListFileList));
    if (list == nullptr || list->GetItemCount() == 0) {
        return;
    }
    int32_t row = -1;
    for (int i = 0; i < list->GetItemCount() && row < 0; ++i) {
        if (list->GetItemState(i, kRowHighlight) == kRowHighlight) {
            row = i;
        }
    }
    if (row < 0) {
        row = 0;
        list->SetHotItem(row);
    }
    // A row without a path goes on to the opening, which refuses it and resets.
    m_currentRow = row;
    m_currentPath = RowPath(row);
    SelectRow(row);
    StartRecording(m_currentPath);
}

void CRoadPlayerDlg::AdvanceAtEnd() {
    platform::ListCtrl* list = ListOf(FindWidget(kMainListFileList));
    const int count = list != nullptr ? list->GetItemCount() : 0;
    if (count == 0) {
        // Nothing listed to go on to (a recording opened by path): it rests at its end, and
        // Play starts it again.
        if (CPlayGraph* graph = m_player.Graph()) {
            graph->Pause();
        }
        m_pausedByUser = 1;
        m_controlState->UpdateControls(kEventPosition);
        m_controlState->UpdateControls(kEventPaused);
        return;
    }
    // Through the whole list and round again from the first row.
    const int32_t row = m_currentRow + 1 < count ? m_currentRow + 1 : 0;
    OpenRow(row);
    if (list != nullptr && row < count) {
        list->EnsureVisible(row, false);
    }
}

void CRoadPlayerDlg::SelectRow(int32_t row) {
    platform::ListCtrl* list = ListOf(FindWidget(kMainListFileList));
    if (list == nullptr) {
        return;
    }
    for (int i = 0; i < list->GetItemCount(); ++i) {
        list->SetItemState(i, 0, kRowHighlight);
    }
    list->SetItemState(row, kRowHighlight, kRowHighlight);
}

QString CRoadPlayerDlg::RowPath(int32_t row) const {
    const platform::ListCtrl* list = ListOf(FindWidget(kMainListFileList));
    if (list == nullptr || row < 0 || row >= list->GetItemCount()) {
        return {};
    }
    return list->GetItemText(row, kPathColumn);
}

void CRoadPlayerDlg::ShowFileName(const QString& path) {
    // Paths may carry either separator, as the profile's folders do.
    const qsizetype cut =
        std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    if (SkWidget* text = FindWidget(kMainTextFile)) {
        platform::SetWindowText(text->Window(), path.mid(cut + 1));
        text->Invalidate();
    }
}

}  // namespace player
