#pragma once
// The G-sensor window: a small modeless skinned window ("GSENSOR") that plots the open
// recording's three acceleration axes, a minute per page, with a cursor at the playback
// position. Created by the main window on first use and then only shown and hidden; its exit
// button hides it. GUI thread only.

#include "player/skin/SkDialog.h"
#include "player/telemetry/TextData.h"

#include <cstdint>

namespace player {

class SkGSensorGraph;

inline constexpr int kGSensorDlgTemplateId = 132;
inline constexpr char kGSensorSkinName[] = "GSENSOR";
inline constexpr char kGSensorExitName[] = "gsensor.button.exit";
inline constexpr char kGSensorTitleName[] = "gsensor.text.title";
inline constexpr char kGSensorGraphName[] = "gsensor.graph";
inline constexpr int kGSensorExitId = 1;  // the dialog's OK command
inline constexpr int kGSensorTitleId = 1300;
inline constexpr int kGSensorGraphId = 1301;

class CGSensorDlg : public SkDialog {
    Q_OBJECT

public:
    explicit CGSensorDlg(QWidget* parent = nullptr);

    // Hands the graph the store's G-sensor readings and drops its drawn page, so the next
    // paint starts at page 0. Call again whenever the store is refilled. Nothing without a
    // store or a graph.
    void SetData(const CTextData* data);
    // The playback position in ms; the cursor moves at the next paint. Cheap enough for every
    // tick, shown or not.
    void SetPosition(int32_t positionMs);

    SkGSensorGraph* Graph() const;

protected:
    void OnRegisterControls() override;
    bool OnInitDialog() override;
};

}  // namespace player
