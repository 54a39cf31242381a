#include "player/telemetry/GSensorDlg.h"

#include "player/skin/SkGSensorGraph.h"
#include "player/telemetry/TextData.h"

#include <array>

namespace player {

namespace {

constexpr std::array kItems = {
    platform::DialogItem{kGSensorExitId, platform::ChildKind::Button, 0, 0, 36, 36, "Close"},
    platform::DialogItem{kGSensorTitleId, platform::ChildKind::Static, 0, 0, 400, 44},
    platform::DialogItem{kGSensorGraphId, platform::ChildKind::Static, 0, 54, 1000, 244},
};
constexpr platform::DialogTemplate kTemplate{kGSensorDlgTemplateId,  "G-sensor", 1020, 308,
                                             platform::kDialogPopup, kItems};

struct ControlSpec {
    const char* name;
    ControlKind kind;
    int id;
};
constexpr std::array kControls = {
    ControlSpec{kGSensorExitName, ControlKind::Button, kGSensorExitId},
    ControlSpec{kGSensorTitleName, ControlKind::Text, kGSensorTitleId},
    ControlSpec{kGSensorGraphName, ControlKind::GSensorGraph, kGSensorGraphId},
};

}  // namespace

CGSensorDlg::CGSensorDlg(QWidget* parent) : SkDialog(kTemplate, parent) {}

void CGSensorDlg::OnRegisterControls() {
    for (const ControlSpec& control : kControls) {
        Skin()->RegisterControl(NameKey(control.name), control.kind, control.id);
    }
}

bool CGSensorDlg::OnInitDialog() {
    SkDialog::OnInitDialog();
    if (Skin() != nullptr) {
        for (const ControlSpec& control : kControls) {
            Skin()->SetModeState(NameKey(control.name), 0, 1, 1);
        }
        Skin()->ApplyMode(0);
    }
    return true;
}

SkGSensorGraph* CGSensorDlg::Graph() const {
    if (Skin() == nullptr) {
        return nullptr;
    }
    return dynamic_cast<SkGSensorGraph*>(Skin()->FindControlWindow(NameKey(kGSensorGraphName)));
}

void CGSensorDlg::SetData(const CTextData* data) {
    SkGSensorGraph* graph = Graph();
    if (graph == nullptr || data == nullptr) {
        return;
    }
    std::vector<GraphSample> samples;
    samples.reserve(data->GSensorList().size());
    for (const CGSensorData& reading : data->GSensorList()) {
        samples.push_back({reading.x, reading.y, reading.z, reading.time});
    }
    graph->SetSamples(std::move(samples));
}

void CGSensorDlg::SetPosition(int32_t positionMs) {
    if (SkGSensorGraph* graph = Graph()) {
        graph->SetPosition(positionMs);
    }
}

}  // namespace player
