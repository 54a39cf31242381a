#pragma once
// The drive selector: a skinned dialog ("SELDRIVE", template 131) whose plain combo box offers
// the removable drives by label and root, the first preselected, rebuilt each time its list
// drops down. OK leaves the chosen drive root in the dialog. GUI thread only.

#include "player/skin/SkDialog.h"

#include <QString>

#include <optional>

class QComboBox;

namespace player {

class AppProfile;

inline constexpr char kSelDriveOk[] = "seldrive.button.ok";
inline constexpr char kSelDriveCancel[] = "seldrive.button.cancel";
inline constexpr char kSelDriveTitle[] = "seldrive.text.title";
inline constexpr char kSelDriveDrive[] = "seldrive.text.drive";

class CSelDriveDlg : public SkDialog {
    Q_OBJECT

public:
    static constexpr int kTemplateId = 131;
    static constexpr int kIdDriveList = 1400;
    static constexpr int kIdDriveText = 1401;
    static constexpr int kIdTitleText = 1402;

    explicit CSelDriveDlg(QWidget* parent = nullptr);

    // The drive root chosen with OK; empty until then.
    const QString& ChosenRoot() const { return m_chosenRoot; }
    QComboBox* DriveList() const;

protected:
    void OnRegisterControls() override;
    bool OnInitDialog() override;
    // Takes the selected entry, never typed text; with none selected, OK is no choice.
    void OnOK() override;
    platform::LResult OnNotify(int id, int code, int item) override;
    void showEvent(QShowEvent* event) override;

private:
    void FillDriveList(bool refresh);
    void MatchListToSkin();

    QString m_chosenRoot;
};

// How the list names a drive: "QOR-SD (/media/user/QOR-SD/)", or the root without a label.
QString DriveEntryText(const QString& label, const QString& root);

// The Open command's choice of card: the selector on the profile's "SELDRIVE" skin, run
// modally over owner. None when the skin is missing, there is no removable drive or the user
// makes no choice.
std::optional<QString> ChooseCard(QWidget* owner, const AppProfile& profile);

}  // namespace player
