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
    int CheckComponents();
    // Starts loading, off the calling thread, the libraries the components load only on first
    // use, so that the first recording does not wait for them. Best once the window is up.
    static void PreloadComponents();
    // Builds the graph for a recording: 1 when at least the file was accepted, else 0.
    int Open(const QString& path);
    // For the recordings opened from now on: who names a healthy sibling of a recording a
    // power loss cut (see CPlayGraph::SetReferenceFinder).
    void SetReferenceFinder(platform::media::ReferenceFinder finder) {
        m_referenceFinder = std::move(finder);
    }
    // Tears the graph down and deletes it (and the one cued after it).
    void Release();

    // Seamless advance: builds the graph of the recording to play next and cues it to play on,
    // gapless, where the open one ends (see CPlayGraph::BuildAfter). 1 when it is cued, 0 when
    // it cannot be (nothing open, the file refused or without a duration); one at a time.
    int Preroll(const QString& path);
    // The graph cued after the open one, or null.
    CPlayGraph* Prerolled() const { return m_next.get(); }
    // The open recording has reached its end and the cued one plays.
    bool PrerollStarted() const { return m_next && m_next->HasStarted(); }
    // The open graph goes and the cued one becomes the open one, playing on at the same rate.
    // False (nothing changed but the cued graph dropped) when there is none to take over.
    bool AdvanceToPrerolled();
    void DropPreroll();

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
    std::unique_ptr<CPlayGraph> m_next;  // follows m_graph: dropped first, always
    uint8_t m_brightnessOption = 0;
    int32_t m_brightness = 0;
    uint8_t m_textOption = 1;
    platform::media::ReferenceFinder m_referenceFinder;
};

}  // namespace player
