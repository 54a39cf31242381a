#include "settings/PopupDlg.h"

#include "settings/DCS_4100Dlg.h"
#include "tests/support/TestApp.h"

#include <QLabel>

#include <gtest/gtest.h>

namespace settings {
namespace {

TEST(PopupDlgTest, ShowsExactlyTheTextOfTheOutcome) {
    testsupport::EnsureApp();
    qunsetenv("ROADPLAYER_VIRTUAL_DRIVES");
    CDCS_4100Dlg owner;  // outcome 0 until a save succeeds
    CPopupDlg popup(&owner);
    ASSERT_TRUE(popup.Create(&owner));
    popup.show();
    EXPECT_EQ(popup.size(), QSize(322, 200));
    EXPECT_EQ(popup.GetDlgItem(1)->geometry(), QRect(87, 150, 148, 31));
    auto* success = qobject_cast<QLabel*>(popup.GetDlgItem(CPopupDlg::kIdSuccessText));
    auto* cancel = qobject_cast<QLabel*>(popup.GetDlgItem(CPopupDlg::kIdCancelText));
    ASSERT_TRUE(success && cancel);
    EXPECT_FALSE(success->isVisible());
    EXPECT_TRUE(cancel->isVisible());
    EXPECT_EQ(cancel->text(), QString::fromUtf8("설정 저장을 취소하였습니다."));
    EXPECT_EQ(success->text(), QString::fromUtf8("성공적으로 설정을 저장하였습니다."));

    // White text on black where the text sits.
    const QImage image = popup.grab().toImage();
    const QRect textArea = cancel->geometry();
    int white = 0;
    for (int y = textArea.top(); y <= textArea.bottom(); ++y) {
        for (int x = textArea.left(); x <= textArea.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            white += c.lightness() > 200;
            ASSERT_TRUE(c.red() == c.green() && c.green() == c.blue()) << x << "," << y;
        }
    }
    EXPECT_GT(white, 50);
    EXPECT_EQ(image.pixelColor(textArea.topLeft()), QColor(Qt::black));
}

}  // namespace
}  // namespace settings
