#include "player/shell/ClipDlg.h"

#include "platform/window/Window.h"
#include "player/shell/ShellLog.h"
#include "player/skin/SkButton.h"
#include "player/skin/SkSlider.h"

#include <QFileInfo>
#include <QPaintEvent>
#include <QProgressBar>

#include <algorithm>
#include <array>
#include <utility>

namespace player {

namespace {

using platform::ChildKind;
using platform::DialogItem;
using platform::media::ClipCorner;
using platform::media::ClipLayout;
using platform::media::ClipStatus;

constexpr int kBarSteps = 1000;
constexpr int64_t kMsPerSecond = 1000;
constexpr int64_t kMinuteTextFromMs = 90 * kMsPerSecond;
constexpr int64_t kMsPerMinute = 60 * kMsPerSecond;
constexpr int kPercent = 100;
constexpr unsigned kChoice = platform::kItemHidden;

// The plain window's children where the skin places none; the skin places all of them.
constexpr std::array kItems = {
    DialogItem{CClipDlg::kIdSpan, ChildKind::Static, 16, 12, 388, 36, ""},
    DialogItem{CClipDlg::kIdStatus, ChildKind::Static, 16, 52, 388, 20, ""},
    DialogItem{CClipDlg::kIdProgress, ChildKind::Custom, 16, 78, 388, 20, ""},
    DialogItem{platform::IDCANCEL, ChildKind::Button, 304, 110, 100, 28, "Cancel"},
    DialogItem{CClipDlg::kIdTitle, ChildKind::Static, 0, 0, 16, 16, "", kChoice},
    DialogItem{CClipDlg::kIdLayoutText, ChildKind::Static, 0, 0, 16, 16, "", kChoice},
    DialogItem{CClipDlg::kIdCornerText, ChildKind::Static, 0, 0, 16, 16, "", kChoice},
    DialogItem{platform::IDOK, ChildKind::Button, 0, 0, 16, 16, "Export", kChoice},
    DialogItem{CClipDlg::kIdLossless, ChildKind::Button, 0, 0, 16, 16, "", kChoice},
    DialogItem{CClipDlg::kIdRendered, ChildKind::Button, 0, 0, 16, 16, "", kChoice},
    DialogItem{CClipDlg::kIdFront, ChildKind::Button, 0, 0, 16, 16, "", kChoice},
    DialogItem{CClipDlg::kIdSide, ChildKind::Button, 0, 0, 16, 16, "", kChoice},
    DialogItem{CClipDlg::kIdInset, ChildKind::Button, 0, 0, 16, 16, "", kChoice},
    DialogItem{CClipDlg::kIdTopLeft, ChildKind::Button, 0, 0, 16, 16, "", kChoice},
    DialogItem{CClipDlg::kIdTopRight, ChildKind::Button, 0, 0, 16, 16, "", kChoice},
    DialogItem{CClipDlg::kIdBottomLeft, ChildKind::Button, 0, 0, 16, 16, "", kChoice},
    DialogItem{CClipDlg::kIdBottomRight, ChildKind::Button, 0, 0, 16, 16, "", kChoice},
    DialogItem{CClipDlg::kIdOverlay, ChildKind::Button, 0, 0, 16, 16, "", kChoice},
    DialogItem{CClipDlg::kIdNoLocation, ChildKind::Button, 0, 0, 16, 16, "", kChoice},
};
constexpr platform::DialogTemplate kSkinnedTemplate{
    CClipDlg::kTemplateId, "Export a clip", 460, 380, platform::kDialogPopup, kItems};
constexpr platform::DialogTemplate kPlainTemplate{
    CClipDlg::kTemplateId, "Exporting a clip", 420, 150, 0, kItems};

struct Control {
    const char* name;
    ControlKind kind;
    int id;
};

constexpr std::array kControls = {
    Control{kClipTextTitle, ControlKind::Text, CClipDlg::kIdTitle},
    Control{kClipTextSpan, ControlKind::Text, CClipDlg::kIdSpan},
    Control{kClipTextLayout, ControlKind::Text, CClipDlg::kIdLayoutText},
    Control{kClipTextCorner, ControlKind::Text, CClipDlg::kIdCornerText},
    Control{kClipTextStatus, ControlKind::Text, CClipDlg::kIdStatus},
    Control{kClipSliderProgress, ControlKind::Slider, CClipDlg::kIdProgress},
    Control{kClipButtonLossless, ControlKind::Button, CClipDlg::kIdLossless},
    Control{kClipButtonRendered, ControlKind::Button, CClipDlg::kIdRendered},
    Control{kClipButtonFront, ControlKind::Button, CClipDlg::kIdFront},
    Control{kClipButtonSide, ControlKind::Button, CClipDlg::kIdSide},
    Control{kClipButtonInset, ControlKind::Button, CClipDlg::kIdInset},
    Control{kClipButtonTopLeft, ControlKind::Button, CClipDlg::kIdTopLeft},
    Control{kClipButtonTopRight, ControlKind::Button, CClipDlg::kIdTopRight},
    Control{kClipButtonBottomLeft, ControlKind::Button, CClipDlg::kIdBottomLeft},
    Control{kClipButtonBottomRight, ControlKind::Button, CClipDlg::kIdBottomRight},
    Control{kClipButtonOverlay, ControlKind::Button, CClipDlg::kIdOverlay},
    Control{kClipButtonNoLocation, ControlKind::Button, CClipDlg::kIdNoLocation},
    Control{kClipButtonExport, ControlKind::Button, platform::IDOK},
    Control{kClipButtonCancel, ControlKind::Button, platform::IDCANCEL},
};

// The buttons that choose one of a group: the id, and the choice it stands for.
constexpr std::array<std::pair<int, ClipLayout>, 3> kLayoutButtons = {{
    {CClipDlg::kIdFront, ClipLayout::Front},
    {CClipDlg::kIdSide, ClipLayout::SideBySide},
    {CClipDlg::kIdInset, ClipLayout::PictureInPicture},
}};
constexpr std::array<std::pair<int, ClipCorner>, 4> kCornerButtons = {{
    {CClipDlg::kIdTopLeft, ClipCorner::TopLeft},
    {CClipDlg::kIdTopRight, ClipCorner::TopRight},
    {CClipDlg::kIdBottomLeft, ClipCorner::BottomLeft},
    {CClipDlg::kIdBottomRight, ClipCorner::BottomRight},
}};

const char* NameOf(int id) {
    for (const Control& control : kControls) {
        if (control.id == id) {
            return control.name;
        }
    }
    return nullptr;
}

}  // namespace

CClipDlg::CClipDlg(QWidget* parent, const QByteArray* skin, QString spanText, Prepare prepare)
    : SkDialog(skin != nullptr ? kSkinnedTemplate : kPlainTemplate, parent),
      m_spanText(std::move(spanText)),
      m_prepare(std::move(prepare)) {
    if (skin != nullptr) {
        LoadSkin(*skin);
    } else {
        // Plain children on the toolkit's own background.
        setAttribute(Qt::WA_OpaquePaintEvent, false);
    }
    connect(&m_export, &platform::media::ClipExport::Finished, this, &CClipDlg::OnExportFinished);
}

CClipDlg::~CClipDlg() = default;

bool CClipDlg::Skinned() const {
    return Skin() != nullptr && SkinComplete();
}

void CClipDlg::ExportAtOnce(platform::media::ClipRequest request) {
    m_atOnce = std::move(request);
}

void CClipDlg::OnRegisterControls() {
    for (const Control& control : kControls) {
        Skin()->RegisterControl(NameKey(QString::fromUtf8(control.name)), control.kind, control.id);
    }
}

bool CClipDlg::OnInitDialog() {
    SkDialog::OnInitDialog();
    if (Skin() == nullptr) {
        m_plainBar = new QProgressBar(this);
        m_plainBar->setRange(0, kBarSteps);
        m_plainBar->setTextVisible(false);
        SubclassDlgItem(kIdProgress, m_plainBar);
    } else if (auto* bar = dynamic_cast<SkSlider*>(
                   Skin()->FindControlWindow(NameKey(QString::fromUtf8(kClipSliderProgress))))) {
        bar->SetRange(kBarSteps, 0, bar->Margins(), 0, 1);
    }
    SetText(kClipTextSpan, kIdSpan, m_spanText);
    if (m_atOnce) {
        Start(*std::exchange(m_atOnce, std::nullopt));
    } else {
        ShowChoices();
    }
    return true;
}

void CClipDlg::paintEvent(QPaintEvent* event) {
    // Without a skin the toolkit paints the plain window's background and children.
    if (Skin() != nullptr) {
        SkDialog::paintEvent(event);
    }
}

bool CClipDlg::OnCommand(int id) {
    if (NameOf(id) != nullptr && id != platform::IDOK && id != platform::IDCANCEL) {
        Choose(id);
        return true;
    }
    return SkDialog::OnCommand(id);
}

void CClipDlg::Choose(int id) {
    if (Exporting() || m_outcome) {
        return;
    }
    const bool rendered = m_choices.layout != ClipLayout::Copy;
    if (id == kIdLossless) {
        m_choices.layout = ClipLayout::Copy;
    } else if (id == kIdRendered && !rendered) {
        m_choices.layout = m_lastRenderedLayout;
    } else if (id == kIdOverlay && rendered) {
        m_choices.overlay = !m_choices.overlay;
    } else if (id == kIdNoLocation) {
        m_choices.withoutLocation = !m_choices.withoutLocation;
    }
    for (const auto& [button, layout] : kLayoutButtons) {
        if (id == button && rendered) {
            m_choices.layout = layout;
        }
    }
    for (const auto& [button, corner] : kCornerButtons) {
        if (id == button && m_choices.layout == ClipLayout::PictureInPicture) {
            m_choices.corner = corner;
        }
    }
    if (m_choices.layout != ClipLayout::Copy) {
        m_lastRenderedLayout = m_choices.layout;
    }
    ShowChoices();
}

void CClipDlg::ShowChoices() {
    WindowSkin* skin = Skin();
    if (skin == nullptr) {
        return;
    }
    const bool rendered = m_choices.layout != ClipLayout::Copy;
    const bool inset = m_choices.layout == ClipLayout::PictureInPicture;
    auto shown = [&](const char* name, bool enabled) {
        skin->SetModeState(NameKey(QString::fromUtf8(name)), kChooseMode, 1, enabled ? 1 : 0);
    };
    for (const char* name :
         {kClipTextTitle, kClipTextSpan, kClipTextLayout, kClipTextCorner, kClipButtonLossless,
          kClipButtonRendered, kClipButtonNoLocation, kClipButtonExport, kClipButtonCancel}) {
        shown(name, true);
    }
    for (const char* name :
         {kClipButtonFront, kClipButtonSide, kClipButtonInset, kClipButtonOverlay}) {
        shown(name, rendered);
    }
    for (const auto& [button, corner] : kCornerButtons) {
        shown(NameOf(button), inset);
    }
    SetBackgroundMode(kChooseMode);
    skin->ApplyMode(kChooseMode);
    auto check = [&](int id, bool checked) {
        if (auto* button = dynamic_cast<SkButton*>(
                skin->FindControlWindow(NameKey(QString::fromUtf8(NameOf(id)))))) {
            button->SetChecked(checked);
            button->Invalidate();
        }
    };
    check(kIdLossless, !rendered);
    check(kIdRendered, rendered);
    for (const auto& [button, layout] : kLayoutButtons) {
        check(button, m_choices.layout == layout);
    }
    for (const auto& [button, corner] : kCornerButtons) {
        check(button, m_choices.corner == corner);
    }
    check(kIdOverlay, m_choices.overlay);
    check(kIdNoLocation, m_choices.withoutLocation);
}

void CClipDlg::OnOK() {
    if (Exporting() || m_outcome || !m_prepare) {
        return;
    }
    std::optional<platform::media::ClipRequest> request = m_prepare(m_choices);
    if (request) {
        Start(std::move(*request));
    }
}

void CClipDlg::Start(platform::media::ClipRequest request) {
    m_target = request.target;
    if (!m_export.Start(std::move(request))) {
        qCWarning(lcShell) << "a clip export was asked for while one runs";
        return;
    }
    if (WindowSkin* skin = Skin()) {
        for (const char* name : {kClipTextTitle, kClipTextSpan, kClipTextStatus,
                                 kClipSliderProgress, kClipButtonCancel}) {
            skin->SetModeState(NameKey(QString::fromUtf8(name)), kExportMode, 1, 1);
        }
        SetBackgroundMode(kExportMode);
        skin->ApplyMode(kExportMode);
    }
    ShowProgress();
    SetTimer(kProgressTimerId, kProgressTimerMs);
}

void CClipDlg::OnTimer(int id) {
    if (id == kProgressTimerId) {
        ShowProgress();
    }
}

void CClipDlg::ShowProgress() {
    const platform::media::ClipProgress progress = m_export.Progress();
    const int steps = static_cast<int>(std::clamp(progress.fraction, 0.0, 1.0) * kBarSteps);
    SetText(kClipTextStatus, kIdStatus,
            m_cancelling ? QStringLiteral("Cancelling...")
                         : ProgressText(QFileInfo(m_target).fileName(), progress));
    if (m_plainBar != nullptr) {
        m_plainBar->setValue(steps);
    } else if (auto* bar = dynamic_cast<SkSlider*>(
                   Skin()->FindControlWindow(NameKey(QString::fromUtf8(kClipSliderProgress))))) {
        bar->SetValue(steps);
    }
}

QString CClipDlg::ProgressText(const QString& name, const platform::media::ClipProgress& progress) {
    const int percent = static_cast<int>(std::clamp(progress.fraction, 0.0, 1.0) * kPercent);
    QString text = QStringLiteral("Writing %1: %2 %").arg(name).arg(percent);
    if (progress.remainingMs >= kMinuteTextFromMs) {
        text += QStringLiteral(", about %1 min left")
                    .arg((progress.remainingMs + kMsPerMinute / 2) / kMsPerMinute);
    } else if (progress.remainingMs >= 0) {
        text += QStringLiteral(", about %1 s left")
                    .arg((progress.remainingMs + kMsPerSecond - 1) / kMsPerSecond);
    }
    return text;
}

void CClipDlg::OnCancel() {
    if (!Exporting()) {
        EndDialog(platform::IDCANCEL);
        return;
    }
    m_cancelling = true;
    m_export.Cancel();
    ShowProgress();
}

void CClipDlg::OnExportFinished(const platform::media::ClipOutcome& outcome) {
    KillTimer(kProgressTimerId);
    m_outcome = outcome;
    EndDialog(platform::IDOK);
}

void CClipDlg::SetText(const char* name, int plainId, const QString& text) {
    QWidget* window = nullptr;
    if (Skin() != nullptr) {
        const SkWidget* widget = Skin()->FindControlWindow(NameKey(QString::fromUtf8(name)));
        window = widget != nullptr ? widget->Window() : nullptr;
    } else {
        window = GetDlgItem(plainId);
    }
    if (window != nullptr && platform::GetWindowText(window) != text) {
        platform::SetWindowText(window, text);
        window->update();
    }
}

}  // namespace player
