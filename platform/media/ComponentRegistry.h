#pragma once
// The engine's components by class identifier: which exist, whether each is available (its
// FFmpeg part is linked in and the user has not disabled it) and their creation.
//
// A component is disabled per user by the DWORD value named after it (ComponentInfo::key)
// under the per-user registry key kComponentSettingsKey being non-zero; creating it then fails
// with REGDB_E_CLASSNOTREG, as a missing installation would. Any thread may call.

#include "platform/media/Com.h"

#include <QString>

#include <vector>

namespace platform::media {

inline constexpr CLSID CLSID_SourceFilter{
    0x046814AD, 0x616F, 0x4DF8, {0xB6, 0x00, 0x02, 0x34, 0x75, 0x9F, 0xF5, 0x7F}};
inline constexpr CLSID CLSID_VideoDecoder{
    0x04FE9017, 0xF873, 0x410E, {0x87, 0x1E, 0xAB, 0x91, 0x66, 0x1A, 0x4E, 0xF7}};
inline constexpr CLSID CLSID_AacDecoder{
    0x6AC7C19E, 0x8CA0, 0x4E3D, {0x9A, 0x9F, 0x28, 0x81, 0xDE, 0x29, 0xE0, 0xAC}};
inline constexpr CLSID CLSID_DSoundRender{
    0x79376820, 0x07D0, 0x11CF, {0xA2, 0x4D, 0x00, 0x20, 0xAF, 0xD7, 0x97, 0x67}};
inline constexpr CLSID CLSID_VideoMixingRenderer{
    0xB87BEB7B, 0x8D29, 0x423F, {0xAE, 0x4D, 0x65, 0x82, 0xC1, 0x01, 0x75, 0xAC}};
inline constexpr CLSID CLSID_BrightnessFilter{
    0x16CC5240, 0xAC7B, 0x433F, {0xB5, 0xD9, 0xD3, 0x47, 0x3C, 0x4F, 0x85, 0x05}};
inline constexpr CLSID CLSID_FilterGraph{
    0xE436EBB3, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};

inline constexpr DWORD CLSCTX_INPROC_SERVER = 0x1;

// Per-user registry key holding the components' "disabled" switches.
inline constexpr char kComponentSettingsKey[] = "Software\\RoadPlayer\\MediaComponents";

struct ComponentInfo {
    CLSID clsid;
    QString key;          // value name of its disabled switch, e.g. "VideoDecoder"
    QString description;  // for diagnostics
};

// Every component, in a fixed order.
const std::vector<ComponentInfo>& Components();

// True when the component exists, its codecs are in the linked FFmpeg and it is not disabled.
bool IsComponentAvailable(const CLSID& clsid);

// Writes the per-user switch; false when the settings cannot be written or the class is unknown.
bool SetComponentDisabled(const CLSID& clsid, bool disabled);

// Starts loading, off the calling thread, the libraries that the components load only on first
// use (the sound conversion's), so that the first recording does not wait for them.
void PreloadComponents();

// Creates a new instance and asks it for iid. outer must be null, context CLSCTX_INPROC_SERVER.
// REGDB_E_CLASSNOTREG for an unknown or unavailable class, E_NOINTERFACE, E_POINTER.
HRESULT CoCreateInstance(const CLSID& clsid, IUnknown* outer, DWORD context, const IID& iid,
                         void** object);

template <typename T>
ComPtr<T> CreateComponent(const CLSID& clsid) {
    void* raw = nullptr;
    if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, T::kIid, &raw))) {
        return {};
    }
    return ComPtr<T>::Attach(static_cast<T*>(raw));
}

}  // namespace platform::media
