#pragma once
// The report list stand-in: rows of sub-item texts with item state bits (LVIS_), columns with
// widths, a fixed row height, a hot item, a vertical scroll bar, redraw on / off, and rows
// drawn by DrawItem (owner-drawn) over what OnEraseBackground painted. A double click is
// reported to the dialog as NM_DBLCLK with the row (-1 below the last row). GUI thread only.

#include "platform/window/WinTypes.h"

#include <QAbstractScrollArea>
#include <QString>

#include <optional>
#include <vector>

namespace platform {

class ListCtrl : public QAbstractScrollArea {
    Q_OBJECT

public:
    explicit ListCtrl(QWidget* parent = nullptr);

    // Style words are kept for the owner to read; rows are always owner-drawn.
    void ModifyStyle(unsigned remove, unsigned add);
    unsigned GetStyle() const { return m_style; }
    void SetExtendedStyle(unsigned style) { m_extendedStyle = style; }
    unsigned GetExtendedStyle() const { return m_extendedStyle; }
    void SetTextBkColor(std::uint32_t colour) { m_textBkColour = colour; }
    std::uint32_t GetTextBkColor() const { return m_textBkColour; }

    // Inserted at min(index, count); returns its index.
    int InsertColumn(int index, const QString& title, int format, int width);
    int GetColumnCount() const { return static_cast<int>(m_columns.size()); }
    // None when there is no column i.
    std::optional<int> GetColumnWidth(int i) const;
    bool SetColumnWidth(int i, int width);

    // Pixels; the default follows the font.
    void SetRowHeight(int heightPx);
    int GetRowHeight() const;

    int GetItemCount() const { return static_cast<int>(m_rows.size()); }
    // Inserted at min(row, count) with the text of sub-item 0; returns its index or -1.
    int InsertItem(int row, const QString& text);
    // Sub-items beyond the columns are kept as well (a hidden path column may be 0 wide or
    // missing from a skin).
    bool SetItemText(int row, int subItem, const QString& text);
    QString GetItemText(int row, int subItem) const;
    bool DeleteItem(int row);
    void DeleteAllItems();
    // row -1: every row.
    bool SetItemState(int row, unsigned state, unsigned mask);
    unsigned GetItemState(int row, unsigned mask) const;
    // The first row after start (-1: from the top) whose state has all bits of flags.
    int GetNextItem(int start, unsigned flags) const;
    int GetHotItem() const { return m_hotItem; }
    int SetHotItem(int row);
    bool EnsureVisible(int row, bool partialOk);
    int GetTopIndex() const;
    // Off: nothing is painted and the scroll bar stands still until it is switched on again.
    void SetRedraw(bool on);
    bool IsRedrawOn() const { return m_redraw; }

    // The row under a point of the viewport, or -1.
    int HitTest(QPoint point) const;
    // The row's rectangle in viewport coordinates (whole row across the columns).
    QRect GetItemRect(int row) const;

protected:
    virtual void DrawItem(QPainter& painter, const DrawItemInfo& info);
    virtual void OnEraseBackground(QPainter& painter, const QRect& rect);

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    struct Row {
        unsigned state = 0;
        std::vector<QString> texts;
    };
    struct Column {
        QString title;
        int format = LVCFMT_LEFT;
        int width = 0;
    };

    void SelectByUser(int row);
    void UpdateScrollBar();
    void Changed();
    int VisibleRows() const;
    int RowsWidth() const;

    std::vector<Row> m_rows;
    std::vector<Column> m_columns;
    unsigned m_style = 0;
    unsigned m_extendedStyle = 0;
    std::uint32_t m_textBkColour = 0;
    int m_rowHeight = 0;
    int m_hotItem = -1;
    bool m_redraw = true;
};

}  // namespace platform
