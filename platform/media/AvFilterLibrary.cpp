#include "platform/media/AvFilterLibrary.h"

#include "platform/media/Log.h"

extern "C" {
#include <libavfilter/version_major.h>
#include <libavutil/macros.h>
}

#include <QThreadPool>

#include <dlfcn.h>

#include <mutex>

namespace platform::media {

namespace {

// The library the headers belong to, by its versioned name.
constexpr char kLibraryName[] = "libavfilter.so." AV_STRINGIFY(LIBAVFILTER_VERSION_MAJOR);

template <typename Function>
bool Resolve(void* library, const char* name, Function* function) {
    *function = reinterpret_cast<Function>(dlsym(library, name));
    return *function != nullptr;
}

const AvFilterApi* Load() {
    void* library = dlopen(kLibraryName, RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        qCWarning(lcMedia) << "cannot load" << kLibraryName << ":" << dlerror();
        return nullptr;
    }
    static AvFilterApi api;
    const bool complete = Resolve(library, "avfilter_graph_alloc", &api.graphAlloc) &&
                          Resolve(library, "avfilter_graph_free", &api.graphFree) &&
                          Resolve(library, "avfilter_inout_alloc", &api.inOutAlloc) &&
                          Resolve(library, "avfilter_inout_free", &api.inOutFree) &&
                          Resolve(library, "avfilter_get_by_name", &api.getByName) &&
                          Resolve(library, "avfilter_graph_create_filter", &api.createFilter) &&
                          Resolve(library, "avfilter_graph_parse_ptr", &api.parse) &&
                          Resolve(library, "avfilter_graph_config", &api.config) &&
                          Resolve(library, "av_buffersrc_add_frame_flags", &api.addFrame) &&
                          Resolve(library, "av_buffersink_get_frame", &api.getFrame);
    if (!complete) {
        qCWarning(lcMedia) << kLibraryName << "lacks a function the engine calls";
        return nullptr;
    }
    return &api;
}

}  // namespace

const AvFilterApi* AvFilter() {
    static const AvFilterApi* const api = Load();
    return api;
}

void PreloadAvFilter() {
    static std::once_flag started;
    std::call_once(started, [] { QThreadPool::globalInstance()->start([] { AvFilter(); }); });
}

}  // namespace platform::media
