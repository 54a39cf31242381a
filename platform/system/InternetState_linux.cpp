#include "platform/system/InternetState.h"

#include <QFile>
#include <QList>

namespace platform {
namespace {

constexpr unsigned kRouteUp = 0x0001;
constexpr unsigned kRouteReject = 0x0200;

QList<QByteArray> Fields(const QByteArray& line) {
    return line.simplified().split(' ');
}

bool UsableRoute(const QByteArray& device, const QByteArray& flagsHex) {
    bool ok = false;
    const unsigned flags = flagsHex.toUInt(&ok, 16);
    return ok && device != "lo" && (flags & kRouteUp) != 0 && (flags & kRouteReject) == 0;
}

QByteArray ReadTable(const char* path) {
    QFile file(QString::fromLatin1(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

// Iface Destination Gateway Flags RefCnt Use Metric Mask ... (first line: headings)
bool HasDefaultRouteV4(const QByteArray& table) {
    const QList<QByteArray> lines = table.split('\n');
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QList<QByteArray> f = Fields(lines[i]);
        if (f.size() >= 8 && f[1] == "00000000" && f[7] == "00000000" && UsableRoute(f[0], f[3])) {
            return true;
        }
    }
    return false;
}

// Destination, prefix length, source, its length, next hop, metric, refs, use, flags, device.
bool HasDefaultRouteV6(const QByteArray& table) {
    for (const QByteArray& line : table.split('\n')) {
        const QList<QByteArray> f = Fields(line);
        if (f.size() >= 10 && f[0] == QByteArray(32, '0') && f[1] == "00" &&
            UsableRoute(f[9], f[8])) {
            return true;
        }
    }
    return false;
}

bool IsConnectedToInternet() {
    const QByteArray forced = qgetenv(kOnlineVariable);
    if (forced == "1" || forced == "0") {
        return forced == "1";
    }
    return HasDefaultRouteV4(ReadTable("/proc/net/route")) ||
           HasDefaultRouteV6(ReadTable("/proc/net/ipv6_route"));
}

}  // namespace platform
