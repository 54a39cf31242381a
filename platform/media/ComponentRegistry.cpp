#include "platform/media/ComponentRegistry.h"

#include "platform/media/AudioRenderer.h"
#include "platform/media/AvFilterLibrary.h"
#include "platform/media/BrightnessFilter.h"
#include "platform/media/DecoderFilter.h"
#include "platform/media/FilterGraph.h"
#include "platform/media/Log.h"
#include "platform/media/SourceFilter.h"
#include "platform/media/VideoRenderer.h"
#include "platform/system/SettingsStore.h"

#include <functional>
#include <mutex>

extern "C" {
#include <libavutil/log.h>
}

namespace platform::media {

namespace {

struct Factory {
    CLSID clsid;
    std::function<bool()> linked;  // its FFmpeg parts are present
    std::function<ComPtr<IUnknown>()> create;
};

template <typename T, typename... Args>
ComPtr<IUnknown> Make(Args... args) {
    ComPtr<T> object = MakeCom<T>(args...);
    return QueryInterface<IUnknown>(
        static_cast<IUnknown*>(static_cast<IBaseFilter*>(object.Get())));
}

ComPtr<IUnknown> MakeGraph() {
    ComPtr<FilterGraph> graph = MakeCom<FilterGraph>();
    return QueryInterface<IUnknown>(
        static_cast<IUnknown*>(static_cast<IGraphBuilder*>(graph.Get())));
}

bool DemuxersLinked() {
    return av_find_input_format("mov") != nullptr && av_find_input_format("matroska") != nullptr;
}

const std::vector<Factory>& Factories() {
    static const std::vector<Factory> factories = {
        {CLSID_SourceFilter, DemuxersLinked, [] { return Make<SourceFilter>(); }},
        {CLSID_VideoDecoder,
         [] { return DecoderFilter::CodecsAvailable(DecoderFilter::Kind::Video); },
         [] { return Make<DecoderFilter>(DecoderFilter::Kind::Video); }},
        {CLSID_AacDecoder,
         [] { return DecoderFilter::CodecsAvailable(DecoderFilter::Kind::Audio); },
         [] { return Make<DecoderFilter>(DecoderFilter::Kind::Audio); }},
        {CLSID_DSoundRender,
         [] { return AvFilter() != nullptr && AvFilter()->getByName("atempo") != nullptr; },
         [] { return Make<AudioRenderer>(); }},
        {CLSID_VideoMixingRenderer, [] { return true; }, [] { return Make<VideoRenderer>(); }},
        {CLSID_BrightnessFilter, [] { return true; }, [] { return Make<BrightnessFilter>(); }},
        {CLSID_FilterGraph, [] { return true; }, MakeGraph},
    };
    return factories;
}

const Factory* FindFactory(const CLSID& clsid) {
    for (const Factory& factory : Factories()) {
        if (factory.clsid == clsid) {
            return &factory;
        }
    }
    return nullptr;
}

const ComponentInfo* FindInfo(const CLSID& clsid) {
    for (const ComponentInfo& info : Components()) {
        if (info.clsid == clsid) {
            return &info;
        }
    }
    return nullptr;
}

}  // namespace

const std::vector<ComponentInfo>& Components() {
    static const std::vector<ComponentInfo> components = {
        {CLSID_SourceFilter, QStringLiteral("SourceFilter"),
         QStringLiteral("Recording source (libavformat)")},
        {CLSID_VideoDecoder, QStringLiteral("VideoDecoder"),
         QStringLiteral("Video decoder (libavcodec)")},
        {CLSID_AacDecoder, QStringLiteral("AacDecoder"),
         QStringLiteral("AAC audio decoder (libavcodec)")},
        {CLSID_DSoundRender, QStringLiteral("AudioRenderer"),
         QStringLiteral("Audio renderer (Qt audio sink)")},
        {CLSID_VideoMixingRenderer, QStringLiteral("VideoRenderer"),
         QStringLiteral("Windowless video renderer")},
        {CLSID_BrightnessFilter, QStringLiteral("BrightnessFilter"),
         QStringLiteral("Brightness filter")},
        {CLSID_FilterGraph, QStringLiteral("FilterGraph"), QStringLiteral("Filter graph manager")},
    };
    return components;
}

bool IsComponentAvailable(const CLSID& clsid) {
    const Factory* factory = FindFactory(clsid);
    const ComponentInfo* info = FindInfo(clsid);
    if (factory == nullptr || info == nullptr || !factory->linked()) {
        return false;
    }
    const auto disabled = ReadRegistryDword(RegistryScope::User,
                                            QString::fromLatin1(kComponentSettingsKey), info->key);
    return !disabled.has_value() || *disabled == 0;
}

bool SetComponentDisabled(const CLSID& clsid, bool disabled) {
    const ComponentInfo* info = FindInfo(clsid);
    if (info == nullptr) {
        return false;
    }
    return WriteRegistryDword(RegistryScope::User, QString::fromLatin1(kComponentSettingsKey),
                              info->key, disabled ? 1u : 0u);
}

void PreloadComponents() {
    PreloadAvFilter();
}

HRESULT CoCreateInstance(const CLSID& clsid, IUnknown* outer, DWORD context, const IID& iid,
                         void** object) {
    if (object == nullptr) {
        return E_POINTER;
    }
    *object = nullptr;
    if (outer != nullptr || (context & CLSCTX_INPROC_SERVER) == 0) {
        return E_INVALIDARG;
    }
    RouteFfmpegLog();
    if (!IsComponentAvailable(clsid)) {
        const ComponentInfo* info = FindInfo(clsid);
        qCInfo(lcMedia) << "component" << (info != nullptr ? info->key : QStringLiteral("?"))
                        << "is not available: its codec is missing or it is switched off";
        return REGDB_E_CLASSNOTREG;
    }
    ComPtr<IUnknown> instance = FindFactory(clsid)->create();
    if (!instance) {
        return E_OUTOFMEMORY;
    }
    return instance->QueryInterface(iid, object);
}

}  // namespace platform::media
