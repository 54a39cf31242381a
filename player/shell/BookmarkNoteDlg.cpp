#include "player/shell/BookmarkNoteDlg.h"

#include "player/profile/AppProfile.h"
#include "player/resources/Resource.h"
#include "player/skin/SkText.h"
#include "player/skin/WindowSkin.h"
#include "player/telemetry/BookmarkStore.h"

#include <QLineEdit>

namespace player {

namespace {

// The field takes the lower part of the comment's box, under its first line.
constexpr int kFieldHeight = 28;

QString CssColour(uint32_t argb) {
    return QStringLiteral("rgb(%1, %2, %3)")
        .arg((argb >> 16) & 0xFF)
        .arg((argb >> 8) & 0xFF)
        .arg(argb & 0xFF);
}

}  // namespace

CBookmarkNoteDlg::CBookmarkNoteDlg(QWidget* parent) : CNotifyDlg(parent) {}

QString CBookmarkNoteDlg::Note() const {
    return m_field != nullptr ? m_field->text().trimmed() : QString();
}

bool CBookmarkNoteDlg::OnInitDialog() {
    CNotifyDlg::OnInitDialog();
    WindowSkin* skin = Skin();
    SkWidget* comment =
        skin != nullptr ? skin->FindControlWindow(NameKey(QString::fromUtf8(kNotifyTextComment)))
                        : nullptr;
    if (comment == nullptr || comment->Window() == nullptr) {
        return true;  // no place for a field: the note stays empty
    }
    const QRect box = comment->Window()->geometry();
    m_field = new QLineEdit(this);
    m_field->setGeometry(box.left(), box.bottom() + 1 - kFieldHeight, box.width(), kFieldHeight);
    m_field->setMaxLength(CBookmarkStore::kMaxNoteChars);
    m_field->setFont(comment->Window()->font());
    // The comment's colours, so the field reads as part of the box.
    const auto* text = dynamic_cast<SkText*>(comment);
    const uint32_t colour =
        text != nullptr && text->Text() != nullptr ? text->Text()->Desc().colour : 0xFFFFFFFF;
    m_field->setStyleSheet(QStringLiteral("QLineEdit { color: %1; background: rgba(0, 0, 0, 90); "
                                          "border: 1px solid %1; border-radius: 3px; "
                                          "padding: 0 6px; selection-background-color: %1; }")
                               .arg(CssColour(colour)));
    m_field->show();
    m_field->setFocus();
    return true;
}

std::optional<QString> AskBookmarkNote(const AppProfile& profile, QWidget* parent) {
    const ProfileMessage* message =
        profile.GetMessage(NameKey(QString::fromLatin1(kMsgBookmarkNote)));
    const QByteArray* script = profile.GetScript(NameKey(QString::fromLatin1(kWindowNotify)));
    if (message == nullptr || message->title.isEmpty() || script == nullptr) {
        return QString();
    }
    CBookmarkNoteDlg box(parent);
    if (!box.LoadSkin(*script)) {
        return QString();
    }
    box.SetTitle(message->title);
    box.SetComment(message->comment);
    box.SetKind(kQuestionKind);
    if (box.DoModal() != kMessageOk) {
        return std::nullopt;
    }
    return box.Note();
}

}  // namespace player
