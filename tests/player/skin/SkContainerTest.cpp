#include "player/skin/SkContainer.h"

#include "SkinWindowFixture.h"

namespace skintest {
namespace {

using player::NameKey;

TEST_F(SkinWindowTest, BindingAppliesModeZeroWhichHidesWithoutRequests) {
    auto window = std::make_unique<TestWindow>();
    ASSERT_TRUE(window->LoadSkin(QByteArray(kTestSkin)));
    window->Create(nullptr);
    EXPECT_TRUE(window->WindowOf("t.button.play")->isHidden());
    EXPECT_FALSE(window->WindowOf("t.button.play")->isEnabled());
    EXPECT_EQ(window->WindowOf("t.button.play")->geometry(), QRect(220, 60, 40, 30));
    // The map is never hidden, only collapsed.
    EXPECT_FALSE(window->WindowOf("t.web.map")->isHidden());
    EXPECT_EQ(window->WindowOf("t.web.map")->size(), QSize(0, 0));
}

TEST_F(SkinWindowTest, RequestsAreOneShot) {
    auto window = MakeShownWindow();
    QWidget* play = window->WindowOf("t.button.play");
    ASSERT_TRUE(window->Skin()->SetModeState(NameKey("t.button.play"), 1, 1, 0));
    EXPECT_FALSE(window->Skin()->SetModeState(NameKey("t.text.title"), 1, 1, 1));  // no mode 1
    EXPECT_FALSE(window->Skin()->SetModeState(NameKey("t.button.orphan"), 0, 1, 1));
    window->Skin()->ApplyMode(1);
    EXPECT_TRUE(play->isVisible());
    EXPECT_FALSE(play->isEnabled());
    EXPECT_EQ(play->geometry(), QRect(360, 270, 40, 30));  // right + bottom in 400 x 300
    EXPECT_TRUE(window->WindowOf("t.text.title")->isHidden());
    EXPECT_FALSE(window->WindowOf("t.web.map")->isHidden());
    EXPECT_EQ(window->WindowOf("t.web.map")->size(), QSize(0, 0));

    window->Skin()->ApplyMode(-1);
    EXPECT_TRUE(play->isVisible());
    window->Skin()->ApplyMode(1);
    EXPECT_TRUE(play->isHidden());
}

TEST_F(SkinWindowTest, EnableRequestFollowsAndPlacementChangesAtTheNextApply) {
    auto window = MakeShownWindow();
    QWidget* play = window->WindowOf("t.button.play");
    EXPECT_TRUE(play->isEnabled());
    player::ControlEntry* entry = window->Skin()->FindControl(NameKey("t.button.play"));
    ASSERT_NE(entry, nullptr);
    entry->control->ModeGeometryOf(0)->rect = {30, 40, 50, 60};
    EXPECT_EQ(play->geometry(), QRect(220, 60, 40, 30));
    window->Skin()->SetModeState(NameKey("t.button.play"), 0, 1, 0);
    window->Skin()->ApplyMode(0);
    EXPECT_EQ(play->geometry(), QRect(30, 40, 50, 60));
    EXPECT_FALSE(play->isEnabled());
    window->Skin()->SetModeState(NameKey("t.button.play"), 0, 1, 1);
    window->Skin()->ApplyMode(0);
    EXPECT_TRUE(play->isEnabled());
}

}  // namespace
}  // namespace skintest
