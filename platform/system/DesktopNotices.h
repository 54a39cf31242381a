#pragma once
// Notices on the desktop (org.freedesktop.Notifications on the session bus, through Qt D-Bus):
// a summary, a body and actions the user may pick. Each object has a bus connection of its
// own, made at the first notice. GUI thread only.

#include <QDBusConnection>
#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace platform {

class DesktopNotices : public QObject {
    Q_OBJECT

public:
    struct Action {
        QString key;    // what ActionInvoked reports
        QString label;  // what the user reads
    };
    // The notice's id once the service took it; none where no notification service answers
    // (or there is no session bus), which the caller may answer with a window of its own.
    using ShownHandler = std::function<void(std::optional<uint32_t> id)>;
    // The user picked the action `key` of the notice `id`, one this object showed.
    using ActionHandler = std::function<void(uint32_t id, const QString& key)>;

    explicit DesktopNotices(QObject* parent = nullptr);
    ~DesktopNotices() override;
    DesktopNotices(const DesktopNotices&) = delete;
    DesktopNotices& operator=(const DesktopNotices&) = delete;

    // desktopEntry names the program's desktop file (without ".desktop") for the desktop's
    // icon and grouping.
    void SetApplication(const QString& name, const QString& desktopEntry);
    void SetActionHandler(ActionHandler handler) { m_onAction = std::move(handler); }

    // Sends a notice; `shown` is called later, from the event loop, in either case.
    void Show(const QString& summary, const QString& body, const std::vector<Action>& actions,
              ShownHandler shown);
    // Takes a notice this object showed off the desktop.
    void Close(uint32_t id);

private slots:
    void OnActionInvoked(uint id, const QString& key);
    void OnClosed(uint id, uint reason);

private:
    bool Connect();

    QString m_application;
    QString m_desktopEntry;
    QDBusConnection m_connection;
    QString m_connectionName;
    bool m_connected = false;
    std::vector<uint32_t> m_shown;  // ids of notices this object showed, still on the desktop
    ActionHandler m_onAction;
};

}  // namespace platform
