#pragma once
// Dialog templates: C++ tables of a window's children (id, kind, rectangle in client pixels,
// caption, initial state) from which a Dialog builds its child widgets.

#include <span>

namespace platform {

enum class ChildKind {
    Static,  // text placeholder; owner-drawn skin widgets take it over
    Button,  // push button; its click arrives as OnCommand(id)
    CheckBox,
    RadioButton,
    GroupBox,
    ComboBox,    // drop-down list; kSorted keeps ComboAddString entries ordered
    ListView,    // the report list (ListCtrl); double clicks arrive through OnNotify
    DatePicker,  // long date format, a drop-down calendar, 1601-01-01 .. 9999-12-31
    TimePicker,  // long time format without the time zone
    Custom,      // a plain window that a widget of the window's own takes over
};

// DialogItem::flags
inline constexpr unsigned kItemHidden = 0x1;
inline constexpr unsigned kItemDisabled = 0x2;
inline constexpr unsigned kItemSorted = 0x4;
inline constexpr unsigned kItemEditable = 0x8;  // combo box with an edit field
inline constexpr unsigned kItemDefault = 0x10;  // the default push button

struct DialogItem {
    int id = 0;
    ChildKind kind = ChildKind::Static;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    const char* caption = "";  // UTF-8
    unsigned flags = 0;
};

// DialogTemplate::style
inline constexpr unsigned kDialogPopup = 0x1;      // no frame and no title bar
inline constexpr unsigned kDialogVisible = 0x2;    // a modeless Create shows it at once
inline constexpr unsigned kDialogAppWindow = 0x4;  // a main window: task bar entry, minimisable

struct DialogTemplate {
    int id = 0;
    const char* title = "";  // UTF-8
    int width = 0;
    int height = 0;
    unsigned style = 0;
    std::span<const DialogItem> items;
};

}  // namespace platform
