#pragma once
// A skinned test window on a small test skin: solid-colour pictures in the image cache, a
// dialog template with one child per control, and a window that registers them. Widgets need
// the test program's application (tests/support).

#include "platform/window/Screen.h"
#include "player/pack/ImageCache.h"
#include "player/skin/SkDialog.h"
#include "tests/support/TestApp.h"

#include <QApplication>
#include <QPainter>

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <vector>

namespace skintest {

inline constexpr QRgb kRed = qRgb(200, 0, 0);
inline constexpr QRgb kBlue = qRgb(0, 0, 200);
inline constexpr QRgb kGreen = qRgb(0, 200, 0);
inline constexpr QRgb kKey = qRgb(255, 0, 255);
// One opaque colour per button state: normal is translucent white instead.
inline constexpr std::array<QRgb, 7> kStateColours = {
    qRgb(255, 255, 255), qRgb(255, 255, 0), qRgb(0, 255, 255),  qRgb(128, 128, 128),
    qRgb(255, 128, 0),   qRgb(128, 0, 128), qRgb(255, 128, 192)};

inline void InstallPictures() {
    auto solid = [](const char* name, int w, int h, QRgb colour) {
        QImage image(w, h, QImage::Format_ARGB32);
        image.fill(colour);
        player::ImageCache::Instance().InsertImage(player::NameKey(name), image);
    };
    solid("bg_red.png", 8, 8, kRed);
    solid("bg_blue.png", 8, 8, kBlue);
    solid("bg_green.png", 8, 8, kGreen);
    const char* states[] = {"s0.png", "s1.png", "s2.png", "s3.png", "s4.png", "s5.png", "s6.png"};
    for (size_t i = 0; i < kStateColours.size(); ++i) {
        solid(states[i], 4, 4, kStateColours[i]);
    }
    solid("dark.png", 4, 4, qRgb(10, 10, 10));
    solid("light.png", 4, 4, qRgb(240, 240, 240));
    solid("thumb.png", 4, 4, qRgb(0, 0, 255));
    QImage keyed(40, 40, QImage::Format_ARGB32);
    keyed.fill(kKey);
    QPainter(&keyed).fillRect(10, 10, 20, 20, Qt::white);
    player::ImageCache::Instance().InsertImage(player::NameKey("keyed.png"), keyed);
}

inline constexpr char kTestSkin[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<skin>
 <property>
  <title>Test Window</title>
  <geometry x="-1" y="-1" w="400" h="300"/>
  <bgimgs>
   <bgimg mode="0">
    <image>bg_red.png</image>
    <image x="0" y="0" w="200" h="300">bg_blue.png</image>
   </bgimg>
   <bgimg mode="1"><image>bg_green.png</image></bgimg>
  </bgimgs>
 </property>
 <controls>
  <image type="image" id="t.image.logo">
   <mode x="210" y="10" w="40" h="40">0</mode>
   <image tpcolor="255,0,255">keyed.png</image>
  </image>
  <button type="button" id="t.button.play">
   <mode x="220" y="60" w="40" h="30">0</mode>
   <mode x="40" y="30" w="40" h="30" geobase="right bottom">1</mode>
   <skins>
    <skin type="normal" color="128,255,255,255">s0.png</skin>
    <skin type="checked">s1.png</skin>
    <skin type="pushed">s2.png</skin>
    <skin type="disabled">s3.png</skin>
    <skin type="hover">s4.png</skin>
    <skin type="pushed2">s5.png</skin>
    <skin type="hover2">s6.png</skin>
   </skins>
  </button>
  <button type="button" id="t.button.check" mode="check">
   <mode x="270" y="60" w="40" h="30">0</mode>
   <skins>
    <skin type="normal">s0.png</skin>
    <skin type="checked">s1.png</skin>
    <skin type="pushed">s2.png</skin>
    <skin type="disabled">s3.png</skin>
    <skin type="hover">s4.png</skin>
    <skin type="pushed2">s5.png</skin>
    <skin type="hover2">s6.png</skin>
   </skins>
  </button>
  <text type="text" id="t.text.title">
   <mode x="10" y="10" w="150" h="30">0</mode>
   <text color="255,255,255" size="14" format="bold">Hi</text>
  </text>
  <slider type="slider" id="t.slider.time">
   <mode x="10" y="100" w="220" h="20">0</mode>
   <track min="0" max="100" page="20" mleft="10" mright="10">50</track>
   <skins>
    <skin type="btrack">dark.png</skin>
    <skin type="track">light.png</skin>
    <skin type="thumb" x="0" y="0" w="10" h="20">thumb.png</skin>
   </skins>
   <marks w="2" mtop="4" mbottom="4" color="255,255,255">
    <mark type="braking" color="255,0,0"/>
    <mark type="bookmark" color="0,255,0"/>
   </marks>
  </slider>
  <list type="list" id="t.listbox.files">
   <mode x="10" y="140" w="300" h="100">0</mode>
   <columns height="20" size="10" color="255,0,0" selcolor="0,255,0">
    <column index="0" width="100"/>
    <column index="2" width="50"/>
    <flag color="255,200,0" w="6" h="6" mright="4"/>
   </columns>
  </list>
  <map type="map" id="t.web.map">
   <mode x="300" y="10" w="50" h="50">0</mode>
  </map>
  <tripstrip type="tripstrip" id="t.strip.trip">
   <mode x="10" y="260" w="220" h="20">0</mode>
   <track mleft="10" mright="10" gap="2"/>
   <skins>
    <skin type="segment">dark.png</skin>
    <skin type="current">light.png</skin>
    <skin type="cursor" x="8" y="0" w="4" h="20">thumb.png</skin>
   </skins>
   <marks w="2" mtop="2" mbottom="2" color="255,255,255">
    <mark type="braking" color="255,0,0"/>
   </marks>
  </tripstrip>
 </controls>
</skin>
)";

inline constexpr std::array kTestItems = {
    platform::DialogItem{1000, platform::ChildKind::Static, 0, 0, 10, 10},
    platform::DialogItem{1001, platform::ChildKind::Button, 0, 0, 10, 10, "Play"},
    platform::DialogItem{1007, platform::ChildKind::Button, 0, 0, 10, 10, "Check"},
    platform::DialogItem{1002, platform::ChildKind::Static, 0, 0, 10, 10, "template text"},
    platform::DialogItem{1003, platform::ChildKind::Static, 0, 0, 10, 10},
    platform::DialogItem{1004, platform::ChildKind::ListView, 0, 0, 10, 10},
    platform::DialogItem{1005, platform::ChildKind::Custom, 0, 0, 10, 10},
    platform::DialogItem{1006, platform::ChildKind::Button, 5, 5, 10, 10, "Orphan"},
    platform::DialogItem{1008, platform::ChildKind::Static, 0, 0, 10, 10},
};
inline constexpr platform::DialogTemplate kTestTemplate{
    900, "template", 100, 100, platform::kDialogPopup, kTestItems};

struct Posted {
    unsigned msg;
    platform::WParam wParam;
    platform::LParam lParam;
};

class TestWindow : public player::SkDialog {
public:
    explicit TestWindow(QWidget* parent = nullptr) : SkDialog(kTestTemplate, parent) {}

