#include "tools/make-sample-card/FrameCode.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <functional>

namespace {

// A busy picture, so the code must stand out from real content.
QImage Scene(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    QPainter p(&image);
    QLinearGradient g(0, 0, width, height);
    g.setColorAt(0, Qt::white);
    g.setColorAt(1, Qt::darkGreen);
    p.fillRect(image.rect(), g);
    return image;
}

QImage Jpeg(const QImage& image, int quality) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", quality);
    return QImage::fromData(bytes, "JPEG").convertToFormat(QImage::Format_RGB32);
}

TEST(FrameCode, SurvivesScalingAndJpeg) {
    const std::pair<const char*, std::function<QImage(const QImage&)>> transforms[] = {
        {"as drawn", [](const QImage& i) { return i; }},
        {"half size",
         [](const QImage& i) {
             return i.scaled(i.size() / 2, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
         }},
        {"stretched",
         [](const QImage& i) {
             return i.scaled(i.width() * 17 / 10, i.height() * 3, Qt::IgnoreAspectRatio,
                             Qt::SmoothTransformation);
         }},
        {"jpeg 30", [](const QImage& i) { return Jpeg(i, 30); }},
        {"half size jpeg",
         [](const QImage& i) {
             return Jpeg(i.scaled(i.size() / 2, Qt::IgnoreAspectRatio, Qt::SmoothTransformation),
                         50);
         }},
    };
    const QSize sizes[] = {{160, 90}, {1280, 720}, {640, 480}};
    for (const QSize size : sizes) {
        for (const int number : {0, 1, 2, 255, 4660, 32768, 65535}) {
            QImage image = Scene(size.width(), size.height());
            EncodeFrameCode(image, number);
            for (const auto& [name, transform] : transforms) {
                EXPECT_EQ(DecodeFrameCode(transform(image)), number)
                    << name << " " << size.width() << " " << number;
            }
        }
    }
}

TEST(FrameCode, LumaPathMatchesPicturePath) {
    const int width = 320;
    const int height = 180;
    std::vector<std::uint8_t> luma(static_cast<std::size_t>(width) * height, 128);
    framecode::PaintFrameCodeLuma(luma.data(), width, width, height, 12345);
    QImage image(width, height, QImage::Format_Grayscale8);
    for (int y = 0; y < height; ++y) {
        std::copy_n(luma.data() + static_cast<std::ptrdiff_t>(y) * width, width, image.scanLine(y));
    }
    EXPECT_EQ(DecodeFrameCode(image.convertToFormat(QImage::Format_RGB32)), 12345);
}

TEST(FrameCode, PicturesWithoutCodeGiveMinusOne) {
    EXPECT_EQ(DecodeFrameCode(Scene(320, 180)), -1);
    EXPECT_EQ(DecodeFrameCode(QImage()), -1);
    EXPECT_EQ(DecodeFrameCode(Scene(10, 4)), -1);
    QImage flipped = Scene(320, 180);
    EncodeFrameCode(flipped, 7);
    EXPECT_EQ(DecodeFrameCode(flipped.mirrored(false, true)), -1);  // code at the top is not read
}

}  // namespace
