// The main window's keys: transport, volume, speed, layout and the neighbouring recordings.
// Each acts as its button or slider would, and only where that could act.

#include "player/shell/RoadPlayerDlg.h"

#include "player/resources/Resource.h"

namespace player {

namespace {

constexpr double kKeySeekSeconds = 5.0;
constexpr int32_t kUp = 1;
constexpr int32_t kDown = -1;

}  // namespace

bool CRoadPlayerDlg::OnKey(int key) {
    switch (key) {
        case Qt::Key_Space:
            PressIfEnabled(kMainButtonPlay, kIdcPlay);
            return true;
        case Qt::Key_Left:
            m_controlState->SeekBy(-kKeySeekSeconds);
            return true;
        case Qt::Key_Right:
            m_controlState->SeekBy(kKeySeekSeconds);
            return true;
        case Qt::Key_Comma:
            m_controlState->StepFrameWhilePaused(kDown);
            return true;
        case Qt::Key_Period:
            m_controlState->StepFrameWhilePaused(kUp);
            return true;
        case Qt::Key_Up:
            m_controlState->StepVolume(kUp);
            return true;
        case Qt::Key_Down:
            m_controlState->StepVolume(kDown);
            return true;
        case Qt::Key_Plus:
        case Qt::Key_Equal:  // "+" without Shift
            m_controlState->StepSpeed(kUp);
            return true;
        case Qt::Key_Minus:
            m_controlState->StepSpeed(kDown);
            return true;
        case Qt::Key_F:
            ToggleEnlarged();
            return true;
        case Qt::Key_PageUp:
            PressIfEnabled(kMainButtonPrev, kIdcPrev);
            return true;
        case Qt::Key_PageDown:
            PressIfEnabled(kMainButtonNext, kIdcNext);
            return true;
        default:
            return false;
    }
}

void CRoadPlayerDlg::PressIfEnabled(const char* name, int id) {
    const SkWidget* button = FindWidget(name);
    const QWidget* window = button != nullptr ? button->Window() : nullptr;
    if (window != nullptr && !window->isHidden() && window->isEnabled()) {
        OnCommand(id);
    }
}

void CRoadPlayerDlg::ToggleEnlarged() {
    if (BackgroundMode() == 0) {
        OnMaximise();
    } else {
        OnNormal();
    }
}

}  // namespace player
