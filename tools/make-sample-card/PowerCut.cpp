#include "tools/make-sample-card/PowerCut.h"

#include <QFile>

#include <cmath>
#include <cstdint>

namespace samplecard {

namespace {

uint64_t ReadBe(const QByteArray& bytes, int size) {
    uint64_t value = 0;
    for (int i = 0; i < size; ++i) {
        value = (value << 8) | static_cast<uint8_t>(bytes[i]);
    }
    return value;
}

}  // namespace

bool CutAsPowerLoss(const QString& path, double percent, QString& error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite)) {
        error = QStringLiteral("cannot open %1").arg(path);
        return false;
    }
    const qint64 fileSize = file.size();
    qint64 at = 0;
    while (at + 8 <= fileSize && file.seek(at)) {
        const QByteArray header = file.read(16);
        uint64_t size = ReadBe(header, 4);
        if (size == 1 && header.size() == 16) {
            size = ReadBe(header.mid(8), 8);
        }
        if (header.mid(4, 4) == "mdat") {
            const qint64 end = size == 0 ? fileSize : at + static_cast<qint64>(size);
            const auto kept =
                static_cast<qint64>(std::llround(static_cast<double>(end) * percent / 100.0));
            // The writer fills in the data box's size last, so a cut file shows 0 there.
            const QByteArray zero(size == 1 ? 8 : 4, '\0');
            if (!file.seek(size == 1 ? at + 8 : at) || file.write(zero) != zero.size() ||
                !file.resize(std::max(kept, at + static_cast<qint64>(header.size())))) {
                error = QStringLiteral("cannot cut %1").arg(path);
                return false;
            }
            return true;
        }
        if (size < 8) {
            break;
        }
        at += static_cast<qint64>(size);
    }
    error = QStringLiteral("%1 has no media data to cut").arg(path);
    return false;
}

}  // namespace samplecard
