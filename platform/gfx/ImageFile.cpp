#include "platform/gfx/ImageFile.h"

#include <QBuffer>
#include <QImageWriter>

namespace platform::gfx {

QByteArray EncodeImage(const QImage& picture, const char* format) {
    if (picture.isNull()) {
        return {};
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    // JPEG has no alpha: a picture with one is flattened onto black, as the screen shows it.
    if (!writer.write(picture.hasAlphaChannel() && QByteArray(format).toLower().startsWith("jp")
                          ? picture.convertToFormat(QImage::Format_RGB32)
                          : picture)) {
        return {};
    }
    return bytes;
}

}  // namespace platform::gfx
