#pragma once
// The player's resource numbers and names, written once: dialog template ids, the main
// window's command ids and control names, the message boxes' control names, and the window
// messages and timers the main window exchanges with itself.

#include "platform/window/WinTypes.h"

namespace player {

// Dialog templates and the program icon.
inline constexpr int kIddRoadPlayerDialog = 104;
inline constexpr int kIddNotify = 133;
inline constexpr int kIddAbout = 136;
inline constexpr int kIdrMainFrame = 128;

// Main window: template ids of its children, which are also the buttons' command ids.
inline constexpr int kIdcTitle = 1000;
inline constexpr int kIdcSetting = 1001;
inline constexpr int kIdcGSensor = 1002;
inline constexpr int kIdcCapture = 1003;
inline constexpr int kIdcAbout = 1004;
inline constexpr int kIdcSite = 1005;
inline constexpr int kIdcFrontVideo = 1006;
inline constexpr int kIdcMap = 1007;
inline constexpr int kIdcRearVideo = 1008;
inline constexpr int kIdcMin = 1009;
inline constexpr int kIdcMax = 1010;
inline constexpr int kIdcNor = 1011;
inline constexpr int kIdcExit = 1012;
inline constexpr int kIdcFinf = 1014;
inline constexpr int kIdcRinf = 1015;
inline constexpr int kIdcRinm = 1016;
inline constexpr int kIdcTabNormal = 1017;
inline constexpr int kIdcTabEvent = 1018;
inline constexpr int kIdcTabManual = 1019;
inline constexpr int kIdcTabMotion = 1020;
inline constexpr int kIdcTimeSlider = 1021;
inline constexpr int kIdcFileImage = 1022;
inline constexpr int kIdcFileText = 1023;
inline constexpr int kIdcCurTime = 1024;
inline constexpr int kIdcDuration = 1025;
inline constexpr int kIdcSpeedImage0 = 1026;
inline constexpr int kIdcSpeedSlider = 1027;
inline constexpr int kIdcSpeedImage1 = 1028;
inline constexpr int kIdcBrightImage = 1029;
inline constexpr int kIdcBrightSlider = 1030;
inline constexpr int kIdcFrChange = 1032;
inline constexpr int kIdcFinr = 1033;
inline constexpr int kIdcFinm = 1035;
inline constexpr int kIdcVolumeSlider = 1036;
inline constexpr int kIdcPrev = 1037;
inline constexpr int kIdcPlay = 1038;
inline constexpr int kIdcStop = 1039;
inline constexpr int kIdcNext = 1040;
inline constexpr int kIdcRew = 1041;
inline constexpr int kIdcFf = 1042;
inline constexpr int kIdcFps = 1043;
inline constexpr int kIdcOpen = 1044;
inline constexpr int kIdcSave = 1045;
inline constexpr int kIdcFileList = 1046;
inline constexpr int kIdcVolume = 1047;
inline constexpr int kIdcRinr = 1048;
inline constexpr int kIdcReal = 1049;
// The player's own additions: the GPS track export and the speed and clock readout.
inline constexpr int kIdcTrack = 1050;
inline constexpr int kIdcGpsText = 1051;
// The clip's in and out marks and the clip export.
inline constexpr int kIdcClipIn = 1060;
inline constexpr int kIdcClipOut = 1061;
inline constexpr int kIdcClip = 1062;
inline constexpr int kIdcTripStrip = 1052;

// Main window: control names of the skin.
inline constexpr char kMainImageTitle[] = "main.image.title";
inline constexpr char kMainButtonSetting[] = "main.button.setting";
inline constexpr char kMainButtonGSensor[] = "main.button.gsensor";
inline constexpr char kMainButtonCapture[] = "main.button.capture";
inline constexpr char kMainButtonAbout[] = "main.button.about";
inline constexpr char kMainButtonSite[] = "main.button.site";
inline constexpr char kMainButtonMin[] = "main.button.min";
inline constexpr char kMainButtonMax[] = "main.button.max";
inline constexpr char kMainButtonReal[] = "main.button.real";
inline constexpr char kMainButtonNor[] = "main.button.nor";
inline constexpr char kMainButtonExit[] = "main.button.exit";
inline constexpr char kMainButtonPrev[] = "main.button.prev";
inline constexpr char kMainButtonPlay[] = "main.button.play";
inline constexpr char kMainButtonStop[] = "main.button.stop";
inline constexpr char kMainButtonNext[] = "main.button.next";
inline constexpr char kMainButtonRew[] = "main.button.rew";
inline constexpr char kMainButtonFf[] = "main.button.ff";
inline constexpr char kMainButtonFps[] = "main.button.fps";
inline constexpr char kMainButtonOpen[] = "main.button.open";
inline constexpr char kMainButtonSave[] = "main.button.save";
inline constexpr char kMainButtonTabNormal[] = "main.button.tabnormal";
inline constexpr char kMainButtonTabEvent[] = "main.button.tabevent";
inline constexpr char kMainButtonTabManual[] = "main.button.tabmanual";
inline constexpr char kMainButtonTabMotion[] = "main.button.tabmotion";
inline constexpr char kMainVideoFront[] = "main.video.front";
inline constexpr char kMainButtonFinf[] = "main.button.finf";
inline constexpr char kMainButtonFinr[] = "main.button.finr";
inline constexpr char kMainButtonFinm[] = "main.button.finm";
inline constexpr char kMainSliderTime[] = "main.slider.time";
inline constexpr char kMainImageSpeed0[] = "main.image.speed0";
inline constexpr char kMainImageSpeed1[] = "main.image.speed1";
inline constexpr char kMainSliderSpeed[] = "main.slider.speed";
inline constexpr char kMainImageBright[] = "main.image.bright";
inline constexpr char kMainSliderBright[] = "main.slider.bright";
inline constexpr char kMainButtonVolume[] = "main.button.volume";
inline constexpr char kMainSliderVolume[] = "main.slider.volume";
inline constexpr char kMainImageFile[] = "main.image.file";
inline constexpr char kMainTextFile[] = "main.text.file";
inline constexpr char kMainTextCurTime[] = "main.text.curtime";
inline constexpr char kMainTextDuration[] = "main.text.duration";
inline constexpr char kMainListFileList[] = "main.listbox.filelist";
inline constexpr char kMainVideoRear[] = "main.video.rear";
inline constexpr char kMainButtonRinf[] = "main.button.rinf";
inline constexpr char kMainButtonRinr[] = "main.button.rinr";
inline constexpr char kMainButtonRinm[] = "main.button.rinm";
inline constexpr char kMainWebMap[] = "main.web.map";
inline constexpr char kMainButtonFrChange[] = "main.button.frchange";
// Optional in a skin: a skin without them simply has no track button or readout.
inline constexpr char kMainButtonTrack[] = "main.button.track";
inline constexpr char kMainTextGps[] = "main.text.gps";
// Optional too: without them the keys still mark and export clips.
inline constexpr char kMainButtonClipIn[] = "main.button.clipin";
inline constexpr char kMainButtonClipOut[] = "main.button.clipout";
inline constexpr char kMainButtonClip[] = "main.button.clip";
// Optional: the trip of the recording open as segments (skin type "tripstrip").
inline constexpr char kMainStripTrip[] = "main.strip.trip";

// Message box: template ids and control names.
inline constexpr int kIdcNotifyTitle = 1100;
inline constexpr int kIdcNotifyComment = 1101;
inline constexpr int kIdcNotifySelOk = 1102;
inline constexpr int kIdcNotifySelCancel = 1103;
inline constexpr char kNotifyButtonOk[] = "notify.button.ok";
inline constexpr char kNotifyButtonSelOk[] = "notify.button.selok";
inline constexpr char kNotifyButtonSelCancel[] = "notify.button.selcancel";
inline constexpr char kNotifyTextTitle[] = "notify.text.title";
inline constexpr char kNotifyTextComment[] = "notify.text.comment";

// About box: template ids and control names.
inline constexpr int kIdcAboutViewerVer = 1600;
inline constexpr int kIdcAboutTitle = 1604;
inline constexpr char kAboutTextTitle[] = "about.text.title";
inline constexpr char kAboutTextViewerVer[] = "about.text.viewerver";
inline constexpr char kAboutButtonOk[] = "about.button.ok";

// Main window messages: a drive was added or removed (wParam: const QString* root, valid
// during the call; lParam: the drive notice code), and a request to stop and reset.
inline constexpr unsigned kMsgDriveNotice = platform::WM_USER + 200;
inline constexpr unsigned kMsgStopAndReset = platform::WM_USER + 201;
// The slider notice: wParam the slider's widget, lParam its new value.
inline constexpr unsigned kMsgSliderNotice = platform::WM_USER;

// The playback tick, armed only while a recording is open.
inline constexpr int kPlaybackTimerId = 100;
inline constexpr int kPlaybackTimerMs = 100;

}  // namespace player
