#include "platform/window/Dialog.h"

#include "platform/window/ComboBox.h"
#include "platform/window/ListCtrl.h"
#include "platform/window/Log.h"
#include "platform/window/Screen.h"
#include "platform/window/Window.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QShortcut>
#include <QTimeEdit>
#include <QTimer>
#include <QWindow>

namespace platform {

namespace {

ModalHook& ModalHookSlot() {
    static ModalHook hook;
    return hook;
}

Qt::WindowFlags FlagsFor(const DialogTemplate& t) {
    const Qt::WindowFlags type = (t.style & kDialogAppWindow) ? Qt::Window : Qt::Dialog;
    if (t.style & kDialogPopup) {
        return type | Qt::FramelessWindowHint;
    }
    Qt::WindowFlags flags =
        type | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (t.style & kDialogAppWindow) {
        flags |= Qt::WindowMinimizeButtonHint;
    }
    return flags;
}

bool IsQueuedInput(QEvent::Type type) {
    switch (type) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::Wheel:
        case QEvent::Close:
            return true;
        default:
            return false;
    }
}

const char* const kCloseItem = "&Close";

QWidget* CreateDateTimeChild(const DialogItem& item, QWidget* parent) {
    QDateTimeEdit* edit = nullptr;
    if (item.kind == ChildKind::DatePicker) {
        edit = new QDateEdit(QDate::currentDate(), parent);
        edit->setDisplayFormat(QLocale().dateFormat(QLocale::LongFormat));
        edit->setCalendarPopup(true);
        edit->setDateRange(QDate(1601, 1, 1), QDate(9999, 12, 31));  // the system picker's range
    } else {
        edit = new QTimeEdit(QTime::currentTime(), parent);
        // The zone is no part of the time a picker edits.
        QString format = QLocale().timeFormat(QLocale::LongFormat);
        format.remove(QLatin1Char('t'));
        edit->setDisplayFormat(format.trimmed());
    }
    edit->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return edit;
}

}  // namespace

ModalHook SetModalHook(ModalHook hook) {
    ModalHook previous = std::move(ModalHookSlot());
    ModalHookSlot() = std::move(hook);
    return previous;
}

Dialog::Dialog(const DialogTemplate& dialogTemplate, QWidget* parent)
    : QDialog(parent, FlagsFor(dialogTemplate)), m_template(dialogTemplate) {
    setWindowTitle(QString::fromUtf8(m_template.title));
    resize(m_template.width, m_template.height);
}

Dialog::~Dialog() {
    if (m_filterInstalled) {
        qApp->removeEventFilter(this);
    }
}

QWidget* Dialog::CreateChild(const DialogItem& item) {
    const QString caption = QString::fromUtf8(item.caption);
    switch (item.kind) {
        case ChildKind::Static:
            return new QLabel(caption, this);
        case ChildKind::Button: {
            auto* button = new QPushButton(caption, this);
            const bool isDefault = (item.flags & kItemDefault) != 0;
            button->setAutoDefault(isDefault);
            button->setDefault(isDefault);
            return button;
        }
        case ChildKind::CheckBox:
            return new QCheckBox(caption, this);
        case ChildKind::RadioButton:
            return new QRadioButton(caption, this);
        case ChildKind::GroupBox:
            return new QGroupBox(caption, this);
        case ChildKind::ComboBox: {
            auto* combo = new ComboBox(this);
            combo->setEditable((item.flags & kItemEditable) != 0);
            combo->setProperty("platformSorted", (item.flags & kItemSorted) != 0);
            return combo;
        }
        case ChildKind::ListView:
            return new ListCtrl(this);
        case ChildKind::DatePicker:
        case ChildKind::TimePicker:
            return CreateDateTimeChild(item, this);
        case ChildKind::Custom:
            break;
    }
    auto* custom = new QWidget(this);
    custom->setWindowTitle(caption);
    return custom;
}

void Dialog::ConnectCommand(QWidget* child, int id) {
    if (auto* button = qobject_cast<QAbstractButton*>(child)) {
        connect(button, &QAbstractButton::clicked, this, [this, id] { DispatchCommand(id); });
    }
}

