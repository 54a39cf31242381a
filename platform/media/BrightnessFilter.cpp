#include "platform/media/BrightnessFilter.h"

#include "platform/media/ComponentRegistry.h"

extern "C" {
#include <libavutil/pixdesc.h>
}

#include <algorithm>

namespace platform::media {

namespace {
constexpr LONG kLevelLimit = 100;
constexpr char kInputPinName[] = "XForm In";
constexpr char kOutputPinName[] = "XForm Out";
}  // namespace

BrightnessFilter::BrightnessFilter() : FilterBase(CLSID_BrightnessFilter) {
    m_input = AddInputPin(QString::fromLatin1(kInputPinName), 1, [](const MediaType& type) {
        return type.majortype == MEDIATYPE_Video && type.subtype == MEDIASUBTYPE_DecodedVideo &&
               type.format;
    });
    m_input->SetReceiver([this](SamplePtr sample) { return Transform(std::move(sample)); });
    m_output =
        AddOutputPin(QString::fromLatin1(kOutputPinName), [this]() -> std::vector<MediaType> {
            const MediaType in = m_input->ConnectedType();
            if (!in.format) {
                return {};
            }
            return {in};
        });
}

HRESULT BrightnessFilter::QueryExtra(const IID& iid, void** object) {
    if (iid != IBrightnessControl::kIid) {
        return E_NOINTERFACE;
    }
    *object = static_cast<IBrightnessControl*>(this);
    AddRef();
    return S_OK;
}

HRESULT BrightnessFilter::SetBrightness(LONG level) {
    if (level < -kLevelLimit || level > kLevelLimit) {
        return E_INVALIDARG;
    }
    m_level = level;
    return S_OK;
}

HRESULT BrightnessFilter::GetBrightness(LONG* level) {
    if (level == nullptr) {
        return E_POINTER;
    }
    *level = m_level;
    return S_OK;
}

bool BrightnessFilter::Adjust(AVFrame* frame, LONG level) {
    if (level == 0) {
        return true;
    }
    const AVPixFmtDescriptor* descriptor =
        av_pix_fmt_desc_get(static_cast<AVPixelFormat>(frame->format));
    if (descriptor == nullptr ||
        (descriptor->flags &
         (AV_PIX_FMT_FLAG_BITSTREAM | AV_PIX_FMT_FLAG_PAL | AV_PIX_FMT_FLAG_HWACCEL)) != 0 ||
        descriptor->comp[0].depth != 8 || av_frame_make_writable(frame) < 0) {
        return false;
    }
    const int shift = static_cast<int>(level) * 255 / kLevelLimit;
    uint8_t table[256];
    for (int v = 0; v < 256; ++v) {
        table[v] = static_cast<uint8_t>(std::clamp(v + shift, 0, 255));
    }
    const bool rgb = (descriptor->flags & AV_PIX_FMT_FLAG_RGB) != 0;
    // YUV: the luma plane; packed RGB: every colour byte of the first plane.
    const int width = rgb ? frame->width * descriptor->comp[0].step : frame->width;
    const int alphaStep =
        (rgb && (descriptor->flags & AV_PIX_FMT_FLAG_ALPHA) != 0) ? descriptor->comp[0].step : 0;
    for (int y = 0; y < frame->height; ++y) {
        uint8_t* row = frame->data[0] + static_cast<ptrdiff_t>(y) * frame->linesize[0];
        for (int x = 0; x < width; ++x) {
            if (alphaStep != 0 && x % alphaStep == descriptor->comp[3].offset) {
                continue;
            }
            row[x] = table[row[x]];
        }
    }
    return true;
}

bool BrightnessFilter::Transform(SamplePtr sample) {
    if (sample->frame) {
        Adjust(sample->frame.get(), m_level);
    }
    return m_output->Deliver(std::move(sample));
}

}  // namespace platform::media
