#pragma once
// The engine's pins: a name, a direction, media types and the connected peer. An input pin
// owns the bounded queue its filter's thread reads; an output pin delivers into its peer's.
// Internal. Connection changes happen on the graph's thread while the graph is not streaming;
// Deliver / Receive run on streaming threads.

#include "platform/media/GraphInterfaces.h"
#include "platform/media/SampleQueue.h"

#include <functional>
#include <mutex>

namespace platform::media {

class FilterBase;

class PinBase : public IPin {
public:
    PinBase(FilterBase& filter, QString name, PIN_DIRECTION direction);
    ~PinBase() override = default;
    PinBase(const PinBase&) = delete;
    PinBase& operator=(const PinBase&) = delete;

    // IUnknown: the pin lives as long as its filter.
    HRESULT QueryInterface(const IID& iid, void** object) override;
    ULONG AddRef() override;
    ULONG Release() override;

    // IPin
    HRESULT QueryDirection(PIN_DIRECTION* direction) override;
    HRESULT QueryPinInfo(PIN_INFO* info) override;
    HRESULT ConnectedTo(IPin** peer) override;
    HRESULT ConnectionMediaType(MediaType* type) override;
    HRESULT EnumMediaTypes(std::vector<MediaType>* types) override;
    HRESULT QueryAccept(const MediaType& type) override;
    HRESULT Disconnect() override;

    // Engine side.
    const QString& Name() const { return m_name; }
    PIN_DIRECTION Direction() const { return m_direction; }
    FilterBase& Filter() const { return m_filter; }
    PinBase* Peer() const;
    MediaType ConnectedType() const;
    bool IsConnected() const { return Peer() != nullptr; }
    void SetConnection(PinBase* peer, const MediaType& type);

    virtual std::vector<MediaType> OfferedTypes() const { return {}; }
    virtual bool Accepts(const MediaType& /*type*/) const { return false; }

private:
    FilterBase& m_filter;
    QString m_name;
    PIN_DIRECTION m_direction;
    mutable std::mutex m_mutex;
    PinBase* m_peer = nullptr;  // guarded by m_mutex; the graph keeps both filters alive
    MediaType m_type;           // guarded by m_mutex
};

class InputPin : public PinBase {
public:
    using AcceptFunction = std::function<bool(const MediaType&)>;
    using ReceiveFunction = std::function<bool(SamplePtr)>;

    InputPin(FilterBase& filter, QString name, size_t queueItems, AcceptFunction accept);

    bool Accepts(const MediaType& type) const override { return m_accept(type); }
    // Streaming thread of the upstream filter: blocks while the queue is full. False when
    // the stream is stopping.
    bool Receive(SamplePtr sample);
    // A filter that transforms in the caller's thread instead of queueing.
    void SetReceiver(ReceiveFunction receiver) { m_receiver = std::move(receiver); }
    SampleQueue& Queue() { return m_queue; }

private:
    AcceptFunction m_accept;
    ReceiveFunction m_receiver;
    SampleQueue m_queue;
};

class OutputPin : public PinBase {
public:
    using TypesFunction = std::function<std::vector<MediaType>()>;

    OutputPin(FilterBase& filter, QString name, TypesFunction types);

    std::vector<MediaType> OfferedTypes() const override { return m_types(); }
    // Streaming thread: hands the sample to the peer (dropped when unconnected).
    bool Deliver(SamplePtr sample);

private:
    TypesFunction m_types;
};

}  // namespace platform::media
