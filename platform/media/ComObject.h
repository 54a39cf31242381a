#pragma once
// Reference counting and QueryInterface for the engine's own objects. Internal.

#include "platform/media/Com.h"

#include <atomic>

namespace platform::media {

// Implements IUnknown for an object exposing the given interfaces; the first one is also its
// IUnknown. The count starts at 0: wrap new objects in ComPtr at once.
template <typename First, typename... Rest>
class ComObject : public First, public Rest... {
public:
    ULONG AddRef() override { return m_refs.fetch_add(1, std::memory_order_relaxed) + 1; }
    ULONG Release() override {
        const ULONG left = m_refs.fetch_sub(1, std::memory_order_acq_rel) - 1;
        if (left == 0) {
            delete this;  // the count owns the object
        }
        return left;
    }
    HRESULT QueryInterface(const IID& iid, void** object) override {
        if (object == nullptr) {
            return E_POINTER;
        }
        *object = nullptr;
        if (iid == IUnknown::kIid || iid == First::kIid) {
            *object = static_cast<First*>(this);
        } else {
            [[maybe_unused]] const bool found = (false || ... || TryInterface<Rest>(iid, object));
        }
        if (*object == nullptr) {
            return QueryExtra(iid, object);
        }
        AddRef();
        return S_OK;
    }

protected:
    ~ComObject() override = default;
    // Further interfaces of derived classes; must AddRef what it returns.
    virtual HRESULT QueryExtra(const IID& /*iid*/, void** /*object*/) { return E_NOINTERFACE; }

private:
    template <typename T>
    bool TryInterface(const IID& iid, void** object) {
        if (iid == T::kIid) {
            *object = static_cast<T*>(this);
            return true;
        }
        return false;
    }

    std::atomic<ULONG> m_refs{0};
};

// For classes that add interfaces beside a ComObject base: one implementation of IUnknown.
#define MEDIA_FORWARD_IUNKNOWN(Base)                                 \
    HRESULT QueryInterface(const IID& iid, void** object) override { \
        return Base::QueryInterface(iid, object);                    \
    }                                                                \
    ULONG AddRef() override {                                        \
        return Base::AddRef();                                       \
    }                                                                \
    ULONG Release() override {                                       \
        return Base::Release();                                      \
    }

// Wraps a freshly made object (count 0) in its first owner.
template <typename T, typename... Args>
ComPtr<T> MakeCom(Args&&... args) {
    return ComPtr<T>(new T(std::forward<Args>(args)...));
}

}  // namespace platform::media
