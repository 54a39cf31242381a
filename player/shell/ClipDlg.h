#pragma once
// The clip export window ("CLIP" skin): mode 0 chooses how the clip is written (lossless, or
// rendered with a layout, the rear inset's corner and the burned-in text; with or without
// location), mode 1 shows the export's progress with the time left and a Cancel button while
// the exporter's worker writes it. Without the skin the same window is a plain progress window
// for an export chosen beforehand. Modal; GUI thread only.

#include "platform/media/ClipExporter.h"
#include "player/shell/ClipChoices.h"
#include "player/skin/SkDialog.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>

class QProgressBar;

namespace player {

inline constexpr char kClipSkinName[] = "CLIP";

inline constexpr char kClipTextTitle[] = "clip.text.title";
inline constexpr char kClipTextSpan[] = "clip.text.span";
inline constexpr char kClipTextLayout[] = "clip.text.layout";
inline constexpr char kClipTextCorner[] = "clip.text.corner";
inline constexpr char kClipTextStatus[] = "clip.text.status";
inline constexpr char kClipButtonLossless[] = "clip.button.lossless";
inline constexpr char kClipButtonRendered[] = "clip.button.rendered";
inline constexpr char kClipButtonFront[] = "clip.button.front";
inline constexpr char kClipButtonSide[] = "clip.button.side";
inline constexpr char kClipButtonInset[] = "clip.button.inset";
inline constexpr char kClipButtonTopLeft[] = "clip.button.topleft";
inline constexpr char kClipButtonTopRight[] = "clip.button.topright";
inline constexpr char kClipButtonBottomLeft[] = "clip.button.bottomleft";
inline constexpr char kClipButtonBottomRight[] = "clip.button.bottomright";
inline constexpr char kClipButtonOverlay[] = "clip.button.overlay";
inline constexpr char kClipButtonNoLocation[] = "clip.button.nolocation";
inline constexpr char kClipButtonExport[] = "clip.button.export";
inline constexpr char kClipButtonCancel[] = "clip.button.cancel";
inline constexpr char kClipSliderProgress[] = "clip.slider.progress";

class CClipDlg : public SkDialog {
    Q_OBJECT

public:
    static constexpr int kTemplateId = 140;
    static constexpr int kIdTitle = 1700;
    static constexpr int kIdSpan = 1701;
    static constexpr int kIdLayoutText = 1702;
    static constexpr int kIdCornerText = 1703;
    static constexpr int kIdStatus = 1704;
    static constexpr int kIdProgress = 1705;
    static constexpr int kIdLossless = 1710;
    static constexpr int kIdRendered = 1711;
    static constexpr int kIdFront = 1712;
    static constexpr int kIdSide = 1713;
    static constexpr int kIdInset = 1714;
    static constexpr int kIdTopLeft = 1715;
    static constexpr int kIdTopRight = 1716;
    static constexpr int kIdBottomLeft = 1717;
    static constexpr int kIdBottomRight = 1718;
    static constexpr int kIdOverlay = 1719;
    static constexpr int kIdNoLocation = 1720;
    // The choosing mode and the exporting mode of the skin.
    static constexpr int32_t kChooseMode = 0;
    static constexpr int32_t kExportMode = 1;
    static constexpr int kProgressTimerId = 1;
    static constexpr int kProgressTimerMs = 200;

    // Asks where the clip goes (a Save As) and makes its request from the choices; none when
    // the user chose no target, and the window stays with the choices.
    using Prepare =
        std::function<std::optional<platform::media::ClipRequest>(const ClipChoices& choices)>;

    // The window on the profile's "CLIP" skin document, or the plain progress window without
    // one (null); spanText says what the clip holds ("From 00:00:45 to ...").
    CClipDlg(QWidget* parent, const QByteArray* skin, QString spanText, Prepare prepare);
    ~CClipDlg() override;

    // The skin was read whole; a window with a skin that was not is of no use.
    bool Skinned() const;

    // Before DoModal: the export starts as the window opens, without choices (a skin without
    // the window, or a choice made elsewhere).
    void ExportAtOnce(platform::media::ClipRequest request);

    const ClipChoices& Choices() const { return m_choices; }
    bool Exporting() const { return m_export.IsRunning(); }
    // How the export ended; none when none was started.
    const std::optional<platform::media::ClipOutcome>& Outcome() const { return m_outcome; }
    // The file the export was asked to write; empty before one started.
    const QString& Target() const { return m_target; }
    // "Writing A.mp4: 42 %, about 12 s left" for a progress.
    static QString ProgressText(const QString& name, const platform::media::ClipProgress& progress);

protected:
    void OnRegisterControls() override;
    bool OnInitDialog() override;
    bool OnCommand(int id) override;
    // Export: starts writing with the choices made. Enter does the same.
    void OnOK() override;
    // Before the export: closes the window; during it: cancels, and the window closes once the
    // exporter has removed what it wrote.
    void OnCancel() override;
    void OnTimer(int id) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void Choose(int id);
    // Shows, enables and checks every control for the choices (mode 0) or the export (mode 1).
    void ShowChoices();
    void Start(platform::media::ClipRequest request);
    void ShowProgress();
    void OnExportFinished(const platform::media::ClipOutcome& outcome);
    void SetText(const char* name, int plainId, const QString& text);

    QString m_spanText;
    Prepare m_prepare;
    ClipChoices m_choices;
    // What Rendered chooses again after Lossless.
    platform::media::ClipLayout m_lastRenderedLayout =
        platform::media::ClipLayout::PictureInPicture;
    std::optional<platform::media::ClipRequest> m_atOnce;
    platform::media::ClipExport m_export;
    std::optional<platform::media::ClipOutcome> m_outcome;
    QString m_target;
    bool m_cancelling = false;
    QProgressBar* m_plainBar = nullptr;  // child of this window, without a skin only
};

}  // namespace player
