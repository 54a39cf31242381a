// The main window's actions: one table of what the user can do, read by the command routing
// (button clicks), the key handling and the desktop's media controls. A key or a desktop call
// acts as its button would, and only where that button could act.

#include "player/shell/RoadPlayerDlg.h"

#include "player/profile/AboutDlg.h"
#include "player/resources/DialogTemplates.h"
#include "player/resources/Resource.h"
#include "player/shell/ShellLog.h"

#include <QKeySequence>
#include <QStringList>
#include <QWidget>

#include <algorithm>

namespace player {

namespace {

constexpr double kKeySeekSeconds = 5.0;
constexpr int32_t kUp = 1;
constexpr int32_t kDown = -1;

QKeyCombination Key(Qt::Key key) {
    return QKeyCombination(key);
}

bool Playing(const CPlaybackSession& session) {
    const CPlayGraph* graph = session.Graph();
    return graph != nullptr && graph->State() == GraphState::Running;
}

}  // namespace

std::span<const UserAction> CRoadPlayerDlg::Actions() {
    using W = CRoadPlayerDlg;
    // The view buttons and tabs raise their control-state events; the others call their
    // handlers. Rows without a control check for themselves whether they can act.
    static const UserAction kActions[] = {
        {kIdcGSensor, nullptr, {}, [](W& w) { w.OnGSensorButton(); }},
        {kIdcAbout,
         nullptr,
         {},
         [](W& w) {
             if (!ShowAbout(w.m_profile, &w)) {
                 qCInfo(lcShell) << "no about box: the profile's ABOUT skin is missing or empty";
             }
         }},
        {kIdcMin, nullptr, {}, [](W& w) { w.ShowWindow(platform::ShowCommand::Minimize); }},
        {kIdcMax, nullptr, {}, [](W& w) { w.OnMaximise(); }},
        {kIdcReal, nullptr, {}, [](W& w) { w.OnRealSize(); }},
        {kIdcNor, nullptr, {}, [](W& w) { w.OnNormal(); }},
        {kIdcExit, nullptr, {}, [](W& w) { w.Quit(); }},
        // The keyboard's play key is a play/pause key on most keyboards.
        {kIdcPlay,
         kMainButtonPlay,
         {Key(Qt::Key_Space), Key(Qt::Key_MediaPlay)},
         [](W& w) { w.OnPlay(); }},
        {kIdcStop, kMainButtonStop, {Key(Qt::Key_MediaStop)}, [](W& w) { w.StopAndReset(); }},
        {kIdcRew, nullptr, {}, [](W& w) { w.m_controlState->Rewind(); }},
        {kIdcFf, nullptr, {}, [](W& w) { w.m_controlState->FastForward(); }},
        {kIdcFps, nullptr, {}, [](W& w) { w.m_controlState->StepFrame(); }},
        {kIdcPrev,
         kMainButtonPrev,
         {Key(Qt::Key_PageUp), Key(Qt::Key_MediaPrevious)},
         [](W& w) { w.m_session.Previous(); }},
        {kIdcNext,
         kMainButtonNext,
         {Key(Qt::Key_PageDown), Key(Qt::Key_MediaNext)},
         [](W& w) { w.m_session.Next(); }},
        {kIdcOpen, nullptr, {}, [](W& w) { w.OnOpen(); }},
        {kIdcSave, nullptr, {}, [](W& w) { w.OnSave(); }},
        {kIdcTrack, nullptr, {}, [](W& w) { w.OnSaveTrack(); }},
        {kIdcCapture, nullptr, {}, [](W& w) { w.OnCapture(); }},
        {kIdcSetting, nullptr, {}, [](W& w) { w.OnSettings(); }},
        {kIdcSite, nullptr, {}, [](W& w) { w.OnSite(); }},
        {kIdcTabNormal, nullptr, {}, [](W& w) { w.OnTab(ControlEvent::TabNormal); }},
        {kIdcTabEvent, nullptr, {}, [](W& w) { w.OnTab(ControlEvent::TabEvent); }},
        {kIdcTabManual, nullptr, {}, [](W& w) { w.OnTab(ControlEvent::TabManual); }},
        {kIdcTabMotion, nullptr, {}, [](W& w) { w.OnTab(ControlEvent::TabMotion); }},
        {kIdcFinf, nullptr, {}, [](W& w) { w.OnViewButton(ControlEvent::Finf); }},
        {kIdcFinr, nullptr, {}, [](W& w) { w.OnViewButton(ControlEvent::Finr); }},
        {kIdcFinm, nullptr, {}, [](W& w) { w.OnViewButton(ControlEvent::Finm); }},
        {kIdcRinf, nullptr, {}, [](W& w) { w.OnViewButton(ControlEvent::Rinf); }},
        {kIdcRinr, nullptr, {}, [](W& w) { w.OnViewButton(ControlEvent::Rinr); }},
        {kIdcRinm, nullptr, {}, [](W& w) { w.OnViewButton(ControlEvent::Rinm); }},
        {kIdcFrChange, nullptr, {}, [](W& w) { w.OnViewButton(ControlEvent::FrChange); }},
        {kIdcVolume,
         kMainButtonVolume,
         {Key(Qt::Key_M)},
         [](W& w) { w.m_controlState->ToggleMute(); }},
        // Keys only.
        {0, nullptr, {Key(Qt::Key_Left)}, [](W& w) { w.m_controlState->SeekBy(-kKeySeekSeconds); }},
        {0, nullptr, {Key(Qt::Key_Right)}, [](W& w) { w.m_controlState->SeekBy(kKeySeekSeconds); }},
        {0,
         nullptr,
         {Key(Qt::Key_Comma)},
         [](W& w) { w.m_controlState->StepFrameWhilePaused(kDown); }},
        {0,
         nullptr,
         {Key(Qt::Key_Period)},
         [](W& w) { w.m_controlState->StepFrameWhilePaused(kUp); }},
        {0, nullptr, {Key(Qt::Key_Up)}, [](W& w) { w.m_controlState->StepVolume(kUp); }},
        {0, nullptr, {Key(Qt::Key_Down)}, [](W& w) { w.m_controlState->StepVolume(kDown); }},
        // "=" is "+" without Shift on many layouts.
        {0,
         nullptr,
         {Key(Qt::Key_Plus), Key(Qt::Key_Equal)},
         [](W& w) { w.m_controlState->StepSpeed(kUp); }},
        {0, nullptr, {Key(Qt::Key_Minus)}, [](W& w) { w.m_controlState->StepSpeed(kDown); }},
        {0, nullptr, {Key(Qt::Key_F)}, [](W& w) { w.ToggleEnlarged(); }, {kIdcMax, kIdcNor}},
        {0, kMainButtonPlay, {Key(Qt::Key_MediaTogglePlayPause)}, [](W& w) { w.OnPlay(); }},
        {0,
         kMainButtonPlay,
         {Key(Qt::Key_MediaPause)},
         [](W& w) {
             if (Playing(w.m_session)) {
                 w.OnPlay();
             }
         }},
        // The settings menu from the keyboard (the menu key opens it as a right click does).
        {0,
         nullptr,
         {QKeyCombination(Qt::ShiftModifier, Qt::Key_F10)},
         [](W& w) { w.ShowSettingsMenu(w.mapToGlobal(w.rect().center())); }},
    };
    return kActions;
}

const UserAction* CRoadPlayerDlg::FindAction(int commandId) const {
    for (const UserAction& action : Actions()) {
        if (commandId != 0 && action.commandId == commandId) {
            return &action;
        }
    }
    return nullptr;
}

bool CRoadPlayerDlg::CanAct(const UserAction& action) const {
    if (action.control == nullptr) {
        return true;
    }
    const SkWidget* control = FindWidget(action.control);
    const QWidget* window = control != nullptr ? control->Window() : nullptr;
    return window != nullptr && !window->isHidden() && window->isEnabled();
}

bool CRoadPlayerDlg::CanAct(int commandId) const {
    const UserAction* action = FindAction(commandId);
    return action != nullptr && CanAct(*action);
}

bool CRoadPlayerDlg::Act(int commandId) {
    const UserAction* action = FindAction(commandId);
    if (action == nullptr || !CanAct(*action)) {
        return false;
    }
    action->run(*this);
    return true;
}

bool CRoadPlayerDlg::OnCommand(int id) {
    // A click comes only from a button that is shown and enabled.
    if (const UserAction* action = FindAction(id)) {
        action->run(*this);
        return true;
    }
    return SkDialog::OnCommand(id);
}

void CRoadPlayerDlg::AddKeysToHints() {
    for (const MainControl& control : MainControls()) {
        SkWidget* widget = FindWidget(control.name);
        if (widget == nullptr || widget->Tip().isEmpty()) {
            continue;  // a skin without a hint gets none
        }
        QStringList keys;
        for (const UserAction& action : Actions()) {
            const bool gives = action.commandId == control.id ||
                               std::find(action.hintedOn.begin(), action.hintedOn.end(),
                                         control.id) != action.hintedOn.end();
            for (const QKeyCombination key : action.keys) {
                // Media keys carry their own label; the hint names typing keys.
                const bool mediaKey =
                    key.key() >= Qt::Key_MediaPlay && key.key() <= Qt::Key_MediaLast;
                if (gives && key.key() != Qt::Key_unknown && !mediaKey) {
                    keys << QKeySequence(key).toString(QKeySequence::NativeText);
                }
            }
        }
        if (!keys.isEmpty()) {
            widget->SetTip(QStringLiteral("%1 (%2)").arg(widget->Tip(), keys.join(u", ")));
        }
    }
}

bool CRoadPlayerDlg::OnKey(QKeyCombination key) {
    // Shift gives "+" on many layouts: a key with Shift that no action names is taken as the
    // key alone.
    const QKeyCombination plain(key.key());
    for (const QKeyCombination wanted : {key, plain}) {
        for (const UserAction& action : Actions()) {
            for (const QKeyCombination actionKey : action.keys) {
                if (actionKey.key() != Qt::Key_unknown && actionKey == wanted) {
                    if (CanAct(action)) {
                        action.run(*this);
                    }
                    return true;
                }
            }
        }
    }
    return false;
}

void CRoadPlayerDlg::ToggleEnlarged() {
    if (BackgroundMode() == 0) {
        OnMaximise();
    } else {
        OnNormal();
    }
}

}  // namespace player
