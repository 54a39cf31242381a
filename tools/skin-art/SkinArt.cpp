// skin-art OUTDIR: draws every picture of the default skin into OUTDIR/img/ at build time.

#include "tools/skin-art/ButtonArt.h"
#include "tools/skin-art/Palette.h"
#include "tools/skin-art/PanelArt.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

using skinart::ButtonDesign;
using skinart::ButtonLook;
using skinart::Glyph;

struct Picture {
    const char* name;
    std::function<QImage()> draw;
};

ButtonDesign Icon(int size, Glyph glyph, ButtonLook look = ButtonLook::Ghost) {
    ButtonDesign design;
    design.frame = QSize(size, size);
    design.look = look;
    design.glyph = glyph;
    return design;
}

ButtonDesign Toggle(QSize frame, ButtonLook look, std::optional<Glyph> glyph,
                    std::optional<Glyph> checked, int glyphSize, const QString& label) {
    ButtonDesign design;
    design.frame = frame;
    design.look = look;
    design.check = true;
    design.glyph = glyph;
    design.checkedGlyph = checked;
    design.glyphSize = glyphSize;
    design.label = label;
    return design;
}

Picture Strip(const char* name, const ButtonDesign& design) {
    return {name, [design] { return skinart::DrawButtonStrip(design); }};
}

std::vector<Picture> ButtonPictures() {
    ButtonDesign open = Icon(120, Glyph::Card, ButtonLook::Accent);
    open.frame = QSize(120, 32);
    open.label = QStringLiteral("Open card");
    const QSize view(84, 28), tab(86, 32);
    return {
        Strip("btn_open.png", open),
        Strip("btn_capture.png", Icon(36, Glyph::Snapshot)),
        Strip("btn_save.png", Icon(36, Glyph::Export)),
        Strip("btn_track.png", Icon(36, Glyph::Track)),
        Strip("btn_clipin.png", Icon(36, Glyph::ClipIn)),
        Strip("btn_clipout.png", Icon(36, Glyph::ClipOut)),
        Strip("btn_clip.png", Icon(36, Glyph::Clip)),
        Strip("btn_gsensor.png", Icon(36, Glyph::GSensor)),
        Strip("btn_setting.png", Icon(36, Glyph::Settings)),
        Strip("btn_site.png", Icon(36, Glyph::Site)),
        Strip("btn_about.png", Icon(36, Glyph::About)),
        Strip("btn_min.png", Icon(36, Glyph::Minimise)),
        Strip("btn_real.png", Icon(36, Glyph::RealSize)),
        Strip("btn_max.png", Icon(36, Glyph::Maximise)),
        Strip("btn_nor.png", Icon(36, Glyph::NormalSize)),
        Strip("btn_exit.png", Icon(36, Glyph::Close, ButtonLook::Danger)),
        Strip("btn_stop.png", Icon(40, Glyph::Stop)),
        Strip("btn_prev.png", Icon(40, Glyph::Prev)),
        Strip("btn_rew.png", Icon(40, Glyph::Rewind)),
        Strip("btn_play.png",
              Toggle(QSize(52, 52), ButtonLook::Primary, Glyph::Play, Glyph::Pause, 24, {})),
        Strip("btn_ff.png", Icon(40, Glyph::Forward)),
        Strip("btn_next.png", Icon(40, Glyph::Next)),
        Strip("btn_fps.png", Icon(40, Glyph::FrameStep)),
        Strip("btn_volume.png",
              Toggle(QSize(28, 28), ButtonLook::Ghost, Glyph::Volume, Glyph::Mute, 20, {})),
        Strip("btn_swap.png",
              Toggle(QSize(40, 40), ButtonLook::Ghost, Glyph::Swap, Glyph::Swap, 20, {})),
        Strip("btn_view_front.png", Toggle(view, ButtonLook::Segment, Glyph::FrontCamera, {}, 16,
                                           QStringLiteral("Front"))),
        Strip("btn_view_rear.png",
              Toggle(view, ButtonLook::Segment, Glyph::RearCamera, {}, 16, QStringLiteral("Rear"))),
        Strip("btn_view_map.png",
              Toggle(view, ButtonLook::Segment, Glyph::MapPin, {}, 16, QStringLiteral("Map"))),
        Strip("tab_normal.png", Toggle(tab, ButtonLook::Tab, {}, {}, 0, QStringLiteral("Normal"))),
        Strip("tab_event.png", Toggle(tab, ButtonLook::Tab, {}, {}, 0, QStringLiteral("Event"))),
        Strip("tab_manual.png", Toggle(tab, ButtonLook::Tab, {}, {}, 0, QStringLiteral("Manual"))),
        Strip("tab_motion.png", Toggle(tab, ButtonLook::Tab, {}, {}, 0, QStringLiteral("Motion"))),
        {"face_primary.png", [] { return skinart::DrawFaceStrip(true); }},
        {"face_plain.png", [] { return skinart::DrawFaceStrip(false); }},
        {"face_toggle.png", [] { return skinart::DrawToggleFaceStrip(); }},
    };
}

