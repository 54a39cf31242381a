#pragma once
// The brightness filter (CLSID_BrightnessFilter): decoded video in, the same pictures made
// brighter or darker out, transformed in the upstream decoder's thread. The player never
// inserts it; it exists so the components check finds it. Interface methods: any thread.

#include "platform/media/FilterBase.h"

#include <atomic>

namespace platform::media {

class BrightnessFilter final : public FilterBase, public IBrightnessControl {
public:
    BrightnessFilter();
    MEDIA_FORWARD_IUNKNOWN(FilterBase)

    // IBrightnessControl
    HRESULT SetBrightness(LONG level) override;
    HRESULT GetBrightness(LONG* level) override;

    // FilterBase
    HRESULT StartStreaming(int /*serial*/) override { return S_OK; }
    void JoinStreaming() override {}

    // Shifts the luma (or RGB) levels of a picture by level percent of the full range.
    static bool Adjust(AVFrame* frame, LONG level);

protected:
    HRESULT QueryExtra(const IID& iid, void** object) override;

private:
    ~BrightnessFilter() override = default;
    bool Transform(SamplePtr sample);

    InputPin* m_input = nullptr;
    OutputPin* m_output = nullptr;
    std::atomic<LONG> m_level{0};
};

}  // namespace platform::media
