// OpenPack on arbitrary bytes: must reject or read them, never crash or over-allocate.

#include "player/pack/ResourcePack.h"

#include <QBuffer>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    player::ResourcePack pack;
    if (!pack.OpenPack(buffer)) {
        return 0;
    }
    size_t touched = 0;
    for (int i = 0; i < pack.TextCount(); ++i) {
        const player::PackTextEntry& entry = pack.TextAt(i);
        const char* found = pack.FindText(entry.name.toStdString());
        touched += found != nullptr ? entry.data.size() : 0;
    }
    for (int i = 0; i < pack.ImageCount(); ++i) {
        touched += static_cast<size_t>(pack.ImageAt(i).Size()) + pack.ImageAt(i).key.Hash();
    }
    return touched == 0 ? 0 : 0;
}
