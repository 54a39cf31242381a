#include "platform/window/ListCtrl.h"

#include "platform/window/Window.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>

namespace platform {

ListCtrl::ListCtrl(QWidget* parent) : QAbstractScrollArea(parent) {
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setAutoFillBackground(false);
}

void ListCtrl::ModifyStyle(unsigned remove, unsigned add) {
    m_style = (m_style & ~remove) | add;
}

int ListCtrl::InsertColumn(int index, const QString& title, int format, int width) {
    if (index < 0) {
        return -1;
    }
    index = std::min(index, GetColumnCount());
    m_columns.insert(m_columns.begin() + index, Column{title, format, std::max(0, width)});
    Changed();
    return index;
}

std::optional<int> ListCtrl::GetColumnWidth(int i) const {
    if (i < 0 || i >= GetColumnCount()) {
        return std::nullopt;
    }
    return m_columns[static_cast<size_t>(i)].width;
}

bool ListCtrl::SetColumnWidth(int i, int width) {
    if (i < 0 || i >= GetColumnCount()) {
        return false;
    }
    m_columns[static_cast<size_t>(i)].width = std::max(0, width);
    Changed();
    return true;
}

void ListCtrl::SetRowHeight(int heightPx) {
    m_rowHeight = std::max(0, heightPx);
    Changed();
}

int ListCtrl::GetRowHeight() const {
    return m_rowHeight > 0 ? m_rowHeight : fontMetrics().height() + 2;
}

int ListCtrl::InsertItem(int row, const QString& text) {
    if (row < 0) {
        return -1;
    }
    row = std::min(row, GetItemCount());
    m_rows.insert(m_rows.begin() + row, Row{0, {text}});
    if (m_hotItem >= row) {
        ++m_hotItem;
    }
    Changed();
    return row;
}

bool ListCtrl::SetItemText(int row, int subItem, const QString& text) {
    if (row < 0 || row >= GetItemCount() || subItem < 0) {
        return false;
    }
    auto& texts = m_rows[static_cast<size_t>(row)].texts;
    if (static_cast<size_t>(subItem) >= texts.size()) {
        texts.resize(static_cast<size_t>(subItem) + 1);
    }
    texts[static_cast<size_t>(subItem)] = text;
    Changed();
    return true;
}

QString ListCtrl::GetItemText(int row, int subItem) const {
    if (row < 0 || row >= GetItemCount() || subItem < 0) {
        return {};
    }
    const auto& texts = m_rows[static_cast<size_t>(row)].texts;
    return static_cast<size_t>(subItem) < texts.size() ? texts[static_cast<size_t>(subItem)]
                                                       : QString();
}

bool ListCtrl::DeleteItem(int row) {
    if (row < 0 || row >= GetItemCount()) {
        return false;
    }
    m_rows.erase(m_rows.begin() + row);
    if (m_hotItem == row) {
        m_hotItem = -1;
    } else if (m_hotItem > row) {
        --m_hotItem;
    }
    Changed();
    return true;
}

void ListCtrl::DeleteAllItems() {
    m_rows.clear();
    m_hotItem = -1;
    Changed();
}

bool ListCtrl::SetItemState(int row, unsigned state, unsigned mask) {
    if (row == -1) {
        for (Row& r : m_rows) {
            r.state = (r.state & ~mask) | (state & mask);
        }
    } else if (row >= 0 && row < GetItemCount()) {
        Row& r = m_rows[static_cast<size_t>(row)];
        r.state = (r.state & ~mask) | (state & mask);
    } else {
        return false;
    }
    Changed();
    return true;
}

unsigned ListCtrl::GetItemState(int row, unsigned mask) const {
    if (row < 0 || row >= GetItemCount()) {
        return 0;
    }
    return m_rows[static_cast<size_t>(row)].state & mask;
}

int ListCtrl::GetNextItem(int start, unsigned flags) const {
    for (int row = std::max(0, start + 1); row < GetItemCount(); ++row) {
        if ((m_rows[static_cast<size_t>(row)].state & flags) == flags) {
            return row;
        }
    }
    return -1;
}

int ListCtrl::SetHotItem(int row) {
    const int previous = m_hotItem;
    m_hotItem = (row >= 0 && row < GetItemCount()) ? row : -1;
    Changed();
    return previous;
}

int ListCtrl::GetTopIndex() const {
    return verticalScrollBar()->value();
}

int ListCtrl::VisibleRows() const {
    return std::max(1, viewport()->height() / std::max(1, GetRowHeight()));
}

bool ListCtrl::EnsureVisible(int row, bool partialOk) {
    if (row < 0 || row >= GetItemCount()) {
        return false;
    }
    UpdateScrollBar();
    const int top = GetTopIndex();
    const int rowTop = (row - top) * GetRowHeight();
    const int rowBottom = rowTop + GetRowHeight();
    if (row < top) {
        verticalScrollBar()->setValue(row);
    } else if (rowBottom > viewport()->height() && !(partialOk && rowTop < viewport()->height())) {
        verticalScrollBar()->setValue(row - VisibleRows() + 1);
    }
    return true;
}

void ListCtrl::SetRedraw(bool on) {
    m_redraw = on;
    if (on) {
        Changed();
    }
}

int ListCtrl::RowsWidth() const {
    int width = 0;
    for (const Column& c : m_columns) {
        width += c.width;
    }
    return m_columns.empty() ? viewport()->width() : width;
}

QRect ListCtrl::GetItemRect(int row) const {
    if (row < 0 || row >= GetItemCount()) {
        return {};
    }
    const int h = GetRowHeight();
    return QRect(0, (row - GetTopIndex()) * h, RowsWidth(), h);
}

int ListCtrl::HitTest(QPoint point) const {
    if (point.y() < 0 || point.x() < 0 || point.x() >= RowsWidth()) {
        return -1;
    }
    const int row = GetTopIndex() + point.y() / std::max(1, GetRowHeight());
    return row < GetItemCount() ? row : -1;
}

void ListCtrl::UpdateScrollBar() {
    const int fullRows = std::max(1, viewport()->height() / std::max(1, GetRowHeight()));
    QScrollBar* bar = verticalScrollBar();
    bar->setRange(0, std::max(0, GetItemCount() - fullRows));
    bar->setPageStep(fullRows);
    bar->setSingleStep(1);
}

void ListCtrl::Changed() {
    if (!m_redraw) {
        return;
    }
    UpdateScrollBar();
    viewport()->update();
}

void ListCtrl::DrawItem(QPainter& painter, const DrawItemInfo& info) {
    const auto& texts = m_rows[static_cast<size_t>(info.itemId)].texts;
    painter.setPen(
        palette().color((info.state & ODS_SELECTED) ? QPalette::HighlightedText : QPalette::Text));
    if (info.state & ODS_SELECTED) {
        painter.fillRect(info.rect, palette().highlight());
    }
    int left = info.rect.left();
    for (size_t i = 0; i < m_columns.size(); ++i) {
        const QRect box(left + 2, info.rect.top(), m_columns[i].width - 2, info.rect.height());
        if (i < texts.size()) {
            painter.drawText(box, Qt::AlignLeft | Qt::AlignVCenter, texts[i]);
        }
        left += m_columns[i].width;
    }
}

void ListCtrl::OnEraseBackground(QPainter& painter, const QRect& rect) {
    painter.fillRect(rect, palette().base());
}

void ListCtrl::paintEvent(QPaintEvent*) {
    if (!m_redraw) {
        return;
    }
    QPainter painter(viewport());
    OnEraseBackground(painter, viewport()->rect());
    const int h = std::max(1, GetRowHeight());
    const int first = GetTopIndex();
    const int last = std::min(GetItemCount() - 1, first + viewport()->height() / h);
    for (int row = first; row <= last; ++row) {
        unsigned state = 0;
        const unsigned itemState = m_rows[static_cast<size_t>(row)].state;
        if (itemState & LVIS_SELECTED) {
            state |= ODS_SELECTED;
        }
        if ((itemState & LVIS_FOCUSED) && hasFocus()) {
            state |= ODS_FOCUS;
        }
        if (!isEnabled()) {
            state |= ODS_DISABLED;
        }
        painter.save();
        DrawItem(painter, DrawItemInfo{ODA_DRAWENTIRE, state, row, GetItemRect(row)});
        painter.restore();
    }
}

void ListCtrl::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    if (m_redraw) {
        UpdateScrollBar();
    }
}

