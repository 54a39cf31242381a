// The main window's set-up, painting, messages and command routing.

#include "player/shell/RoadPlayerDlg.h"

#include "platform/window/ListCtrl.h"
#include "platform/window/Screen.h"
#include "player/catalogue/RecoveryReferences.h"
#include "player/profile/AppProfile.h"
#include "player/profile/NotifyDlg.h"
#include "player/resources/DialogTemplates.h"
#include "player/resources/Resource.h"
#include "player/shell/DesktopLink.h"
#include "player/shell/ShellLog.h"
#include "player/shell/WindowSize.h"
#include "player/telemetry/GSensorDlg.h"

#include <QKeyEvent>
#include <QTimer>

#include <utility>

namespace player {

namespace {

constexpr int kDriveNoticeIntervalMs = 1000;

}  // namespace

CRoadPlayerDlg::CRoadPlayerDlg(const AppProfile& profile)
    : SkDialog(MainDialogTemplate()), m_profile(profile), m_icon(ProgramIcon()), m_session(*this) {
    connect(&m_durations, &CDurationCache::DurationsArrived, this, [this] { RebuildTrips(); });
    connect(&m_tripTelemetry, &CTripTelemetry::Arrived, this, [this] { OnTripFixesArrived(); });
    m_noteTimer.setSingleShot(true);
    connect(&m_noteTimer, &QTimer::timeout, this, &CRoadPlayerDlg::EndNote);
}

CRoadPlayerDlg::~CRoadPlayerDlg() {
    m_desktop.reset();
    m_controlState.reset();
    m_settingsTool.Terminate();
    m_driveWatcher.Stop();
    // The player releases its graph before the views it paints into go with the skin.
    m_session.Close(CPlaybackSession::CloseReason::Quit);
}

void CRoadPlayerDlg::OnRegisterControls() {
    if (!m_controlState) {
        m_controlState = std::make_unique<CControlState>();
    }
    m_controlState->SetContainer(Skin());
    m_controlState->SetPlayer(&m_session.Player());
    m_session.SetControlState(m_controlState.get());
    for (const MainControl& control : MainControls()) {
        Skin()->RegisterControl(NameKey(QString::fromUtf8(control.name)),
                                static_cast<ControlKind>(control.kindCode), control.id);
    }
}

bool CRoadPlayerDlg::OnInitDialog() {
    SkDialog::OnInitDialog();
    if (Skin() == nullptr) {
        return false;
    }
    setWindowIcon(m_icon);
    WatchDrives();
    SkWidget* front = FindWidget(kMainVideoFront);
    SkWidget* rear = FindWidget(kMainVideoRear);
    CVideoPlayer& player = m_session.Player();
    player.AttachViews(front != nullptr ? front->Window() : nullptr,
                       rear != nullptr ? rear->Window() : nullptr);
    player.SetReferenceFinder(&RecoveryReferences);
    m_controlState->RecordViewRects();
    m_controlState->ShowSliderValues();
    SetBackgroundMode(0);
    SetUpViews();
    SetUpMarks();
    AddKeysToHints();
    StartDesktop();
    m_controlState->UpdateControls(ControlEvent::Start);
    // Messages show over the window, once the window is on the screen.
    QTimer::singleShot(0, this, [this] {
        CheckComponents();
        if (!m_openAtStart.isEmpty()) {
            PlayAtStart(std::exchange(m_openAtStart, QString()));
        }
    });
    SetMaximisedFrontRect(RealSizeVideoRect(platform::PrimaryScreenSize()));
    return true;
}

void CRoadPlayerDlg::WatchDrives() {
    m_driveWatcher.SetHandler([this](uint32_t code, const QString& root) {
        SendMessage(kMsgDriveNotice, reinterpret_cast<platform::WParam>(&root),
                    static_cast<platform::LParam>(code));
    });
    m_driveWatcher.Start(kDriveNoticeIntervalMs);
}

void CRoadPlayerDlg::CheckComponents() {
    const int result = m_session.Player().CheckComponents();
    if (result == CVideoPlayer::kNoVideoDecoder) {
        ShowMessage(kMsgNoVidFilter, kMessageKind);
    } else if (result == CVideoPlayer::kNoSourceFilter) {
        ShowMessage(kMsgNoSrcFilter, kMessageKind);
    } else if (result != CVideoPlayer::kComponentsComplete) {
        qCInfo(lcShell) << "media component check:" << result << "(no message for it)";
    }
}

void CRoadPlayerDlg::OnOK() {
    // Enter never ends the player; nothing else sends OK to it.
}

void CRoadPlayerDlg::OnCancel() {
    // The system's close (window manager, task bar) asks and stops as the Exit button does.
    Quit();
}

void CRoadPlayerDlg::OnTimer(int id) {
    if (id == kPlaybackTimerId) {
        Tick();
    }
}

platform::LResult CRoadPlayerDlg::OnMessage(unsigned msg, platform::WParam wParam,
                                            platform::LParam lParam) {
    switch (msg) {
        case kMsgSliderNotice:
            // The notice carries the slider's address; it is only compared, never followed.
            // NOLINTNEXTLINE(performance-no-int-to-ptr)
            OnSliderNotice(reinterpret_cast<SkWidget*>(wParam), static_cast<int32_t>(lParam));
            return 0;
        case kMsgStopAndReset:
            StopAndReset();
            return 0;
        case kMsgDriveNotice: {
            // The notice carries the drive's root, valid for the time of the call.
            // NOLINTNEXTLINE(performance-no-int-to-ptr)
            const auto* root = reinterpret_cast<const QString*>(wParam);
            if (root != nullptr) {
                OnDriveNotice(static_cast<uint32_t>(lParam), *root);
            }
            return 0;
        }
        default:
            return SkDialog::OnMessage(msg, wParam, lParam);
    }
}

platform::LResult CRoadPlayerDlg::OnNotify(int id, int code, int item) {
    if (id == kIdcFileList && code == platform::NM_DBLCLK) {
        OnRowDoubleClick(item);
        return 0;
    }
    return SkDialog::OnNotify(id, code, item);
}

bool CRoadPlayerDlg::PreTranslateMessage(QObject* target, QEvent* event) {
    switch (event->type()) {
        case QEvent::KeyPress: {
            const auto* keyEvent = static_cast<QKeyEvent*>(event);
            const int key = keyEvent->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                // On the list, a chosen row plays as a double click plays it; elsewhere the
                // key does nothing.
                const platform::ListCtrl* list = FileList();
                if (list != nullptr && list->hasFocus()) {
                    if (const int row = list->GetNextItem(-1, platform::LVIS_SELECTED); row >= 0) {
                        OnRowDoubleClick(row);
                    }
                }
                return true;
            }
            if (key == Qt::Key_Escape) {
                return true;
            }
            // Other modifiers than Shift belong to shortcuts.
            constexpr Qt::KeyboardModifiers kPlainKeys = Qt::ShiftModifier | Qt::KeypadModifier;
            if ((keyEvent->modifiers() & ~kPlainKeys) == 0 &&
                OnKey(QKeyCombination(keyEvent->modifiers() & Qt::ShiftModifier,
                                      static_cast<Qt::Key>(key)))) {
                return true;
            }
            break;
        }
        case QEvent::MouseButtonPress:
        case QEvent::MouseMove:
            // The paused picture is painted again before the pointer works over it.
            if (m_session.PausedByUser() && BackgroundMode() == 0) {
                update();
            }
            break;
        case QEvent::Close:
            update();
            break;
        default:
            break;
    }
    return SkDialog::PreTranslateMessage(target, event);
}