    std::vector<Posted> posted;
    std::vector<int> commands;
    int paints = 0;

    template <typename T>
    T* Find(const char* name) const {
        return dynamic_cast<T*>(Skin()->FindControlWindow(player::NameKey(name)));
    }
    QWidget* WindowOf(const char* name) const {
        player::SkWidget* widget = Skin()->FindControlWindow(player::NameKey(name));
        return widget == nullptr ? nullptr : widget->Window();
    }
    // Every control shown and enabled in mode.
    void ShowAll(int mode) {
        for (auto& [name, entry] : Skin()->Controls()) {
            Skin()->SetModeState(name, mode, 1, 1);
        }
        Skin()->ApplyMode(mode);
    }

protected:
    void OnRegisterControls() override {
        using player::ControlKind;
        const struct {
            const char* name;
            ControlKind kind;
            int id;
        } controls[] = {
            {"t.image.logo", ControlKind::Image, 1000},
            {"t.button.play", ControlKind::Button, 1001},
            {"t.button.check", ControlKind::Button, 1007},
            {"t.text.title", ControlKind::Text, 1002},
            {"t.slider.time", ControlKind::Slider, 1003},
            {"t.listbox.files", ControlKind::List, 1004},
            {"t.web.map", ControlKind::Web, 1005},
            {"t.button.orphan", ControlKind::Button, 1006},
            {"t.strip.trip", ControlKind::Slider, 1008},
        };
        for (const auto& c : controls) {
            Skin()->RegisterControl(player::NameKey(c.name), c.kind, c.id);
        }
    }
    bool OnCommand(int id) override {
        commands.push_back(id);
        return SkDialog::OnCommand(id);
    }
    platform::LResult OnMessage(unsigned msg, platform::WParam w, platform::LParam l) override {
        posted.push_back({msg, w, l});
        return 0;
    }
    void paintEvent(QPaintEvent* event) override {
        ++paints;
        SkDialog::paintEvent(event);
    }
};

// A created, shown test window in mode 0 with every control shown, painted once.
inline std::unique_ptr<TestWindow> MakeShownWindow() {
    auto window = std::make_unique<TestWindow>();
    EXPECT_TRUE(window->LoadSkin(QByteArray(kTestSkin)));
    window->Create(nullptr);
    window->show();
    window->ShowAll(0);
    window->grab();
    return window;
}

class SkinWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        testsupport::EnsureApp();
        InstallPictures();
        platform::SetScreenSizeOverride(QSize(1920, 1080));
    }
    void TearDown() override { platform::SetScreenSizeOverride({}); }
};

inline bool Near(QRgb a, QRgb b, int tolerance = 2) {
    return std::abs(qRed(a) - qRed(b)) <= tolerance &&
           std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

}  // namespace skintest
