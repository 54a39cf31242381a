#pragma once
// The message, state and style codes of the dialog toolkit that the system's windows exchange,
// kept under their toolkit names so the window code reads as its design does.

#include <QRect>

#include <cstdint>

namespace platform {

using WParam = std::uintptr_t;
using LParam = std::intptr_t;
using LResult = std::intptr_t;

// Dialog results and the command ids of the standard buttons.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;

// Posted and sent messages.
inline constexpr unsigned WM_NCLBUTTONDOWN = 0x00A1;
inline constexpr unsigned WM_USER = 0x0400;
inline constexpr WParam HTCAPTION = 2;

// System menu commands.
inline constexpr int SC_CLOSE = 0xF060;

// Owner-draw actions and item states.
inline constexpr unsigned ODA_DRAWENTIRE = 0x1;
inline constexpr unsigned ODA_SELECT = 0x2;
inline constexpr unsigned ODA_FOCUS = 0x4;
inline constexpr unsigned ODS_SELECTED = 0x1;
inline constexpr unsigned ODS_DISABLED = 0x4;
inline constexpr unsigned ODS_FOCUS = 0x10;

// Button state word.
inline constexpr unsigned BST_CHECKED = 0x1;
inline constexpr unsigned BST_PUSHED = 0x4;
inline constexpr unsigned BST_FOCUS = 0x8;

// Mouse tracking requests.
inline constexpr unsigned TME_HOVER = 0x1;
inline constexpr unsigned TME_LEAVE = 0x2;

// List view: item states, search flags, styles, colours and notifications.
inline constexpr unsigned LVIS_FOCUSED = 0x1;
inline constexpr unsigned LVIS_SELECTED = 0x2;
inline constexpr unsigned LVIS_DROPHILITED = 0x8;
inline constexpr unsigned LVNI_ALL = 0x0;
inline constexpr unsigned LVNI_FOCUSED = 0x1;
inline constexpr unsigned LVNI_SELECTED = 0x2;
inline constexpr unsigned LVS_SINGLESEL = 0x4;
inline constexpr unsigned LVS_OWNERDRAWFIXED = 0x400;
inline constexpr unsigned LVS_NOCOLUMNHEADER = 0x4000;
inline constexpr unsigned LVS_EX_FULLROWSELECT = 0x20;
inline constexpr int LVCFMT_LEFT = 0;
inline constexpr std::uint32_t CLR_NONE = 0xFFFFFFFF;
inline constexpr int NM_DBLCLK = -3;

// Combo box: its list is about to drop down (sent before it shows, so its owner may refill it).
inline constexpr int CBN_DROPDOWN = 7;

// Dialog result of a window that ends on a failure of its own.
inline constexpr int IDABORT = 3;

// What an owner-drawn child is asked to draw: the action, the ODS_ state bits, the item (row
// of a list, 0 otherwise) and the item's rectangle in the child's own coordinates.
struct DrawItemInfo {
    unsigned action = ODA_DRAWENTIRE;
    unsigned state = 0;
    int itemId = 0;
    QRect rect;
};

}  // namespace platform
