#include "player/profile/AboutDlg.h"

#include "platform/window/Window.h"
#include "player/profile/AppProfile.h"
#include "player/resources/DialogTemplates.h"
#include "player/resources/Resource.h"
#include "player/skin/ControlKind.h"

namespace player {

namespace {

constexpr char16_t kDateLabel[] = u"날짜 : ";
constexpr char16_t kVersionLabel[] = u"버전 : ";

NameKey Key(const char* name) {
    return NameKey(QString::fromUtf8(name));
}

}  // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : SkDialog(AboutDialogTemplate(), parent) {}

QString CAboutDlg::VersionText(const AppProfile& profile) {
    return QString::fromUtf16(kDateLabel) + profile.ReleaseDate() + QLatin1Char('\n') +
           QString::fromUtf16(kVersionLabel) + profile.ViewerVersion();
}

void CAboutDlg::OnRegisterControls() {
    WindowSkin* skin = Skin();
    skin->RegisterControl(Key(kAboutTextTitle), ControlKind::Text, kIdcAboutTitle);
    skin->RegisterControl(Key(kAboutTextViewerVer), ControlKind::Text, kIdcAboutViewerVer);
    skin->RegisterControl(Key(kAboutButtonOk), ControlKind::Button, platform::IDOK);
}

bool CAboutDlg::OnInitDialog() {
    SkDialog::OnInitDialog();
    WindowSkin* skin = Skin();
    if (skin == nullptr) {
        return true;
    }
    const int32_t mode = BackgroundMode();
    for (const char* name : {kAboutTextTitle, kAboutTextViewerVer, kAboutButtonOk}) {
        skin->SetModeState(Key(name), mode, 1, 1);
    }
    skin->ApplyMode(mode);
    if (SkWidget* version = skin->FindControlWindow(Key(kAboutTextViewerVer))) {
        platform::SetWindowText(version->Window(), m_versionText);
    }
    return true;
}

bool ShowAbout(const AppProfile& profile, QWidget* parent) {
    const QByteArray* script = profile.GetScript(Key(kWindowAbout));
    if (script == nullptr || script->isEmpty()) {
        return false;
    }
    CAboutDlg box(parent);
    if (!box.LoadSkin(*script)) {
        return false;
    }
    box.SetVersionText(CAboutDlg::VersionText(profile));
    box.DoModal();
    return true;
}

}  // namespace player
