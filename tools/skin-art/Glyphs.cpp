#include "tools/skin-art/Glyphs.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <cmath>
#include <map>
#include <numbers>

namespace skinart {
namespace {

constexpr double kGrid = 20.0;

QPolygonF Tri(double x0, double y0, double x1, double y1, double x2, double y2) {
    return QPolygonF({QPointF(x0, y0), QPointF(x1, y1), QPointF(x2, y2)});
}

void FillPoly(QPainter& p, const QPolygonF& poly) {
    QPainterPath path;
    path.addPolygon(poly);
    path.closeSubpath();
    p.fillPath(path, p.pen().color());
}

void Bar(QPainter& p, double x, double y, double w, double h) {
    p.fillRect(QRectF(x, y, w, h), p.pen().color());
}

void Stroke(QPainter& p, const QPainterPath& path, double width) {
    QPen pen(p.pen().color(), width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.strokePath(path, pen);
}

QPainterPath Line(double x0, double y0, double x1, double y1) {
    QPainterPath path(QPointF(x0, y0));
    path.lineTo(x1, y1);
    return path;
}

// Outlined like the other tool glyphs, so the gear does not look heavier than its neighbours.
void DrawGear(QPainter& p) {
    const QPointF c(10, 10);
    QPainterPath gear;
    for (int i = 0; i < 8; ++i) {
        QTransform t;
        t.translate(c.x(), c.y());
        t.rotate(i * 45.0);
        QPainterPath tooth;
        tooth.addRect(QRectF(-1.6, -8.25, 3.2, 3));
        gear = gear.united(t.map(tooth));
    }
    QPainterPath ring;
    ring.addEllipse(c, 6, 6);
    gear = gear.united(ring).simplified();
    Stroke(p, gear, 1.5);
    QPainterPath hole;
    hole.addEllipse(c, 2.4, 2.4);
    Stroke(p, hole, 1.5);
}

void DrawCamcorder(QPainter& p, bool facingRight) {
    p.save();
    if (!facingRight) {
        p.translate(kGrid, 0);
        p.scale(-1, 1);
    }
    QPainterPath body;
    body.addRoundedRect(QRectF(2, 5, 11, 10), 2, 2);
    p.fillPath(body, p.pen().color());
    FillPoly(p, QPolygonF({QPointF(14, 8.5), QPointF(18, 6), QPointF(18, 14), QPointF(14, 11.5)}));
    p.restore();
}

void DrawSpeaker(QPainter& p) {
    FillPoly(p, QPolygonF({QPointF(2, 7.5), QPointF(5.5, 7.5), QPointF(10, 3.5), QPointF(10, 16.5),
                           QPointF(5.5, 12.5), QPointF(2, 12.5)}));
}

void PlayGlyph(QPainter& p) {
    FillPoly(p, Tri(5.5, 3.5, 16.5, 10, 5.5, 16.5));
}

void PauseGlyph(QPainter& p) {
    Bar(p, 5, 4, 3.5, 12);
    Bar(p, 11.5, 4, 3.5, 12);
}

void StopGlyph(QPainter& p) {
    QPainterPath r;
    r.addRoundedRect(QRectF(5, 5, 10, 10), 1.5, 1.5);
    p.fillPath(r, p.pen().color());
}

void PrevGlyph(QPainter& p) {
    Bar(p, 4, 5, 2, 10);
    FillPoly(p, Tri(16, 5, 7, 10, 16, 15));
}

void NextGlyph(QPainter& p) {
    FillPoly(p, Tri(4, 5, 13, 10, 4, 15));
    Bar(p, 14, 5, 2, 10);
}

void RewindGlyph(QPainter& p) {
    FillPoly(p, Tri(10, 5, 2.5, 10, 10, 15));
    FillPoly(p, Tri(17.5, 5, 10, 10, 17.5, 15));
}

void ForwardGlyph(QPainter& p) {
    FillPoly(p, Tri(2.5, 5, 10, 10, 2.5, 15));
    FillPoly(p, Tri(10, 5, 17.5, 10, 10, 15));
}

void FrameStepGlyph(QPainter& p) {
    QPainterPath frame;
    frame.addRoundedRect(QRectF(3, 4, 14, 12), 2, 2);
    Stroke(p, frame, 2);
    FillPoly(p, Tri(8, 7, 13, 10, 8, 13));
}

void CardGlyph(QPainter& p) {
    QPainterPath card(QPointF(8, 3));
    card.lineTo(15, 3);
    card.lineTo(15, 17);
    card.lineTo(5, 17);
    card.lineTo(5, 6);
    card.closeSubpath();
    Stroke(p, card, 2);
    Bar(p, 8, 6, 1.5, 3.5);
    Bar(p, 10.25, 6, 1.5, 3.5);
    Bar(p, 12.5, 6, 1.5, 3.5);
}

void ExportGlyph(QPainter& p) {
    Stroke(p, Line(10, 3, 10, 12), 2);
    QPainterPath head(QPointF(6, 8.5));
    head.lineTo(10, 12.5);
    head.lineTo(14, 8.5);
    Stroke(p, head, 2);
    QPainterPath tray(QPointF(3, 12));
    tray.lineTo(3, 17);
    tray.lineTo(17, 17);
    tray.lineTo(17, 12);
    Stroke(p, tray, 2);
}

void SnapshotGlyph(QPainter& p) {
    QPainterPath cam;
    cam.addRoundedRect(QRectF(2, 6, 16, 11), 2, 2);
    Stroke(p, cam, 2);
    Bar(p, 7, 3, 6, 3);
    QPainterPath lens;
    lens.addEllipse(QPointF(10, 11.5), 3, 3);
    Stroke(p, lens, 2);
}

void SettingsGlyph(QPainter& p) {
    DrawGear(p);
}

void GSensorGlyph(QPainter& p) {
    QPainterPath wave(QPointF(2, 11));
    wave.lineTo(6, 11);
    wave.lineTo(8, 5);
    wave.lineTo(12, 16);
    wave.lineTo(14, 9);
    wave.lineTo(18, 9);
    Stroke(p, wave, 2);
}

void SiteGlyph(QPainter& p) {
    QPainterPath globe;
    globe.addEllipse(QPointF(10, 10), 7.5, 7.5);
    globe.addEllipse(QPointF(10, 10), 3.2, 7.5);
    globe.moveTo(2.5, 10);
    globe.lineTo(17.5, 10);
    Stroke(p, globe, 1.5);
}

void AboutGlyph(QPainter& p) {
    QPainterPath ring;
    ring.addEllipse(QPointF(10, 10), 7.5, 7.5);
    Stroke(p, ring, 1.5);
    Bar(p, 9, 8.5, 2, 6);
    QPainterPath dot;
    dot.addEllipse(QPointF(10, 6), 1.25, 1.25);
    p.fillPath(dot, p.pen().color());
}

void QuestionGlyph(QPainter& p) {
    QPainterPath ring;
    ring.addEllipse(QPointF(10, 10), 7.5, 7.5);
    Stroke(p, ring, 1.5);
    QPainterPath hook(QPointF(7.5, 7.8));
    hook.cubicTo(7.5, 4.5, 12.5, 4.5, 12.5, 7.5);
    hook.cubicTo(12.5, 9.5, 10, 9.5, 10, 11.5);
    Stroke(p, hook, 1.8);
    QPainterPath dot;
    dot.addEllipse(QPointF(10, 14.3), 1.2, 1.2);
    p.fillPath(dot, p.pen().color());
}

void MinimiseGlyph(QPainter& p) {
    Bar(p, 5, 13, 10, 2);
}

void MaximiseGlyph(QPainter& p) {
    QPainterPath corners;
    for (int i = 0; i < 4; ++i) {
        const double sx = (i % 2) ? -1 : 1;
        const double sy = (i / 2) ? -1 : 1;
        const QPointF c(i % 2 ? 16 : 4, i / 2 ? 16 : 4);
        corners.moveTo(c + QPointF(0, sy * 4.5));
        corners.lineTo(c);
        corners.lineTo(c + QPointF(sx * 4.5, 0));
    }
    Stroke(p, corners, 2);
}

void RealSizeGlyph(QPainter& p) {
    QPainterPath frame;
    frame.addRect(QRectF(2.5, 4.5, 15, 11));
    Stroke(p, frame, 1.5);
    Bar(p, 6, 7.5, 8, 5);
}

void NormalSizeGlyph(QPainter& p) {
    QPainterPath back(QPointF(7, 6));
    back.lineTo(7, 3.5);
    back.lineTo(16.5, 3.5);
    back.lineTo(16.5, 12);
    back.lineTo(14, 12);
    Stroke(p, back, 1.5);
    QPainterPath front;
    front.addRect(QRectF(3.5, 7, 9.5, 9.5));
    Stroke(p, front, 1.5);
}

void CloseGlyph(QPainter& p) {
    QPainterPath x = Line(5, 5, 15, 15);
    x.moveTo(15, 5);
    x.lineTo(5, 15);
    Stroke(p, x, 2);
}

void VolumeGlyph(QPainter& p) {
    DrawSpeaker(p);
    QPainterPath waves;
    waves.arcMoveTo(QRectF(6, 6, 8, 8), -50);
    waves.arcTo(QRectF(6, 6, 8, 8), -50, 100);
    waves.arcMoveTo(QRectF(4, 3, 14, 14), -55);
    waves.arcTo(QRectF(4, 3, 14, 14), -55, 110);
    Stroke(p, waves, 1.6);
}

void MuteGlyph(QPainter& p) {
    DrawSpeaker(p);
    QPainterPath x = Line(12.5, 7.5, 17.5, 12.5);
    x.moveTo(17.5, 7.5);
    x.lineTo(12.5, 12.5);
    Stroke(p, x, 1.8);
}

void FrontCameraGlyph(QPainter& p) {
    DrawCamcorder(p, true);
}

void RearCameraGlyph(QPainter& p) {
    DrawCamcorder(p, false);
}

void MapPinGlyph(QPainter& p) {
    QPainterPath pin(QPointF(10, 18));
    pin.cubicTo(6, 13, 3.5, 10.5, 3.5, 7.5);
    pin.arcTo(QRectF(3.5, 1, 13, 13), 180, -180);
    pin.cubicTo(16.5, 10.5, 14, 13, 10, 18);
    pin.closeSubpath();
    QPainterPath hole;
    hole.addEllipse(QPointF(10, 7.5), 2.5, 2.5);
    p.fillPath(pin.subtracted(hole), p.pen().color());
}

// A winding route from a start dot to an end flag: the recording's track.
void TrackGlyph(QPainter& p) {
    QPainterPath route(QPointF(4, 16));
    route.cubicTo(9, 16, 4, 9, 9, 9);
    route.cubicTo(14, 9, 10, 4, 15, 4);
    Stroke(p, route, 2);
    QPainterPath ends;
    ends.addEllipse(QPointF(4, 16), 2.5, 2.5);
    ends.addEllipse(QPointF(15.5, 4), 2.5, 2.5);
    p.fillPath(ends, p.pen().color());
}

// A bracket opening (or closing) a stretch of the time line, with the play head at it.
void ClipMarkGlyph(QPainter& p, bool in) {
    p.save();
    if (!in) {
        p.translate(kGrid, 0);
        p.scale(-1, 1);
    }
    QPainterPath bracket(QPointF(9, 3.5));
    bracket.lineTo(5, 3.5);
    bracket.lineTo(5, 16.5);
    bracket.lineTo(9, 16.5);
    Stroke(p, bracket, 2);
    FillPoly(p, Tri(10, 6, 16, 10, 10, 14));
    p.restore();
}

void ClipInGlyph(QPainter& p) {
    ClipMarkGlyph(p, true);
}

void ClipOutGlyph(QPainter& p) {
    ClipMarkGlyph(p, false);
}

// A strip of film between the marks: what a clip export writes.
void ClipGlyph(QPainter& p) {
    QPainterPath film;
    film.addRoundedRect(QRectF(4, 3, 12, 14), 1.5, 1.5);
    Stroke(p, film, 1.6);
    for (double y : {5.5, 9.0, 12.5}) {
        Bar(p, 5.5, y, 1.5, 1.5);
        Bar(p, 13, y, 1.5, 1.5);
    }
    FillPoly(p, Tri(8.5, 7, 12, 10, 8.5, 13));
}

void SwapGlyph(QPainter& p) {
    QPainterPath arrows = Line(3, 7, 16, 7);
    arrows.moveTo(12.5, 3.5);
    arrows.lineTo(16, 7);
    arrows.lineTo(12.5, 10.5);
    arrows.moveTo(17, 13);
    arrows.lineTo(4, 13);
    arrows.moveTo(7.5, 9.5);
    arrows.lineTo(4, 13);
    arrows.lineTo(7.5, 16.5);
    Stroke(p, arrows, 2);
}

void SlowGlyph(QPainter& p) {
    QPainterPath chevron(QPointF(8, 5));
    chevron.lineTo(13, 10);
    chevron.lineTo(8, 15);
    Stroke(p, chevron, 2);
}

void FastGlyph(QPainter& p) {
    QPainterPath chevrons;
    for (double x : {3.0, 8.5, 14.0}) {
        chevrons.moveTo(x, 5);
        chevrons.lineTo(x + 4, 10);
        chevrons.lineTo(x, 15);
    }
    Stroke(p, chevrons, 2);
}

void BrightnessGlyph(QPainter& p) {
    QPainterPath sun;
    sun.addEllipse(QPointF(10, 10), 3.5, 3.5);
    p.fillPath(sun, p.pen().color());
    QPainterPath rays;
    for (int i = 0; i < 8; ++i) {
        const double a = i * std::numbers::pi / 4;
        rays.moveTo(10 + 6 * std::cos(a), 10 + 6 * std::sin(a));
        rays.lineTo(10 + 8 * std::cos(a), 10 + 8 * std::sin(a));
    }
    Stroke(p, rays, 1.6);
}

void FileGlyph(QPainter& p) {
    QPainterPath page(QPointF(4, 2.5));
    page.lineTo(12, 2.5);
    page.lineTo(16, 6.5);
    page.lineTo(16, 17.5);
    page.lineTo(4, 17.5);
    page.closeSubpath();
    Stroke(p, page, 1.5);
    FillPoly(p, Tri(8, 8, 13, 11, 8, 14));
}

void LogoGlyph(QPainter& p) {
    // A road running to the horizon, its centre line cut out: the player's mark.
    QPainterPath road(QPointF(2.5, 18));
    road.lineTo(8.5, 2);
    road.lineTo(11.5, 2);
    road.lineTo(17.5, 18);
    road.closeSubpath();
    QPainterPath dashes;
    dashes.addRect(QRectF(9.5, 4, 1, 2.5));
    dashes.addRect(QRectF(9.25, 8.5, 1.5, 3.5));
    dashes.addRect(QRectF(9, 14, 2, 4.5));
    p.fillPath(road.subtracted(dashes), p.pen().color());
}

using GlyphPainter = void (*)(QPainter&);

GlyphPainter PainterOf(Glyph glyph) {
    static const std::map<Glyph, GlyphPainter> painters{
        {Glyph::Play, PlayGlyph},
        {Glyph::Pause, PauseGlyph},
        {Glyph::Stop, StopGlyph},
        {Glyph::Prev, PrevGlyph},
        {Glyph::Next, NextGlyph},
        {Glyph::Rewind, RewindGlyph},
        {Glyph::Forward, ForwardGlyph},
        {Glyph::FrameStep, FrameStepGlyph},
        {Glyph::Card, CardGlyph},
        {Glyph::Export, ExportGlyph},
        {Glyph::Snapshot, SnapshotGlyph},
        {Glyph::Settings, SettingsGlyph},
        {Glyph::GSensor, GSensorGlyph},
        {Glyph::Site, SiteGlyph},
        {Glyph::About, AboutGlyph},
        {Glyph::Info, AboutGlyph},
        {Glyph::Question, QuestionGlyph},
        {Glyph::Minimise, MinimiseGlyph},
        {Glyph::Maximise, MaximiseGlyph},
        {Glyph::RealSize, RealSizeGlyph},
        {Glyph::NormalSize, NormalSizeGlyph},
        {Glyph::Close, CloseGlyph},
        {Glyph::Volume, VolumeGlyph},
        {Glyph::Mute, MuteGlyph},
        {Glyph::FrontCamera, FrontCameraGlyph},
        {Glyph::RearCamera, RearCameraGlyph},
        {Glyph::MapPin, MapPinGlyph},
        {Glyph::Track, TrackGlyph},
        {Glyph::Swap, SwapGlyph},
        {Glyph::Slow, SlowGlyph},
        {Glyph::Fast, FastGlyph},
        {Glyph::Brightness, BrightnessGlyph},
        {Glyph::File, FileGlyph},
        {Glyph::Logo, LogoGlyph},
        {Glyph::ClipIn, ClipInGlyph},
        {Glyph::ClipOut, ClipOutGlyph},
        {Glyph::Clip, ClipGlyph},
    };
    const auto it = painters.find(glyph);
    return it == painters.end() ? nullptr : it->second;
}

}  // namespace

void DrawGlyph(QPainter& painter, Glyph glyph, const QRectF& box, const QColor& color) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.translate(box.topLeft());
    painter.scale(box.width() / kGrid, box.height() / kGrid);
    painter.setPen(color);
    painter.setBrush(Qt::NoBrush);
    if (const GlyphPainter paint = PainterOf(glyph))
        paint(painter);
    painter.restore();
}

}  // namespace skinart
