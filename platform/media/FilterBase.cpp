#include "platform/media/FilterBase.h"

#include "platform/media/FilterGraph.h"

namespace platform::media {

FilterBase::FilterBase(const CLSID& clsid) : m_clsid(clsid) {}

FilterBase::~FilterBase() = default;

HRESULT FilterBase::GetClassID(CLSID* clsid) {
    if (clsid == nullptr) {
        return E_POINTER;
    }
    *clsid = m_clsid;
    return S_OK;
}

HRESULT FilterBase::EnumPins(PinList* pins) {
    if (pins == nullptr) {
        return E_POINTER;
    }
    pins->clear();
    for (const auto& pin : m_pins) {
        pins->emplace_back(pin.get());
    }
    return S_OK;
}

HRESULT FilterBase::FindPin(const QString& name, IPin** pin) {
    if (pin == nullptr) {
        return E_POINTER;
    }
    *pin = nullptr;
    for (const auto& candidate : m_pins) {
        if (candidate->Name() == name) {
            *pin = candidate.get();
            candidate->AddRef();
            return S_OK;
        }
    }
    return VFW_E_NOT_FOUND;
}

HRESULT FilterBase::QueryFilterInfo(FILTER_INFO* info) {
    if (info == nullptr) {
        return E_POINTER;
    }
    info->achName = m_name;
    info->pGraph = ComPtr<IGraphBuilder>(m_graph);
    return S_OK;
}

HRESULT FilterBase::Stop() {
    if (m_graph != nullptr) {
        // Threads of the whole graph wait on each other; they stop together.
        m_graph->StopStreaming();
    } else {
        RequestStop();
        JoinStreaming();
    }
    m_state = State_Stopped;
    return S_OK;
}

HRESULT FilterBase::Pause() {
    return m_graph == nullptr ? VFW_E_NOT_IN_GRAPH : m_graph->Pause();
}

HRESULT FilterBase::Run(REFERENCE_TIME /*start*/) {
    return m_graph == nullptr ? VFW_E_NOT_IN_GRAPH : m_graph->Run();
}

HRESULT FilterBase::GetState(DWORD /*timeoutMs*/, FILTER_STATE* state) {
    if (state == nullptr) {
        return E_POINTER;
    }
    *state = m_state;
    return S_OK;
}

HRESULT FilterBase::JoinFilterGraph(IGraphBuilder* graph, const QString& name) {
    m_graph = static_cast<FilterGraph*>(graph);
    m_name = graph != nullptr ? name : QString();
    return S_OK;
}

void FilterBase::RequestStop() {
    for (const auto& pin : m_pins) {
        if (pin->Direction() == PINDIR_INPUT) {
            static_cast<InputPin*>(pin.get())->Queue().Abort();
        }
    }
}

void FilterBase::Flush(int serial) {
    for (const auto& pin : m_pins) {
        if (pin->Direction() == PINDIR_INPUT) {
            static_cast<InputPin*>(pin.get())->Queue().Flush(serial);
        }
    }
}

void FilterBase::PrepareStreaming(int serial) {
    for (const auto& pin : m_pins) {
        if (pin->Direction() == PINDIR_INPUT) {
            auto& queue = static_cast<InputPin*>(pin.get())->Queue();
            queue.Restart();
            queue.Flush(serial);
        }
    }
}

bool FilterBase::HasConnectedPin() const {
    for (const auto& pin : m_pins) {
        if (pin->IsConnected()) {
            return true;
        }
    }
    return false;
}

InputPin* FilterBase::AddInputPin(const QString& name, size_t queueItems,
                                  InputPin::AcceptFunction accept) {
    m_pins.push_back(std::make_unique<InputPin>(*this, name, queueItems, std::move(accept)));
    return static_cast<InputPin*>(m_pins.back().get());
}

OutputPin* FilterBase::AddOutputPin(const QString& name, OutputPin::TypesFunction types) {
    m_pins.push_back(std::make_unique<OutputPin>(*this, name, std::move(types)));
    return static_cast<OutputPin*>(m_pins.back().get());
}

void FilterBase::RemoveAllPins() {
    m_pins.clear();
}

}  // namespace platform::media
