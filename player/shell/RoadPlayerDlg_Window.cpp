// The main window's size commands and quitting.

#include "player/shell/RoadPlayerDlg.h"

#include "platform/window/Screen.h"
#include "player/profile/AppProfile.h"
#include "player/profile/NotifyDlg.h"
#include "player/resources/Resource.h"
#include "player/shell/WindowSize.h"
#include "player/skin/StyleWords.h"

namespace player {

namespace {

// The computed front view is placed from the window's left edge.
constexpr uint32_t kFrontAnchorFlags = kAnchorLeft;

}  // namespace

void CRoadPlayerDlg::OnRealSize() {
    m_enlargedRealSize = true;
    Enlarge(RealSizeVideoRect(platform::PrimaryScreenSize()));
}

void CRoadPlayerDlg::OnMaximise() {
    m_enlargedRealSize = false;
    Enlarge(MaximisedVideoRect(platform::PrimaryScreenSize()));
}

void CRoadPlayerDlg::SetMaximisedFrontRect(const SkinRect& rect) {
    ControlEntry* entry = Skin()->FindControl(NameKey(QString::fromUtf8(kMainVideoFront)));
    ModeGeometry* geometry = entry != nullptr && entry->control
                                 ? entry->control->ModeGeometryOf(kMaximisedMode)
                                 : nullptr;
    if (geometry != nullptr) {
        geometry->anchorFlags = kFrontAnchorFlags;
        geometry->rect = rect;
    }
}

void CRoadPlayerDlg::Enlarge(const SkinRect& frontRect) {
    SetMaximisedFrontRect(frontRect);
    SetDragEnabled(false);
    ShowWindow(platform::ShowCommand::Maximize);
    m_controlState->UpdateControls(ControlEvent::LayoutChanged);
    SetBackgroundMode(kMaximisedMode);
}

void CRoadPlayerDlg::OnNormal() {
    SetDragEnabled(true);
    ShowWindow(platform::ShowCommand::Restore);
    m_controlState->UpdateControls(ControlEvent::LayoutChanged);
    SetBackgroundMode(kNormalMode);
}

void CRoadPlayerDlg::Quit() {
    const std::optional<int> answer = ShowMessage(kMsgWantQuit, kQuestionKind);
    if (answer.has_value() && *answer != kMessageOk) {
        return;
    }
    m_session.Close(CPlaybackSession::CloseReason::Quit);
    EndDialog(platform::IDOK);
}

}  // namespace player
