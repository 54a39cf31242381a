#pragma once
// The settings tool's main dialog: a fixed 498 x 758 picture on which every setting is a
// picture button, a date-and-time switch with its two controls, and Save, Cancel and Init.
// The window has no frame: the band above y = 36 is its title bar (drag, system menu).
// GUI thread only.

#include "platform/window/Dialog.h"
#include "settings/SettingsFiles.h"

#include <QPixmap>

#include <optional>

namespace settings {

class CDCS_4100Dlg : public platform::Dialog {
    Q_OBJECT
public:
    static constexpr int kIdSave = 1;
    static constexpr int kIdCancel = 2;
    static constexpr int kIdInit = 3;
    static constexpr int kIdDate = 1034;
    static constexpr int kIdTime = 1035;
    static constexpr int kIdDateTimeSwitch = 1036;
    static constexpr int kIdFirstOption = 1037;
    static constexpr int kIdLastOption = 1061;
    static constexpr int kIdmAboutBox = 0x0010;
    static constexpr int kWidth = 498;
    static constexpr int kHeight = 758;
    static constexpr int kDragBandHeight = 36;

    explicit CDCS_4100Dlg(QWidget* parent = nullptr);

    const CameraSettings& Settings() const { return m_settings; }
    const std::optional<QString>& SettingsPath() const { return m_settingsPath; }
    bool DateTimeSwitch() const { return m_dateTimeSwitch != 0; }
    // 1 after a successful save, 0 otherwise; read by the confirmation window.
    int SaveOutcome() const { return m_saveOutcome; }

protected:
    bool OnInitDialog() override;
    bool OnCommand(int id) override;
    void OnCancel() override;
    void OnSysCommand(int id) override;
    void OnOptionButton(int id);
    void OnDateTimeSwitch();
    void OnSave();
    void OnInit();
    void RefreshOptionButtons();

    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void SetUpControls();

    CameraSettings m_settings;
    std::optional<QString> m_settingsPath;
    int m_dateTimeSwitch = 0;
    int m_saveOutcome = 0;
    QPixmap m_background;
};

}  // namespace settings
