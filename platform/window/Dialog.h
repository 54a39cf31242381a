#pragma once
// The toolkit dialog: a QDialog built from a DialogTemplate, modal (DoModal / EndDialog) or
// modeless (Create), with command routing of child buttons, timers by id, posted messages,
// notifications and a PreTranslateMessage hook over the events of its own window.
// GUI thread only.

#include "platform/window/DialogTemplate.h"
#include "platform/window/WinTypes.h"

#include <QDialog>
#include <QPoint>
#include <QPointer>
#include <QRect>

#include <functional>
#include <map>
#include <memory>

class QMenu;
class QTimer;

namespace platform {

enum class ShowCommand { Hide, Show, Minimize, Maximize, Restore };

class Dialog : public QDialog {
    Q_OBJECT

public:
    explicit Dialog(const DialogTemplate& dialogTemplate, QWidget* parent = nullptr);
    ~Dialog() override;

    // Builds the children, runs OnInitDialog, then the modal loop; returns the EndDialog
    // result (IDCANCEL when the window was closed by the system). EndDialog inside
    // OnInitDialog returns at once without showing the window.
    int DoModal();
    // Builds the children (once), optionally re-parents, runs OnInitDialog and shows the
    // window when its template is visible. The window stays until destroyed.
    bool Create(QWidget* parent);
    // Modal: ends the loop with result. Modeless: only hides the window.
    void EndDialog(int result);

    const DialogTemplate& Template() const { return m_template; }
    bool IsModalRun() const { return m_modalRun; }

    // The child with that template id, or none.
    QWidget* GetDlgItem(int id) const;
    // The widget takes the place of child id: same parent, id, geometry, stacking position,
    // visibility, enabled state and text; button clicks become commands; the child goes.
    bool SubclassDlgItem(int id, QWidget* widget);

    // A timer id runs at most once; setting it again restarts it with the new period.
    void SetTimer(int id, int periodMs);
    bool KillTimer(int id);
    bool IsTimerActive(int id) const;

    bool PostMessage(unsigned msg, WParam wParam, LParam lParam);
    LResult SendMessage(unsigned msg, WParam wParam, LParam lParam);

    void ShowWindow(ShowCommand command);
    bool IsZoomed() const;
    bool IsIconic() const;

    // A frameless window's title bar: a left press in its top `height` pixels drags the window,
    // a right click there opens the system menu. 0 (the default): no such band.
    void SetCaptionBand(int height);
    // The window's system menu, made on first use with "&Close" (SC_CLOSE); from then on Alt+Space
    // opens it below the caption band. Its entries arrive as OnSysCommand(id).
    QMenu* GetSystemMenu();
    // Adds an entry to the system menu; id 0 adds a separator.
    void AppendSystemMenu(int id, const QString& text = {});
    void ShowSystemMenu(QPoint globalPos);

    // Entry points of the children and of the message helpers in Window.h.
    void DispatchCommand(int id);
    LResult DispatchNotify(int id, int code, int item);
    LResult DispatchMessage(unsigned msg, WParam wParam, LParam lParam);

protected:
    virtual bool OnInitDialog();
    // Default: IDOK -> OnOK, IDCANCEL -> OnCancel. Returns true when the command was handled.
    virtual bool OnCommand(int id);
    virtual void OnOK();
    virtual void OnCancel();
    virtual void OnTimer(int id);
    virtual LResult OnMessage(unsigned msg, WParam wParam, LParam lParam);
    virtual LResult OnNotify(int id, int code, int item);
    // Default: SC_CLOSE closes the window as its Cancel command does.
    virtual void OnSysCommand(int id);
    // Sees every input and close event of this window and its children before it is
    // delivered; true swallows it.
    virtual bool PreTranslateMessage(QObject* target, QEvent* event);

    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    bool BuildChildren();
    QWidget* CreateChild(const DialogItem& item);
    void ConnectCommand(QWidget* child, int id);
    void BeginCaptionDrag();
    bool HandleManualDrag(QEvent* event);
    // Takes the area as a maximised window, remembering the normal place once.
    void ZoomTo(const QRect& area);
    void FillScreenIfUnmanaged();

    // How long a window manager may take to answer a maximise request.
    static constexpr int kWindowManagerGraceMs = 300;

    DialogTemplate m_template;
    bool m_built = false;
    bool m_modalRun = false;
    bool m_ended = false;
    bool m_ending = false;
    int m_result = IDCANCEL;
    bool m_filterInstalled = false;
    std::map<int, QPointer<QWidget>> m_items;
    std::map<int, std::unique_ptr<QTimer>> m_timers;
    QPoint m_lastPressGlobal;
    bool m_manualDrag = false;
    QPoint m_dragStartGlobal;
    QPoint m_dragStartPos;
    bool m_zoomedByOverride = false;
    QRect m_normalGeometry;
    int m_captionBand = 0;
    QMenu* m_systemMenu = nullptr;  // child of this window
};

// Tests answer modal dialogs through this hook: it is called with each dialog once its modal
// loop runs (and the dialog is visible). Returns the previous hook; an empty one removes it.
using ModalHook = std::function<void(Dialog&)>;
ModalHook SetModalHook(ModalHook hook);

}  // namespace platform
