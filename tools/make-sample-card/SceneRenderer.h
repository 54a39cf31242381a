#pragma once
// Draws what a camera sees: a road scene that moves with the distance driven, a dash camera's
// burned-in text bar and the optional frame-code strip, as 4:2:0 pictures ready to encode.
// The scene repeats every few metres, so it is drawn once per phase and then only copied.
// After construction, const members may be called from any thread at the same time.

#include "tools/make-sample-card/CardOptions.h"

#include <QDateTime>
#include <QString>

#include <cstdint>
#include <vector>

struct AVFrame;
class QImage;

namespace samplecard {

enum class CameraView { Front, Rear };

// A planar 8-bit 4:2:0 picture without padding.
struct YuvPicture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> y;
    std::vector<std::uint8_t> u;
    std::vector<std::uint8_t> v;
};

// Converts an RGB32 picture of even size; false when the converter cannot be set up.
bool ConvertToYuv(const QImage& image, YuvPicture& out);

// What the text bar shows for one second of a recording.
struct BarText {
    QDateTime cameraTime;
    int speedKmh = 0;
    double latitudeDeg = 0.0;
    double longitudeDeg = 0.0;
};

// Where the car is for one frame.
struct CameraMotion {
    double distanceM = 0.0;
    double curvaturePerM = 0.0;  // radians per metre, > 0 bending right
    double joltG = 0.0;          // a hard stop's jolt
};

class SceneRenderer {
public:
    SceneRenderer(CameraView view, FrameSize size, bool frameCode);

    // False when the scene could not be drawn or converted.
    bool IsValid() const { return m_valid; }
    int Width() const { return m_size.width; }
    int Height() const { return m_size.height; }

    // The bar for one second; the caller keeps it while that second's frames are composed.
    YuvPicture RenderBar(const BarText& text) const;

    // Fills an allocated yuv420p frame of this camera's size. The front view bends the road
    // ahead by the road's curvature and shakes with a jolt.
    void Compose(AVFrame* frame, const CameraMotion& motion, const YuvPicture& bar,
                 int frameNumber) const;

private:
    int BarTop() const;
    void CopyScene(AVFrame* frame, const YuvPicture& scene, double offsetM,
                   double curvaturePerM) const;

    CameraView m_view;
    FrameSize m_size;
    bool m_frameCode;
    bool m_valid = false;
    std::vector<YuvPicture> m_phases;
};

}  // namespace samplecard
