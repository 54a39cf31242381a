#include "platform/system/ProcessMemory.h"

#include <QByteArray>
#include <QFile>

#include <malloc.h>

namespace platform {

namespace {
// Two pools serve the player's threads without contention worth measuring.
constexpr int kAllocatorPools = 2;
// Blocks from this size on are mapped on their own (a fixed size: glibc would otherwise raise
// it after each large free, and pictures would come from the pools again).
constexpr int kOwnMappingBytes = 128 * 1024;
// Free memory at a pool's end beyond this is returned.
constexpr int kTrimBytes = 128 * 1024;
}  // namespace

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

void ReturnFreedMemoryPromptly() {
    mallopt(M_ARENA_MAX, kAllocatorPools);
    mallopt(M_MMAP_THRESHOLD, kOwnMappingBytes);
    mallopt(M_TRIM_THRESHOLD, kTrimBytes);
}

}  // namespace platform
