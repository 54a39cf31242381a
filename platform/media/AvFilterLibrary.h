#pragma once
// libavfilter, loaded on first use instead of at program start. It and the libraries it pulls
// in (speech synthesis, Vulkan, LV2 hosting, ...) cost a third of the start-up's library
// loading, and only the sound conversion needs it, once a recording plays. Internal.

#include <cstdint>  // FFmpeg's headers need its constant macros in C++

extern "C" {
#include <libavfilter/avfilter.h>
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
}

#include <memory>

namespace platform::media {

// The functions of libavfilter the engine calls.
struct AvFilterApi {
    decltype(&avfilter_graph_alloc) graphAlloc = nullptr;
    decltype(&avfilter_graph_free) graphFree = nullptr;
    decltype(&avfilter_inout_alloc) inOutAlloc = nullptr;
    decltype(&avfilter_inout_free) inOutFree = nullptr;
    decltype(&avfilter_get_by_name) getByName = nullptr;
    decltype(&avfilter_graph_create_filter) createFilter = nullptr;
    decltype(&avfilter_graph_parse_ptr) parse = nullptr;
    decltype(&avfilter_graph_config) config = nullptr;
    decltype(&av_buffersrc_add_frame_flags) addFrame = nullptr;
    decltype(&av_buffersink_get_frame) getFrame = nullptr;
};

// The library, loaded at the first call from any thread (the others wait for it); nullptr
// when it cannot be loaded or lacks a function. Never unloaded.
const AvFilterApi* AvFilter();

// Starts loading the library on a thread of the global pool, so that the first recording
// does not wait for it. Any thread may call; later calls do nothing.
void PreloadAvFilter();

struct AvFilterDeleter {
    void operator()(AVFilterGraph* graph) const { AvFilter()->graphFree(&graph); }
    void operator()(AVFilterInOut* inOut) const { AvFilter()->inOutFree(&inOut); }
};
// Only made once AvFilter() gave the library, so the deleters find it.
using FilterGraphPtr = std::unique_ptr<AVFilterGraph, AvFilterDeleter>;
using FilterInOutPtr = std::unique_ptr<AVFilterInOut, AvFilterDeleter>;

}  // namespace platform::media
