#include "player/profile/NotifyDlg.h"

#include "platform/window/Window.h"
#include "player/profile/AppProfile.h"
#include "player/resources/DialogTemplates.h"
#include "player/resources/Resource.h"
#include "player/skin/ControlKind.h"

namespace player {

namespace {

NameKey Key(const char* name) {
    return NameKey(QString::fromUtf8(name));
}

}  // namespace

CNotifyDlg::CNotifyDlg(QWidget* parent) : SkDialog(NotifyDialogTemplate(), parent) {}

void CNotifyDlg::OnRegisterControls() {
    WindowSkin* skin = Skin();
    skin->RegisterControl(Key(kNotifyButtonOk), ControlKind::Button, platform::IDOK);
    skin->RegisterControl(Key(kNotifyButtonSelOk), ControlKind::Button, kIdcNotifySelOk);
    skin->RegisterControl(Key(kNotifyButtonSelCancel), ControlKind::Button, kIdcNotifySelCancel);
    skin->RegisterControl(Key(kNotifyTextTitle), ControlKind::Text, kIdcNotifyTitle);
    skin->RegisterControl(Key(kNotifyTextComment), ControlKind::Text, kIdcNotifyComment);
}

bool CNotifyDlg::OnInitDialog() {
    SkDialog::OnInitDialog();
    WindowSkin* skin = Skin();
    if (skin == nullptr) {
        return true;
    }
    // Task bars and window lists name the box by its message, not by the program.
    if (!m_title.isEmpty()) {
        setWindowTitle(m_title);
    }
    if (SkWidget* title = skin->FindControlWindow(Key(kNotifyTextTitle))) {
        platform::SetWindowText(title->Window(), m_title);
    }
    if (SkWidget* comment = skin->FindControlWindow(Key(kNotifyTextComment))) {
        platform::SetWindowText(comment->Window(), m_comment);
    }
    const int32_t mode = m_kind == kQuestionKind ? kQuestionKind : kMessageKind;
    SetBackgroundMode(mode);
    const char* shown[] = {kNotifyTextTitle, kNotifyTextComment,
                           mode == kQuestionKind ? kNotifyButtonSelOk : kNotifyButtonOk,
                           mode == kQuestionKind ? kNotifyButtonSelCancel : nullptr};
    for (const char* name : shown) {
        if (name != nullptr) {
            skin->SetModeState(Key(name), mode, 1, 1);
        }
    }
    skin->ApplyMode(mode);
    return true;
}

bool CNotifyDlg::OnCommand(int id) {
    switch (id) {
        case kIdcNotifySelOk:
            EndDialog(kMessageOk);
            return true;
        case kIdcNotifySelCancel:
            EndDialog(kMessageCancel);
            return true;
        case platform::IDOK:
            EndDialog(kMessageOk);
            return true;
        default:
            // Escape and the system's close dismiss the box.
            return SkDialog::OnCommand(id);
    }
}

namespace {

std::optional<int> ShowBox(const AppProfile& profile, const QString& title, const QString& comment,
                           int32_t kind, QWidget* parent) {
    const QByteArray* script = profile.GetScript(Key(kWindowNotify));
    if (script == nullptr) {
        return std::nullopt;
    }
    CNotifyDlg box(parent);
    if (!box.LoadSkin(*script)) {
        return std::nullopt;
    }
    box.SetTitle(title);
    box.SetComment(comment);
    box.SetKind(kind == kQuestionKind ? kQuestionKind : kMessageKind);
    return box.DoModal() == kMessageOk ? kMessageOk : kMessageCancel;
}

const ProfileMessage* MessageOf(const AppProfile& profile, std::string_view id) {
    const ProfileMessage* message = profile.GetMessage(
        NameKey(QString::fromUtf8(id.data(), static_cast<qsizetype>(id.size()))));
    return message == nullptr || message->title.isEmpty() || message->comment.isEmpty() ? nullptr
                                                                                        : message;
}

}  // namespace

std::optional<int> ShowMessage(const AppProfile& profile, std::string_view id, int32_t kind,
                               QWidget* parent) {
    const ProfileMessage* message = MessageOf(profile, id);
    if (message == nullptr) {
        return std::nullopt;
    }
    return ShowBox(profile, message->title, message->comment, kind, parent);
}

std::optional<int> ShowFailure(const AppProfile& profile, std::string_view id,
                               const FallbackMessage& fallback, const QString& reason,
                               QWidget* parent) {
    const ProfileMessage* message = MessageOf(profile, id);
    const QString title = message != nullptr ? message->title : QString::fromUtf8(fallback.title);
    const QString comment =
        message != nullptr ? message->comment : QString::fromUtf8(fallback.comment);
    return ShowBox(profile, title,
                   reason.isEmpty() ? comment : comment + u'\n' + u'(' + reason + u')',
                   kMessageKind, parent);
}

}  // namespace player
