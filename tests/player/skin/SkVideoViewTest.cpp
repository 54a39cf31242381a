#include "player/skin/SkVideoView.h"

#include "SkinWindowFixture.h"
#include "platform/window/Dialog.h"

#include <QPaintEvent>

namespace skintest {
namespace {

constexpr std::array kViewItems = {
    platform::DialogItem{1010, platform::ChildKind::Static, 10, 10, 64, 36},
};
constexpr platform::DialogTemplate kViewTemplate{902,       "view", 100, 60, platform::kDialogPopup,
                                                 kViewItems};

// Paints the view in its paint events, as the video renderer does.
class RendererStandIn : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Paint) {
            return false;
        }
        QPainter(static_cast<QWidget*>(watched)).fillRect(0, 0, 64, 36, kGreen);
        return true;
    }
};

TEST_F(SkinWindowTest, TheVideoViewShowsOnlyWhatTheRendererPaints) {
    platform::Dialog dialog(kViewTemplate);
    dialog.Create(nullptr);
    dialog.show();
    player::SkVideoView view;
    ASSERT_TRUE(view.SubclassDlgItem(1010, dialog));
    platform::gfx::Dc background(100, 60);
    background.Fill(0x0000C8);  // red in GDI order
    view.ReceiveBackground(background);

    QImage shown = view.Window()->grab().toImage();
    EXPECT_EQ(shown.pixel(5, 5), qRgb(0, 0, 0)) << "black without a renderer, not the background";

    RendererStandIn renderer;
    view.Window()->installEventFilter(&renderer);
    shown = view.Window()->grab().toImage();
    EXPECT_EQ(shown.pixel(5, 5), kGreen);
    EXPECT_TRUE(view.Window()->testAttribute(Qt::WA_OpaquePaintEvent));
    EXPECT_FALSE(view.Window()->autoFillBackground());
}

}  // namespace
}  // namespace skintest
