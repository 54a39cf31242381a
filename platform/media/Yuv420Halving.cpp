#include "platform/media/Yuv420Halving.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <cstddef>
#include <cstdint>

namespace platform::media {

namespace {

// One output row from two input rows: each output byte is the rounded mean of a 2x2 block.
void HalveRow(const uint8_t* top, const uint8_t* bottom, uint8_t* out, ptrdiff_t width) {
    ptrdiff_t x = 0;
#if defined(__SSE2__)
    const __m128i lowBytes = _mm_set1_epi16(0x00FF);
    const __m128i two = _mm_set1_epi16(2);
    // Sums of the even and odd bytes of both rows in 16-bit lanes, 8 outputs per 16 bytes.
    const auto blocks = [&](ptrdiff_t at) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(top + 2 * at));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bottom + 2 * at));
        const __m128i sum =
            _mm_add_epi16(_mm_add_epi16(_mm_and_si128(a, lowBytes), _mm_srli_epi16(a, 8)),
                          _mm_add_epi16(_mm_and_si128(b, lowBytes), _mm_srli_epi16(b, 8)));
        return _mm_srli_epi16(_mm_add_epi16(sum, two), 2);
    };
    for (; x + 16 <= width; x += 16) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x),
                         _mm_packus_epi16(blocks(x), blocks(x + 8)));
    }
#endif
    for (; x < width; ++x) {
        const int sum = top[2 * x] + top[2 * x + 1] + bottom[2 * x] + bottom[2 * x + 1];
        out[x] = static_cast<uint8_t>((sum + 2) >> 2);
    }
}

}  // namespace

bool CanHalveYuv420(int width, int height, int format) {
    return format == AV_PIX_FMT_YUV420P && width >= 4 && height >= 4 && width % 4 == 0 &&
           height % 4 == 0;
}

bool HalveYuv420(const AVFrame* source, FramePtr* target) {
    const int width = source->width / 2;
    const int height = source->height / 2;
    AVFrame* out = target->get();
    if (out == nullptr || out->width != width || out->height != height ||
        out->format != AV_PIX_FMT_YUV420P) {
        target->reset(av_frame_alloc());
        out = target->get();
        if (out == nullptr) {
            return false;
        }
        out->format = AV_PIX_FMT_YUV420P;
        out->width = width;
        out->height = height;
        if (av_frame_get_buffer(out, 0) < 0) {
            target->reset();
            return false;
        }
    }
    for (int plane = 0; plane < 3; ++plane) {
        const int planeWidth = plane == 0 ? width : width / 2;
        const int planeHeight = plane == 0 ? height : height / 2;
        const int inStride = source->linesize[plane];
        for (int y = 0; y < planeHeight; ++y) {
            const uint8_t* top = source->data[plane] + static_cast<ptrdiff_t>(2 * y) * inStride;
            HalveRow(top, top + inStride,
                     out->data[plane] + static_cast<ptrdiff_t>(y) * out->linesize[plane],
                     planeWidth);
        }
    }
    return true;
}

}  // namespace platform::media
