#pragma once
// Encoding a picture as the bytes of an image file (the GDI+ encoders), chosen by format name
// ("jpg", "png", ...), at the encoder's default quality. Any thread may call.

#include <QByteArray>
#include <QImage>

namespace platform::gfx {

// Empty when the picture is empty or no encoder takes the format.
QByteArray EncodeImage(const QImage& picture, const char* format);

}  // namespace platform::gfx
