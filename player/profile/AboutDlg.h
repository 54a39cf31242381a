#pragma once
// The skinned about box ("ABOUT"): the viewer's release date and version from the profile.
// GUI thread only.

#include "player/skin/SkDialog.h"

#include <QString>

class QWidget;

namespace player {

class AppProfile;

class CAboutDlg : public SkDialog {
    Q_OBJECT

public:
    explicit CAboutDlg(QWidget* parent = nullptr);

    // "날짜 : <release date>\n버전 : <version>", shown in "about.text.viewerver".
    void SetVersionText(const QString& text) { m_versionText = text; }
    static QString VersionText(const AppProfile& profile);

protected:
    void OnRegisterControls() override;
    bool OnInitDialog() override;

private:
    QString m_versionText;
};

// Runs the about box modally when the profile has a non-empty "ABOUT" skin that loads;
// otherwise shows nothing. True when the box was shown.
bool ShowAbout(const AppProfile& profile, QWidget* parent = nullptr);

}  // namespace player
