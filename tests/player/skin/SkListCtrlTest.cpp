#include "player/skin/SkListCtrl.h"

#include "SkinWindowFixture.h"

namespace skintest {
namespace {

struct RowPixels {
    int red = 0;    // text in the text colour
    int green = 0;  // text in the selected colour
    int other = 0;  // anything but those and the blue background
};

// The pixels of the list's first row (list at 10, 140 over the blue half of the window).
RowPixels CountRow(const QImage& shown) {
    RowPixels counts;
    for (int y = 140; y < 160; ++y) {
        for (int x = 10; x < 190; ++x) {
            const QRgb p = shown.pixel(x, y);
            if (qRed(p) > 100 && qGreen(p) < 60) {
                ++counts.red;
            } else if (qGreen(p) > 100 && qRed(p) < 60) {
                ++counts.green;
            } else if (p != kBlue && !(qRed(p) < 60 && qGreen(p) < 60)) {
                ++counts.other;
            }
        }
    }
    return counts;
}

TEST_F(SkinWindowTest, ListIsSetUpAtBinding) {
    auto window = MakeShownWindow();
    auto* list = qobject_cast<platform::ListCtrl*>(window->WindowOf("t.listbox.files"));
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->GetStyle() & 0x4404u, 0x4404u);
    EXPECT_EQ(list->GetExtendedStyle(), platform::LVS_EX_FULLROWSELECT);
    EXPECT_EQ(list->GetTextBkColor(), platform::CLR_NONE);
    EXPECT_EQ(list->GetRowHeight(), 20);
    // Widths for indexes 0 and 2 make two columns: index 2's width is not used.
    EXPECT_EQ(list->GetColumnCount(), 2);
    EXPECT_EQ(list->GetColumnWidth(0), 100);
    EXPECT_EQ(list->GetColumnWidth(1), 0);
}

TEST_F(SkinWindowTest, ListRowsDrawOnlyTheFirstColumnsTextInTheRowColour) {
    auto window = MakeShownWindow();
    auto* list = qobject_cast<platform::ListCtrl*>(window->WindowOf("t.listbox.files"));
    list->InsertItem(0, "");
    list->SetItemText(0, 1, "WWWW");
    list->SetItemText(0, 2, "WWWW");
    RowPixels counts = CountRow(window->grab().toImage());
    EXPECT_EQ(counts.red, 0);  // column 1's box is empty
    EXPECT_EQ(counts.other, 0);
    list->SetItemText(0, 0, "WWWW");
    counts = CountRow(window->grab().toImage());
    EXPECT_GT(counts.red, 10);
    EXPECT_EQ(counts.green, 0);
}

// A name from a card with a line break is one line in its row: its text stands within the
// band of a plain name's, none of it a line lower, cut by the row's edge over the next row.
TEST_F(SkinWindowTest, ALineBreakInANameStaysOnTheRowsLine) {
    auto window = MakeShownWindow();
    auto* list = qobject_cast<platform::ListCtrl*>(window->WindowOf("t.listbox.files"));
    const auto lowestText = [&](const QString& name) {
        list->DeleteAllItems();
        list->InsertItem(0, name);
        const QImage shown = window->grab().toImage();
        int lowest = -1;
        for (int y = 140; y < 200; ++y) {
            for (int x = 10; x < 190; ++x) {
                if (qRed(shown.pixel(x, y)) > 100 && qGreen(shown.pixel(x, y)) < 60) {
                    lowest = y;
                }
            }
        }
        return lowest;
    };
    const int plain = lowestText("WW");
    ASSERT_GE(plain, 140);
    for (const char* name : {"WW\nWW", "WW\r\nWW", "WW\u2028WW"}) {
        EXPECT_LE(lowestText(QString::fromUtf8(name)), plain + 2)
            << name;  // the mark may reach lower
    }
}

TEST_F(SkinWindowTest, SelectedRowUsesTheSelectedColourWithoutHighlight) {
    auto window = MakeShownWindow();
    auto* list = qobject_cast<platform::ListCtrl*>(window->WindowOf("t.listbox.files"));
    list->InsertItem(0, "WWWW");
    const unsigned both = platform::LVIS_SELECTED | platform::LVIS_DROPHILITED;
    list->SetItemState(0, both, both);
    const QImage shown = window->grab().toImage();
    const RowPixels counts = CountRow(shown);
    EXPECT_GT(counts.green, 10);
    EXPECT_EQ(counts.red, 0);
    // No highlight: beside and below the text the row shows the background.
    for (int x = 10; x < 190; ++x) {
        EXPECT_EQ(shown.pixel(x, 159), kBlue) << x;
    }
    for (int y = 140; y < 160; ++y) {
        EXPECT_EQ(shown.pixel(150, y), kBlue) << y;
    }
}

}  // namespace
}  // namespace skintest
