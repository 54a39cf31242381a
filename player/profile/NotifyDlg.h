#pragma once
// The skinned message box ("NOTIFY"): a title and a comment from the profile's messages, with
// one OK button (a message) or OK and Cancel (a question). GUI thread only.

#include "player/skin/SkDialog.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <string_view>

class QWidget;

namespace player {

class AppProfile;

// Kinds of ShowMessage.
inline constexpr int32_t kMessageKind = 0;
inline constexpr int32_t kQuestionKind = 1;

// Results of a box that was shown.
inline constexpr int kMessageOk = 1;
inline constexpr int kMessageCancel = 2;

class CNotifyDlg : public SkDialog {
    Q_OBJECT

public:
    explicit CNotifyDlg(QWidget* parent = nullptr);

    void SetTitle(const QString& title) { m_title = title; }
    void SetComment(const QString& comment) { m_comment = comment; }
    // 0 a message with OK, 1 a question with OK and Cancel; also the window mode.
    void SetKind(int32_t kind) { m_kind = kind; }
    int32_t Kind() const { return m_kind; }

protected:
    void OnRegisterControls() override;
    bool OnInitDialog() override;
    bool OnCommand(int id) override;

private:
    QString m_title;
    QString m_comment;
    int32_t m_kind = kMessageKind;
};

// Shows the message `id` of the profile modally over parent: kMessageOk or kMessageCancel
// (also when the box was dismissed), or none when no box could be shown (the message is
// unknown or its title or comment is empty, or the "NOTIFY" skin is missing or refused).
std::optional<int> ShowMessage(const AppProfile& profile, std::string_view id, int32_t kind,
                               QWidget* parent);

// Texts for a failure's message that a profile made before it existed does not hold.
struct FallbackMessage {
    const char* title;
    const char* comment;
};
// A failure's message box: the message `id` of the profile (or the fallback when the profile
// lacks it), with why it failed (the system's reason) after its comment.
std::optional<int> ShowFailure(const AppProfile& profile, std::string_view id,
                               const FallbackMessage& fallback, const QString& reason,
                               QWidget* parent);

}  // namespace player
