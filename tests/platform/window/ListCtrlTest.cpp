#include "platform/window/ListCtrl.h"

#include "tests/support/TestApp.h"

#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

#include <vector>

using namespace platform;

namespace {

class ProbeList : public ListCtrl {
public:
    std::vector<DrawItemInfo> draws;
    int erases = 0;

protected:
    void DrawItem(QPainter&, const DrawItemInfo& info) override { draws.push_back(info); }
    void OnEraseBackground(QPainter&, const QRect&) override { ++erases; }
};

class ListCtrlTest : public ::testing::Test {
protected:
    void SetUp() override {
        testsupport::EnsureApp();
        owner = std::make_unique<ProbeList>();
        ProbeList& list = *owner;
        list.resize(200, 100);
        list.InsertColumn(0, "ITEM", LVCFMT_LEFT, 120);
        list.InsertColumn(1, "ITEM", LVCFMT_LEFT, 0);
        list.SetRowHeight(20);
        for (int i = 0; i < 50; ++i) {
            list.InsertItem(i, QString::number(i));
            list.SetItemText(i, 3, QStringLiteral("/card/NORMAL/%1.mp4").arg(i));
        }
        list.show();
    }
    std::unique_ptr<ProbeList> owner;
};

TEST_F(ListCtrlTest, ColumnsReportTheirWidthsAndNothingBeyond) {
    ProbeList& list = *owner;
    EXPECT_EQ(list.GetColumnCount(), 2);
    EXPECT_EQ(list.GetColumnWidth(0), 120);
    EXPECT_EQ(list.GetColumnWidth(1), 0);
    EXPECT_EQ(list.GetColumnWidth(2), std::nullopt);
    EXPECT_EQ(list.GetColumnWidth(-1), std::nullopt);
    EXPECT_EQ(list.InsertColumn(9, "ITEM", LVCFMT_LEFT, 30), 2);
    EXPECT_TRUE(list.SetColumnWidth(2, 40));
    EXPECT_EQ(list.GetColumnWidth(2), 40);
    EXPECT_FALSE(list.SetColumnWidth(3, 40));
}

TEST_F(ListCtrlTest, SubItemTextsOutliveMissingColumns) {
    ProbeList& list = *owner;
    EXPECT_EQ(list.GetItemText(7, 3), "/card/NORMAL/7.mp4");
    EXPECT_EQ(list.GetItemText(7, 0), "7");
    EXPECT_EQ(list.GetItemText(7, 2), "");
    EXPECT_EQ(list.GetItemText(50, 0), "");
    EXPECT_FALSE(list.SetItemText(50, 0, "x"));
    EXPECT_EQ(list.InsertItem(1000, "last"), 50);
}

TEST_F(ListCtrlTest, ItemStatesSearchesAndHotItem) {
    ProbeList& list = *owner;
    const unsigned both = LVIS_SELECTED | LVIS_DROPHILITED;
    list.SetItemState(4, both, both);
    list.SetItemState(9, LVIS_SELECTED, LVIS_SELECTED);
    EXPECT_EQ(list.GetNextItem(-1, LVNI_SELECTED), 4);
    EXPECT_EQ(list.GetNextItem(4, LVNI_SELECTED), 9);
    EXPECT_EQ(list.GetNextItem(9, LVNI_SELECTED), -1);
    EXPECT_EQ(list.GetItemState(4, both), both);
    list.SetItemState(-1, 0, both);
    EXPECT_EQ(list.GetNextItem(-1, LVNI_SELECTED), -1);

    EXPECT_EQ(list.SetHotItem(10), -1);
    list.DeleteItem(3);
    EXPECT_EQ(list.GetHotItem(), 9);
    list.DeleteItem(9);
    EXPECT_EQ(list.GetHotItem(), -1);
    list.DeleteAllItems();
    EXPECT_EQ(list.GetItemCount(), 0);
}

TEST_F(ListCtrlTest, DrawsOnlyVisibleRowsWithSelectionBitsAndRowRects) {
    ProbeList& list = *owner;
    list.SetItemState(1, LVIS_SELECTED | LVIS_DROPHILITED, LVIS_SELECTED | LVIS_DROPHILITED);
    list.SetItemState(2, LVIS_DROPHILITED, LVIS_DROPHILITED);
    list.draws.clear();
    list.grab();
    EXPECT_GE(list.erases, 1);
    ASSERT_EQ(list.draws.size(), 6u);  // 100 px: five full rows and the top of the sixth
    for (size_t i = 0; i < list.draws.size(); ++i) {
        EXPECT_EQ(list.draws[i].itemId, static_cast<int>(i));
        EXPECT_EQ(list.draws[i].rect, QRect(0, static_cast<int>(i) * 20, 120, 20));
    }
    EXPECT_EQ(list.draws[1].state & ODS_SELECTED, ODS_SELECTED);
    EXPECT_EQ(list.draws[2].state & ODS_SELECTED, 0u);
}

TEST_F(ListCtrlTest, RedrawOffPaintsNothingUntilSwitchedOn) {
    ProbeList& list = *owner;
    list.SetRedraw(false);
    list.draws.clear();
    list.erases = 0;
    list.DeleteAllItems();
    list.InsertItem(0, "only");
    list.grab();
    EXPECT_TRUE(list.draws.empty());
    EXPECT_EQ(list.erases, 0);
    list.SetRedraw(true);
    list.grab();
    ASSERT_EQ(list.draws.size(), 1u);
    EXPECT_EQ(list.verticalScrollBar()->maximum(), 0);
}

TEST_F(ListCtrlTest, EnsureVisibleScrollsByWholeRows) {
    ProbeList& list = *owner;
    struct Case {
        int row;
        bool partial;
        int top;
    };
    // 100 px high at 20 px per row: five rows show.
    const Case cases[] = {{30, false, 26}, {28, false, 26}, {10, false, 10}, {14, false, 10},
                          {15, true, 11},  {49, false, 45}, {0, false, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.row);
        EXPECT_TRUE(list.EnsureVisible(c.row, c.partial));
        EXPECT_EQ(list.GetTopIndex(), c.top);
    }
    EXPECT_FALSE(list.EnsureVisible(50, false));
}

TEST_F(ListCtrlTest, ClicksAndKeysSelectOneRowAndLeaveDropHighlight) {
    ProbeList& list = *owner;
    list.SetItemState(0, LVIS_DROPHILITED, LVIS_DROPHILITED);
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, QPoint(10, 45));
    EXPECT_EQ(list.GetNextItem(-1, LVNI_SELECTED), 2);
    EXPECT_EQ(list.GetItemState(0, LVIS_DROPHILITED), LVIS_DROPHILITED);
    QTest::keyClick(list.viewport(), Qt::Key_Down);
    EXPECT_EQ(list.GetNextItem(-1, LVNI_SELECTED), 3);
    EXPECT_EQ(list.GetNextItem(3, LVNI_SELECTED), -1);
    QTest::keyClick(list.viewport(), Qt::Key_End);
    EXPECT_EQ(list.GetNextItem(-1, LVNI_SELECTED), 49);
    EXPECT_EQ(list.GetTopIndex(), 45);
    // Beyond the columns is no row: the selection goes.
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, QPoint(150, 10));
    EXPECT_EQ(list.GetNextItem(-1, LVNI_SELECTED), -1);
}

}  // namespace