bool Dialog::BuildChildren() {
    if (m_built) {
        return true;
    }
    m_built = true;
    for (const DialogItem& item : m_template.items) {
        QWidget* child = CreateChild(item);
        child->setGeometry(item.x, item.y, item.width, item.height);
        SetDlgCtrlID(child, item.id);
        child->setEnabled((item.flags & kItemDisabled) == 0);
        child->setHidden((item.flags & kItemHidden) != 0);
        // The first child of a template lies on top, as the tab order runs from the top.
        child->lower();
        ConnectCommand(child, item.id);
        if (item.id != 0 && m_items.find(item.id) == m_items.end()) {
            m_items[item.id] = child;
        } else if (item.id != 0) {
            qCWarning(lcWindow) << "template" << m_template.id << "repeats child id" << item.id
                                << ": the first answers GetDlgItem";
        }
    }
    return true;
}

QWidget* Dialog::GetDlgItem(int id) const {
    auto it = m_items.find(id);
    return it == m_items.end() ? nullptr : it->second.data();
}

bool Dialog::SubclassDlgItem(int id, QWidget* widget) {
    QWidget* old = GetDlgItem(id);
    if (old == nullptr || widget == nullptr || widget == old) {
        qCWarning(lcWindow) << "template" << m_template.id << "has no child" << id
                            << "to bind a window to";
        return false;
    }
    std::unique_ptr<QWidget> placeholder(old);
    widget->setParent(this);
    widget->setGeometry(old->geometry());
    SetDlgCtrlID(widget, id);
    SetWindowText(widget, GetWindowText(old));
    widget->setEnabled(old->isEnabled());
    widget->stackUnder(old);
    widget->setHidden(old->isHidden());
    ConnectCommand(widget, id);
    m_items[id] = widget;
    return true;
}

int Dialog::DoModal() {
    if (!BuildChildren()) {
        return -1;
    }
    m_modalRun = true;
    m_ended = false;
    m_result = IDCANCEL;
    setWindowModality(parentWidget() != nullptr ? Qt::WindowModal : Qt::ApplicationModal);
    OnInitDialog();
    if (!m_ended) {
        if (ModalHookSlot()) {
            QTimer::singleShot(0, this, [this] {
                if (!m_ended && isVisible() && ModalHookSlot()) {
                    ModalHook hook = ModalHookSlot();
                    hook(*this);
                }
            });
        }
        const int loopResult = exec();
        if (!m_ended) {
            m_result = loopResult;
        }
    }
    m_modalRun = false;
    return m_result;
}

bool Dialog::Create(QWidget* parent) {
    if (parent != parentWidget()) {
        setParent(parent, windowFlags());
    }
    if (!BuildChildren()) {
        return false;
    }
    m_modalRun = false;
    m_ended = false;
    OnInitDialog();
    if ((m_template.style & kDialogVisible) && !m_ended) {
        show();
    }
    return true;
}

void Dialog::EndDialog(int result) {
    m_result = result;
    m_ended = true;
    m_ending = true;
    if (m_modalRun) {
        done(result);
    } else {
        hide();
    }
    m_ending = false;
}

bool Dialog::OnInitDialog() {
    return true;
}

bool Dialog::OnCommand(int id) {
    if (id == IDOK) {
        OnOK();
        return true;
    }
    if (id == IDCANCEL) {
        OnCancel();
        return true;
    }
    return false;
}

void Dialog::OnOK() {
    EndDialog(IDOK);
}

void Dialog::OnCancel() {
    EndDialog(IDCANCEL);
}

void Dialog::OnTimer(int) {}

LResult Dialog::OnMessage(unsigned, WParam, LParam) {
    return 0;
}

LResult Dialog::OnNotify(int, int, int) {
    return 0;
}

void Dialog::OnSysCommand(int id) {
    if (id == SC_CLOSE) {
        DispatchCommand(IDCANCEL);
    }
}

void Dialog::SetCaptionBand(int height) {
    m_captionBand = std::max(0, height);
}

