#include "platform/system/ProcessMemory.h"

#include <QByteArray>
#include <QFile>

namespace platform {

std::optional<int64_t> ResidentSetBytes() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    // "VmRSS:	  123456 kB"
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:")) {
            bool ok = false;
            const qint64 kib = line.mid(6).trimmed().split(' ').value(0).toLongLong(&ok);
            return ok ? std::optional<int64_t>(kib * 1024) : std::nullopt;
        }
    }
    return std::nullopt;
}

}  // namespace platform
