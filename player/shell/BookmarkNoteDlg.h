#pragma once
// The question that adds a bookmark: the profile's message box in its question look, with a
// one-line field for an optional note where the comment's text ends. Return takes the note,
// Escape cancels. GUI thread only.

#include "player/profile/NotifyDlg.h"

#include <QString>

#include <optional>

class QLineEdit;

namespace player {

class AppProfile;

// The profile's message that asks for the note; a profile without it adds bookmarks without.
inline constexpr char kMsgBookmarkNote[] = "question-bookmark-note";

class CBookmarkNoteDlg : public CNotifyDlg {
    Q_OBJECT

public:
    explicit CBookmarkNoteDlg(QWidget* parent = nullptr);

    // Made by OnInitDialog; null before.
    QLineEdit* NoteField() const { return m_field; }
    QString Note() const;

protected:
    bool OnInitDialog() override;

private:
    QLineEdit* m_field = nullptr;  // a child of the box
};

// The note typed (maybe empty), or none when the user cancelled. Without the profile's
// message or its box the answer is an empty note at once.
std::optional<QString> AskBookmarkNote(const AppProfile& profile, QWidget* parent);

}  // namespace player