void CRoadPlayerDlg::paintEvent(QPaintEvent* event) {
    if (!isMinimized()) {
        if (CPlayGraph* graph = m_session.Graph()) {
            // The renderers paint inside their views' own paints; refit them and ask for one.
            graph->RepaintViews();
            if (graph->State() == GraphState::Stopped) {
                SeekToOwnPosition();
            }
        }
    }
    SkDialog::paintEvent(event);
    if (!m_preloaded) {
        // Loading the libraries would only hold up this first paint.
        m_preloaded = true;
        QTimer::singleShot(0, this, [] { CVideoPlayer::PreloadComponents(); });
    }
    if (m_onFirstPaint) {
        const auto handler = std::move(m_onFirstPaint);
        m_onFirstPaint = nullptr;
        handler();
    }
    StartMapViewIfShown();
}

void CRoadPlayerDlg::resizeEvent(QResizeEvent* event) {
    SkDialog::resizeEvent(event);
    // Every size change (maximise, restore, the window manager's resize or tiling, another
    // screen) lays the controls out for the new client size; their background copies are
    // taken again at the next paint, so nothing stale stays painted.
    if (Skin() != nullptr && m_controlState) {
        if (BackgroundMode() == kMaximisedMode) {
            SetMaximisedFrontRect(m_enlargedRealSize ? RealSizeVideoRect(size())
                                                     : MaximisedVideoRect(size()));
        }
        m_controlState->Relayout();
        MarkDirty();
    }
    const CPlayGraph* graph = m_session.Graph();
    if (graph != nullptr && graph->State() != GraphState::Running) {
        SeekToOwnPosition();  // the still picture is drawn again at the new size
    }
}

void CRoadPlayerDlg::SeekToOwnPosition() {
    CPlayGraph* graph = m_session.Graph();
    if (graph != nullptr && graph->HasGraphManager()) {
        graph->SeekTo(graph->GetPosition());
    }
}

SkWidget* CRoadPlayerDlg::FindWidget(const char* name) const {
    return Skin() != nullptr ? Skin()->FindControlWindow(NameKey(QString::fromUtf8(name)))
                             : nullptr;
}

std::optional<int> CRoadPlayerDlg::ShowMessage(const char* id, int32_t kind) {
    return player::ShowMessage(m_profile, id, kind, this);
}

}  // namespace player
