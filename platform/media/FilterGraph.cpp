#include "platform/media/FilterGraph.h"

#include "platform/media/DecodeQuality.h"
#include "platform/media/FilterBase.h"

#include <algorithm>
#include <thread>

namespace platform::media {

namespace {
constexpr double kMinRate = 0.5;
constexpr double kMaxRate = 2.0;
constexpr LONG kMinVolume = -10000;
constexpr LONG kBalanceLimit = 10000;
constexpr DWORD kPositioningMask = 0x3;
}  // namespace

FilterGraph::FilterGraph() : m_clock(std::make_shared<GraphClock>()) {}

FilterGraph::~FilterGraph() {
    StopStreaming();
    for (const Entry& entry : m_filters) {
        DisconnectAll(entry.engine);
        entry.engine->JoinFilterGraph(nullptr, QString());
    }
    m_filters.clear();
}

FilterBase* FilterGraph::Find(IBaseFilter* filter) const {
    for (const Entry& entry : m_filters) {
        if (entry.filter.Get() == filter) {
            return entry.engine;
        }
    }
    return nullptr;
}

FilterBase* FilterGraph::Source() const {
    for (const Entry& entry : m_filters) {
        if (entry.engine->IsSource()) {
            return entry.engine;
        }
    }
    return nullptr;
}

int FilterGraph::ConnectedRendererCount(bool videoOnly) const {
    int count = 0;
    for (const Entry& entry : m_filters) {
        if (entry.engine->IsRenderer() && entry.engine->HasConnectedPin() &&
            (!videoOnly || entry.engine->IsVideoRenderer())) {
            ++count;
        }
    }
    return count;
}

REFERENCE_TIME FilterGraph::KnownDuration() const {
    // As on the platform, the duration comes through the renderers: without a connected
    // renderer the graph cannot play and reports none.
    const FilterBase* source = Source();
    if (source == nullptr || ConnectedRendererCount(false) == 0) {
        return -1;
    }
    return source->Duration();
}

void FilterGraph::DisconnectAll(FilterBase* filter) {
    for (const auto& pin : filter->Pins()) {
        pin->Disconnect();
    }
    // Peers may still point at the filter when only one end was disconnected before.
    for (const Entry& entry : m_filters) {
        for (const auto& pin : entry.engine->Pins()) {
            PinBase* peer = pin->Peer();
            if (peer != nullptr && &peer->Filter() == filter) {
                pin->Disconnect();
            }
        }
    }
}

HRESULT FilterGraph::AddFilter(IBaseFilter* filter, const QString& name) {
    if (filter == nullptr) {
        return E_POINTER;
    }
    auto* engine = dynamic_cast<FilterBase*>(filter);
    if (engine == nullptr) {
        return E_INVALIDARG;
    }
    if (Find(filter) != nullptr) {
        return VFW_E_DUPLICATE_NAME;
    }
    FILTER_INFO info;
    engine->QueryFilterInfo(&info);
    if (info.pGraph) {
        return E_INVALIDARG;  // a filter belongs to one graph at a time
    }
    QString unique = name;
    if (unique.isEmpty()) {
        unique = QStringLiteral("Filter %1").arg(m_filters.size() + 1);
    }
    for (const Entry& entry : m_filters) {
        if (entry.engine->Name() == unique) {
            return VFW_E_DUPLICATE_NAME;
        }
    }
    StopStreaming();
    engine->SetClock(m_clock);
    if (m_following) {
        engine->FollowGraph(m_leaderDevice, m_leaderOffset);
    }
    engine->JoinFilterGraph(this, unique);
    m_filters.push_back(Entry{ComPtr<IBaseFilter>(filter), engine});
    return S_OK;
}

HRESULT FilterGraph::RemoveFilter(IBaseFilter* filter) {
    FilterBase* engine = Find(filter);
    if (engine == nullptr) {
        return VFW_E_NOT_FOUND;
    }
    StopStreaming();
    DisconnectAll(engine);
    engine->JoinFilterGraph(nullptr, QString());
    // The entry holds a reference: erase it last.
    auto it = std::find_if(m_filters.begin(), m_filters.end(),
                           [&](const Entry& entry) { return entry.engine == engine; });
    Entry removed = std::move(*it);
    m_filters.erase(it);
    return S_OK;
}

HRESULT FilterGraph::EnumFilters(FilterList* filters) {
    if (filters == nullptr) {
        return E_POINTER;
    }
    filters->clear();
    for (const Entry& entry : m_filters) {
        filters->push_back(entry.filter);
    }
    return S_OK;
}

HRESULT FilterGraph::FindFilterByName(const QString& name, IBaseFilter** filter) {
    if (filter == nullptr) {
        return E_POINTER;
    }
    *filter = nullptr;
    for (const Entry& entry : m_filters) {
        if (entry.engine->Name() == name) {
            *filter = entry.filter.Get();
            (*filter)->AddRef();
            return S_OK;
        }
    }
    return VFW_E_NOT_FOUND;
}

HRESULT FilterGraph::PrepareChange() {
    if (m_state != State_Stopped) {
        return VFW_E_NOT_STOPPED;
    }
    StopStreaming();
    return S_OK;
}

HRESULT FilterGraph::Connect(IPin* output, IPin* input) {
    return ConnectDirect(output, input, nullptr);
}

HRESULT FilterGraph::ConnectDirect(IPin* output, IPin* input, const MediaType* type) {
    if (output == nullptr || input == nullptr) {
        return E_POINTER;
    }
    auto* out = dynamic_cast<PinBase*>(output);
    auto* in = dynamic_cast<PinBase*>(input);
    if (out == nullptr || in == nullptr) {
        return E_INVALIDARG;
    }
    if (out->Direction() != PINDIR_OUTPUT || in->Direction() != PINDIR_INPUT) {
        return VFW_E_INVALID_DIRECTION;
    }
    if (Find(&out->Filter()) == nullptr || Find(&in->Filter()) == nullptr) {
        return VFW_E_NOT_IN_GRAPH;
    }
    if (out->IsConnected() || in->IsConnected()) {
        return VFW_E_ALREADY_CONNECTED;
    }
    if (const HRESULT hr = PrepareChange(); FAILED(hr)) {
        return hr;
    }
    for (const MediaType& offered : out->OfferedTypes()) {
        if (type != nullptr &&
            (offered.majortype != type->majortype || offered.subtype != type->subtype)) {
            continue;
        }
        if (in->Accepts(offered)) {
            out->SetConnection(in, offered);
            in->SetConnection(out, offered);
            return S_OK;
        }
    }
    return VFW_E_NO_ACCEPTABLE_TYPES;
}

HRESULT FilterGraph::Disconnect(IPin* pin) {
    auto* engine = dynamic_cast<PinBase*>(pin);
    if (engine == nullptr) {
        return pin == nullptr ? E_POINTER : E_INVALIDARG;
    }
    if (const HRESULT hr = PrepareChange(); FAILED(hr)) {
        return hr;
    }
    return engine->Disconnect();
}

HRESULT FilterGraph::StartStreaming() {
    if (m_streaming) {
        return S_OK;
    }
    m_clock->SetRendererCount(ConnectedRendererCount(false));
    ShareDecodeThreads();
    const int serial = m_clock->Seek(m_clock->Now());
    bool stepperChosen = false;
    for (const Entry& entry : m_filters) {
        entry.engine->PrepareStreaming(serial);
        if (entry.engine->IsVideoRenderer() && entry.engine->HasConnectedPin()) {
            entry.engine->SetStepper(!stepperChosen);
            stepperChosen = true;
        }
    }
    m_streaming = true;
    for (const Entry& entry : m_filters) {
        if (const HRESULT hr = entry.engine->StartStreaming(serial); FAILED(hr)) {
            StopStreaming();
            return hr;
        }
    }
    return S_OK;
}

void FilterGraph::ShareDecodeThreads() {
    std::vector<double> rates;
    for (const Entry& entry : m_filters) {
        rates.push_back(entry.engine->VideoPixelRate());
    }
    const std::vector<DecodeQuality::Share> shares = DecodeQuality::ShareCores(
        rates, static_cast<int>(std::max(1u, std::thread::hardware_concurrency())));
    for (size_t i = 0; i < m_filters.size(); ++i) {
        if (shares[i].threads > 0) {
            m_filters[i].engine->SetDecodeShare(shares[i].threads, shares[i].background);
        }
    }
}

void FilterGraph::StopStreaming() {
    if (!m_streaming) {
        return;
    }
    m_clock->Abort();
    for (const Entry& entry : m_filters) {
        entry.engine->RequestStop();
    }
    for (const Entry& entry : m_filters) {
        entry.engine->JoinStreaming();
    }
    m_clock->Restart();
    m_streaming = false;
}

HRESULT FilterGraph::Run() {
    if (const HRESULT hr = StartStreaming(); FAILED(hr)) {
        return hr;
    }
    m_state = State_Running;
    m_clock->SetRunning(true);
    return m_clock->AllReady() ? S_OK : S_FALSE;
}

HRESULT FilterGraph::Pause() {
    m_clock->SetRunning(false);
    if (const HRESULT hr = StartStreaming(); FAILED(hr)) {
        return hr;
    }
    m_state = State_Paused;
    return m_clock->AllReady() ? S_OK : S_FALSE;
}

HRESULT FilterGraph::Stop() {
    // Threads stay: they wait on full queues at no cost, and Run continues where it stood.
    m_clock->SetRunning(false);
    m_state = State_Stopped;
    return S_OK;
}

HRESULT FilterGraph::StopWhenReady() {
    m_clock->SetRunning(false);
    if (const HRESULT hr = StartStreaming(); FAILED(hr)) {
        return hr;
    }
    m_state = State_Stopped;
    return S_OK;
}

HRESULT FilterGraph::GetState(LONG timeoutMs, OAFilterState* state) {
    if (state == nullptr) {
        return E_POINTER;
    }
    *state = m_state;
    if (m_streaming &&
        !m_clock->WaitReady(std::chrono::milliseconds(std::max<LONG>(0, timeoutMs)))) {
        return VFW_S_STATE_INTERMEDIATE;
    }
    return S_OK;
}

HRESULT FilterGraph::GetDuration(REFERENCE_TIME* duration) {
    if (duration == nullptr) {
        return E_POINTER;
    }
    const REFERENCE_TIME known = KnownDuration();
    if (known < 0) {
        *duration = 0;
        return E_FAIL;
    }
    *duration = known;
    return S_OK;
}

HRESULT FilterGraph::GetCurrentPosition(REFERENCE_TIME* position) {
    if (position == nullptr) {
        return E_POINTER;
    }
    REFERENCE_TIME now = std::max<REFERENCE_TIME>(0, m_clock->Now());
    if (const REFERENCE_TIME duration = KnownDuration(); duration >= 0) {
        now = std::min(now, duration);
    }
    *position = now;
    return S_OK;
}

HRESULT FilterGraph::SetPositions(REFERENCE_TIME* current, DWORD currentFlags,
                                  REFERENCE_TIME* /*stop*/, DWORD /*stopFlags*/) {
    const DWORD mode = currentFlags & kPositioningMask;
    if (mode == AM_SEEKING_NoPositioning) {
        return S_OK;
    }
    if (current == nullptr) {
        return E_POINTER;
    }
    REFERENCE_TIME target = *current;
    if (mode == AM_SEEKING_RelativePositioning) {
        target += m_clock->Now();
    } else if (mode != AM_SEEKING_AbsolutePositioning) {
        return E_INVALIDARG;
    }
    target = std::max<REFERENCE_TIME>(0, target);
    if (const REFERENCE_TIME duration = KnownDuration(); duration >= 0) {
        target = std::min(target, duration);
    }
    const int serial = m_clock->Seek(target);
    if (!m_streaming) {
        // Cue the new position so its frame is shown in every state.
        return ConnectedRendererCount(false) > 0 ? StartStreaming() : S_OK;
    }
    for (const Entry& entry : m_filters) {
        entry.engine->Flush(serial);
    }
    if (FilterBase* source = Source()) {
        source->SeekSource(target, serial);
    }
    return S_OK;
}

HRESULT FilterGraph::SetRate(double rate) {
    if (!(rate >= kMinRate && rate <= kMaxRate)) {
        return E_INVALIDARG;
    }
    m_clock->SetRate(rate);
    return S_OK;
}

HRESULT FilterGraph::GetRate(double* rate) {
    if (rate == nullptr) {
        return E_POINTER;
    }
    *rate = m_clock->Rate();
    return S_OK;
}

HRESULT FilterGraph::SetNotifyWindow(intptr_t /*window*/, LONG /*message*/,
                                     intptr_t /*instanceData*/) {
    return S_OK;
}

HRESULT FilterGraph::put_Volume(LONG volume) {
    if (volume < kMinVolume || volume > 0) {
        return E_INVALIDARG;
    }
    m_clock->volume = volume;
    return S_OK;
}

HRESULT FilterGraph::get_Volume(LONG* volume) {
    if (volume == nullptr) {
        return E_POINTER;
    }
    *volume = m_clock->volume;
    return S_OK;
}

HRESULT FilterGraph::put_Balance(LONG balance) {
    if (balance < -kBalanceLimit || balance > kBalanceLimit) {
        return E_INVALIDARG;
    }
    m_clock->balance = balance;
    return S_OK;
}

HRESULT FilterGraph::get_Balance(LONG* balance) {
    if (balance == nullptr) {
        return E_POINTER;
    }
    *balance = m_clock->balance;
    return S_OK;
}

HRESULT FilterGraph::Step(DWORD frames, IUnknown* /*stepObject*/) {
    if (ConnectedRendererCount(true) == 0) {
        return E_FAIL;
    }
    // The player's frame-step button passes 0xFFFFFFFF: one frame, as the user expects.
    const int count = (frames == 0 || frames == 0xFFFFFFFFu)
                          ? 1
                          : static_cast<int>(std::min<DWORD>(frames, 1u << 20));
    if (m_state == State_Running) {
        if (const HRESULT hr = Pause(); FAILED(hr)) {
            return hr;
        }
    }
    if (const HRESULT hr = StartStreaming(); FAILED(hr)) {
        return hr;
    }
    m_clock->RequestStep(count);
    return S_OK;
}

HRESULT FilterGraph::CanStep(LONG /*multiple*/, IUnknown* /*stepObject*/) {
    return ConnectedRendererCount(true) > 0 ? S_OK : S_FALSE;
}

HRESULT FilterGraph::CancelStep() {
    m_clock->CancelStep();
    return S_OK;
}

HRESULT FilterGraph::FollowGraph(IGraphBuilder* leader) {
    auto* graph = dynamic_cast<FilterGraph*>(leader);
    if (graph == nullptr || graph == this) {
        return E_INVALIDARG;
    }
    if (!m_filters.empty() || m_following) {
        return VFW_E_WRONG_STATE;
    }
    const FilterBase* source = graph->Source();
    REFERENCE_TIME offset = source != nullptr ? source->PicturesEnd() : -1;
    if (offset <= 0) {
        offset = graph->KnownDuration();
    }
    if (offset <= 0) {
        return VFW_E_WRONG_STATE;  // a leader without a known end cannot be followed
    }
    for (const Entry& entry : graph->m_filters) {
        if (auto device = entry.engine->SoundDevice()) {
            m_leaderDevice = std::move(device);
            break;
        }
    }
    m_leaderOffset = offset;
    m_following = true;
    m_clock->Follow(graph->m_clock, offset);
    return S_OK;
}

HRESULT FilterGraph::TakeOver() {
    if (!m_following) {
        return S_FALSE;
    }
    // The clock first: the sound device is then moved onto a time that runs on.
    m_clock->Unfollow();
    for (const Entry& entry : m_filters) {
        entry.engine->TakeOver();
    }
    m_following = false;
    m_leaderDevice.reset();
    return S_OK;
}

HRESULT FilterGraph::HasStarted() {
    return !m_following || m_clock->LeaderReached() ? S_OK : S_FALSE;
}

}  // namespace platform::media