std::vector<Picture> PanelPictures() {
    using namespace skinart;
    const GraphBand band{1000, 244, 44, 990, 12, 208};
    const QColor none(Qt::transparent);
    return {
        {"title.png", [] { return DrawTitle(144, 32); }},
        {"frame_main.png", [] { return DrawWindowFrame(48); }},
        {"frame_dialog.png", [] { return DrawWindowFrame(44); }},
        {"well.png", [] { return DrawWell(); }},
        {"panel.png", [] { return DrawPanel(); }},
        {"list_rows.png", [] { return DrawListStripes(28); }},
        {"bar_top.png", [] { return DrawTopBar(48); }},
        {"bar_bottom.png", [] { return DrawBottomBar(95); }},
        {"backdrop.png", [] { return DrawSolid(kVideo); }},
        {"idle_main.png",
         [] {
             return DrawIdle(280, 120, 56, QStringLiteral("Open a card and choose a recording"));
         }},
        {"idle_side.png", [] { return DrawIdle(120, 72, 36, {}); }},
        {"img_slow.png", [none] { return DrawGlyphTile(Glyph::Slow, 20, 20, kTextDim, none); }},
        {"img_fast.png", [none] { return DrawGlyphTile(Glyph::Fast, 20, 20, kTextDim, none); }},
        {"img_bright.png",
         [none] { return DrawGlyphTile(Glyph::Brightness, 20, 20, kTextDim, none); }},
        {"img_file.png", [none] { return DrawGlyphTile(Glyph::File, 20, 20, kTextDim, none); }},
        {"notify_info.png", [] { return DrawGlyphTile(Glyph::Info, 32, 32, kAccent, kWindow); }},
        {"notify_question.png",
         [] { return DrawGlyphTile(Glyph::Question, 32, 32, kAccent, kWindow); }},
        {"about_mark.png", [] { return DrawMark(72); }},
        {"slider_track.png", [] { return DrawSliderTrack(kTrack, 24); }},
        {"slider_fill.png", [] { return DrawSliderTrack(kAccent, 24); }},
        {"slider_thumb.png", [] { return DrawSliderThumb(14); }},
        {"speed_tics.png", [] { return DrawSliderTics(96, 24, 8, 8, 9); }},
        {"trip_segment.png", [] { return DrawTripBar(kTrack.lighter(150), 4, 10); }},
        {"trip_current.png", [] { return DrawTripBar(kAccent, 6, 10); }},
        {"trip_cursor.png", [] { return DrawTripCursor(6, 8); }},
        {"gsensor_grid.png", [band] { return DrawGSensorGrid(band); }},
        {"gsensor_legend.png", [] { return DrawAxisLegend(150, 20); }},
    };
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: skin-art OUTDIR\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]) + QStringLiteral("/img"));
    if (!out.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "skin-art: cannot create %s\n", qPrintable(out.path()));
        return 1;
    }
    std::vector<Picture> pictures = ButtonPictures();
    for (Picture& p : PanelPictures())
        pictures.push_back(std::move(p));
    for (const Picture& p : pictures) {
        const QString path = out.filePath(QString::fromLatin1(p.name));
        const QImage image = p.draw();
        if (image.isNull() || !image.save(path, "PNG")) {
            std::fprintf(stderr, "skin-art: cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    std::printf("skin-art: %zu pictures in %s\n", pictures.size(), qPrintable(out.path()));
    return 0;
}
