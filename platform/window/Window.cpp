#include "platform/window/Window.h"

#include "platform/window/Dialog.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QWidget>

#include <memory>

namespace platform {

namespace {
constexpr const char* kIdProperty = "platformDlgCtrlId";
constexpr const char* kSortedProperty = "platformSorted";
}  // namespace

PostedMessageEvent::PostedMessageEvent(unsigned msg, WParam w, LParam l)
    : QEvent(PostedMessageEventType()), message(msg), wParam(w), lParam(l) {}

QEvent::Type PostedMessageEventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

void DestroyWindow(QWidget* window) {
    // Qt takes a deleted child out of its parent: this is the one place windows end early.
    std::default_delete<QWidget>()(window);
}

int GetDlgCtrlID(const QWidget* child) {
    return child == nullptr ? 0 : child->property(kIdProperty).toInt();
}

void SetDlgCtrlID(QWidget* child, int id) {
    if (child != nullptr) {
        child->setProperty(kIdProperty, id);
    }
}

QString GetWindowText(const QWidget* window) {
    if (window == nullptr) {
        return {};
    }
    if (const auto* button = qobject_cast<const QAbstractButton*>(window)) {
        return button->text();
    }
    if (const auto* label = qobject_cast<const QLabel*>(window)) {
        return label->text();
    }
    if (const auto* group = qobject_cast<const QGroupBox*>(window)) {
        return group->title();
    }
    if (const auto* combo = qobject_cast<const QComboBox*>(window)) {
        return combo->currentText();
    }
    if (const auto* edit = qobject_cast<const QLineEdit*>(window)) {
        return edit->text();
    }
    return window->windowTitle();
}

void SetWindowText(QWidget* window, const QString& text) {
    if (window == nullptr) {
        return;
    }
    if (auto* button = qobject_cast<QAbstractButton*>(window)) {
        button->setText(text);
    } else if (auto* label = qobject_cast<QLabel*>(window)) {
        label->setText(text);
    } else if (auto* group = qobject_cast<QGroupBox*>(window)) {
        group->setTitle(text);
    } else if (auto* combo = qobject_cast<QComboBox*>(window)) {
        if (combo->isEditable()) {
            combo->setEditText(text);
        }
    } else if (auto* edit = qobject_cast<QLineEdit*>(window)) {
        edit->setText(text);
    } else {
        window->setWindowTitle(text);
    }
}

bool PostMessage(QObject* target, unsigned msg, WParam wParam, LParam lParam) {
    if (target == nullptr) {
        return false;
    }
    QCoreApplication::postEvent(target, new PostedMessageEvent(msg, wParam, lParam));
    return true;
}

LResult SendMessage(QObject* target, unsigned msg, WParam wParam, LParam lParam) {
    auto* dialog = qobject_cast<Dialog*>(target);
    return dialog == nullptr ? 0 : dialog->DispatchMessage(msg, wParam, lParam);
}

Dialog* ParentDialog(const QWidget* child) {
    for (QWidget* w = const_cast<QWidget*>(child); w != nullptr; w = w->parentWidget()) {
        if (auto* dialog = qobject_cast<Dialog*>(w)) {
            return dialog;
        }
    }
    return nullptr;
}

void SendCommand(QWidget* child) {
    Dialog* dialog = child == nullptr ? nullptr : ParentDialog(child->parentWidget());
    if (dialog != nullptr) {
        dialog->DispatchCommand(GetDlgCtrlID(child));
    }
}

LResult SendNotify(QWidget* child, int code, int item) {
    Dialog* dialog = child == nullptr ? nullptr : ParentDialog(child->parentWidget());
    return dialog == nullptr ? 0 : dialog->DispatchNotify(GetDlgCtrlID(child), code, item);
}

int ComboAddString(QComboBox* combo, const QString& text) {
    if (combo == nullptr) {
        return -1;
    }
    int index = combo->count();
    if (combo->property(kSortedProperty).toBool()) {
        index = 0;
        while (index < combo->count() &&
               QString::compare(combo->itemText(index), text, Qt::CaseInsensitive) <= 0) {
            ++index;
        }
    }
    combo->insertItem(index, text);
    return index;
}

}  // namespace platform
