#pragma once
// Encodes and muxes one recording with libavformat/libavcodec: front video, optional rear
// video, optional audio and the telemetry text track. One writer per thread.

#include "tools/make-sample-card/CardOptions.h"
#include "tools/make-sample-card/DriveModel.h"
#include "tools/make-sample-card/SceneRenderer.h"

#include <QString>

#include <vector>

namespace samplecard {

struct ClipContent {
    ClipPlan clip;
    int lengthSeconds = 0;
    int fps = 0;
    AudioKind audio = AudioKind::None;
    Container container = Container::Mp4;
    QString preset;  // H.264 preset; empty: the default
    VideoCodec codec = VideoCodec::H264;
    int encoderThreads = 0;  // 0: the encoder decides
    const SceneRenderer* front = nullptr;
    const SceneRenderer* rear = nullptr;     // null: one camera
    std::vector<DriveSample> drive;          // at kSamplesPerSecond, as from SimulateClip
    std::vector<float> sound;                // mono, kAudioSampleRate
    std::vector<TelemetrySample> telemetry;  // empty: no text track
};

// Muxer name for the options: mp4 with PCM audio needs the QuickTime flavour of the format.
const char* MuxerName(Container container, AudioKind audio);

// Whether the container gets a telemetry track at all.
bool ContainerCarriesTelemetry(Container container);

// Writes the whole recording to path; on failure returns false with a one-line reason, and
// the caller removes whatever was written.
bool WriteClip(const QString& path, const ClipContent& content, QString& error);

}  // namespace samplecard
