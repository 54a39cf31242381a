#pragma once
// Window-level helpers shared by every child: control ids, window text, posted and sent
// messages with two parameters, and the command / notification path to the owning dialog.
// GUI thread only, except PostMessage, which any thread may call.

#include "platform/window/WinTypes.h"

#include <QEvent>
#include <QString>

class QComboBox;
class QObject;
class QWidget;

namespace platform {

class Dialog;

// Destroys a window and its children at once, before its parent would (which owns it otherwise).
void DestroyWindow(QWidget* window);

// The dialog-template id of a child; 0 when it has none.
int GetDlgCtrlID(const QWidget* child);
void SetDlgCtrlID(QWidget* child, int id);

// The text a child shows (button caption, label text, combo text) or, for windows that draw
// their own text, their window title, which changes send them QEvent::WindowTitleChange.
QString GetWindowText(const QWidget* window);
void SetWindowText(QWidget* window, const QString& text);

// The event that carries a posted message to its target.
class PostedMessageEvent : public QEvent {
public:
    PostedMessageEvent(unsigned msg, WParam w, LParam l);
    unsigned message;
    WParam wParam;
    LParam lParam;
};
QEvent::Type PostedMessageEventType();

// Queues msg for target; it arrives through Dialog::OnMessage after the current event.
// False when there is no target.
bool PostMessage(QObject* target, unsigned msg, WParam wParam, LParam lParam);
// Delivers msg at once; 0 when the target is not a dialog.
LResult SendMessage(QObject* target, unsigned msg, WParam wParam, LParam lParam);

// The nearest dialog among the child's parents (the child itself when it is one), or none.
Dialog* ParentDialog(const QWidget* child);
// Reports a click of the child (its id) to its dialog's OnCommand.
void SendCommand(QWidget* child);
// Reports a notification (code, item) of the child to its dialog's OnNotify.
LResult SendNotify(QWidget* child, int code, int item);

// Adds an entry as the toolkit's combo box does: in order (case-insensitive) when the box was
// made with kItemSorted, else at the end. Returns the entry's index.
int ComboAddString(QComboBox* combo, const QString& text);

}  // namespace platform
