#pragma once
// The component-object basics of the media engine: result codes, identifiers, the reference
// counted IUnknown and the ComPtr smart pointer that owns it.
//
// Ownership: every engine object is intrusively reference counted. Hold objects in ComPtr<T>
// (AddRef on copy, Release on destruction); an object deletes itself when its count reaches 0.
// Raw interface pointers returned through out-parameters (void**, T**) carry one reference the
// caller must Release; prefer the ComPtr overloads, which do that for you.
// Reference counting is thread-safe; other thread rules are stated per interface.

#include "platform/media/MediaTime.h"

#include <atomic>
#include <cstdint>
#include <cstring>
#include <utility>

namespace platform::media {

using HRESULT = int32_t;
using ULONG = uint32_t;
using DWORD = uint32_t;
using LONG = int32_t;
using BYTE = uint8_t;

constexpr HRESULT MakeHResult(uint32_t code) {
    return static_cast<HRESULT>(code);
}

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
// ReadTextLine's "no lines left" (the system's value 38, ERROR_HANDLE_EOF).
inline constexpr HRESULT ERROR_HANDLE_EOF = 38;
inline constexpr HRESULT VFW_S_STATE_INTERMEDIATE = 0x00040237;
inline constexpr HRESULT E_NOTIMPL = MakeHResult(0x80004001);
inline constexpr HRESULT E_NOINTERFACE = MakeHResult(0x80004002);
inline constexpr HRESULT E_POINTER = MakeHResult(0x80004003);
inline constexpr HRESULT E_ABORT = MakeHResult(0x80004004);
inline constexpr HRESULT E_FAIL = MakeHResult(0x80004005);
inline constexpr HRESULT E_UNEXPECTED = MakeHResult(0x8000FFFF);
inline constexpr HRESULT E_OUTOFMEMORY = MakeHResult(0x8007000E);
inline constexpr HRESULT E_INVALIDARG = MakeHResult(0x80070057);
inline constexpr HRESULT REGDB_E_CLASSNOTREG = MakeHResult(0x80040154);
inline constexpr HRESULT VFW_E_INVALIDMEDIATYPE = MakeHResult(0x80040200);
inline constexpr HRESULT VFW_E_ALREADY_CONNECTED = MakeHResult(0x80040204);
inline constexpr HRESULT VFW_E_NO_ACCEPTABLE_TYPES = MakeHResult(0x80040207);
inline constexpr HRESULT VFW_E_INVALID_DIRECTION = MakeHResult(0x80040208);
inline constexpr HRESULT VFW_E_NOT_CONNECTED = MakeHResult(0x80040209);
inline constexpr HRESULT VFW_E_NOT_IN_GRAPH = MakeHResult(0x8004020A);
inline constexpr HRESULT VFW_E_NOT_FOUND = MakeHResult(0x80040216);
inline constexpr HRESULT VFW_E_CANNOT_CONNECT = MakeHResult(0x80040217);
inline constexpr HRESULT VFW_E_NOT_STOPPED = MakeHResult(0x80040224);
inline constexpr HRESULT VFW_E_WRONG_STATE = MakeHResult(0x80040227);
inline constexpr HRESULT VFW_E_TYPE_NOT_ACCEPTED = MakeHResult(0x8004022A);
inline constexpr HRESULT VFW_E_INVALID_FILE_FORMAT = MakeHResult(0x8004022F);
inline constexpr HRESULT VFW_E_DUPLICATE_NAME = MakeHResult(0x8004023E);
inline constexpr HRESULT VFW_E_UNKNOWN_FILE_TYPE = MakeHResult(0x80040240);
inline constexpr HRESULT VFW_E_NOT_PAUSED = MakeHResult(0x80040231);

constexpr bool SUCCEEDED(HRESULT hr) {
    return hr >= 0;
}
constexpr bool FAILED(HRESULT hr) {
    return hr < 0;
}

// A 128-bit class or interface identifier, written as in "{046814AD-616F-4DF8-B600-0234759FF57F}".
struct Guid {
    uint32_t data1 = 0;
    uint16_t data2 = 0;
    uint16_t data3 = 0;
    uint8_t data4[8] = {};

    friend constexpr bool operator==(const Guid& a, const Guid& b) {
        if (a.data1 != b.data1 || a.data2 != b.data2 || a.data3 != b.data3) {
            return false;
        }
        for (int i = 0; i < 8; ++i) {
            if (a.data4[i] != b.data4[i]) {
                return false;
            }
        }
        return true;
    }
};
using IID = Guid;
using CLSID = Guid;

// Every interface names its identifier as a static member kIid.
struct IUnknown {
    static constexpr IID kIid{0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

    // On success stores an AddRef'ed pointer to the asked interface; E_NOINTERFACE otherwise.
    virtual HRESULT QueryInterface(const IID& iid, void** object) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

protected:
    virtual ~IUnknown() = default;
};

// Owning smart pointer for reference-counted engine objects.
template <typename T>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(std::nullptr_t) {}
    // Takes a new reference to p.
    explicit ComPtr(T* p) : m_p(p) {
        if (m_p) {
            m_p->AddRef();
        }
    }
    ComPtr(const ComPtr& other) : ComPtr(other.m_p) {}
    ComPtr(ComPtr&& other) noexcept : m_p(std::exchange(other.m_p, nullptr)) {}
    template <typename U>
    ComPtr(const ComPtr<U>& other) : ComPtr(static_cast<T*>(other.Get())) {}
    ~ComPtr() { Reset(); }

    ComPtr& operator=(ComPtr other) noexcept {
        std::swap(m_p, other.m_p);
        return *this;
    }

    // Adopts a pointer that already carries a reference (as from an out-parameter).
    static ComPtr Attach(T* p) {
        ComPtr result;
        result.m_p = p;
        return result;
    }
    T* Detach() { return std::exchange(m_p, nullptr); }
    void Reset() {
        if (T* p = std::exchange(m_p, nullptr)) {
            p->Release();
        }
    }
    // For out-parameters: releases what is held and exposes the slot.
    T** ReleaseAndGetAddressOf() {
        Reset();
        return &m_p;
    }

    T* Get() const { return m_p; }
    T* operator->() const { return m_p; }
    T& operator*() const { return *m_p; }
    explicit operator bool() const { return m_p != nullptr; }
    friend bool operator==(const ComPtr& a, const ComPtr& b) { return a.m_p == b.m_p; }
    friend bool operator==(const ComPtr& a, std::nullptr_t) { return a.m_p == nullptr; }

private:
    T* m_p = nullptr;
};

// QueryInterface into a ComPtr: an empty pointer when the object lacks the interface.
template <typename T>
ComPtr<T> QueryInterface(IUnknown* object) {
    void* raw = nullptr;
    if (object == nullptr || FAILED(object->QueryInterface(T::kIid, &raw))) {
        return {};
    }
    return ComPtr<T>::Attach(static_cast<T*>(raw));
}

template <typename T, typename U>
ComPtr<T> QueryInterface(const ComPtr<U>& object) {
    return QueryInterface<T>(static_cast<IUnknown*>(object.Get()));
}

// Task memory: buffers the engine hands out (GetCurrentImage) are freed with CoTaskMemFree.
void* CoTaskMemAlloc(size_t bytes);
void CoTaskMemFree(void* block);

// Kept for the callers' shape; the engine needs no per-thread initialisation. Any thread.
HRESULT CoInitialize(void* reserved);
void CoUninitialize();

}  // namespace platform::media