QMenu* Dialog::GetSystemMenu() {
    if (m_systemMenu == nullptr) {
        m_systemMenu = new QMenu(this);
        AppendSystemMenu(SC_CLOSE, QString::fromUtf8(kCloseItem));
        auto* menuKey = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Space), this);
        connect(menuKey, &QShortcut::activated, this,
                [this] { ShowSystemMenu(mapToGlobal(QPoint(0, m_captionBand))); });
    }
    return m_systemMenu;
}

void Dialog::AppendSystemMenu(int id, const QString& text) {
    QMenu* menu = GetSystemMenu();
    if (id == 0) {
        menu->addSeparator();
        return;
    }
    menu->addAction(text, this, [this, id] { OnSysCommand(id); });
}

void Dialog::ShowSystemMenu(QPoint globalPos) {
    GetSystemMenu()->popup(globalPos);
}

bool Dialog::PreTranslateMessage(QObject*, QEvent*) {
    return false;
}

void Dialog::DispatchCommand(int id) {
    OnCommand(id);
}

LResult Dialog::DispatchNotify(int id, int code, int item) {
    return OnNotify(id, code, item);
}

LResult Dialog::DispatchMessage(unsigned msg, WParam wParam, LParam lParam) {
    if (msg == WM_NCLBUTTONDOWN) {
        if (wParam == HTCAPTION) {
            BeginCaptionDrag();
        }
        return 0;
    }
    return OnMessage(msg, wParam, lParam);
}

void Dialog::SetTimer(int id, int periodMs) {
    std::unique_ptr<QTimer>& timer = m_timers[id];
    if (!timer) {
        timer = std::make_unique<QTimer>();
        connect(timer.get(), &QTimer::timeout, this, [this, id] { OnTimer(id); });
    }
    timer->start(std::max(0, periodMs));
}

bool Dialog::KillTimer(int id) {
    auto it = m_timers.find(id);
    if (it == m_timers.end() || !it->second->isActive()) {
        return false;
    }
    // Stopped, not deleted: KillTimer is often called from inside that timer's OnTimer.
    it->second->stop();
    return true;
}

bool Dialog::IsTimerActive(int id) const {
    auto it = m_timers.find(id);
    return it != m_timers.end() && it->second->isActive();
}

bool Dialog::PostMessage(unsigned msg, WParam wParam, LParam lParam) {
    return platform::PostMessage(this, msg, wParam, lParam);
}

LResult Dialog::SendMessage(unsigned msg, WParam wParam, LParam lParam) {
    return DispatchMessage(msg, wParam, lParam);
}

void Dialog::ShowWindow(ShowCommand command) {
    const QSize overrideSize = ScreenSizeOverride();
    switch (command) {
        case ShowCommand::Hide:
            hide();
            break;
        case ShowCommand::Show:
            show();
            break;
        case ShowCommand::Minimize:
            showMinimized();
            break;
        case ShowCommand::Maximize:
            if (!overrideSize.isEmpty()) {
                // The layouts are made for the overridden screen, so the window fills it.
                ZoomTo(QRect(QPoint(0, 0), overrideSize));
            } else {
                m_normalGeometry = geometry();
                showMaximized();
                FillScreenIfUnmanaged();
            }
            break;
        case ShowCommand::Restore:
            if (m_zoomedByOverride) {
                m_zoomedByOverride = false;
                setWindowState(windowState() & ~Qt::WindowMaximized);
                setGeometry(m_normalGeometry);
                show();
            } else {
                showNormal();
            }
            break;
    }
}

void Dialog::ZoomTo(const QRect& area) {
    if (!m_zoomedByOverride) {
        m_normalGeometry = geometry();
        m_zoomedByOverride = true;
    }
    setGeometry(area);
    show();
}