void ListCtrl::SelectByUser(int row) {
    for (int r = 0; r < GetItemCount(); ++r) {
        Row& item = m_rows[static_cast<size_t>(r)];
        item.state &= ~(LVIS_SELECTED | LVIS_FOCUSED);
        if (r == row) {
            item.state |= LVIS_SELECTED | LVIS_FOCUSED;
        }
    }
    if (row >= 0) {
        EnsureVisible(row, false);
    }
    Changed();
}

void ListCtrl::mousePressEvent(QMouseEvent* event) {
    setFocus(Qt::MouseFocusReason);
    if (event->button() == Qt::LeftButton) {
        SelectByUser(HitTest(event->position().toPoint()));
    }
}

void ListCtrl::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        SendNotify(this, NM_DBLCLK, HitTest(event->position().toPoint()));
    }
}

void ListCtrl::keyPressEvent(QKeyEvent* event) {
    const int count = GetItemCount();
    const int current = GetNextItem(-1, LVIS_FOCUSED);
    int target = -1;
    switch (event->key()) {
        case Qt::Key_Up:
            target = std::max(0, current - 1);
            break;
        case Qt::Key_Down:
            target = current < 0 ? 0 : std::min(count - 1, current + 1);
            break;
        case Qt::Key_PageUp:
            target = std::max(0, current - VisibleRows());
            break;
        case Qt::Key_PageDown:
            target = std::min(count - 1, std::max(0, current) + VisibleRows());
            break;
        case Qt::Key_Home:
            target = 0;
            break;
        case Qt::Key_End:
            target = count - 1;
            break;
        default:
            QAbstractScrollArea::keyPressEvent(event);
            return;
    }
    if (count > 0) {
        SelectByUser(target);
    }
}

void ListCtrl::scrollContentsBy(int, int) {
    if (m_redraw) {
        viewport()->update();
    }
}

}  // namespace platform
