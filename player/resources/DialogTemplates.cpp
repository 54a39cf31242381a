#include "player/resources/DialogTemplates.h"

#include "player/resources/Resource.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <vector>

namespace player {

namespace {

using platform::ChildKind;
using platform::DialogItem;
using platform::DialogTemplate;

constexpr int32_t kImage = 0;
constexpr int32_t kText = 1;
constexpr int32_t kButton = 2;
constexpr int32_t kSlider = 3;
constexpr int32_t kList = 4;
constexpr int32_t kVideo = 5;
constexpr int32_t kWeb = 6;

constexpr std::array<MainControl, kMainControlCount> kMainControls = {{
    {kMainImageTitle, kImage, kIdcTitle},
    {kMainButtonSetting, kButton, kIdcSetting},
    {kMainButtonGSensor, kButton, kIdcGSensor},
    {kMainButtonCapture, kButton, kIdcCapture},
    {kMainButtonAbout, kButton, kIdcAbout},
    {kMainButtonSite, kButton, kIdcSite},
    {kMainButtonMin, kButton, kIdcMin},
    {kMainButtonMax, kButton, kIdcMax},
    {kMainButtonReal, kButton, kIdcReal},
    {kMainButtonNor, kButton, kIdcNor},
    {kMainButtonExit, kButton, kIdcExit},
    {kMainButtonPrev, kButton, kIdcPrev},
    {kMainButtonPlay, kButton, kIdcPlay},
    {kMainButtonStop, kButton, kIdcStop},
    {kMainButtonNext, kButton, kIdcNext},
    {kMainButtonRew, kButton, kIdcRew},
    {kMainButtonFf, kButton, kIdcFf},
    {kMainButtonFps, kButton, kIdcFps},
    {kMainButtonOpen, kButton, kIdcOpen},
    {kMainButtonSave, kButton, kIdcSave},
    {kMainButtonTabNormal, kButton, kIdcTabNormal},
    {kMainButtonTabEvent, kButton, kIdcTabEvent},
    {kMainButtonTabManual, kButton, kIdcTabManual},
    {kMainButtonTabMotion, kButton, kIdcTabMotion},
    {kMainVideoFront, kVideo, kIdcFrontVideo},
    {kMainButtonFinf, kButton, kIdcFinf},
    {kMainButtonFinr, kButton, kIdcFinr},
    {kMainButtonFinm, kButton, kIdcFinm},
    {kMainSliderTime, kSlider, kIdcTimeSlider},
    {kMainImageSpeed0, kImage, kIdcSpeedImage0},
    {kMainImageSpeed1, kImage, kIdcSpeedImage1},
    {kMainSliderSpeed, kSlider, kIdcSpeedSlider},
    {kMainImageBright, kImage, kIdcBrightImage},
    {kMainSliderBright, kSlider, kIdcBrightSlider},
    {kMainButtonVolume, kButton, kIdcVolume},
    {kMainSliderVolume, kSlider, kIdcVolumeSlider},
    {kMainImageFile, kImage, kIdcFileImage},
    {kMainTextFile, kText, kIdcFileText},
    {kMainTextCurTime, kText, kIdcCurTime},
    {kMainTextDuration, kText, kIdcDuration},
    {kMainListFileList, kList, kIdcFileList},
    {kMainVideoRear, kVideo, kIdcRearVideo},
    {kMainButtonRinf, kButton, kIdcRinf},
    {kMainButtonRinr, kButton, kIdcRinr},
    {kMainButtonRinm, kButton, kIdcRinm},
    {kMainWebMap, kWeb, kIdcMap},
    {kMainButtonFrChange, kButton, kIdcFrChange},
    {kMainButtonTrack, kButton, kIdcTrack},
    {kMainTextGps, kText, kIdcGpsText},
    {kMainButtonClipIn, kButton, kIdcClipIn},
    {kMainButtonClipOut, kButton, kIdcClipOut},
    {kMainButtonClip, kButton, kIdcClip},
    // Bound as a slider is: it draws over the window's background.
    {kMainStripTrip, kSlider, kIdcTripStrip},
}};

// The skin places every child; the template's rectangles only give them a size to start with.
constexpr int kChildSize = 16;

ChildKind ChildKindFor(int32_t kindCode) {
    switch (kindCode) {
        case kButton:
            return ChildKind::Button;
        case kList:
            return ChildKind::ListView;
        case kWeb:
            return ChildKind::Custom;
        default:
            return ChildKind::Static;
    }
}

std::vector<DialogItem> MainItems() {
    std::vector<DialogItem> items;
    for (const MainControl& control : kMainControls) {
        unsigned flags = 0;
        // Created hidden and disabled; a skin that offers these categories shows them.
        if (control.id == kIdcTabManual || control.id == kIdcTabMotion) {
            flags = platform::kItemHidden | platform::kItemDisabled;
        }
        items.push_back(
            {control.id, ChildKindFor(control.kindCode), 0, 0, kChildSize, kChildSize, "", flags});
    }
    return items;
}

constexpr unsigned kMainStyle =
    platform::kDialogPopup | platform::kDialogVisible | platform::kDialogAppWindow;
constexpr unsigned kBoxStyle = platform::kDialogPopup | platform::kDialogVisible;

const DialogItem kNotifyItems[] = {
    {kIdcNotifySelOk, ChildKind::Button, 0, 0, 100, 32, "확인", 0},
    {kIdcNotifySelCancel, ChildKind::Button, 0, 0, 100, 32, "취소", 0},
    {kIdcNotifyTitle, ChildKind::Static, 0, 0, 380, 44, "", 0},
    {kIdcNotifyComment, ChildKind::Static, 0, 0, 336, 70, "", 0},
    {platform::IDOK, ChildKind::Button, 0, 0, 100, 32, "확인", 0},
};

const DialogItem kAboutItems[] = {
    {kIdcAboutTitle, ChildKind::Static, 0, 0, 340, 44, "", 0},
    {kIdcAboutViewerVer, ChildKind::Static, 0, 0, 244, 72, "", 0},
    {platform::IDOK, ChildKind::Button, 0, 0, 100, 32, "확인", 0},
};

}  // namespace

const std::array<MainControl, kMainControlCount>& MainControls() {
    return kMainControls;
}

const DialogTemplate& MainDialogTemplate() {
    static const std::vector<DialogItem> items = MainItems();
    static const DialogTemplate dialogTemplate{kIddRoadPlayerDialog, "RoadPlayer", 628, 406,
                                               kMainStyle,           items};
    return dialogTemplate;
}

const DialogTemplate& NotifyDialogTemplate() {
    static const DialogTemplate dialogTemplate{kIddNotify, "RoadPlayer", 420,
                                               196,        kBoxStyle,    kNotifyItems};
    return dialogTemplate;
}

const DialogTemplate& AboutDialogTemplate() {
    static const DialogTemplate dialogTemplate{kIddAbout, "RoadPlayer", 380,
                                               224,       kBoxStyle,    kAboutItems};
    return dialogTemplate;
}

QIcon ProgramIcon() {
    // A camera lens on a dark rounded square, drawn at the sizes window managers ask for.
    QIcon icon;
    for (const int size : {16, 32, 48, 64, 128}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        const qreal s = size;
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0x23, 0x2A, 0x34));
        painter.drawRoundedRect(QRectF(0, 0, s, s), s * 0.2, s * 0.2);
        painter.setBrush(QColor(0x3D, 0x8B, 0xF2));
        painter.drawEllipse(QPointF(s / 2, s / 2), s * 0.32, s * 0.32);
        painter.setBrush(QColor(0x10, 0x14, 0x1A));
        painter.drawEllipse(QPointF(s / 2, s / 2), s * 0.18, s * 0.18);
        painter.setBrush(QColor(0xE6, 0xE9, 0xEE));
        painter.drawEllipse(QPointF(s * 0.44, s * 0.44), s * 0.05, s * 0.05);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

}  // namespace player