void Dialog::FillScreenIfUnmanaged() {
    // Without a window manager a maximise request is never answered: the window fills its
    // screen itself, and a restore puts it back, as a manager would.
    QTimer::singleShot(kWindowManagerGraceMs, this, [this] {
        const QScreen* screen = this->screen();
        if (screen == nullptr || !isMaximized() || m_zoomedByOverride) {
            return;
        }
        const QRect area = screen->availableGeometry();
        const QSize now = frameGeometry().size();
        if (now != area.size() && now == m_normalGeometry.size()) {
            qCInfo(lcWindow) << "no window manager maximised the window; it fills" << area;
            const QRect normal = m_normalGeometry;
            ZoomTo(area);
            m_normalGeometry = normal;
        }
    });
}

bool Dialog::IsZoomed() const {
    return m_zoomedByOverride || isMaximized();
}

bool Dialog::IsIconic() const {
    return isMinimized();
}

void Dialog::BeginCaptionDrag() {
    if (QWindow* window = windowHandle();
        window != nullptr && QGuiApplication::platformName() != QLatin1String("offscreen") &&
        window->startSystemMove()) {
        return;
    }
    // Without a window manager that moves windows, follow the held button ourselves.
    m_manualDrag = true;
    m_dragStartGlobal = m_lastPressGlobal;
    m_dragStartPos = pos();
}

bool Dialog::HandleManualDrag(QEvent* event) {
    if (!m_manualDrag) {
        return false;
    }
    if (event->type() == QEvent::MouseMove) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (!(mouse->buttons() & Qt::LeftButton)) {
            m_manualDrag = false;
            return false;
        }
        move(m_dragStartPos + mouse->globalPosition().toPoint() - m_dragStartGlobal);
        return true;
    }
    if (event->type() == QEvent::MouseButtonRelease) {
        m_manualDrag = false;
        return true;
    }
    return false;
}

bool Dialog::event(QEvent* event) {
    if (event->type() == PostedMessageEventType()) {
        const auto* posted = static_cast<const PostedMessageEvent*>(event);
        DispatchMessage(posted->message, posted->wParam, posted->lParam);
        return true;
    }
    if (event->type() == QEvent::MouseButtonPress) {
        m_lastPressGlobal = static_cast<QMouseEvent*>(event)->globalPosition().toPoint();
        m_manualDrag = false;
    }
    if (HandleManualDrag(event)) {
        return true;
    }
    return QDialog::event(event);
}

bool Dialog::eventFilter(QObject* watched, QEvent* event) {
    if (IsQueuedInput(event->type()) && watched->isWidgetType()) {
        auto* widget = static_cast<QWidget*>(watched);
        if ((widget == this || isAncestorOf(widget)) && PreTranslateMessage(watched, event)) {
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void Dialog::keyPressEvent(QKeyEvent* event) {
    if (event->modifiers() & ~Qt::KeypadModifier) {
        QDialog::keyPressEvent(event);
        return;
    }
    switch (event->key()) {
        case Qt::Key_Escape:
            DispatchCommand(IDCANCEL);
            break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            DispatchCommand(IDOK);
            break;
        default:
            QDialog::keyPressEvent(event);
            break;
    }
}

void Dialog::mousePressEvent(QMouseEvent* event) {
    if (event->position().y() >= m_captionBand) {
        QDialog::mousePressEvent(event);
        return;
    }
    if (event->button() == Qt::LeftButton) {
        DispatchMessage(WM_NCLBUTTONDOWN, HTCAPTION, 0);
    } else if (event->button() == Qt::RightButton && m_systemMenu != nullptr) {
        ShowSystemMenu(event->globalPosition().toPoint());
    }
    event->accept();
}

void Dialog::closeEvent(QCloseEvent* event) {
    if (m_ending || !isVisible()) {
        event->accept();
        return;
    }
    // The system's close becomes the Cancel command; the window decides whether to end.
    event->ignore();
    DispatchCommand(IDCANCEL);
}

void Dialog::showEvent(QShowEvent* event) {
    if (!m_filterInstalled) {
        qApp->installEventFilter(this);
        m_filterInstalled = true;
    }
    QDialog::showEvent(event);
}

void Dialog::hideEvent(QHideEvent* event) {
    if (m_filterInstalled && !isMinimized()) {
        qApp->removeEventFilter(this);
        m_filterInstalled = false;
    }
    QDialog::hideEvent(event);
}

}  // namespace platform
