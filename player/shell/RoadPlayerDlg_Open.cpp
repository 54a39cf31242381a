// Opening and closing recordings: the Part's named entry points, which the session carries
// out, and what the session asks of the window (the list's rows, the tick, what to show).

#include "player/shell/RoadPlayerDlg.h"

#include "platform/gfx/DrawText.h"
#include "platform/window/ListCtrl.h"
#include "platform/window/Window.h"
#include "player/catalogue/RecordingList.h"
#include "player/profile/AppProfile.h"
#include "player/profile/NotifyDlg.h"
#include "player/resources/Resource.h"
#include "player/skin/SkListCtrl.h"

#include <algorithm>

namespace player {

namespace {

constexpr unsigned kRowHighlight = platform::LVIS_SELECTED | platform::LVIS_DROPHILITED;

}  // namespace

bool CRoadPlayerDlg::OpenRecording(const QString& path) {
    return m_session.OpenRecording(path);
}

bool CRoadPlayerDlg::PlayRecording(const QString& path) {
    return m_session.PlayPath(path);
}

void CRoadPlayerDlg::StopAndReset() {
    m_session.Close(CPlaybackSession::CloseReason::Stop);
}

void CRoadPlayerDlg::AdvanceAtEnd() {
    m_session.AdvanceAtEnd();
}

void CRoadPlayerDlg::PlaySelectedRow() {
    platform::ListCtrl* list = FileList();
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
    m_session.OpenRow(row, CPlaybackSession::RowOpening::Play);
}

int32_t CRoadPlayerDlg::RowCount() const {
    const platform::ListCtrl* list = FileList();
    return list != nullptr ? list->GetItemCount() : 0;
}

QString CRoadPlayerDlg::RowPath(int32_t row) const {
    const platform::ListCtrl* list = FileList();
    if (list == nullptr || row < 0 || row >= list->GetItemCount()) {
        return {};
    }
    return RecordingPathOfRow(*list, row);
}

void CRoadPlayerDlg::SelectRow(int32_t row) {
    platform::ListCtrl* list = FileList();
    if (list == nullptr) {
        return;
    }
    for (int i = 0; i < list->GetItemCount(); ++i) {
        list->SetItemState(i, 0, kRowHighlight);
    }
    list->SetItemState(row, kRowHighlight, kRowHighlight);
}

void CRoadPlayerDlg::ScrollToRow(int32_t row) {
    if (platform::ListCtrl* list = FileList(); list != nullptr && row < list->GetItemCount()) {
        list->EnsureVisible(row, false);
    }
}

void CRoadPlayerDlg::ArmTick() {
    SetTimer(kPlaybackTimerId, kPlaybackTimerMs);
}

void CRoadPlayerDlg::KillTick() {
    KillTimer(kPlaybackTimerId);
}

void CRoadPlayerDlg::ShowOpened(const QString& path) {
    ShowRecordingTelemetry();
    m_marks.Open(path, m_session.Telemetry());
    m_noteTimer.stop();
    ShowFileName(path);
    MarkPlayingRow(path);
    FollowClipTimeline();
    // A recording opened again gets its route again, as any other opening does.
    m_mapRoutePath.clear();
    ShowTrip();
}

void CRoadPlayerDlg::ShowRefused() {
    ShowMessage(kMsgInvalidStream, kMessageKind);
}

void CRoadPlayerDlg::ShowClosed() {
    HideGSensor();
    m_marks.Close();
    ShowTrip();
    MarkPlayingRow(QString());
    ShowSliderMarks();
}

void CRoadPlayerDlg::MarkPlayingRow(const QString& path) {
    // By path, so the row stays marked in whichever category lists it.
    if (auto* list = dynamic_cast<SkListCtrl*>(FindWidget(kMainListFileList))) {
        list->SetMarkedRow(kColumnPath, path);
    }
}

void CRoadPlayerDlg::ShowFileName(const QString& path) {
    // Paths may carry either separator, as the profile's folders do.
    const qsizetype cut =
        std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    if (SkWidget* text = FindWidget(kMainTextFile)) {
        platform::SetWindowText(text->Window(), platform::gfx::OneLineText(path.mid(cut + 1)));
        text->Invalidate();
    }
}

}  // namespace player
