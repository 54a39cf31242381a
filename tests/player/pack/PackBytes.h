#pragma once
// Builds pack files byte by byte for tests, independently of the tools' writer, so reader and
// writer are each checked against the layout itself.

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QtEndian>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace packtest {

struct RawEntry {
    QByteArray name;
    QByteArray data;
};

inline void PutInt32(QByteArray& bytes, qsizetype offset, int32_t value) {
    qToLittleEndian<int32_t>(value, bytes.data() + offset);
}

// Header "VDATA" + 11 filler bytes, counts, directories, then the data back to back.
inline QByteArray MakePackBytes(const std::vector<RawEntry>& texts,
                                const std::vector<RawEntry>& images) {
    QByteArray bytes("VDATA\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0a\x0b", 16);
    bytes.append(8, '\0');
    PutInt32(bytes, 16, static_cast<int32_t>(texts.size()));
    PutInt32(bytes, 20, static_cast<int32_t>(images.size()));
    for (const auto* list : {&texts, &images}) {
        for (const RawEntry& entry : *list) {
            QByteArray dir = entry.name.left(260);
            dir.append(264 - dir.size(), '\0');
            PutInt32(dir, 260, static_cast<int32_t>(entry.data.size()));
            bytes.append(dir);
        }
    }
    for (const auto* list : {&texts, &images}) {
        for (const RawEntry& entry : *list) {
            bytes.append(entry.data);
        }
    }
    return bytes;
}

// Offset of the size field of directory entry `index` (texts first, then images).
inline qsizetype DirSizeOffset(int index) {
    return 24 + 264 * index + 260;
}

inline QByteArray EncodeImage(QColor color, const char* format = "PNG", int side = 3) {
    QImage image(side, side, QImage::Format_RGB32);
    image.fill(color);
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return data;
}

}  // namespace packtest
