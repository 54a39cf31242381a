#include "platform/media/Pins.h"

#include "platform/media/FilterBase.h"

namespace platform::media {

PinBase::PinBase(FilterBase& filter, QString name, PIN_DIRECTION direction)
    : m_filter(filter), m_name(std::move(name)), m_direction(direction) {}

HRESULT PinBase::QueryInterface(const IID& iid, void** object) {
    if (object == nullptr) {
        return E_POINTER;
    }
    if (iid == IUnknown::kIid || iid == IPin::kIid) {
        *object = static_cast<IPin*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG PinBase::AddRef() {
    return m_filter.AddRef();
}

ULONG PinBase::Release() {
    return m_filter.Release();
}

HRESULT PinBase::QueryDirection(PIN_DIRECTION* direction) {
    if (direction == nullptr) {
        return E_POINTER;
    }
    *direction = m_direction;
    return S_OK;
}

HRESULT PinBase::QueryPinInfo(PIN_INFO* info) {
    if (info == nullptr) {
        return E_POINTER;
    }
    info->pFilter = ComPtr<IBaseFilter>(&m_filter);
    info->dir = m_direction;
    info->achName = m_name;
    return S_OK;
}

HRESULT PinBase::ConnectedTo(IPin** peer) {
    if (peer == nullptr) {
        return E_POINTER;
    }
    PinBase* connected = Peer();
    *peer = connected;
    if (connected == nullptr) {
        return VFW_E_NOT_CONNECTED;
    }
    connected->AddRef();
    return S_OK;
}

HRESULT PinBase::ConnectionMediaType(MediaType* type) {
    if (type == nullptr) {
        return E_POINTER;
    }
    std::lock_guard lock(m_mutex);
    if (m_peer == nullptr) {
        *type = MediaType{};
        return VFW_E_NOT_CONNECTED;
    }
    *type = m_type;
    return S_OK;
}

HRESULT PinBase::EnumMediaTypes(std::vector<MediaType>* types) {
    if (types == nullptr) {
        return E_POINTER;
    }
    *types = OfferedTypes();
    return S_OK;
}

HRESULT PinBase::QueryAccept(const MediaType& type) {
    return m_direction == PINDIR_INPUT && Accepts(type) ? S_OK : S_FALSE;
}

HRESULT PinBase::Disconnect() {
    std::lock_guard lock(m_mutex);
    if (m_peer == nullptr) {
        return S_FALSE;
    }
    m_peer = nullptr;
    m_type = MediaType{};
    return S_OK;
}

PinBase* PinBase::Peer() const {
    std::lock_guard lock(m_mutex);
    return m_peer;
}

MediaType PinBase::ConnectedType() const {
    std::lock_guard lock(m_mutex);
    return m_type;
}

void PinBase::SetConnection(PinBase* peer, const MediaType& type) {
    std::lock_guard lock(m_mutex);
    m_peer = peer;
    m_type = type;
}

InputPin::InputPin(FilterBase& filter, QString name, size_t queueItems, AcceptFunction accept)
    : PinBase(filter, std::move(name), PINDIR_INPUT),
      m_accept(std::move(accept)),
      m_queue(queueItems) {}

bool InputPin::Receive(SamplePtr sample) {
    if (m_receiver) {
        return m_receiver(std::move(sample));
    }
    return m_queue.Put(std::move(sample));
}

OutputPin::OutputPin(FilterBase& filter, QString name, TypesFunction types)
    : PinBase(filter, std::move(name), PINDIR_OUTPUT), m_types(std::move(types)) {}

bool OutputPin::Deliver(SamplePtr sample) {
    auto* peer = static_cast<InputPin*>(Peer());
    if (peer == nullptr) {
        return true;
    }
    return peer->Receive(std::move(sample));
}

}  // namespace platform::media
