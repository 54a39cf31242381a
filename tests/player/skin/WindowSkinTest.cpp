#include "player/skin/WindowSkin.h"

#include "player/skin/SkButton.h"
#include "player/skin/SkText.h"
#include "player/skin/TypeFactory.h"

#include <gtest/gtest.h>

namespace player {
namespace {

std::unique_ptr<SkContainer> Named(const char* type, const char* name) {
    auto control = TypeFactory::CreateDefault().CreateControl(type);
    if (control) {
        control->SetName(name);
        control->SetModeGeometry(0, 0, 1, 2, 3, 4);
    }
    return control;
}

TEST(WindowSkinTest, DefaultsAndRegistration) {
    WindowSkin skin;
    EXPECT_EQ(skin.Title(), QStringLiteral("VESTRA Application"));
    EXPECT_EQ(skin.WindowRect(), (SkinRect{0, 0, 0, 0}));
    EXPECT_TRUE(skin.RegisterControl(NameKey("main.button.play"), ControlKind::Button, 1038));
    EXPECT_FALSE(skin.RegisterControl(NameKey("main.button.play"), ControlKind::Text, 1));
    EXPECT_FALSE(skin.RegisterControl(NameKey(""), ControlKind::Text, 1));
    ASSERT_NE(skin.FindControl(NameKey("main.button.play")), nullptr);
    EXPECT_EQ(skin.FindControl(NameKey("main.button.play"))->kind, ControlKind::Button);
    EXPECT_EQ(skin.FindControl(NameKey("main.button.play"))->dialogItemId, 1038);
    EXPECT_EQ(skin.FindControlWindow(NameKey("main.button.play")), nullptr) << "nothing attached";
    EXPECT_EQ(skin.FindControlWindow(NameKey("main.button.stop")), nullptr);
}

TEST(WindowSkinTest, AttachTakesKindAndNonzeroId) {
    WindowSkin skin;
    skin.RegisterControl(NameKey("w.a"), ControlKind::Slider, 1200);
    skin.RegisterControl(NameKey("w.b"), ControlKind::List, 0);
    auto a = Named("button", "w.a");
    SkWidget* widgetA = a->Widget();
    EXPECT_TRUE(skin.AttachControl(std::move(a)));
    auto b = Named("text", "w.b");
    b->SetDialogItemId(77);
    EXPECT_TRUE(skin.AttachControl(std::move(b)));
    EXPECT_FALSE(skin.AttachControl(Named("text", "w.unknown")));
    EXPECT_FALSE(skin.AttachControl(nullptr));
    const SkContainer* attachedA = skin.FindControl(NameKey("w.a"))->control.get();
    EXPECT_EQ(attachedA->Kind(), ControlKind::Slider) << "the registered kind wins";
    EXPECT_EQ(attachedA->DialogItemId(), 1200);
    EXPECT_EQ(skin.FindControl(NameKey("w.b"))->control->DialogItemId(), 77) << "id 0 keeps";
    EXPECT_EQ(skin.FindControlWindow(NameKey("w.a")), widgetA);
    EXPECT_NE(dynamic_cast<SkText*>(skin.FindControlWindow(NameKey("w.b"))), nullptr);
}

TEST(WindowSkinTest, TableOrderAndIndexes) {
    WindowSkin skin;
    for (const char* name : {"m.c", "m.a", "m.b"}) {
        skin.RegisterControl(NameKey(name), ControlKind::Image, 1);
    }
    EXPECT_EQ(skin.ControlCount(), 3);
    EXPECT_EQ(skin.ControlAt(0)->first.Text(), QStringLiteral("m.a"));
    EXPECT_EQ(skin.ControlAt(2)->first.Text(), QStringLiteral("m.c"));
    EXPECT_EQ(skin.ControlAt(-1), nullptr);
    EXPECT_EQ(skin.ControlAt(3), nullptr);
    skin.ClearControls();
    EXPECT_EQ(skin.ControlCount(), 0);
}

TEST(WindowSkinTest, ModeStateNeedsAControlWithThatMode) {
    WindowSkin skin;
    skin.RegisterControl(NameKey("w.a"), ControlKind::Image, 1);
    skin.RegisterControl(NameKey("w.empty"), ControlKind::Image, 2);
    skin.AttachControl(Named("image", "w.a"));
    EXPECT_TRUE(skin.SetModeState(NameKey("w.a"), 0, 1, 0));
    const ModeGeometry* mode0 = skin.FindControl(NameKey("w.a"))->control->ModeGeometryOf(0);
    EXPECT_EQ(mode0->showRequest, 1);
    EXPECT_EQ(mode0->enableRequest, 0);
    EXPECT_FALSE(skin.SetModeState(NameKey("w.a"), 1, 1, 1)) << "no geometry for mode 1";
    EXPECT_FALSE(skin.SetModeState(NameKey("w.empty"), 0, 1, 1)) << "nothing attached";
    EXPECT_FALSE(skin.SetModeState(NameKey("w.none"), 0, 1, 1));
}

TEST(WindowSkinTest, ContainerNameAndGeometry) {
    auto control = TypeFactory::CreateDefault().CreateControl("image");
    ASSERT_NE(control, nullptr);
    EXPECT_TRUE(control->Name().IsEmpty());
    EXPECT_TRUE(control->SetName("main.image.logo"));
    EXPECT_FALSE(control->SetName(""));
    EXPECT_EQ(control->Name().Text(), QStringLiteral("main.image.logo"));
    EXPECT_FALSE(control->SetModeGeometry(-1, 0, 0, 0, 0, 0));
    EXPECT_TRUE(control->SetModeGeometry(1, 0x11, 1, 2, 3, 4));
    control->ModeGeometryOf(1)->showRequest = 1;
    EXPECT_TRUE(control->SetModeGeometry(1, 0x22, 5, 6, 7, 8));
    EXPECT_EQ(control->ModeGeometryOf(1)->showRequest, 0) << "replacing clears the requests";
    EXPECT_EQ(control->ModeGeometryOf(1)->rect, (SkinRect{5, 6, 7, 8}));
    EXPECT_EQ(control->ModeGeometryOf(0), nullptr);
}

TEST(WindowSkinTest, TypeFactory) {
    TypeFactory factory = TypeFactory::CreateDefault();
    EXPECT_NE(dynamic_cast<SkButton*>(factory.CreateControl("BuTToN")->Widget()), nullptr);
    EXPECT_EQ(factory.CreateControl(nullptr), nullptr);
    EXPECT_EQ(factory.CreateControl("checkbox"), nullptr);
    EXPECT_EQ(factory.CreateControl("ＢUTTON"), nullptr) << "only A to Z are lower-cased";
    for (const char* word : {"image", "text", "slider", "map", "list", "video", "gsensor"}) {
        EXPECT_NE(factory.CreateControl(word), nullptr) << word;
    }
    EXPECT_FALSE(factory.Register(QString(), [] { return nullptr; }));
    EXPECT_TRUE(factory.Register(QStringLiteral("empty"), nullptr));
    EXPECT_EQ(factory.CreateControl("empty"), nullptr) << "an entry without factory";
    EXPECT_TRUE(factory.Register(QStringLiteral("image"), nullptr));
    EXPECT_NE(factory.CreateControl("image"), nullptr) << "no factory keeps the old one";
    EXPECT_TRUE(factory.Register(QStringLiteral("image"), [] {
        return std::make_unique<SkContainer>(std::make_unique<SkText>());
    }));
    EXPECT_NE(dynamic_cast<SkText*>(factory.CreateControl("image")->Widget()), nullptr);
}

}  // namespace
}  // namespace player
