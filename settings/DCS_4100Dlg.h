#pragma once
// The settings tool's main dialog: a fixed 498 x 758 picture on which every setting is a
// picture button, a date-and-time switch with its two controls, and Save, Cancel and Init.
// The window has no frame: it is dragged by the band above y = 36, whose right click (and
// Alt+Space) opens the system menu. GUI thread only.

#include "settings/SettingsFiles.h"

#include <QDialog>
#include <QMap>
#include <QPixmap>
#include <QPoint>

#include <optional>

class QDateEdit;
class QMenu;
class QTimeEdit;

namespace settings {

class PictureButton;

class CDCS_4100Dlg : public QDialog {
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
    ~CDCS_4100Dlg() override;

    int DoModal() { return exec(); }
    QWidget* GetDlgItem(int id) const;
    // A command as the dialog's controls send it (button id).
    void OnCommand(int id);

    const CameraSettings& Settings() const { return m_settings; }
    const std::optional<QString>& SettingsPath() const { return m_settingsPath; }
    bool DateTimeSwitch() const { return m_dateTimeSwitch != 0; }
    // 1 after a successful save, 0 otherwise; read by the confirmation window.
    int SaveOutcome() const { return m_saveOutcome; }
    QMenu* SystemMenu() const { return m_systemMenu; }

    void reject() override;

protected:
    bool OnInitDialog();
    void OnOptionButton(int id);
    void OnDateTimeSwitch();
    void OnSave();
    void OnInit();
    void OnCancel();
    void OnSysCommand(int id);
    void RefreshOptionButtons();
    void ShowSystemMenu(const QPoint& globalPos);

    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void CreateControls();

    CameraSettings m_settings;
    std::optional<QString> m_settingsPath;
    int m_dateTimeSwitch = 0;
    int m_saveOutcome = 0;
    QPixmap m_background;
    QMap<int, QWidget*> m_controls;
    QDateEdit* m_dateCtrl = nullptr;
    QTimeEdit* m_timeCtrl = nullptr;
    QMenu* m_systemMenu = nullptr;
    bool m_dragging = false;
    QPoint m_dragOffset;  // cursor position relative to the window's top left
};

}  // namespace settings
