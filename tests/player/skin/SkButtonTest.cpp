#include "player/skin/SkButton.h"

#include "SkinWindowFixture.h"
#include "player/skin/SkImage.h"

#include <QTest>

namespace skintest {
namespace {

using platform::ODS_DISABLED;
using platform::ODS_FOCUS;
using platform::ODS_SELECTED;
using player::ButtonBehaviour;
using player::ButtonState;
using player::SkButton;

QRgb SurfacePixel(SkButton& button) {
    return button.Surface().Bitmap().pixel(20, 15);
}

TEST_F(SkinWindowTest, ButtonStateTable) {
    auto window = MakeShownWindow();
    SkButton* button = window->Find<SkButton>("t.button.play");
    ASSERT_NE(button, nullptr);
    struct Case {
        ButtonBehaviour behaviour;
        bool checked;
        bool hover;
        unsigned bits;
        ButtonState state;
    };
    const auto push = ButtonBehaviour::Push;
    const auto check = ButtonBehaviour::Check;
    const Case cases[] = {
        {push, false, false, 0, ButtonState::Normal},
        {push, false, false, ODS_FOCUS, ButtonState::Normal},
        {push, false, true, ODS_FOCUS, ButtonState::Hover},
        {push, false, true, 0, ButtonState::Normal},  // hover counts only with focus
        {push, false, false, ODS_FOCUS | ODS_SELECTED, ButtonState::Pushed},
        {check, true, false, ODS_FOCUS | ODS_SELECTED, ButtonState::Pushed2},
        {check, true, true, ODS_FOCUS, ButtonState::Hover2},
        {check, true, false, ODS_FOCUS, ButtonState::Checked},
        {check, true, true, 0, ButtonState::Checked},
        {check, false, true, ODS_FOCUS, ButtonState::Hover},
        // Push mode is never drawn as checked, whatever the flag says.
        {push, true, false, 0, ButtonState::Normal},
        {push, true, true, ODS_FOCUS, ButtonState::Hover},
        {ButtonBehaviour::Other, true, false, ODS_FOCUS, ButtonState::Normal},
        // Disabled shows only without focus.
        {push, false, false, ODS_DISABLED, ButtonState::Disabled},
        {check, true, false, ODS_DISABLED, ButtonState::Disabled},
        {push, false, false, ODS_DISABLED | ODS_FOCUS, ButtonState::Normal},
    };
    for (const Case& c : cases) {
        button->SetBehaviourMode(c.behaviour);
        button->SetChecked(c.checked);
        button->SetHover(c.hover);
        EXPECT_EQ(button->StateFor(c.bits), c.state)
            << static_cast<int>(c.behaviour) << c.checked << c.hover << " bits " << c.bits;
    }
}

TEST_F(SkinWindowTest, DisabledButtonWithoutFocusShowsTheDisabledImage) {
    auto window = MakeShownWindow();
    window->Skin()->SetModeState(player::NameKey("t.button.play"), 0, 1, 0);
    window->Skin()->ApplyMode(0);
    const QImage shown = window->grab().toImage();
    EXPECT_EQ(shown.pixel(240, 75), kStateColours[3]);
}

TEST_F(SkinWindowTest, CheckedFocusedHoveredButtonShowsHover2ThenChecked) {
    auto window = MakeShownWindow();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    SkButton* button = window->Find<SkButton>("t.button.check");
    button->Window()->setFocus();
    button->SetChecked(true);
    button->OnMouseHover();
    EXPECT_EQ(SurfacePixel(*button), kStateColours[6]);
    EXPECT_EQ(button->Window()->grab().toImage().pixel(20, 15), kStateColours[6]);
    button->OnMouseLeave();
    EXPECT_EQ(SurfacePixel(*button), kStateColours[1]);
    EXPECT_FALSE(button->Hover());
}

TEST_F(SkinWindowTest, SecondHoverNoticeDoesNotRepaint) {
    auto window = MakeShownWindow();
    SkButton* button = window->Find<SkButton>("t.button.check");
    button->OnMouseHover();
    EXPECT_EQ(SurfacePixel(*button), kStateColours[4]);
    // Were the button painted again, this picture would show.
    player::ImageSpec desc = button->StateImage(ButtonState::Hover)->Desc();
    desc.name = player::NameKey("s1.png");
    button->SetStateImage(ButtonState::Hover, desc);
    button->OnMouseHover();
    EXPECT_EQ(SurfacePixel(*button), kStateColours[4]);
    // The hover paint does not look at focus; a full redraw does.
    EXPECT_EQ(button->Window()->grab().toImage().pixel(20, 15), kStateColours[0]);
}

TEST_F(SkinWindowTest, ReleaseInsideTogglesCheckedButPushModeNeverShowsIt) {
    auto window = MakeShownWindow();
    SkButton* button = window->Find<SkButton>("t.button.play");
    QTest::mouseClick(button->Window(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(button->Checked());
    EXPECT_EQ(window->commands, std::vector<int>{1001});
    EXPECT_NE(window->grab().toImage().pixel(240, 75), kStateColours[1]);
    SkButton* check = window->Find<SkButton>("t.button.check");
    QTest::mouseClick(check->Window(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(check->Checked());
    QTest::mouseClick(check->Window(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_FALSE(check->Checked());
    // A release outside the button neither toggles nor clicks.
    QTest::mousePress(check->Window(), Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(check->Window(), Qt::LeftButton, {}, QPoint(60, 5));
    EXPECT_FALSE(check->Checked());
    EXPECT_EQ(window->commands, (std::vector<int>{1001, 1007, 1007}));
}

TEST_F(SkinWindowTest, TransferDiscardsEveryStateRenderingButNotAnImages) {
    auto window = MakeShownWindow();
    SkButton* button = window->Find<SkButton>("t.button.check");
    for (int s = 0; s < player::kButtonStateCount; ++s) {
        button->PaintState(button->Surface(), static_cast<ButtonState>(s));
    }
    auto* image = window->Find<player::SkImage>("t.image.logo");
    ASSERT_TRUE(image->Image()->IsRendered());
    window->Skin()->TransferBackground(window->CachedBackground());
    for (int s = 0; s < player::kButtonStateCount; ++s) {
        EXPECT_FALSE(button->StateImage(static_cast<ButtonState>(s))->IsRendered()) << s;
    }
    EXPECT_TRUE(image->Image()->IsRendered());
}

}  // namespace
}  // namespace skintest
