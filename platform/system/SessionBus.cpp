#include "platform/system/SessionBus.h"

namespace platform {

QDBusConnection ConnectToSessionBus(const QString& connectionName) {
    // The bus library reads the address once per process; given here, it is read each time.
    const QString address = qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS");
    return address.isEmpty()
               ? QDBusConnection::connectToBus(QDBusConnection::SessionBus, connectionName)
               : QDBusConnection::connectToBus(address, connectionName);
}

}  // namespace platform
