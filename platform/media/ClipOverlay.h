#pragma once
// The burned-in text of a rendered clip: each cue's lines drawn once (QPainter on a QImage) in
// a shaded box at the picture's top left, turned into 4:2:0 planes with alpha and blended into
// every picture while the cue is on show (at the top right instead, where a rear inset holds
// the top left). Internal; the export's thread (the application must
// be a QGuiApplication, for fonts).

#include "platform/media/ClipExporter.h"

#include <QImage>

#include <cstdint>
#include <vector>

struct AVFrame;

namespace platform::media {

class ClipOverlay {
public:
    ClipOverlay(const std::vector<ClipOverlayCue>& cues, QSize picture, bool right);

    // Blends the cue on show at `at` into a writable yuv420p picture of the given size.
    void Draw(AVFrame* frame, ClipPoint at);

    // The box as drawn for some lines, for a picture of the given size (ARGB32).
    static QImage Render(const QStringList& lines, QSize picture);
    // Where a box of the given width lies in the picture.
    static QPoint Origin(QSize picture, int width, bool right);

private:
    void Prepare(const ClipOverlayCue* cue);

    const std::vector<ClipOverlayCue>& m_cues;
    QSize m_picture;
    bool m_right;
    const ClipOverlayCue* m_prepared = nullptr;
    bool m_empty = true;
    int m_width = 0;  // of the box, even
    int m_height = 0;
    std::vector<uint8_t> m_y, m_alpha;        // full resolution
    std::vector<uint8_t> m_u, m_v, m_alphaC;  // half resolution
};

}  // namespace platform::media
