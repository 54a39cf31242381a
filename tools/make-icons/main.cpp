// Draws the programs' desktop icons (no artwork is checked in): OUT/hicolor/NxN/apps/NAME.png
// for the usual theme sizes, "roadplayer" for the player and "dcs-4100" for the settings tool.
// Usage: make-icons OUT

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <cstdio>
#include <functional>

namespace {

constexpr int kSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};

// The camera body both icons share: a dark rounded block with a lens; drawn on a 256 grid.
void DrawCamera(QPainter& p) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x26, 0x2b, 0x33));
    p.drawRoundedRect(QRectF(16, 56, 224, 152), 36, 36);
    p.setBrush(QColor(0x3b, 0x43, 0x4f));
    p.drawRoundedRect(QRectF(40, 36, 64, 32), 10, 10);
    QRadialGradient glass(QPointF(112, 116), 70);
    glass.setColorAt(0.0, QColor(0x6f, 0xb6, 0xff));
    glass.setColorAt(1.0, QColor(0x10, 0x3a, 0x70));
    p.setBrush(QColor(0xd8, 0xdd, 0xe4));
    p.drawEllipse(QPointF(128, 132), 64, 64);
    p.setBrush(glass);
    p.drawEllipse(QPointF(128, 132), 52, 52);
}

void DrawPlayer(QPainter& p) {
    DrawCamera(p);
    QPainterPath play;
    play.moveTo(110, 102);
    play.lineTo(164, 132);
    play.lineTo(110, 162);
    play.closeSubpath();
    p.setBrush(Qt::white);
    p.drawPath(play);
    p.setBrush(QColor(0xe5, 0x3e, 0x3e));
    p.drawEllipse(QPointF(206, 84), 12, 12);  // the recording lamp
}

void DrawSettings(QPainter& p) {
    DrawCamera(p);
    // A cog over the lens.
    const QPointF centre(128, 132);
    QPainterPath cog;
    constexpr int kTeeth = 8;
    for (int i = 0; i < kTeeth * 2; ++i) {
        const double angle = M_PI * i / kTeeth;
        const double radius = (i % 2 == 0) ? 40 : 30;
        const QPointF at(centre.x() + radius * std::cos(angle),
                         centre.y() + radius * std::sin(angle));
        if (i == 0) {
            cog.moveTo(at);
        } else {
            cog.lineTo(at);
        }
    }
    cog.closeSubpath();
    cog.addEllipse(centre, 12, 12);
    cog.setFillRule(Qt::OddEvenFill);
    p.setBrush(Qt::white);
    p.drawPath(cog);
}

bool Write(const QString& out, const char* name, const std::function<void(QPainter&)>& draw) {
    for (const int size : kSizes) {
        QImage icon(size, size, QImage::Format_ARGB32_Premultiplied);
        icon.fill(Qt::transparent);
        {
            QPainter p(&icon);
            p.setRenderHint(QPainter::Antialiasing);
            p.scale(size / 256.0, size / 256.0);
            draw(p);
        }
        const QString folder = QStringLiteral("%1/hicolor/%2x%2/apps").arg(out).arg(size);
        if (!QDir().mkpath(folder) ||
            !icon.save(QStringLiteral("%1/%2.png").arg(folder, QLatin1String(name)), "PNG")) {
            std::fprintf(stderr, "make-icons: cannot write %s at %d px into %s\n", name, size,
                         qPrintable(folder));
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-icons OUT\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    return Write(out, "roadplayer", DrawPlayer) && Write(out, "dcs-4100", DrawSettings) ? 0 : 1;
}
