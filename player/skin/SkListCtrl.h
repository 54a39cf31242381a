#pragma once
// The owner-drawn recording list: fixed-height rows, skin column widths, skin font and
// colours, selection shown by text colour. This holds what the skin gives. GUI thread only.

#include "platform/gfx/Font.h"
#include "platform/window/ListCtrl.h"
#include "player/skin/SkWidget.h"
#include "player/skin/SkinImage.h"

#include <QString>

#include <map>
#include <memory>

namespace player {

class SkListCtrl : public SkWidget {
public:
    static constexpr uint32_t kOpaqueBlack = 0xFF000000;

    // Deletes the cached font and stores the row font and colours.
    bool SetRowFont(const QString& face, int32_t size, uint32_t format, uint32_t textColour,
                    uint32_t selectedColour);
    // Ignored when either value is negative; otherwise sets or replaces that column's width.
    void SetColumnWidth(int32_t index, int32_t width);
    // A failed load leaves no background image and returns false.
    bool SetBackgroundImage(const ImageSpec& desc);
    void SetRowHeight(int32_t height) { m_rowHeight = height; }

    const std::map<int32_t, int32_t>& ColumnWidths() const { return m_columnWidths; }
    SkinImage* BackgroundImage() const { return m_background.get(); }
    int32_t RowHeight() const { return m_rowHeight; }
    const QString& FontFace() const { return m_fontFace; }
    int32_t FontSize() const { return m_fontSize; }
    uint32_t Format() const { return m_format; }
    uint32_t TextColour() const { return m_textColour; }
    uint32_t SelectedColour() const { return m_selectedColour; }

    const platform::gfx::Font* RowFont() const { return m_font.get(); }
    void SetCachedRowFont(std::unique_ptr<platform::gfx::Font> font) { m_font = std::move(font); }

    // Marks the row whose text in `column` is `text` (the recording that plays) with a look of
    // its own, apart from the selection; an empty text marks none.
    void SetMarkedRow(int column, const QString& text);
    const QString& MarkedText() const { return m_markedText; }

    // Window half. At binding: list styles, one column per stored width, the row height.
    void SetUpWindow();
    // The list's erase: the background copy.
    void EraseBackground(platform::gfx::Dc& dc);
    // One row of list onto dc (the row's rectangle in info, over the background copy).
    void DrawRow(const platform::ListCtrl& list, platform::gfx::Dc& dc,
                 const platform::DrawItemInfo& info);

protected:
    QWidget* CreateWindow() override;

private:
    std::map<int32_t, int32_t> m_columnWidths;
    int m_markedColumn = 0;
    QString m_markedText;
    std::unique_ptr<SkinImage> m_background;  // kept, not drawn
    // Used only without a `columns` element in the skin, which none is expected to lack.
    int32_t m_rowHeight = 16;
    QString m_fontFace;
    int32_t m_fontSize = 9;
    uint32_t m_format = 0;
    uint32_t m_textColour = kOpaqueBlack;
    uint32_t m_selectedColour = kOpaqueBlack;
    std::unique_ptr<platform::gfx::Font> m_font;
};

}  // namespace player
