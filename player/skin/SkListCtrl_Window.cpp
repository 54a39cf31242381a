// SkListCtrl's window behaviour: the set-up at binding, the erase from the background copy and
// the owner-drawn rows in the skin's font and colours.

#include "player/skin/SkListCtrl.h"

#include "platform/gfx/Blit.h"
#include "platform/gfx/DrawText.h"
#include "platform/gfx/Graphics.h"
#include "player/skin/SkListWindow.h"
#include "player/skin/SkMemDC.h"
#include "player/skin/SkinDraw.h"
#include "player/skin/StyleWords.h"

namespace player {

namespace gfx = platform::gfx;

namespace {

constexpr char16_t kColumnTitle[] = u"ITEM";
constexpr uint32_t kMarkedWashAlpha = 0x38000000;
constexpr int kMarkedBarWidth = 3;
constexpr qsizetype kMaxItemText = 511;
constexpr unsigned kListStyles =
    platform::LVS_SINGLESEL | platform::LVS_OWNERDRAWFIXED | platform::LVS_NOCOLUMNHEADER;

uint32_t RowTextFormat(uint32_t format) {
    uint32_t flags = 0;
    const struct {
        uint32_t word;
        uint32_t dt;
    } map[] = {{kFormatCenter, gfx::kDtCenter},       {kFormatRight, gfx::kDtRight},
               {kFormatVCenter, gfx::kDtVCenter},     {kFormatBottom, gfx::kDtBottom},
               {kFormatWordBreak, gfx::kDtWordBreak}, {kFormatWordEllipsis, gfx::kDtWordEllipsis}};
    for (const auto& entry : map) {
        if (format & entry.word) {
            flags |= entry.dt;
        }
    }
    return flags;
}

}  // namespace

QWidget* SkListCtrl::CreateWindow() {
    return new SkListWindow(*this);
}

void SkListCtrl::SetUpWindow() {
    auto* list = qobject_cast<platform::ListCtrl*>(Window());
    if (list == nullptr) {
        return;
    }
    list->ModifyStyle(0, kListStyles);
    list->SetExtendedStyle(platform::LVS_EX_FULLROWSELECT);
    list->SetTextBkColor(platform::CLR_NONE);
    const int count = static_cast<int>(m_columnWidths.size());
    for (int i = 0; i < count; ++i) {
        const auto width = m_columnWidths.find(i);
        list->InsertColumn(i, QString::fromUtf16(kColumnTitle), platform::LVCFMT_LEFT,
                           width == m_columnWidths.end() ? 0 : width->second);
    }
    list->SetRowHeight(m_rowHeight);
}

void SkListCtrl::SetMarkedRow(int column, const QString& text) {
    if (column == m_markedColumn && text == m_markedText) {
        return;
    }
    m_markedColumn = column;
    m_markedText = text;
    if (Window() != nullptr) {
        Window()->update();
    }
}

void SkListCtrl::EraseBackground(gfx::Dc& dc) {
    SkMemDC memory(dc, std::nullopt, false);
    gfx::BitBlt(memory.Dc(), 0, 0, memory.Rect().Width(), memory.Rect().Height(), BackgroundCopy(),
                0, 0);
}

void SkListCtrl::DrawRow(const platform::ListCtrl& list, gfx::Dc& dc,
                         const platform::DrawItemInfo& info) {
    if (m_font == nullptr) {
        m_font = CreateSkinFont(m_format & kFormatBold, m_fontFace, &dc, m_fontSize,
                                m_format & kFormatItalic, m_format & kFormatUnderline,
                                m_format & kFormatStrikeOut);
    }
    const gfx::Font* previous = m_font ? dc.SelectFont(m_font.get()) : dc.SelectedFont();
    const bool selected = (info.state & platform::ODS_SELECTED) != 0;
    if (!m_markedText.isEmpty() && list.GetItemText(info.itemId, m_markedColumn) == m_markedText) {
        // The playing row: a bar in the selection's colour and a faint wash of it.
        const QRect& row = info.rect;
        gfx::FillRectangle(dc, row, (m_selectedColour & 0x00FFFFFF) | kMarkedWashAlpha);
        gfx::FillRectangle(dc, QRect(row.left(), row.top(), kMarkedBarWidth, row.height()),
                           m_selectedColour | kOpaqueBlack);
    }
    const uint32_t format = RowTextFormat(m_format);
    int64_t left = 0;
    int64_t previousWidth = 0;
    for (int i = 0;; ++i) {
        const std::optional<int> width = list.GetColumnWidth(i);
        if (!width) {
            break;
        }
        int64_t right = 0;
        if (i == 0) {
            left = info.rect.left() + 2;
            right = info.rect.left() + int64_t{*width};
        } else {
            left = left + previousWidth + 2;
            const auto stored = m_columnWidths.find(i);
            right = stored == m_columnWidths.end() ? left - 2 : left + stored->second - 2;
        }
        previousWidth = *width;
        gfx::Rect box{static_cast<int>(left), info.rect.top(), static_cast<int>(right),
                      info.rect.bottom() + 1};
        // Rows show names from the card as they are, except what would break the row's line.
        const QString text = gfx::OneLineText(list.GetItemText(info.itemId, i).left(kMaxItemText));
        dc.SetTextColor(gfx::ColorRefFromArgb(selected ? m_selectedColour : m_textColour));
        gfx::DrawText(dc, text, box, format);
    }
    dc.SelectFont(previous);
}

}  // namespace player
