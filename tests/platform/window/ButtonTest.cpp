#include "platform/window/Button.h"

#include "platform/window/Static.h"
#include "platform/window/Window.h"
#include "tests/support/TestApp.h"

#include <QPainter>
#include <QTest>

#include <gtest/gtest.h>

#include <vector>

using namespace platform;

namespace {

class ProbeButton : public Button {
public:
    std::vector<unsigned> drawStates;
    int hovers = 0;
    int leaves = 0;

protected:
    void DrawItem(QPainter&, const DrawItemInfo& info) override {
        drawStates.push_back(info.state);
        EXPECT_EQ(info.action, ODA_DRAWENTIRE);
        EXPECT_EQ(info.rect, rect());
    }
    void OnMouseHover(QPoint) override { ++hovers; }
    void OnMouseLeave() override { ++leaves; }
};

class ProbeStatic : public Static {
public:
    int draws = 0;

protected:
    void DrawItem(QPainter&, const DrawItemInfo&) override { ++draws; }
};

class ButtonTest : public ::testing::Test {
protected:
    void SetUp() override { testsupport::EnsureApp(); }
};

TEST_F(ButtonTest, DrawsWithTheFocusSelectedAndDisabledBits) {
    struct Case {
        bool focus;
        bool down;
        bool enabled;
        unsigned drawState;
        unsigned buttonState;
    };
    const Case cases[] = {
        {false, false, true, 0, 0},
        {true, false, true, ODS_FOCUS, BST_FOCUS},
        {true, true, true, ODS_FOCUS | ODS_SELECTED, BST_FOCUS | BST_PUSHED},
        {false, true, true, ODS_SELECTED, BST_PUSHED},
        {false, false, false, ODS_DISABLED, 0},
    };
    QWidget window;
    QWidget other(&window);
    other.setFocusPolicy(Qt::StrongFocus);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    for (const Case& c : cases) {
        auto* button = new ProbeButton;
        button->setParent(&window);
        button->resize(40, 20);
        button->show();
        button->setDown(c.down);
        button->setEnabled(c.enabled);
        if (c.focus) {
            button->setFocus();
        } else {
            other.setFocus();
        }
        EXPECT_EQ(button->DrawState(), c.drawState);
        EXPECT_EQ(button->GetState(), c.buttonState);
        button->drawStates.clear();
        button->grab();
        ASSERT_FALSE(button->drawStates.empty());
        EXPECT_EQ(button->drawStates.back(), c.drawState);
        DestroyWindow(button);
    }
}

TEST_F(ButtonTest, HoverAndLeaveAreAnsweredOncePerRequest) {
    QWidget window;
    ProbeButton button;
    button.setParent(&window);
    window.show();
    QEvent leave(QEvent::Leave);

    QApplication::sendEvent(&button, &leave);
    QTest::qWait(10);
    EXPECT_EQ(button.hovers, 0);
    EXPECT_EQ(button.leaves, 0);

    button.TrackMouseEvent(TME_HOVER | TME_LEAVE, 1);
    QTRY_COMPARE_WITH_TIMEOUT(button.hovers, 1, 1000);
    QTest::qWait(10);
    EXPECT_EQ(button.hovers, 1);
    QApplication::sendEvent(&button, &leave);
    QApplication::sendEvent(&button, &leave);
    EXPECT_EQ(button.leaves, 1);

    // Leaving before the hover time cancels the hover notice.
    button.TrackMouseEvent(TME_HOVER | TME_LEAVE, 50);
    QApplication::sendEvent(&button, &leave);
    QTest::qWait(80);
    EXPECT_EQ(button.hovers, 1);
    EXPECT_EQ(button.leaves, 2);
}

TEST_F(ButtonTest, StaticRepaintsWhenItsWindowTextChanges) {
    QWidget window;
    auto* text = new ProbeStatic;
    text->setParent(&window);
    text->resize(50, 20);
    window.show();
    QTest::qWait(20);
    const int before = text->draws;
    SetWindowText(text, "00:01:02");
    QTRY_VERIFY_WITH_TIMEOUT(text->draws > before, 1000);
    EXPECT_EQ(GetWindowText(text), "00:01:02");
}

}  // namespace
