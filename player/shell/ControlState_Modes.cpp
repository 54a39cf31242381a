// The five mode tables of the control state.

#include "player/shell/ControlState.h"

#include "player/resources/Resource.h"
#include "player/skin/WindowSkin.h"

namespace player {

namespace {

// One cell per table column: mode 0, mode 1, mode 2 closed, mode 2 open, mode 3 closed,
// mode 3 open, mode 4 open. 'o' shown and enabled, 'f' shown but disabled, '-' hidden.
struct ModeRow {
    const char* name;
    const char* cells;
};

enum Column { kMode0, kMode1, kMode2Closed, kMode2Open, kMode3Closed, kMode3Open, kMode4Open };

constexpr ModeRow kModeTable[] = {
    {kMainImageTitle, "ooooooo"},      {kMainButtonSetting, "foooooo"},
    {kMainButtonCapture, "fffofoo"},   {kMainButtonAbout, "foooooo"},
    {kMainButtonSite, "ooooooo"},      {kMainButtonMin, "ooooooo"},
    {kMainButtonMax, "ooooooo"},       {kMainButtonReal, "ooooooo"},
    {kMainButtonNor, "ooooooo"},       {kMainButtonExit, "ooooooo"},
    {kMainButtonPrev, "fffofoo"},      {kMainButtonPlay, "foooooo"},
    {kMainButtonStop, "fffofoo"},      {kMainButtonNext, "fffofoo"},
    {kMainButtonRew, "fffffof"},       {kMainButtonFf, "fffffof"},
    {kMainButtonFps, "fffofoo"},       {kMainButtonOpen, "ooofoff"},
    {kMainButtonSave, "fffofoo"},      {kMainButtonFinf, "fffofoo"},
    {kMainButtonFinr, "fffofoo"},      {kMainButtonFinm, "fffofoo"},
    {kMainButtonRinf, "--fofoo"},      {kMainButtonRinr, "fffofoo"},
    {kMainButtonRinm, "fffofoo"},      {kMainButtonTabNormal, "foooooo"},
    {kMainButtonTabEvent, "foooooo"},  {kMainButtonTabManual, "foooooo"},
    {kMainButtonTabMotion, "foooooo"}, {kMainButtonGSensor, "fffofoo"},
    {kMainSliderTime, "-fooooo"},      {kMainImageSpeed0, "-oooooo"},
    {kMainImageSpeed1, "-oooooo"},     {kMainSliderSpeed, "-fooooo"},
    {kMainImageBright, "-oooooo"},     {kMainSliderBright, "-fooooo"},
    {kMainButtonVolume, "-oooooo"},    {kMainSliderVolume, "-oooooo"},
    {kMainImageFile, "-oooooo"},       {kMainTextFile, "-oooooo"},
    {kMainTextCurTime, "-oooooo"},     {kMainTextDuration, "-oooooo"},
    {kMainListFileList, "-oooooo"},    {kMainVideoFront, "---oooo"},
    {kMainButtonFrChange, "--ffooo"},  {kMainButtonTrack, "fffofoo"},
    {kMainTextGps, "-oooooo"},         {kMainButtonClipIn, "fffofoo"},
    {kMainButtonClipOut, "fffofoo"},   {kMainButtonClip, "fffofoo"},
    {kMainTextGps, "-oooooo"},         {kMainStripTrip, "-fooooo"},
};

Column ColumnFor(ControlMode mode, bool open) {
    switch (mode) {
        case ControlMode::NoCard:
            return kMode0;
        case ControlMode::Listed:
            return kMode1;
        case ControlMode::Opened:
            return open ? kMode2Open : kMode2Closed;
        case ControlMode::Paused:
            return open ? kMode3Open : kMode3Closed;
        default:
            // Playing again after a pause needs an open recording; closed, it looks like a
            // pause without one.
            return open ? kMode4Open : kMode3Closed;
    }
}

}  // namespace

void CControlState::ApplyMode(ControlMode mode) {
    if (mode == ControlMode::None) {
        return;
    }
    m_currentMode =
        (mode == ControlMode::Paused || mode == ControlMode::Resumed) ? ControlMode::Opened : mode;
    if (m_container == nullptr) {
        return;
    }
    const Column column = ColumnFor(mode, m_openState == OpenState::Open);
    for (const ModeRow& row : kModeTable) {
        const char cell = row.cells[column];
        if (cell != '-') {
            m_container->SetModeState(NameKey(QString::fromUtf8(row.name)), m_windowMode, 1,
                                      cell == 'o' ? 1 : 0);
        }
    }
    m_container->ApplyMode(m_windowMode);
}

}  // namespace player
