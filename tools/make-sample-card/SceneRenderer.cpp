#include "tools/make-sample-card/SceneRenderer.h"

#include "platform/media/AvHandles.h"
#include "tools/make-sample-card/FrameCode.h"

#include <QFont>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

extern "C" {
#include <libavutil/frame.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <memory>
#include <mutex>

namespace samplecard {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kPhaseCount = 24;
constexpr double kPatternMetres = 12.0;  // the road's markings repeat at this distance
constexpr double kDashMetres = 3.0;
constexpr double kCameraHeightM = 1.3;
constexpr double kFarMetres = 400.0;
constexpr double kHorizonShare = 0.46;
constexpr double kBendMetres = 120.0;  // the bend shows up to this distance
constexpr double kShakeMinG = 0.05;
constexpr double kBonnetShare = 0.9;  // rows below this share of the height show the bonnet
const QString kTimeFormat = QStringLiteral("yyyy/MM/dd HH:mm:ss");

// Maps road coordinates (x across, z ahead, metres) to the picture.
class Perspective {
public:
    Perspective(int width, int height)
        : m_cx(width / 2.0), m_horizon(height * kHorizonShare), m_focal(width * 0.9) {}
    QPointF At(double x, double z) const {
        return {m_cx + x * m_focal / z, m_horizon + kCameraHeightM * m_focal / z};
    }
    double Scale(double z) const { return m_focal / z; }
    double Horizon() const { return m_horizon; }

private:
    double m_cx;
    double m_horizon;
    double m_focal;
};

// Sideways screen shift of road at distance z in a bend: the road lies c z^2 / 2 to the side,
// seen at focal / z; beyond kBendMetres the shift stays put.
double BendShift(const Perspective& view, double curvaturePerM, double z) {
    return view.Scale(1.0) * curvaturePerM * std::min(z, kBendMetres) / 2.0;
}

struct Shape {
    bool ellipse;
    QRectF rect;
    QColor colour;
};

void FillStrip(QPainter& p, const Perspective& view, double x0, double x1, double z0, double z1,
               const QColor& colour) {
    const QPolygonF quad({view.At(x0, z0), view.At(x1, z0), view.At(x1, z1), view.At(x0, z1)});
    p.setBrush(colour);
    p.drawPolygon(quad);
}

void PaintSky(QPainter& p, CameraView camera, int width, double horizon) {
    QLinearGradient sky(0, 0, 0, horizon);
    if (camera == CameraView::Front) {
        sky.setColorAt(0.0, QColor(70, 130, 205));
        sky.setColorAt(1.0, QColor(190, 215, 235));
    } else {
        sky.setColorAt(0.0, QColor(95, 90, 140));
        sky.setColorAt(1.0, QColor(240, 170, 110));
    }
    p.fillRect(QRectF(0, 0, width, horizon + 1), sky);
    p.setBrush(camera == CameraView::Front ? QColor(110, 140, 120) : QColor(70, 60, 80));
    if (camera == CameraView::Front) {
        // Hills on the horizon.
        QPolygonF hills;
        hills << QPointF(0, horizon);
        for (int i = 0; i <= 16; ++i) {
            const double x = width * i / 16.0;
            // Periodic across the width, so a bend can pan them round without a seam.
            const double a = 2.0 * kPi * i / 16.0;
            hills << QPointF(x, horizon - horizon * (0.10 + 0.07 * std::sin(2.0 * a + 0.5) +
                                                     0.04 * std::sin(5.0 * a + 1.3)));
        }
        hills << QPointF(width, horizon);
        p.drawPolygon(hills);
    } else {
        // A city skyline behind the car.
        for (int i = 0; i < 14; ++i) {
            const double w = width / 14.0;
            const double h =
                horizon * (0.08 + 0.06 * std::fabs(std::sin(i * 2.3)) + 0.05 * (i % 3));
            p.drawRect(QRectF(i * w, horizon - h, w * 0.9, h));
        }
    }
}

void PaintRoad(QPainter& p, const Perspective& view, double offsetM, double nearZ, int width,
               int height) {
    p.fillRect(QRectF(0, view.Horizon(), width, height - view.Horizon()), QColor(85, 120, 60));
    FillStrip(p, view, -5.6, 2.4, nearZ, kFarMetres, QColor(80, 80, 84));
    FillStrip(p, view, -5.35, -5.2, nearZ, kFarMetres,
              QColor(230, 190, 40));  // centre line, double yellow
    FillStrip(p, view, -5.05, -4.9, nearZ, kFarMetres, QColor(230, 190, 40));
    FillStrip(p, view, 1.9, 2.05, nearZ, kFarMetres, QColor(225, 225, 225));  // edge line
    for (double z = std::floor(kFarMetres / kPatternMetres) * kPatternMetres - offsetM;
         z > nearZ - kPatternMetres; z -= kPatternMetres) {
        if (z + kDashMetres > nearZ) {
            FillStrip(p, view, -1.85, -1.7, std::max(z, nearZ), z + kDashMetres,
                      QColor(235, 235, 235));
        }
    }
}

// Posts and trees beside the road, far to near so near ones cover far ones; a bend moves each
// one sideways like the road rows around its foot.
std::vector<Shape> RoadsideShapes(const Perspective& view, double offsetM, double nearZ,
                                  double curvaturePerM) {
    std::vector<Shape> shapes;
    const auto foot = [&](double x, double z) {
        return view.At(x, z) + QPointF(BendShift(view, curvaturePerM, z), 0.0);
    };
    for (double z = std::floor(kFarMetres / kPatternMetres) * kPatternMetres - offsetM;
         z > nearZ - kPatternMetres; z -= kPatternMetres) {
        const double treeZ = z + kPatternMetres / 2.0;
        if (treeZ > nearZ) {
            const QPointF base = foot(8.0, treeZ);
            const double s = view.Scale(treeZ);
            shapes.push_back({false,
                              QRectF(base.x() - 0.2 * s, base.y() - 2.0 * s, 0.4 * s, 2.0 * s),
                              QColor(90, 65, 40)});
            shapes.push_back({true,
                              QRectF(base.x() - 1.6 * s, base.y() - 5.2 * s, 3.2 * s, 3.6 * s),
                              QColor(40, 105, 50)});
        }
        if (z > nearZ) {
            const QPointF base = foot(3.0, z);
            const double s = view.Scale(z);
            shapes.push_back({false,
                              QRectF(base.x() - 0.06 * s, base.y() - 1.0 * s, 0.12 * s, 1.0 * s),
                              QColor(240, 240, 240)});
            shapes.push_back({false,
                              QRectF(base.x() - 0.06 * s, base.y() - 0.9 * s, 0.12 * s, 0.15 * s),
                              QColor(230, 60, 40)});
        }
    }
    return shapes;
}

void PaintFollowingCar(QPainter& p, const Perspective& view) {
    const double z = 14.0;
    const QPointF base = view.At(0.0, z);
    const double s = view.Scale(z);
    p.setBrush(QColor(40, 60, 110));
    p.drawRoundedRect(QRectF(base.x() - 0.9 * s, base.y() - 1.0 * s, 1.8 * s, 0.75 * s), 0.1 * s,
                      0.1 * s);
    p.setBrush(QColor(150, 175, 200));
    p.drawRect(QRectF(base.x() - 0.7 * s, base.y() - 1.45 * s, 1.4 * s, 0.45 * s));
    p.setBrush(QColor(255, 250, 210));
    p.drawEllipse(QRectF(base.x() - 0.8 * s, base.y() - 0.7 * s, 0.3 * s, 0.18 * s));
    p.drawEllipse(QRectF(base.x() + 0.5 * s, base.y() - 0.7 * s, 0.3 * s, 0.18 * s));
}

QImage PaintScene(CameraView camera, FrameSize size, double offsetM) {
    QImage image(size.width, size.height, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    const Perspective view(size.width, size.height);
    const double nearZ = kCameraHeightM * view.Scale(1.0) / (size.height - view.Horizon());
    PaintSky(p, camera, size.width, view.Horizon());
    PaintRoad(p, view, offsetM, nearZ, size.width, size.height);
    if (camera == CameraView::Rear) {
        for (const Shape& shape : RoadsideShapes(view, offsetM, nearZ, 0.0)) {
            p.setBrush(shape.colour);
            if (shape.ellipse) {
                p.drawEllipse(shape.rect);
            } else {
                p.drawRect(shape.rect);
            }
        }
    }
    if (camera == CameraView::Front) {
        // The bonnet below the picture's middle.
        p.setBrush(QColor(30, 30, 34));
        p.drawEllipse(
            QRectF(-0.2 * size.width, size.height * 0.9, 1.4 * size.width, size.height * 0.5));
    } else {
        PaintFollowingCar(p, view);
        // The rear window's frame.
        QPainterPath frame;
        frame.addRect(QRectF(0, 0, size.width, size.height));
        const double inset = size.height * 0.05;
        frame.addRoundedRect(QRectF(inset, inset, size.width - 2 * inset, size.height - 2 * inset),
                             inset * 2, inset * 2);
        p.setBrush(QColor(20, 20, 22));
        p.drawPath(frame);
    }
    return image;
}

void CopyPlane(std::uint8_t* dst, int dstStride, const std::uint8_t* src, int srcStride, int width,
               int rows) {
    for (int y = 0; y < rows; ++y) {
        std::memcpy(dst + static_cast<std::ptrdiff_t>(y) * dstStride,
                    src + static_cast<std::ptrdiff_t>(y) * srcStride,
                    static_cast<std::size_t>(width));
    }
}

// Copies one row moved sideways by shift pixels; the gap repeats the edge pixel, or the row
// wraps round when it is periodic (the sky and the hills).
void ShiftRow(std::uint8_t* dst, const std::uint8_t* src, int width, int shift, bool wrap) {
    shift = wrap ? ((shift % width) + width) % width : std::clamp(shift, -width, width);
    if (shift >= 0) {
        if (wrap) {
            std::memcpy(dst, src + width - shift, static_cast<std::size_t>(shift));
        } else {
            std::memset(dst, src[0], static_cast<std::size_t>(shift));
        }
        std::memcpy(dst + shift, src, static_cast<std::size_t>(width - shift));
    } else {
        const int kept = width + shift;
        std::memcpy(dst, src - shift, static_cast<std::size_t>(kept));
        std::memset(dst + width + shift, src[width - 1], static_cast<std::size_t>(-shift));
    }
}

// Studio-range BT.601, as the encoder expects from libswscale's default conversion.
std::array<std::uint8_t, 3> ToYuv(const QColor& c) {
    const double r = c.redF();
    const double g = c.greenF();
    const double b = c.blueF();
    const auto byte = [](double v) {
        return static_cast<std::uint8_t>(std::clamp(std::lround(v), 0L, 255L));
    };
    return {byte(16.0 + 65.481 * r + 128.553 * g + 24.966 * b),
            byte(128.0 - 37.797 * r - 74.203 * g + 112.0 * b),
            byte(128.0 + 112.0 * r - 93.786 * g - 18.214 * b)};
}

// Left and right pixel edge of a shape on a row centred at y; empty when it misses the row.
std::pair<int, int> ShapeSpan(const Shape& shape, double y) {
    const QRectF& r = shape.rect;
    if (y < r.top() || y >= r.bottom()) {
        return {0, 0};
    }
    double half = r.width() / 2.0;
    if (shape.ellipse) {
        const double dy = (y - r.center().y()) / (r.height() / 2.0);
        half *= std::sqrt(std::max(0.0, 1.0 - dy * dy));
    }
    return {static_cast<int>(std::lround(r.center().x() - half)),
            static_cast<int>(std::lround(r.center().x() + half))};
}

// Fills a shape straight into a 4:2:0 frame, above the given row only.
void FillShape(AVFrame* frame, int width, int bottomRow, const Shape& shape) {
    const std::array<std::uint8_t, 3> yuv = ToYuv(shape.colour);
    const int top = std::max(0, static_cast<int>(shape.rect.top()));
    const int bottom = std::min(bottomRow, static_cast<int>(std::ceil(shape.rect.bottom())));
    for (int y = top; y < bottom; ++y) {
        auto [left, right] = ShapeSpan(shape, y + 0.5);
        left = std::max(left, 0);
        right = std::min(right, width);
        if (right > left) {
            std::memset(frame->data[0] + static_cast<std::ptrdiff_t>(y) * frame->linesize[0] + left,
                        yuv[0], static_cast<std::size_t>(right - left));
        }
        if ((y & 1) == 0) {
            auto [cl, cr] = ShapeSpan(shape, y + 1.0);
            cl = std::max(cl / 2, 0);
            cr = std::min((cr + 1) / 2, width / 2);
            for (int plane = 1; plane <= 2 && cr > cl; ++plane) {
                std::memset(frame->data[plane] +
                                static_cast<std::ptrdiff_t>(y / 2) * frame->linesize[plane] + cl,
                            yuv[static_cast<std::size_t>(plane)],
                            static_cast<std::size_t>(cr - cl));
            }
        }
    }
}

// Moves the whole picture down (rows > 0) or up by an even number of rows, repeating the
// edge row into the gap.
void ShakeFrame(AVFrame* frame, FrameSize size, int rows) {
    rows = std::clamp(rows, -size.height / 4, size.height / 4);
    for (int plane = 0; plane < 3 && rows != 0; ++plane) {
        const int shift = plane == 0 ? rows : rows / 2;
        const int height = plane == 0 ? size.height : size.height / 2;
        const int width = plane == 0 ? size.width : size.width / 2;
        std::uint8_t* data = frame->data[plane];
        const std::ptrdiff_t stride = frame->linesize[plane];
        const auto row = [&](int y) { return data + static_cast<std::ptrdiff_t>(y) * stride; };
        if (shift > 0) {
            for (int y = height - 1; y >= 0; --y) {
                std::memcpy(row(y), row(std::max(0, y - shift)), static_cast<std::size_t>(width));
            }
        } else {
            for (int y = 0; y < height; ++y) {
                std::memcpy(row(y), row(std::min(height - 1, y - shift)),
                            static_cast<std::size_t>(width));
            }
        }
    }
}

int EvenDown(int value) {
    return value - (value & 1);
}

}  // namespace

bool ConvertToYuv(const QImage& image, YuvPicture& out) {
    const int width = image.width();
    const int height = image.height();
    const platform::media::SwsContextPtr context(
        sws_getContext(width, height, AV_PIX_FMT_BGRA, width, height, AV_PIX_FMT_YUV420P,
                       SWS_BILINEAR, nullptr, nullptr, nullptr));
    if (!context || image.format() != QImage::Format_RGB32) {
        return false;
    }
    out.width = width;
    out.height = height;
    out.y.assign(static_cast<std::size_t>(width) * height, 0);
    out.u.assign(static_cast<std::size_t>(width / 2) * (height / 2), 128);
    out.v.assign(out.u.size(), 128);
    const std::uint8_t* src[] = {image.constBits()};
    const int srcStride[] = {static_cast<int>(image.bytesPerLine())};
    std::uint8_t* dst[] = {out.y.data(), out.u.data(), out.v.data()};
    const int dstStride[] = {width, width / 2, width / 2};
    return sws_scale(context.get(), src, srcStride, 0, height, dst, dstStride) == height;
}

SceneRenderer::SceneRenderer(CameraView view, FrameSize size, bool frameCode)
    : m_view(view), m_size(size), m_frameCode(frameCode) {
    m_phases.resize(kPhaseCount);
    m_valid = true;
    for (int i = 0; i < kPhaseCount; ++i) {
        const QImage scene = PaintScene(view, size, kPatternMetres * i / kPhaseCount);
        m_valid = m_valid && ConvertToYuv(scene, m_phases[static_cast<std::size_t>(i)]);
    }
}

int SceneRenderer::BarTop() const {
    const int barRows = EvenDown(std::max(10, m_size.height / 16));
    const int stripRows = m_frameCode ? framecode::StripRows(m_size.height) : 0;
    return EvenDown(m_size.height - stripRows - barRows - m_size.height / 40);
}

YuvPicture SceneRenderer::RenderBar(const BarText& text) const {
    const int rows = EvenDown(std::max(10, m_size.height / 16));
    QImage image(m_size.width, rows, QImage::Format_RGB32);
    image.fill(QColor(12, 12, 12));
    {
        // Fonts and glyph caches are shared by the process; workers take turns with text.
        static std::mutex textLock;
        const std::lock_guard<std::mutex> lock(textLock);
        QPainter p(&image);
        QFont font(QStringLiteral("DejaVu Sans Mono"));
        font.setStyleHint(QFont::Monospace);
        font.setPixelSize(std::max(7, rows * 3 / 4));
        font.setBold(true);
        p.setFont(font);
        p.setPen(QColor(250, 250, 250));
        const QRect area = image.rect().adjusted(rows / 3, 0, -rows / 3, 0);
        QString left = text.cameraTime.toString(kTimeFormat);
        if (m_view == CameraView::Rear) {
            left += QStringLiteral("  REAR");
        }
        p.drawText(area, Qt::AlignVCenter | Qt::AlignLeft, left);
        p.setPen(QColor(255, 215, 60));
        p.drawText(area, Qt::AlignVCenter | Qt::AlignRight,
                   QStringLiteral("%1 km/h").arg(text.speedKmh, 3));
        if (m_view == CameraView::Front && m_size.width >= 640) {
            p.setPen(QColor(200, 230, 255));
            p.drawText(area, Qt::AlignCenter,
                       QStringLiteral("N %1  E %2")
                           .arg(text.latitudeDeg, 0, 'f', 5)
                           .arg(text.longitudeDeg, 0, 'f', 5));
        }
    }
    YuvPicture bar;
    ConvertToYuv(image, bar);
    return bar;
}

void SceneRenderer::CopyScene(AVFrame* frame, const YuvPicture& scene, double offsetM,
                              double curvaturePerM) const {
    const int w = m_size.width;
    const int h = m_size.height;
    if (m_view == CameraView::Rear) {
        // The rear window's frame must not move.
        CopyPlane(frame->data[0], frame->linesize[0], scene.y.data(), w, w, h);
        CopyPlane(frame->data[1], frame->linesize[1], scene.u.data(), w / 2, w / 2, h / 2);
        CopyPlane(frame->data[2], frame->linesize[2], scene.v.data(), w / 2, w / 2, h / 2);
        return;
    }
    const Perspective view(w, h);
    std::vector<int> shifts(static_cast<std::size_t>(h), 0);
    const int bonnetTop = static_cast<int>(h * kBonnetShare);
    for (int y = 0; y < bonnetTop; ++y) {
        const double z = y > view.Horizon() + 1.0
                             ? kCameraHeightM * view.Scale(1.0) / (y - view.Horizon())
                             : kBendMetres;
        shifts[static_cast<std::size_t>(y)] =
            static_cast<int>(std::lround(BendShift(view, curvaturePerM, z)));
    }
    const int skyRows = static_cast<int>(view.Horizon());
    for (int y = 0; y < h; ++y) {
        ShiftRow(frame->data[0] + static_cast<std::ptrdiff_t>(y) * frame->linesize[0],
                 scene.y.data() + static_cast<std::ptrdiff_t>(y) * w, w,
                 shifts[static_cast<std::size_t>(y)], y < skyRows);
    }
    for (int y = 0; y < h / 2; ++y) {
        const int shift = shifts[static_cast<std::size_t>(y) * 2] / 2;
        for (int plane = 1; plane <= 2; ++plane) {
            const std::vector<std::uint8_t>& source = plane == 1 ? scene.u : scene.v;
            ShiftRow(frame->data[plane] + static_cast<std::ptrdiff_t>(y) * frame->linesize[plane],
                     source.data() + static_cast<std::ptrdiff_t>(y) * (w / 2), w / 2, shift,
                     y * 2 < skyRows);
        }
    }
    // Posts and trees stand upright in a bend, so they are drawn here rather than moved.
    const double nearZ = kCameraHeightM * view.Scale(1.0) / (h - view.Horizon());
    for (const Shape& shape : RoadsideShapes(view, offsetM, nearZ, curvaturePerM)) {
        FillShape(frame, w, bonnetTop, shape);
    }
}

void SceneRenderer::Compose(AVFrame* frame, const CameraMotion& motion, const YuvPicture& bar,
                            int frameNumber) const {
    // Looking back, the road runs away from the camera.
    double travelled = m_view == CameraView::Front ? motion.distanceM : -motion.distanceM;
    travelled = std::fmod(travelled, kPatternMetres);
    if (travelled < 0) {
        travelled += kPatternMetres;
    }
    const auto phase =
        static_cast<std::size_t>(travelled / kPatternMetres * kPhaseCount) % m_phases.size();
    CopyScene(frame, m_phases[phase], kPatternMetres * static_cast<double>(phase) / kPhaseCount,
              motion.curvaturePerM);
    if (m_view == CameraView::Front && motion.joltG > kShakeMinG) {
        // Even, so the chroma rows move with their luma rows.
        const int rows = 2 * static_cast<int>(std::lround(motion.joltG * m_size.height / 60.0 *
                                                          std::sin(frameNumber * 2.1)));
        ShakeFrame(frame, m_size, rows);
    }
    const int w = m_size.width;
    const int h = m_size.height;
    if (bar.width == w) {
        const int top = BarTop();
        CopyPlane(frame->data[0] + static_cast<std::ptrdiff_t>(top) * frame->linesize[0],
                  frame->linesize[0], bar.y.data(), w, w, bar.height);
        CopyPlane(frame->data[1] + static_cast<std::ptrdiff_t>(top / 2) * frame->linesize[1],
                  frame->linesize[1], bar.u.data(), w / 2, w / 2, bar.height / 2);
        CopyPlane(frame->data[2] + static_cast<std::ptrdiff_t>(top / 2) * frame->linesize[2],
                  frame->linesize[2], bar.v.data(), w / 2, w / 2, bar.height / 2);
    }
    if (m_frameCode) {
        framecode::PaintFrameCodeLuma(frame->data[0], frame->linesize[0], w, h, frameNumber);
        const int top = (h - framecode::StripRows(h)) / 2;
        for (int y = top; y < h / 2; ++y) {
            std::memset(frame->data[1] + static_cast<std::ptrdiff_t>(y) * frame->linesize[1], 128,
                        static_cast<std::size_t>(w / 2));
            std::memset(frame->data[2] + static_cast<std::ptrdiff_t>(y) * frame->linesize[2], 128,
                        static_cast<std::size_t>(w / 2));
        }
    }
}

}  // namespace samplecard
