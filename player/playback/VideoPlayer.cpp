#include "player/playback/VideoPlayer.h"

#include "platform/media/ComponentRegistry.h"
#include "platform/system/SettingsStore.h"
#include "player/playback/Log.h"

#include <algorithm>
#include <cmath>

using namespace platform::media;

namespace player {

namespace {

// Stop and seek results the graph owner goes on without, as the system does; logged here.
void LogDropped(const char* what, HRESULT hr) {
    if (FAILED(hr)) {
        qCWarning(lcPlayback, "%s failed: 0x%08X", what, static_cast<unsigned>(hr));
    }
}

bool CanCreate(const CLSID& clsid) {
    void* raw = nullptr;
    if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter, &raw)) ||
        raw == nullptr) {
        return false;
    }
    static_cast<IBaseFilter*>(raw)->Release();
    return true;
}

}  // namespace

CVideoPlayer::CVideoPlayer() {
    if (!platform::WriteRegistryDword(platform::RegistryScope::Machine,
                                      QString::fromLatin1(kUsingDShowKey),
                                      QString::fromLatin1(kUsingDShowValue), 1)) {
        qCInfo(lcPlayback) << "the machine scope takes no" << kUsingDShowValue << "value";
    }
}

CVideoPlayer::~CVideoPlayer() {
    Release();
}

void CVideoPlayer::AttachViews(QWidget* frontView, QWidget* rearView) {
    m_viewCount = 2;
    m_frontView = frontView;
    m_rearView = rearView;
    if (!m_graph) {
        m_graph = std::make_unique<CPlayGraph>(m_viewCount, m_frontView, m_rearView,
                                               m_brightnessOption, m_textOption);
    }
}

int CVideoPlayer::CheckComponents() {
    platform::media::PreloadComponents();
    if (!m_graph || !CanCreate(CLSID_SourceFilter)) {
        return kNoSourceFilter;
    }
    if (!CanCreate(CLSID_VideoDecoder)) {
        return kNoVideoDecoder;
    }
    if (!CanCreate(CLSID_AacDecoder)) {
        return kNoAacDecoder;
    }
    if (!CanCreate(CLSID_BrightnessFilter)) {
        return kNoBrightnessFilter;
    }
    return kComponentsComplete;
}

int CVideoPlayer::Open(const QString& path) {
    if (m_viewCount == 0 || path.isEmpty()) {
        return 0;
    }
    if (m_graph) {
        const HRESULT stopped = m_graph->Stop();
        const HRESULT rewound = m_graph->SeekTo(0);
        // Only a built graph can fail here; one that never ran answers VFW_E_WRONG_STATE to
        // Stop, which is no failure either.
        if (m_graph->HasGraphManager()) {
            LogDropped("stopping the previous recording",
                       stopped == VFW_E_WRONG_STATE ? S_OK : stopped);
            LogDropped("rewinding the previous recording", rewound);
        }
        Release();
    }
    m_graph = std::make_unique<CPlayGraph>(m_viewCount, m_frontView, m_rearView, m_brightnessOption,
                                           m_textOption);
    m_graph->SetReferenceFinder(m_referenceFinder);
    if (m_graph->Build(path) == CPlayGraph::kBuildFileRefused) {
        Release();
        return 0;
    }
    m_graph->SetBrightness(m_brightness);
    return 1;
}

void CVideoPlayer::SetBrightness(int32_t level) {
    m_brightness = level;
    if (m_graph) {
        m_graph->SetBrightness(level);
    }
}

void CVideoPlayer::Release() {
    if (m_graph) {
        m_graph->TearDown();
        m_graph.reset();
    }
}

uint64_t CVideoPlayer::GetDurationMs() {
    if (!m_graph) {
        return 0;
    }
    return static_cast<uint64_t>(ToMilliseconds(m_graph->GetDuration()));
}

void CVideoPlayer::SeekToMs(int ms) {
    if (m_graph && m_graph->HasGraphManager()) {
        LogDropped("seeking", m_graph->SeekTo(FromMilliseconds(ms)));
    }
}

void CVideoPlayer::SeekBack(double seconds) {
    SeekRelative(-seconds);
}

void CVideoPlayer::SeekForward(double seconds) {
    SeekRelative(seconds);
}

void CVideoPlayer::SeekRelative(double seconds) {
    if (!m_graph || !m_graph->HasGraphManager() ||
        (m_graph->State() != GraphState::Running && m_graph->State() != GraphState::Paused)) {
        return;
    }
    const int64_t duration = m_graph->GetDuration();
    const double target = static_cast<double>(m_graph->GetPosition()) +
                          seconds * static_cast<double>(kUnitsPerSecond);
    if (std::isnan(target)) {
        return;
    }
    const double clamped = std::clamp(target, 0.0, static_cast<double>(duration));
    LogDropped("a relative seek", m_graph->SeekTo(static_cast<int64_t>(clamped)));
}

void CVideoPlayer::SetRate(float rate) {
    if (!m_graph) {
        return;
    }
    const bool wasRunning = m_graph->State() == GraphState::Running;
    LogDropped("pausing for a new rate", m_graph->Pause());
    m_graph->StoreRate(rate);
    if (wasRunning) {
        LogDropped("running at the new rate", m_graph->Run());
    }
}

}  // namespace player
