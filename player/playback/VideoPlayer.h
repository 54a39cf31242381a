#pragma once
// The main window's graph owner: holds the two view widgets and at most one CPlayGraph, checks
// the media components at start-up, opens recordings and offers the relative seeks and the rate.
// UI thread only.

#include "player/playback/PlayGraph.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <utility>

class QWidget;

namespace player {

class CVideoPlayer {
public:
    // Results of CheckComponents.
    static constexpr int kComponentsComplete = 1;
    static constexpr int kNoSourceFilter = -1;
    static constexpr int kNoVideoDecoder = -2;
    static constexpr int kNoAacDecoder = -3;
    static constexpr int kNoBrightnessFilter = -4;

    // The machine-scope value the outside source filter reads.
    static constexpr char kUsingDShowKey[] = "SOFTWARE\\Lumetra";
    static constexpr char kUsingDShowValue[] = "usingDShow";

    // Writes "usingDShow" = 1 to the machine scope; silently skipped where it cannot be written.
    CVideoPlayer();
    CVideoPlayer(const CVideoPlayer&) = delete;
    CVideoPlayer& operator=(const CVideoPlayer&) = delete;
    ~CVideoPlayer();

    // The widgets of "main.video.front" and "main.video.rear"; creates an empty graph object.
    void AttachViews(QWidget* frontView, QWidget* rearView);
    // Creates and drops each outside component once: 1, or the first missing one's code.
    // Also starts loading what the first recording will need but start-up does not.
    int CheckComponents();
    // Builds the graph for a recording: 1 when at least the file was accepted, else 0.
    int Open(const QString& path);
    // For the recordings opened from now on: who names a healthy sibling of a recording a
    // power loss cut (see CPlayGraph::SetReferenceFinder).
    void SetReferenceFinder(platform::media::ReferenceFinder finder) {
        m_referenceFinder = std::move(finder);
    }
    // Tears the graph down and deletes it.
    void Release();

    uint64_t GetDurationMs();
    void SeekToMs(int ms);
    // Relative seeks, only while running or paused; clamped to 0 .. the duration.
    void SeekBack(double seconds);
    void SeekForward(double seconds);
    // Pauses, stores the rate and runs again if it was running; the rate applies at Run.
    void SetRate(float rate);
    // Brightness of both views (-100 .. 100), for the open recording and the next ones.
    void SetBrightness(int32_t level);

    // The graph of the open recording (or the empty one after AttachViews); may be null.
    CPlayGraph* Graph() const { return m_graph.get(); }
    int32_t ViewCount() const { return m_viewCount; }

private:
    void SeekRelative(double seconds);

    int32_t m_viewCount = 0;
    QWidget* m_frontView = nullptr;
    QWidget* m_rearView = nullptr;
    std::unique_ptr<CPlayGraph> m_graph;
    uint8_t m_brightnessOption = 0;
    int32_t m_brightness = 0;
    uint8_t m_textOption = 1;
    platform::media::ReferenceFinder m_referenceFinder;
};

}  // namespace player
